#include "swf/runtime/movie_runtime.h"

#include "swf/movie/limits.h"
#include "swf/runtime/movie_clip_methods.h"
#include "swf/script/builtins/builtins.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace swf::runtime {

using script::Object;
using script::Value;

namespace {

// Script depths start here in the display list's keys: timeline depths 1..65535
// are -16383..49151 to scripts, as in the original player.
constexpr int kDepthOffset = 16384;
// Jobs one frame may run, so that scripts that keep queueing each other end.
constexpr int kMaxJobsPerFrame = 200'000;
// The player version scripts see in $version.
constexpr const char* kPlayerVersion = "LNX 9,0,999,0";

bool hasScriptObject(const movie::Character* character)
{
    return character
        && (character->kind == movie::Character::Kind::Sprite || character->kind == movie::Character::Kind::Button
            || character->kind == movie::Character::Kind::EditText);
}

} // namespace

struct MovieRuntime::Job {
    Instance* inst = nullptr;
    Object* self = nullptr;
    script::ActionList code;
    std::uint32_t event = 0;      // clip actions with this flag
    std::string handler;          // then this method, if the object has it
    bool construct = false;       // registered class and constructor
    bool firstFrame = false;      // a script-made clip's first frame
    bool evenIfRemoved = false;
};

MovieRuntime::MovieRuntime(const Movie& movie, const movie::CharacterDictionary& dictionary, std::uint32_t randomSeed)
    : m_movie(movie), m_dictionary(dictionary), m_random(randomSeed)
{
    m_rootTimeline = movie::buildTimeline(movie.tags, movie.header.frameCount);
    m_index = std::make_unique<ScriptIndex>(movie.tags, m_rootTimeline.frameCount(), dictionary, movie.header.version);
    m_initDone.assign(m_index->initActions().size(), false);
    m_vm = std::make_unique<script::Interpreter>(*this, movie.header.version);

    m_emptyTimeline = std::make_shared<movie::Timeline>();
    m_emptyTimeline->frames.resize(1);
    m_emptyClip.kind = movie::Character::Kind::Sprite;
    m_emptyClip.timeline = m_emptyTimeline;
    m_textCharacter.kind = movie::Character::Kind::EditText;

    m_root.visible = true;
    m_root.character = &m_emptyClip;
    m_root.clip = movie::Box<movie::ClipState>(movie::ClipState{});
    m_root.clip->timeline = &m_rootTimeline;
    auto inst = std::make_unique<Instance>();
    inst->object = &m_root;
    inst->isRoot = true;
    m_rootInstance = inst.get();
    m_instances.push_back(std::move(inst));
    installHostObjects();
    m_rootInstance->self = makeObject(m_rootInstance, nullptr);
    m_root.object = m_rootInstance->self;
    m_rootInstance->self->put("$version", Value(std::string(kPlayerVersion)));
}

MovieRuntime::~MovieRuntime() = default;

int MovieRuntime::frameCount() const { return m_rootTimeline.frameCount(); }

double MovieRuntime::frameRate() const
{
    const double rate = m_movie.header.frameRate();
    return rate > 0 ? rate : 12.0;
}

void MovieRuntime::installHostObjects()
{
    m_clipExtension = installMovieClipClass(*m_vm, *this);
}

