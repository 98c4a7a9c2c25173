// Clips and text fields that scripts put on the stage or take off it.

#include "swf/movie/drawing.h"
#include "swf/movie/limits.h"
#include "swf/runtime/movie_clip_methods.h"
#include "swf/runtime/movie_runtime.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace swf::runtime {

using script::Object;
using script::Value;

namespace {

// Script depths a clip can be placed at (any 32-bit depth up to 2130690044,
// the deepest the original player takes) and removed from.
constexpr int kMinScriptDepth = INT_MIN;
constexpr int kMaxScriptDepth = 2130690045; // the first refused
constexpr int kMaxRemovableDepth = 2130690031;
constexpr int kMaxActionRemovableDepth = 1048575;

bool validDepth(int depth) { return depth >= kMinScriptDepth && depth < kMaxScriptDepth; }

} // namespace

// Puts an object a script made at a script depth of `parent`, in place of
// whatever was there; null when the depth, the nesting or the object budget
// forbid it.
Instance* MovieRuntime::placeByScript(Instance* parent, int depth, movie::DisplayObject fresh)
{
    if (!parent || !parent->object || !parent->object->clip || !validDepth(depth))
        return nullptr;
    const int key = depth + kScriptDepthOffset;
    movie::DisplayObject* object = m_runner.insert(*parent->object, key, std::move(fresh));
    return object ? newInstance(parent, key, *object) : nullptr;
}

Object* MovieRuntime::attach(Instance* parent, std::uint16_t characterId, const std::string& name, int depth, Object* init)
{
    // The symbol comes from the library of the movie the clip belongs to.
    const movie::Character* character = dictionaryOf(parent).find(characterId);
    if (!character || character->kind != movie::Character::Kind::Sprite)
        return nullptr;
    movie::DisplayObject fresh;
    fresh.characterId = characterId;
    fresh.character = character;
    fresh.name = name;
    Instance* inst = placeByScript(parent, depth, std::move(fresh));
    if (!inst)
        return nullptr;
    setupClip(inst, true, init);
    return inst->self;
}

Object* MovieRuntime::createEmpty(Instance* parent, const std::string& name, int depth)
{
    movie::DisplayObject fresh;
    fresh.character = &m_emptyClip;
    fresh.name = name;
    Instance* inst = placeByScript(parent, depth, std::move(fresh));
    if (!inst)
        return nullptr;
    // An empty clip has no frame to play and hears no load event; it is
    // constructed all the same.
    construct(inst);
    return inst->self;
}

void MovieRuntime::attachBitmap(Instance* parent, std::shared_ptr<const movie::LiveBitmap> bitmap, int depth,
                                bool smoothing)
{
    if (!bitmap)
        return;
    const Twips width = Twips::fromPixels(bitmap->width), height = Twips::fromPixels(bitmap->height);
    // A clip of no name whose drawing is the bitmap's rectangle filled with it.
    movie::DisplayObject fresh;
    fresh.character = &m_emptyClip;
    Instance* inst = placeByScript(parent, depth, std::move(fresh));
    if (!inst || !inst->object || !inst->object->clip)
        return;
    inst->isBitmap = true;
    movie::Drawing drawing;
    swf::FillStyle fill;
    fill.type = smoothing ? swf::FillStyleType::ClippedBitmap : swf::FillStyleType::NonSmoothedClippedBitmap;
    fill.bitmapMatrix = Matrix::scale(20.0, 20.0);
    drawing.beginBitmapFill(fill, std::move(bitmap));
    drawing.lineTo({width, Twips(0)});
    drawing.lineTo({width, height});
    drawing.lineTo({Twips(0), height});
    drawing.endFill();
    inst->object->clip->drawing = movie::Box<movie::Drawing>(std::move(drawing));
}

Object* MovieRuntime::createTextField(Instance* parent, const std::string& name, int depth, double x, double y,
                                      double width, double height)
{
    movie::DisplayObject fresh;
    fresh.character = &m_textCharacter;
    fresh.name = name;
    fresh.matrix = Matrix::translation(Twips::fromPixels(x), Twips::fromPixels(y));
    fresh.text = movie::Box<text::TextFieldState>(text::newTextField(width, height, m_vm->swfVersion()));
    Instance* inst = placeByScript(parent, depth, std::move(fresh));
    if (!inst)
        return nullptr;
    attachTextFieldObject(inst);
    // The field is then handed to whatever the global TextField is now, as
    // the object it constructs (a script may have put its own function there).
    const Value ctor = m_vm->getMember(m_vm->global(), "TextField");
    if (Object* fn = ctor.asObject(); fn && fn->isFunction() && inst->self)
        m_vm->callFromHost(ctor, inst->self, {});
    return inst->object ? inst->self : nullptr;
}

