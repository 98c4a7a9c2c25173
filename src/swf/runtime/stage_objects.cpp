// Clips and text fields that scripts put on the stage or take off it.

#include "swf/movie/drawing.h"
#include "swf/movie/limits.h"
#include "swf/runtime/movie_clip_methods.h"
#include "swf/runtime/movie_runtime.h"

#include <algorithm>
#include <cmath>

namespace swf::runtime {

using script::Object;
using script::Value;

namespace {

// Script depths a clip can be placed at and removed from.
constexpr int kMinScriptDepth = -2130706432;
constexpr int kMaxScriptDepth = 2130690045;
constexpr int kMaxRemovableDepth = 1048575;

bool validDepth(int depth) { return depth >= kMinScriptDepth && depth <= kMaxScriptDepth - kScriptDepthOffset; }

int nestingOf(const Instance* inst)
{
    int n = 0;
    for (const Instance* p = inst; p && p->parent; p = p->parent)
        ++n;
    return n;
}

} // namespace

// Puts an object a script made at a script depth of `parent`, in place of
// whatever was there; null when the depth, the nesting or the object budget
// forbid it.
Instance* MovieRuntime::placeByScript(Instance* parent, int depth, movie::DisplayObject fresh)
{
    if (!parent || !parent->object || !parent->object->clip || !validDepth(depth)
        || nestingOf(parent) >= movie::kMaxNesting)
        return nullptr;
    if (movie::countObjects(*m_root.clip) >= movie::kMaxDisplayObjects)
        return nullptr;
    const int key = depth + kScriptDepthOffset;
    removeAt(parent, key);
    if (!parent->object)
        return nullptr;
    fresh.dynamic = true;
    movie::DisplayObject& object = parent->object->clip->objects.emplace(key, std::move(fresh)).first->second;
    return newInstance(parent, key, object);
}

Object* MovieRuntime::attach(Instance* parent, std::uint16_t characterId, const std::string& name, int depth, Object* init)
{
    const movie::Character* character = m_dictionary.find(characterId);
    if (!character || character->kind != movie::Character::Kind::Sprite)
        return nullptr;
    movie::DisplayObject fresh;
    fresh.characterId = characterId;
    fresh.character = character;
    fresh.name = name;
    Instance* inst = placeByScript(parent, depth, std::move(fresh));
    if (!inst)
        return nullptr;
    setupClip(inst, nullptr, true, init);
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
    inst->object->clip = movie::Box<movie::ClipState>(movie::ClipState{});
    inst->object->clip->timeline = m_emptyTimeline.get();
    // An empty clip has no frame to play; its load event still comes.
    queueEvent(inst, ClipEvent::Load, "onLoad");
    return inst->self;
}

Object* MovieRuntime::createTextField(Instance* parent, const std::string& name, int depth, double x, double y,
                                      double width, double height)
{
    movie::DisplayObject fresh;
    fresh.character = &m_textCharacter;
    fresh.name = name;
    fresh.matrix = Matrix::translation(Twips::fromPixels(x), Twips::fromPixels(y));
    Instance* inst = placeByScript(parent, depth, std::move(fresh));
    if (!inst)
        return nullptr;
    const QRectF bounds(0, 0, width * 20.0, height * 20.0);
    installTextField(*this, inst, &bounds);
    return inst->self;
}

Object* MovieRuntime::duplicate(Instance* source, const std::string& name, int depth, Object* init)
{
    if (depth + kScriptDepthOffset == source->depth)
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
    std::shared_ptr<movie::Drawing> drawing = source->object->clip ? source->object->clip->drawing : nullptr;
    const auto* clipActions = source->clipActions;
    Instance* inst = placeByScript(source->parent, depth, std::move(copy));
    if (!inst)
        return nullptr;
    movie::DisplayObject& object = *inst->object;
    inst->clipActions = clipActions;
    if (object.character == &m_emptyClip) {
        object.clip = movie::Box<movie::ClipState>(movie::ClipState{});
        object.clip->timeline = m_emptyTimeline.get();
        if (drawing)
            object.clip->drawing = std::make_shared<movie::Drawing>(*drawing);
        queueEvent(inst, ClipEvent::Load, "onLoad");
        return inst->self;
    }
    setupClip(inst, nullptr, true, init);
    if (drawing && object.clip)
        object.clip->drawing = std::make_shared<movie::Drawing>(*drawing);
    return inst->self;
}

void MovieRuntime::remove(Instance* inst)
{
    if (!inst || inst->isRoot || !inst->parent || !inst->parent->object)
        return;
    const int depth = inst->depth - kScriptDepthOffset;
    if (depth < 0 || depth > kMaxRemovableDepth)
        return;
    removeAt(inst->parent, inst->depth);
}

bool MovieRuntime::swapDepths(Instance* inst, int depth)
{
    Instance* parent = inst->parent;
    if (!parent || !parent->object || !parent->object->clip || !validDepth(depth))
        return false;
    auto& objects = parent->object->clip->objects;
    const int key = depth + kScriptDepthOffset;
    if (key == inst->depth)
        return true;
    // Map nodes move between keys without moving the objects, so every
    // pointer to them stays good.
    auto mine = objects.extract(inst->depth);
    if (mine.empty())
        return false;
    auto theirs = objects.extract(key);
    if (!theirs.empty()) {
        theirs.key() = inst->depth;
        theirs.mapped().dynamic = true;
        if (theirs.mapped().object)
            static_cast<Instance*>(theirs.mapped().object->hostData)->depth = inst->depth;
        objects.insert(std::move(theirs));
    }
    mine.key() = key;
    mine.mapped().dynamic = true;
    objects.insert(std::move(mine));
    inst->depth = key;
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
        inst->object->scriptMask.reset();
    if (!mask || mask == inst || !mask->object || !inst->object)
        return;
    if (mask->maskedBy)
        setMask(mask->maskedBy, nullptr);
    inst->mask = mask;
    mask->maskedBy = inst;
    mask->object->isScriptMask = true;
    inst->object->scriptMask = std::make_shared<movie::DisplayObject::ScriptMask>();
    inst->object->scriptMask->mask = mask->object;
}

QRectF MovieRuntime::focusRect() const
{
    Instance* inst = instanceOf(m_focus);
    if (!inst || inst->isRoot || !inst->object || inst->object->text || !inst->object->visible)
        return {};
    const Value shown = m_vm->getMember(m_focus, "_focusrect");
    if (shown.isBoolean() && !shown.asBool())
        return {};
    const QRectF bounds = localBounds(*inst->object);
    return bounds.isValid() ? toStage(inst).mapRect(bounds) : QRectF();
}

void MovieRuntime::prepareRender()
{
    for (const auto& inst : m_instances) {
        if (inst->object && inst->mask && inst->mask->object && inst->object->scriptMask) {
            const QTransform t = toStage(inst->mask);
            Matrix& m = inst->object->scriptMask->maskToStage;
            m.scaleX = t.m11();
            m.rotateSkew0 = t.m12();
            m.rotateSkew1 = t.m21();
            m.scaleY = t.m22();
            m.translateX = Twips(static_cast<std::int32_t>(std::lround(t.dx())));
            m.translateY = Twips(static_cast<std::int32_t>(std::lround(t.dy())));
        }
    }
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