Object* MovieRuntime::makeObject(Instance* inst, const movie::Character* character)
{
    Object* o = nullptr;
    if (!character || character->kind == movie::Character::Kind::Sprite) {
        o = m_vm->heap().make(script::ObjectClass::Clip);
        if (Object* proto = m_vm->prototypeOf("MovieClip"))
            o->put("__proto__", proto, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
    } else {
        o = m_vm->heap().make(script::ObjectClass::Object);
        const char* cls = character->kind == movie::Character::Kind::Button ? "Button" : "TextField";
        if (Object* proto = m_vm->prototypeOf(cls))
            o->put("__proto__", proto, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
    }
    o->hostData = inst;
    o->setExtension(m_clipExtension);
    return o;
}

Instance* MovieRuntime::instanceOf(Object* o) const
{
    if (!o || !o->hostData)
        return nullptr;
    auto* inst = static_cast<Instance*>(o->hostData);
    return inst->object ? inst : nullptr;
}

Instance* MovieRuntime::newInstance(Instance* parent, int depth, movie::DisplayObject& object)
{
    auto inst = std::make_unique<Instance>();
    inst->object = &object;
    inst->parent = parent;
    inst->depth = depth;
    Instance* raw = inst.get();
    m_instances.push_back(std::move(inst));
    raw->self = makeObject(raw, object.character);
    object.object = raw->self;
    return raw;
}

// ---------------------------------------------------------------- frames

void MovieRuntime::start()
{
    m_vm->beginFrame();
    m_time = 0;
    enterFrame(m_rootInstance, 0, true);
    // The movie itself loads after its first frame's scripts.
    queueEvent(m_rootInstance, ClipEvent::Load, "onLoad");
    runQueue();
    syncTextVariables();
}

void MovieRuntime::advance()
{
    if (m_quit)
        return;
    m_vm->beginFrame();
    // Every timeline moves first; then the clips that were on stage before
    // and still are get enterFrame, ahead of the frame scripts just queued.
    std::vector<Instance*> clips;
    collectClips(m_rootInstance, clips);
    advanceClip(m_rootInstance);
    std::deque<std::unique_ptr<Job>> scripts = std::move(m_queue);
    m_queue.clear();
    for (Instance* inst : clips) {
        if (inst->object)
            queueEvent(inst, ClipEvent::EnterFrame, "onEnterFrame");
    }
    for (auto& job : scripts)
        m_queue.push_back(std::move(job));
    runQueue();
    m_time += 1000.0 / frameRate();
    m_vm->runTimers();
    runQueue();
    syncTextVariables();

    // Instances that left the stage stop being clips to the scripts that still hold them.
    for (auto it = m_instances.begin(); it != m_instances.end();) {
        Instance* inst = it->get();
        if (!inst->object && !inst->isRoot) {
            if (inst->self) {
                inst->self->hostData = nullptr;
                inst->self->setExtension(nullptr);
            }
            it = m_instances.erase(it);
        } else {
            ++it;
        }
    }
    m_vm->collectGarbage();
}

void MovieRuntime::collectClips(Instance* inst, std::vector<Instance*>& out) const
{
    if (!inst->object)
        return;
    if (!inst->object->clip)
        return;
    out.push_back(inst);
    for (auto& [depth, child] : inst->object->clip->objects) {
        if (child.object && child.clip && child.character && child.character->kind == movie::Character::Kind::Sprite)
            collectClips(static_cast<Instance*>(child.object->hostData), out);
    }
}

void MovieRuntime::enterFrame(Instance* inst, int frame, bool runScripts)
{
    movie::ClipState& clip = *inst->object->clip;
    clip.frame = frame;
    if (runScripts)
        queueFrameScripts(inst, frame);
    applyFrameOps(inst, frame);
}

void MovieRuntime::queueFrameScripts(Instance* inst, int frame)
{
    const TimelineScripts* scripts = nullptr;
    if (inst->isRoot) {
        scripts = &m_index->rootScripts();
        // Initialisation scripts run once, before anything else of the frame that holds them.
        const auto& inits = m_index->initActions();
        for (std::size_t i = 0; i < inits.size(); ++i) {
            if (!m_initDone[i] && inits[i].frame <= frame) {
                m_initDone[i] = true;
                queueCode(inst, inits[i].code, Priority::InitAction);
            }
        }
    } else if (inst->object->clip) {
        scripts = m_index->scriptsOf(inst->object->clip->timeline);
    }
    if (!scripts || frame < 0 || frame >= int(scripts->frameActions.size()))
        return;
    for (const script::ActionList& code : scripts->frameActions[std::size_t(frame)])
        queueCode(inst, code);
}

void MovieRuntime::applyFrameOps(Instance* inst, int frame)
{
    movie::ClipState& clip = *inst->object->clip;
    if (!clip.timeline || frame < 0 || frame >= clip.timeline->frameCount())
        return;
    for (const movie::DisplayOp& op : clip.timeline->frames[std::size_t(frame)]) {
        if (!inst->object)
            return;
        if (const auto* placeOp = std::get_if<const PlaceObject*>(&op))
            place(inst, **placeOp, frame);
        else if (const auto* removeOp = std::get_if<const RemoveObject*>(&op))
            removeAt(inst, (*removeOp)->depth);
    }
}

movie::DisplayObject* MovieRuntime::place(Instance* inst, const PlaceObject& record, int frame)
{
    movie::ClipState& clip = *inst->object->clip;
    const int depth = record.depth;
    auto existing = clip.objects.find(depth);
    const bool modifies = record.version != 1 && record.isMove;
    const movie::Character* character = record.characterId ? m_dictionary.find(*record.characterId) : nullptr;

    movie::DisplayObject* object = nullptr;
    if (existing != clip.objects.end()) {
        if (!modifies)
            return nullptr;
        object = &existing->second;
        if (character && object->characterId != *record.characterId && !hasScriptObject(character)
            && object->character && !hasScriptObject(object->character)) {
            object->characterId = *record.characterId;
            object->character = character;
            object->ratio = 0;
        }
        if (!object->scriptTransformed) {
            if (record.matrix)
                object->matrix = *record.matrix;
            if (record.colorTransform)
                object->colorTransform = *record.colorTransform;
        }
        if (record.ratio)
            object->ratio = *record.ratio;
        if (record.clipDepth)
            object->clipDepth = *record.clipDepth;
        if (record.blendMode)
            object->blendMode = *record.blendMode;
        return object;
    }
    // A move finds nothing to move on an empty depth, even with a character.
    if (modifies)
        return nullptr;
    if (!character || movie::countObjects(m_root.clip ? *m_root.clip : clip) >= movie::kMaxDisplayObjects)
        return nullptr;

    movie::DisplayObject fresh;
    fresh.characterId = *record.characterId;
    fresh.character = character;
    fresh.placedFrame = frame;
    if (record.matrix)
        fresh.matrix = *record.matrix;
    if (record.colorTransform)
        fresh.colorTransform = *record.colorTransform;
    if (record.ratio)
        fresh.ratio = *record.ratio;
    if (record.clipDepth)
        fresh.clipDepth = *record.clipDepth;
    if (record.blendMode)
        fresh.blendMode = *record.blendMode;
    if (record.visible)
        fresh.visible = *record.visible;
    if (record.name)
        fresh.name = *record.name;
    object = &clip.objects.emplace(depth, std::move(fresh)).first->second;
    if (!hasScriptObject(character))
        return object;
    if (object->name.empty())
        object->name = "instance" + std::to_string(m_nextInstanceName++);
    Instance* child = newInstance(inst, depth, *object);
    child->clipActions = record.clipActions.empty() ? nullptr : &record.clipActions;
    setupClip(child, &record, false, nullptr);
    return object;
}

// A new clip's life begins: its class, its first frame, its load event.
void MovieRuntime::setupClip(Instance* inst, const PlaceObject* record, bool dynamic, Object* init)
{
    (void)record;
    movie::DisplayObject& object = *inst->object;
    object.dynamic = dynamic;
    const movie::Character* character = object.character;
    if (character && character->kind == movie::Character::Kind::EditText) {
        installTextField(*this, inst, nullptr);
        return;
    }
    if (character && character->kind == movie::Character::Kind::Button) {
        object.clip = movie::Box<movie::ClipState>(movie::ClipState{});
        setButtonState(inst, 0);
        return;
    }
    if (!character || !character->timeline)
        return;
    if (init) {
        for (const std::string& name : m_vm->enumerableNames(init))
            m_vm->setMember(inst->self, name, m_vm->getMember(init, name));
    }
    const bool nested = [&] {
        int n = 0;
        for (Instance* p = inst->parent; p; p = p->parent)
            ++n;
        return n;
    }() <= movie::kMaxNesting;
    object.clip = movie::Box<movie::ClipState>(movie::ClipState{});
    object.clip->timeline = character->timeline.get();
    queueEvent(inst, ClipEvent::Initialize, nullptr, Priority::Initialize);
    if (dynamic) {
        // A clip made by a script has its class before the script goes on.
        construct(inst);
        if (!inst->object)
            return;
    } else {
        auto job = std::make_unique<Job>();
        job->inst = inst;
        job->self = inst->self;
        job->construct = true;
        m_early[int(Priority::Construct)].push_back(std::move(job));
    }
    if (nested && dynamic) {
        // A clip made by a script shows its first frame once the script is done.
        auto job = std::make_unique<Job>();
        job->inst = inst;
        job->self = inst->self;
        job->firstFrame = true;
        m_queue.push_back(std::move(job));
        return;
    }
    if (nested)
        enterFrame(inst, 0, true);
    queueEvent(inst, ClipEvent::Load, "onLoad");
}

void MovieRuntime::removeAt(Instance* parent, int depth)
{
    movie::ClipState& clip = *parent->object->clip;
    auto it = clip.objects.find(depth);
    if (it == clip.objects.end())
        return;
    if (it->second.object)
        detach(static_cast<Instance*>(it->second.object->hostData));
    clip.objects.erase(it);
}

void MovieRuntime::detach(Instance* inst)
{
    if (!inst || !inst->object)
        return;
    if (inst->object->clip) {
        for (auto& [depth, child] : inst->object->clip->objects) {
            if (child.object)
                detach(static_cast<Instance*>(child.object->hostData));
        }
    }
    auto job = std::make_unique<Job>();
    job->inst = inst;
    job->self = inst->self;
    job->event = ClipEvent::Unload;
    job->handler = "onUnload";
    job->evenIfRemoved = true;
    m_queue.push_back(std::move(job));
    if (m_hover == inst)
        m_hover = nullptr;
    if (m_pressed == inst)
        m_pressed = nullptr;
    if (m_dragged == inst)
        m_dragged = nullptr;
    if (m_focus == inst->self)
        m_focus = nullptr;
    if (inst->mask)
        setMask(inst, nullptr);
    if (inst->maskedBy)
        setMask(inst->maskedBy, nullptr);
    inst->removedName = inst->object->name;
    inst->object = nullptr;
}

void MovieRuntime::advanceClip(Instance* inst)
{
    if (!inst->object || !inst->object->clip)
        return;
    movie::ClipState& clip = *inst->object->clip;
    // The children on stage now play after this clip's own frame; those it places start at their first.
    std::vector<Instance*> children;
    for (auto& [depth, child] : clip.objects) {
        if (child.object && child.clip && child.character && child.character->kind == movie::Character::Kind::Sprite)
            children.push_back(static_cast<Instance*>(child.object->hostData));
    }
    const int count = clip.timeline ? clip.timeline->frameCount() : 1;
    if (!clip.stopped && count > 1) {
        if (clip.frame + 1 < count)
            enterFrame(inst, clip.frame + 1, true);
        else
            gotoInstance(inst, 0, true);
    }
    for (Instance* child : children) {
        if (child->object)
            advanceClip(child);
    }
}

void MovieRuntime::gotoInstance(Instance* inst, int frame, bool play)
{
    if (!inst || !inst->object || !inst->object->clip)
        return;
    movie::ClipState& clip = *inst->object->clip;
    const int count = clip.timeline ? clip.timeline->frameCount() : 1;
    frame = std::clamp(frame, 0, std::max(count - 1, 0));
    clip.stopped = !play;
    if (frame == clip.frame)
        return;
    // The frame's scripts run before the events of what it places.
    queueFrameScripts(inst, frame);
    if (frame > clip.frame) {
        for (int f = clip.frame + 1; f <= frame && inst->object; ++f) {
            clip.frame = f;
            applyFrameOps(inst, f);
        }
    } else {
        rewindTo(inst, frame);
    }
    if (inst->object)
        clip.frame = frame;
}

// Going back rebuilds the display list for the frame from the timeline's
// placements: what the frame still shows from before keeps its identity (and
// a clip its own state); the rest leaves and the frame's own objects arrive.
void MovieRuntime::rewindTo(Instance* inst, int frame)
{
    movie::ClipState& clip = *inst->object->clip;
    struct Slot {
        const PlaceObject* first = nullptr;
        std::uint16_t characterId = 0;
        int placedFrame = 0;
        std::vector<const PlaceObject*> moves;
    };
    std::map<int, Slot> wanted;
    for (int f = 0; f <= frame && f < clip.timeline->frameCount(); ++f) {
        for (const movie::DisplayOp& op : clip.timeline->frames[std::size_t(f)]) {
            if (const auto* placeOp = std::get_if<const PlaceObject*>(&op)) {
                const PlaceObject& record = **placeOp;
                auto it = wanted.find(record.depth);
                const bool modifies = record.version != 1 && record.isMove;
                if (it == wanted.end()) {
                    if (!record.characterId || modifies)
                        continue;
                    wanted[record.depth] = Slot{&record, *record.characterId, f, {}};
                } else if (modifies) {
                    it->second.moves.push_back(&record);
                }
            } else if (const auto* removeOp = std::get_if<const RemoveObject*>(&op)) {
                wanted.erase((*removeOp)->depth);
            }
        }
    }
    // Timeline objects that the frame does not account for leave.
    std::vector<int> leaving;
    for (auto& [depth, object] : clip.objects) {
        // Only the timeline's own depths are rebuilt; clips a script put
        // below or above them stay.
        if (depth < 0 || depth >= kDepthOffset)
            continue;
        auto it = wanted.find(depth);
        if (it == wanted.end() || object.dynamic || it->second.characterId != object.characterId
            || it->second.placedFrame != object.placedFrame)
            leaving.push_back(depth);
    }
    for (int depth : leaving)
        removeAt(inst, depth);
    if (!inst->object)
        return;
    for (auto& [depth, slot] : wanted) {
        auto it = clip.objects.find(depth);
        if (it == clip.objects.end()) {
            place(inst, *slot.first, slot.placedFrame);
            if (!inst->object)
                return;
        }
        for (const PlaceObject* move : slot.moves)
            place(inst, *move, slot.placedFrame);
    }
}

// ---------------------------------------------------------------- the queue

void MovieRuntime::queueCode(Instance* inst, script::ActionList code, Priority priority, bool evenIfRemoved)
{
    if (!code)
        return;
    auto job = std::make_unique<Job>();
    job->inst = inst;
    job->self = inst->self;
    job->code = std::move(code);
    job->evenIfRemoved = evenIfRemoved;
    (priority == Priority::Normal ? m_queue : m_early[int(priority)]).push_back(std::move(job));
}

void MovieRuntime::queueEvent(Instance* inst, std::uint32_t clipEvent, const char* handler, Priority priority)
{
    auto job = std::make_unique<Job>();
    job->inst = inst;
    job->self = inst->self;
    job->event = clipEvent;
    job->handler = handler ? handler : "";
    (priority == Priority::Normal ? m_queue : m_early[int(priority)]).push_back(std::move(job));
}

void MovieRuntime::runQueue()
{
    int budget = kMaxJobsPerFrame;
    while (budget-- > 0) {
        // A frame past its instructions or time drops the rest of its scripts.
        if (m_vm->frameBudgetSpent()) {
            budget = -1;
            break;
        }
        std::deque<std::unique_ptr<Job>>* from = &m_queue;
        for (auto& early : m_early) {
            if (!early.empty()) {
                from = &early;
                break;
            }
        }
        if (from->empty())
            break;
        std::unique_ptr<Job> job = std::move(from->front());
        from->pop_front();
        const bool alive = job->inst && job->inst->object;
        if (!alive && !job->evenIfRemoved)
            continue;
        Object* self = job->self;
        if (job->construct) {
            construct(job->inst);
            continue;
        }
        if (job->firstFrame) {
            enterFrame(job->inst, 0, true);
            queueEvent(job->inst, ClipEvent::Load, "onLoad");
            continue;
        }
        if (job->code) {
            m_vm->run(job->code, self);
            continue;
        }
        if (job->event == ClipEvent::Unload)
            job->inst->unloading = true;
        if (job->event && job->inst->clipActions) {
            for (const ClipAction& action : *job->inst->clipActions) {
                if (action.eventFlags & job->event)
                    m_vm->run(m_index->decode(action.actions), self);
            }
        }
        // Event handler methods came with SWF 6; older movies have clip events only.
        if (!job->handler.empty() && m_vm->swfVersion() >= 6) {
            Value fn = m_vm->getMember(self, job->handler);
            if (fn.isObject() && fn.asObject()->isFunction())
                m_vm->callFromHost(fn, self, {});
        }
        job->inst->unloading = false;
    }
    if (budget < 0) {
        for (auto& early : m_early)
            early.clear();
        m_queue.clear();
    }
}

// A symbol registered with Object.registerClass gets its class: the
// prototype first, then the Construct clip events, then the constructor.
void MovieRuntime::construct(Instance* inst)
{
    if (!inst || !inst->object)
        return;
    Object* self = inst->self;
    const std::string linkage = m_index->exportName(inst->object->characterId);
    Object* ctor = nullptr;
    if (!linkage.empty()) {
        for (auto& [name, fn] : m_vm->registeredClasses()) {
            if (m_vm->swfVersion() >= 7 ? name == linkage : lowerAscii(name) == lowerAscii(linkage)) {
                ctor = fn;
                break;
            }
        }
    }
    if (ctor) {
        Value proto = m_vm->getMember(ctor, "prototype");
        if (proto.isObject())
            self->put("__proto__", proto, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
    }
    if (inst->clipActions) {
        for (const ClipAction& action : *inst->clipActions) {
            if (action.eventFlags & ClipEvent::Construct)
                m_vm->run(m_index->decode(action.actions), self);
        }
    }
    if (ctor)
        m_vm->callFromHost(ctor, self, {});
}

void MovieRuntime::gotoRootFrame(int frame)
{
    m_vm->beginFrame();
    gotoInstance(m_rootInstance, frame, false);
    runQueue();
    syncTextVariables();
}

// ---------------------------------------------------------------- host calls

Object* MovieRuntime::root(Object*) { return m_rootInstance->self; }

Object* MovieRuntime::parent(Object* clip)
{
    Instance* inst = instanceOf(clip);
    return inst && inst->parent ? inst->parent->self : nullptr;
}

Object* MovieRuntime::child(Object* clip, const std::string& name)
{
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object->clip)
        return nullptr;
    const bool exact = m_vm->swfVersion() >= 7;
    const std::string key = exact ? name : lowerAscii(name);
    for (auto& [depth, object] : inst->object->clip->objects) {
        if (object.object && (exact ? object.name == key : lowerAscii(object.name) == key))
            return object.object;
    }
    return nullptr;
}

std::string MovieRuntime::targetPath(Object* clip, bool slashSyntax)
{
    // A clip that just left the stage still has its path for its unload event.
    Instance* inst = clip ? static_cast<Instance*>(clip->hostData) : nullptr;
    if (!inst)
        return "";
    std::vector<std::string> names;
    for (Instance* i = inst; i && !i->isRoot; i = i->parent)
        names.push_back(i->object ? i->object->name : i->unloading ? i->removedName : std::string());
    if (!inst->object && !inst->unloading)
        return "";
    std::string path = slashSyntax ? "" : "_level0";
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        path += (slashSyntax ? "/" : ".") + *it;
    if (slashSyntax && path.empty())
        path = "/";
    return path;
}

void MovieRuntime::gotoFrame(Object* clip, int frame, bool play)
{
    if (Instance* inst = instanceOf(clip))
        gotoInstance(inst, frame, play);
}

bool MovieRuntime::gotoLabel(Object* clip, const std::string& label, bool play)
{
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object->clip)
        return false;
    const TimelineScripts* scripts = inst->isRoot ? &m_index->rootScripts() : m_index->scriptsOf(inst->object->clip->timeline);
    if (!scripts)
        return false;
    const std::string key = lowerAscii(label);
    for (const auto& [name, frame] : scripts->labels) {
        if (lowerAscii(name) == key) {
            gotoInstance(inst, frame, play);
            return true;
        }
    }
    return false;
}

void MovieRuntime::play(Object* clip)
{
    if (Instance* inst = instanceOf(clip); inst && inst->object->clip)
        inst->object->clip->stopped = false;
}

void MovieRuntime::stop(Object* clip)
{
    if (Instance* inst = instanceOf(clip); inst && inst->object->clip)
        inst->object->clip->stopped = true;
}

void MovieRuntime::nextFrame(Object* clip)
{
    if (Instance* inst = instanceOf(clip); inst && inst->object->clip)
        gotoInstance(inst, inst->object->clip->frame + 1, false);
}

void MovieRuntime::prevFrame(Object* clip)
{
    if (Instance* inst = instanceOf(clip); inst && inst->object->clip)
        gotoInstance(inst, inst->object->clip->frame - 1, false);
}

bool MovieRuntime::frameLoaded(Object* clip, int frame)
{
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object->clip || !inst->object->clip->timeline)
        return true;
    return frame < inst->object->clip->timeline->frameCount();
}