Object* MovieRuntime::duplicate(Instance* source, const std::string& name, int depth, Object* init)
{
    if (depth == source->depth - kScriptDepthOffset)
        return nullptr;
    movie::DisplayObject copy;
    const movie::DisplayObject& s = *source->object;
    copy.characterId = s.characterId;
    copy.character = s.character;
    copy.matrix = s.matrix;
    copy.colorTransform = s.colorTransform;
    copy.ratio = s.ratio;
    copy.clipDepth = s.clipDepth;
    copy.blendMode = s.blendMode;
    copy.visible = s.visible;
    copy.scriptTransformed = s.scriptTransformed;
    copy.name = name;
    if (s.clip && s.clip->drawing) {
        copy.clip = movie::Box<movie::ClipState>(movie::ClipState{});
        copy.clip->timeline = s.clip->timeline;
        copy.clip->drawing = s.clip->drawing;
    }
    const auto* clipActions = source->clipActions;
    const std::uint32_t clipEvents = source->clipEvents;
    Instance* inst = placeByScript(source->parent, depth, std::move(copy));
    if (!inst)
        return nullptr;
    inst->clipActions = clipActions;
    inst->clipEvents = clipEvents;
    if (inst->object->character == &m_emptyClip) {
        // A copy of a clip made by createEmptyMovieClip (often one holding a
        // drawing) still takes its init object: tiles placed by _x.
        if (applyInitObject(inst, init))
            queueEvent(inst, ClipEvent::Load, "onLoad");
        return inst->self;
    }
    setupClip(inst, true, init);
    return inst->self;
}

void MovieRuntime::remove(Instance* inst, bool byAction)
{
    // A level at a depth a script can reach (one moved there by swapDepths)
    // leaves as its movie is unloaded, its root hearing no unload event.
    if (inst && inst->isRoot && inst->level > 0 && !byAction && inst->level >= kScriptDepthOffset) {
        inst->unloadHeard = true;
        unloadMovie(inst);
        return;
    }
    if (!inst || inst->isRoot || !inst->parent || !inst->parent->object)
        return;
    const int depth = inst->depth - kScriptDepthOffset;
    if (depth < 0 || depth > (byAction ? kMaxActionRemovableDepth : kMaxRemovableDepth))
        return;
    // The focus leaves with the object that has it, or with a clip around
    // it, while that is still on the stage: Selection's listeners hear of it.
    for (Instance* i = instanceOf(m_focus); i; i = i->parent) {
        if (i == inst) {
            changeFocus(nullptr, FocusCause::Removal);
            break;
        }
    }
    // From SWF 6, a clip that has an unload handler, or holds one that has,
    // stays on the stage with all it holds until those unload events have
    // run, moved below every depth a script can reach: scripts meanwhile
    // still find it and its children by their names.
    std::vector<Instance*> listeners;
    if (swfVersionOf(inst) >= 6)
        collectUnloadListeners(inst, listeners, 0);
    if (!listeners.empty()) {
        int key = -1 - inst->depth; // script depth -32769 - depth
        const auto& objects = inst->parent->object->clip->objects;
        while (objects.contains(key) && key > INT_MIN)
            --key;
        if (!objects.contains(key)) {
            m_runner.swap(*inst->parent->object, inst->depth, key);
            inst->leftDepth = inst->depth;
            inst->depth = key;
            // Its children leave at once in depth order up to the first that
            // has, or holds, an unload handler; that one and those above it stay.
            if (inst->object->clip) {
                std::vector<int> leaving;
                for (auto& [depth, child] : inst->object->clip->objects) {
                    std::vector<Instance*> held;
                    collectUnloadListeners(instanceFor(child), held, 1);
                    if (!held.empty())
                        break;
                    leaving.push_back(depth);
                }
                for (int depth : leaving)
                    removeAt(inst, depth);
                // Those that stay wait only for the unload events: the frame
                // scripts already waiting for them run no more.
                std::vector<Instance*> stay{inst};
                for (std::size_t k = 0; k < stay.size(); ++k) {
                    if (!stay[k]->object || !stay[k]->object->clip)
                        continue;
                    for (auto& [depth, child] : stay[k]->object->clip->objects) {
                        if (Instance* held = instanceFor(child)) {
                            held->framesEnded = true;
                            stay.push_back(held);
                        }
                    }
                }
            }
            // What it holds hears first; the clip itself last, then leaves.
            for (Instance* listener : listeners) {
                if (listener == inst)
                    continue;
                listener->unloadHeard = true;
                queueUnload(listener, false);
            }
            queueUnload(inst, true);
            return;
        }
    }
    removeAt(inst->parent, inst->depth);
}