void MovieRuntime::cloneClip(Object* source, const std::string& name, int depth)
{
    if (Instance* inst = instanceOf(source))
        duplicate(inst, name, depth, nullptr);
}

void MovieRuntime::removeClip(Object* clip)
{
    if (Instance* inst = instanceOf(clip))
        remove(inst);
}

void MovieRuntime::startDrag(Object* clip, bool lockCenter, bool constrain, double x1, double y1, double x2, double y2)
{
    Instance* inst = instanceOf(clip);
    if (!inst || inst->isRoot)
        return;
    m_dragged = inst;
    m_dragLock = lockCenter;
    m_dragConstrain = constrain;
    m_dragRect[0] = std::min(x1, x2);
    m_dragRect[1] = std::min(y1, y2);
    m_dragRect[2] = std::max(x1, x2);
    m_dragRect[3] = std::max(y1, y2);
    const QPointF local = toStage(inst->parent).inverted().map(QPointF(m_mouseX, m_mouseY));
    m_dragDx = inst->object->matrix.translateX.get() - local.x();
    m_dragDy = inst->object->matrix.translateY.get() - local.y();
}

void MovieRuntime::stopDrag() { m_dragged = nullptr; }

void MovieRuntime::getUrl(Object*, const std::string& url, const std::string& window, int, bool loadTarget, bool loadVariables)
{
    // fscommand("quit") ends the movie after this frame; other fscommands, loading into levels
    // or clips and loading variables do nothing here.
    if (lowerAscii(url) == "fscommand:quit") {
        m_quit = true;
        return;
    }
    if (loadTarget || loadVariables || lowerAscii(url.substr(0, 10)) == "fscommand:")
        return;
    if (lowerAscii(window.substr(0, 6)) == "_level")
        return;
    if (url.empty())
        return;
    if (urlSink)
        urlSink(url, window);
}