bool MovieRuntime::hasUnloadHandler(Instance* inst)
{
    if (inst->answers(ClipEvent::Unload))
        return true;
    return inst->self && !m_vm->getMember(inst->self, "onUnload").isUndefined();
}

bool MovieRuntime::swapDepths(Instance* inst, int depth)
{
    Instance* parent = inst->parent;
    // A clip moves no lower than the timeline's first depth.
    if (!parent || !parent->object || !parent->object->clip || !validDepth(depth) || depth < -kScriptDepthOffset)
        return false;
    auto& objects = parent->object->clip->objects;
    const int key = depth + kScriptDepthOffset;
    if (key == inst->depth)
        return true;
    if (!objects.contains(inst->depth))
        return false;
    if (const auto other = objects.find(key); other != objects.end()) {
        if (Instance* theirs = instanceFor(other->second)) {
            theirs->depth = inst->depth;
            theirs->leftDepth.reset();
        }
    }
    m_runner.swap(*parent->object, inst->depth, key);
    inst->depth = key;
    inst->leftDepth.reset();
    return true;
}

bool MovieRuntime::swapLevel(Instance* root, int number)
{
    // _level0 holds the opened movie and stays where it is; a level moves
    // once, from the number it was loaded as (a second move leaves it).
    const auto mine = m_levels.find(root->level);
    if (root->level <= 0 || number <= 0 || mine == m_levels.end() || mine->second.inst != root
        || root->firstPath != "_level" + std::to_string(root->level))
        return false;
    if (number == root->level)
        return true;
    Level moving = std::move(mine->second);
    m_levels.erase(mine);
    if (auto other = m_levels.find(number); other != m_levels.end()) {
        other->second.inst->level = root->level;
        m_levels.emplace(root->level, std::move(other->second));
        m_levels.erase(number);
    }
    root->level = number;
    m_levels.emplace(number, std::move(moving));
    return true;
}

void MovieRuntime::setMask(Instance* inst, Instance* mask)
{
    if (inst->mask) {
        if (inst->mask->object)
            inst->mask->object->isScriptMask = false;
        inst->mask->maskedBy = nullptr;
        inst->mask = nullptr;
    }
    if (inst->object)
        inst->object->maskId = 0;
    if (!mask || mask == inst || !mask->object || !inst->object)
        return;
    if (mask->maskedBy)
        setMask(mask->maskedBy, nullptr);
    inst->mask = mask;
    mask->maskedBy = inst;
    mask->object->isScriptMask = true;
    inst->object->maskId = mask->object->id;
}

void MovieRuntime::endLayerMasking(Instance* inst)
{
    if (inst && inst->object)
        inst->object->clipDepth = 0;
}

// An object's _focusrect decides whether its focus is shown; without one of
// its own, the movie's does, which shows it unless told otherwise.
bool MovieRuntime::focusShown(const Instance* inst) const
{
    if (inst && inst->focusRect && m_vm->swfVersion() >= 6)
        return *inst->focusRect;
    return m_focusRect;
}

QRectF MovieRuntime::focusRect() const
{
    Instance* inst = m_focusShown ? instanceOf(m_focus) : nullptr;
    if (!inst || inst->isRoot || !inst->object || inst->object->text || !inst->object->visible)
        return {};
    if (!focusShown(inst))
        return {};
    const QRectF bounds = localBounds(*inst->object);
    return bounds.isValid() ? toStage(inst).mapRect(bounds) : QRectF();
}

int MovieRuntime::nextHighestDepth(Instance* parent) const
{
    if (!parent->object || !parent->object->clip)
        return 0;
    const auto& objects = parent->object->clip->objects;
    if (objects.empty())
        return 0;
    return std::max(0, objects.rbegin()->first - kScriptDepthOffset + 1);
}

} // namespace swf::runtime