void MovieRuntime::trace(const std::string& line)
{
    if (traceSink)
        traceSink(line);
}

double MovieRuntime::wallClock()
{
    using namespace std::chrono;
    return double(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

int MovieRuntime::timeZoneOffsetMinutes(double utcMilliseconds)
{
    const std::time_t t = static_cast<std::time_t>(std::floor(utcMilliseconds / 1000.0));
    std::tm local{};
    if (!localtime_r(&t, &local))
        return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

std::uint32_t MovieRuntime::random(std::uint32_t max)
{
    if (max == 0)
        return 0;
    return std::uniform_int_distribution<std::uint32_t>(0, max - 1)(m_random);
}

void MovieRuntime::scriptAborted(const std::string& reason)
{
    // The original player offered to stop a runaway script; here it simply stops.
    (void)reason;
}

void MovieRuntime::addGarbageRoots(std::vector<Object*>& roots)
{
    for (const auto& inst : m_instances) {
        if (inst->object && inst->self)
            roots.push_back(inst->self);
    }
    for (const auto* queue : {&m_early[0], &m_early[1], &m_early[2], &m_queue}) {
        for (const auto& job : *queue)
            roots.push_back(job->self);
    }
    if (m_focus)
        roots.push_back(m_focus);
}

double MovieRuntime::stageWidth() { return m_movie.header.frameSize.width().toPixels(); }
double MovieRuntime::stageHeight() { return m_movie.header.frameSize.height().toPixels(); }

bool MovieRuntime::keyIsDown(int keyCode)
{
    return std::find(m_keysDown.begin(), m_keysDown.end(), keyCode) != m_keysDown.end();
}

bool MovieRuntime::clipColorTransform(Object* clip, swf::ColorTransform& out)
{
    Instance* inst = instanceOf(clip);
    if (!inst)
        return false;
    out = inst->object->colorTransform;
    return true;
}

void MovieRuntime::setClipColorTransform(Object* clip, const swf::ColorTransform& transform)
{
    if (Instance* inst = instanceOf(clip)) {
        inst->object->colorTransform = transform;
        inst->object->scriptTransformed = true;
    }
}

std::vector<std::vector<std::uint8_t>> MovieRuntime::frameScripts(Object* clip, const std::string& frame)
{
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object->clip)
        return {};
    const movie::Timeline* timeline = inst->object->clip->timeline;
    const TimelineScripts* scripts = inst->isRoot ? &m_index->rootScripts() : m_index->scriptsOf(timeline);
    if (!scripts)
        return {};
    int index = -1;
    char* end = nullptr;
    const long n = std::strtol(frame.c_str(), &end, 10);
    if (!frame.empty() && end && *end == 0) {
        index = int(n) - 1;
    } else {
        const std::string key = lowerAscii(frame);
        for (const auto& [name, f] : scripts->labels) {
            if (lowerAscii(name) == key) {
                index = f;
                break;
            }
        }
    }
    if (index < 0 || index >= int(scripts->frameBytes.size()))
        return {};
    return scripts->frameBytes[std::size_t(index)];
}

bool MovieRuntime::setFocus(Object* object)
{
    // The movie itself never takes the keyboard focus.
    if (object && object == m_rootInstance->self)
        return false;
    m_focus = object;
    return true;
}

} // namespace swf::runtime
