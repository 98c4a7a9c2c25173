#include "swf/runtime/movie_runtime.h"
#include "swf/script/frame.h"

#include "swf/movie/limits.h"

#include "swf/render/font_library.h"
#include "swf/render/text_field_layout.h"
#include "swf/runtime/movie_clip_methods.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/text_field.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <ctime>
#include <utility>

namespace swf::runtime {

using script::Object;
using script::Value;

namespace {

// What a clip's script object keeps once the clip is long gone: the path it
// arrived at, where references to it still lead.
class LeftClip final : public script::ObjectExtension {
public:
    explicit LeftClip(std::string p) : path(std::move(p)) {}
    bool getMember(script::Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(script::Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    const std::string path;
};

// Jobs one frame may run, so that scripts that keep queueing each other end.
constexpr int kMaxJobsPerFrame = 200'000;
// The player's clock serves timers this often (milliseconds).
constexpr double kTimerTickMs = 10;

bool hasScriptObject(const movie::Character* character)
{
    return character
        && (character->kind == movie::Character::Kind::Sprite || character->kind == movie::Character::Kind::Button
            || character->kind == movie::Character::Kind::EditText || character->kind == movie::Character::Kind::Video);
}

} // namespace

MovieRuntime::MovieRuntime(const Movie& movie, const movie::CharacterDictionary& dictionary, std::uint32_t randomSeed,
                           std::shared_ptr<const render::FontLibrary> fonts)
    : m_movie(movie), m_dictionary(dictionary), m_runner(dictionary, movie.header.version), m_fonts(std::move(fonts)),
      m_random(randomSeed)
{
    if (!m_fonts)
        m_fonts = render::collectFonts(movie.tags);
    m_runner.setTextMeasurer(textMeasurer());
    m_runner.setTextMeasurerFor([this](const movie::CharacterDictionary& dictionary) {
        const LoadedMovie* loaded = loadedMovieOf(dictionary);
        return loaded ? loaded->measurer : textMeasurer();
    });
    m_runner.setHooks(this);
    m_runner.setRootWaitsForMissingFrames(true);
    m_rootTimeline = movie::buildTimeline(movie.tags, movie.header.frameCount, !movie.truncated);
    m_index = std::make_unique<ScriptIndex>(movie.tags, m_rootTimeline.frameCount(), dictionary, movie.header.version);
    m_initDone.assign(m_index->initActions().size(), false);
    m_vm = std::make_unique<script::Interpreter>(*this, movie.header.version);

    m_emptyTimeline = std::make_shared<movie::Timeline>();
    m_emptyTimeline->frames.resize(1);
    m_emptyClip.kind = movie::Character::Kind::Sprite;
    m_emptyClip.timeline = m_emptyTimeline;
    m_textCharacter.kind = movie::Character::Kind::EditText;

    m_root.character = &m_emptyClip;
    movie::TimelineRunner::makeRoot(m_root, m_rootTimeline);
    auto inst = std::make_unique<Instance>();
    inst->object = &m_root;
    inst->isRoot = true;
    m_rootInstance = inst.get();
    m_instances.push_back(std::move(inst));
    installHostObjects();
    // A local movie whose file attributes ask for the network plays in the
    // local-with-network sandbox; others may read local files only.
    for (const Tag& tag : movie.tags) {
        const auto* unknown = std::get_if<UnknownTag>(&tag);
        if (unknown && unknown->code == std::uint16_t(TagCode::FileAttributes) && !unknown->data.empty() && (unknown->data[0] & 1)) {
            if (Object* security = m_vm->getMember(m_vm->getMember(m_vm->global(), "System"), "security").asObject())
                security->put("sandboxType", "localWithNetwork", script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete | script::PropertyFlag::Version7);
        }
        // A movie may set how many levels of script may nest: the frame's
        // or event's own script is the first level, each call one more.
        if (unknown && unknown->code == std::uint16_t(TagCode::ScriptLimits) && unknown->data.size() >= 2) {
            const int levels = unknown->data[0] | (unknown->data[1] << 8);
            if (levels > 0) {
                script::Limits limits = m_vm->limits();
                limits.maxCallDepth = levels - 1;
                m_vm->setLimits(limits);
            }
        }
    }
    m_rootInstance->self = makeObject(m_rootInstance, nullptr);
    m_rootInstance->self->put("$version", Value(std::string(kPlayerVersion)));
}

MovieRuntime::~MovieRuntime() = default;

int MovieRuntime::frameCount() const
{
    const movie::Timeline* timeline = m_root.clip ? m_root.clip->timeline : nullptr;
    return timeline ? timeline->frameCount() : 1;
}

double MovieRuntime::frameRate() const
{
    const double rate = m_movie.header.frameRate();
    return rate > 0 ? rate : 12.0;
}

void MovieRuntime::installHostObjects()
{
    m_clipExtension = installMovieClipClass(*m_vm, *this);
}

void MovieRuntime::installGlobals()
{
    // The clips of both sides share one extension: the first one made.
    installMovieClipClass(*m_vm, *this);
}

Object* MovieRuntime::makeObject(Instance* inst, const movie::Character* character)
{
    Object* o = nullptr;
    // A clip takes its class from the globals of the movie it belongs to.
    const int version = globalsVersionOf(inst);
    if (!character || character->kind == movie::Character::Kind::Sprite) {
        o = m_vm->heap().make(script::ObjectClass::Clip);
        if (Object* proto = m_vm->prototypeOf("MovieClip", version))
            o->put("__proto__", proto, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
    } else {
        o = m_vm->heap().make(script::ObjectClass::Native);
        const char* cls = character->kind == movie::Character::Kind::Button ? "Button"
                          : character->kind == movie::Character::Kind::Video ? "Video"
                                                                             : "TextField";
        if (Object* proto = m_vm->prototypeOf(cls, version))
            o->put("__proto__", proto, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
        if (character->kind == movie::Character::Kind::Video)
            addVideoMembers(*m_vm, *this, o);
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
    inst->movie = parent ? parent->movie : nullptr;
    inst->born = ++m_instancesBorn;
    Instance* raw = inst.get();
    m_instances.push_back(std::move(inst));
    raw->self = makeObject(raw, object.character);
    // The path it arrives at is where references lead once it has left,
    // whatever it or its parents were renamed to meanwhile.
    raw->firstPath = parent ? targetPath(parent->self, false) + "." + object.name : std::string();
    m_byId[object.id] = raw;
    return raw;
}

Instance* MovieRuntime::instanceFor(const movie::DisplayObject& object) const
{
    if (&object == &m_root)
        return m_rootInstance;
    const auto it = m_byId.find(object.id);
    return it != m_byId.end() ? it->second : nullptr;
}

// ---------------------------------------------------------------- the display list's hooks

void MovieRuntime::placed(movie::DisplayObject& parent, int depth, movie::DisplayObject& object, const PlaceObject* record)
{
    Instance* parentInst = instanceFor(parent);
    if (!parentInst || !hasScriptObject(object.character))
        return;
    // Only a placement without a name gets a made-up one; an empty name given
    // on purpose stays empty.
    if (object.name.empty() && !(record && record->name))
        object.name = "instance" + std::to_string(m_nextInstanceName++);
    Instance* inst = newInstance(parentInst, depth, object);
    if (record && !record->clipActions.empty()) {
        inst->clipActions = &record->clipActions;
        inst->clipEvents = record->allEventFlags;
    }
    setupClip(inst, false, nullptr);
}

void MovieRuntime::enteringFrame(movie::DisplayObject& clip, int frame)
{
    frameSounds(clip, frame);
    if (Instance* inst = instanceFor(clip))
        queueFrameScripts(inst, frame);
}

void MovieRuntime::advancing(movie::DisplayObject& clip)
{
    Instance* inst = instanceFor(clip);
    const bool button = clip.character && clip.character->kind == movie::Character::Kind::Button;
    if (inst && !button)
        queueEvent(inst, ClipEvent::EnterFrame, "onEnterFrame");
}

void MovieRuntime::started(movie::DisplayObject& clip)
{
    // A clip placed with clip events hears load before its first frame's
    // scripts. One without has no load event unless its symbol has a class:
    // then it hears load once its constructor ran, after the scripts and
    // loads already waiting.
    Instance* inst = instanceFor(clip);
    if (!inst || !clip.character || clip.character->kind != movie::Character::Kind::Sprite)
        return;
    if (inst->clipActions)
        queueEvent(inst, ClipEvent::Load, "onLoad");
    else
        inst->loadsWhenConstructed = true;
}

void MovieRuntime::removing(movie::DisplayObject& object)
{
    // A clip that leaves takes its stream along. Sounds scripts started play
    // on, unless the movie whose library they came from leaves with it.
    if (m_streamFrames.erase(object.id))
        m_sound.stopStream(object.id);
    if (const Instance* inst = instanceFor(object); inst && inst->movieRoot && inst->movie)
        stopSoundsOf(inst->movie);
    if (Instance* inst = instanceFor(object))
        detach(inst);
}

// From SWF 6, a clip a timeline takes off stays on the stage until the next
// frame when it or anything in it listens for its unload: the unload events
// run first, and scripts meanwhile still find it (and a function defined in
// it runs on).
bool MovieRuntime::keepsLeaving(movie::DisplayObject& object)
{
    std::vector<Instance*> listeners;
    Instance* inst = instanceFor(object);
    if (!inst || swfVersionOf(inst) < 6)
        return false;
    collectUnloadListeners(inst, listeners, 0);
    return !listeners.empty();
}

void MovieRuntime::keptLeaving(movie::DisplayObject& parent, int from, int depth, movie::DisplayObject& object)
{
    (void)parent;
    Instance* inst = instanceFor(object);
    if (!inst)
        return;
    inst->leftDepth = from;
    inst->depth = depth;
    // Taken off while it was still being constructed, it stays for its
    // scripts and events but no longer answers to its name.
    if (inst->constructing)
        inst->answersToName = false;
    std::vector<Instance*> listeners;
    collectUnloadListeners(inst, listeners, 0);
    for (Instance* listener : listeners) {
        listener->unloadHeard = true;
        queueUnload(listener, false);
    }
    m_keptLeaving.push_back(inst);
}

// Whether `inst` is, or is inside, a clip a timeline kept for its unload events.
bool MovieRuntime::isKeptLeaving(const Instance* inst) const
{
    if (m_keptLeaving.empty())
        return false;
    for (int nesting = 0; inst && nesting <= movie::kMaxNesting; inst = inst->parent, ++nesting) {
        if (std::find(m_keptLeaving.begin(), m_keptLeaving.end(), inst) != m_keptLeaving.end())
            return true;
    }
    return false;
}

// The clips in `inst`'s subtree (itself last, as they leave) with an unload
// clip event or handler.
void MovieRuntime::collectUnloadListeners(Instance* inst, std::vector<Instance*>& out, int nesting)
{
    if (!inst || !inst->object || nesting > movie::kMaxNesting)
        return;
    if (inst->object->clip) {
        for (auto& [depth, child] : inst->object->clip->objects) {
            if (child.clip)
                collectUnloadListeners(instanceFor(child), out, nesting + 1);
        }
    }
    if (hasUnloadHandler(inst))
        out.push_back(inst);
}

// ---------------------------------------------------------------- frames

void MovieRuntime::start()
{
    m_vm->beginFrame();
    // The clock has run for a frame when the first frame's scripts run.
    m_time = 1000.0 / frameRate();
    m_runner.showFirstFrame(m_root);
    // The movie itself loads after its first frame's scripts.
    queueEvent(m_rootInstance, ClipEvent::Load, "onLoad");
    runQueue();
    settleTextFields();
    deliverLoads();
    playFrameSound();
}

void MovieRuntime::advance()
{
    if (m_quit)
        return;
    for (auto& load : m_loads)
        load->due = true;
    // The clips a timeline kept for their unload events leave now.
    for (Instance* kept : std::exchange(m_keptLeaving, {})) {
        if (kept->object && kept->parent && kept->parent->object)
            removeAt(kept->parent, kept->depth);
    }
    m_vm->beginFrame();
    // Each clip that was on the stage hears enterFrame just before its
    // timeline moves on (see advancing), in the order the timelines move.
    std::vector<movie::DisplayObject*> roots{&m_root};
    for (auto& [number, level] : m_levels)
        roots.push_back(level.root.get());
    m_runner.advance(roots);
    runQueue();
    passFrameTime();
}

void MovieRuntime::idleThroughFrame()
{
    if (m_quit)
        return;
    for (auto& load : m_loads)
        load->due = true;
    passFrameTime();
}

void MovieRuntime::passFrameTime()
{
    // Timers are served on the player's clock ticks, between frames too: an
    // interval shorter than a frame fires on each tick it is due, and what
    // its call set going runs before the next tick.
    // A frame longer than a second (a damaged rate) has a hundred ticks.
    const double period = 1000.0 / frameRate();
    const double step = std::max(kTimerTickMs, period / 100);
    const double end = m_time + period;
    for (double tick = m_time + step; tick < end && !m_quit; tick += step) {
        if (m_vm->nextTimerDue() >= tick)
            continue;
        m_time = tick;
        m_vm->runTimers();
        runQueue();
    }
    m_time = end;
    m_vm->runTimers();
    playStreams(1000.0 / frameRate());
    runQueue();
    pointerStill();
    settleTextFields();
    deliverLoads();
    serveSockets();
    playFrameSound();

    // Instances that left the stage stop being clips to the scripts that still hold them.
    for (auto it = m_instances.begin(); it != m_instances.end();) {
        Instance* inst = it->get();
        if (!inst->object && !inst->isRoot) {
            if (inst->self) {
                inst->self->hostData = nullptr;
                inst->self->setExtension(inst->firstPath.empty() ? nullptr : std::make_shared<LeftClip>(inst->firstPath));
            }
            std::erase(m_keptLeaving, inst);
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
        if (child.clip && child.character && child.character->kind == movie::Character::Kind::Sprite) {
            if (Instance* childInst = instanceFor(child))
                collectClips(childInst, out);
        }
    }
}

void MovieRuntime::queueFrameScripts(Instance* inst, int frame)
{
    const TimelineScripts* scripts = scriptsFor(inst);
    queueInitActions(inst, frame, 0, false);
    if (!scripts || frame < 0 || frame >= int(scripts->frameActions.size()))
        return;
    // The blocks before the frame's first placement go now; the others as the
    // placements before them are done (see frameProgress).
    flushFrameScripts(inst);
    m_pendingFrameScripts[inst] = {frame, 0};
    queueFrameScriptsUpTo(inst, 0, false);
}

// Initialisation scripts run once, before anything else of the frame that
// holds them but the initialize events of the clips placed before them: those
// of earlier frames at once, those of `frame` once `applied` of its
// placements and removals are done (all of them when `all`).
void MovieRuntime::queueInitActions(Instance* inst, int frame, int applied, bool all)
{
    if (!inst->isRoot && !inst->movieRoot)
        return;
    inst->furthestFrame = std::max(inst->furthestFrame, frame);
    const auto& inits = scripts(inst).initActions();
    std::vector<bool>& done = inst->movie ? inst->movie->initDone : m_initDone;
    for (std::size_t i = 0; i < inits.size() && i < done.size(); ++i) {
        const InitAction& init = inits[i];
        if (!done[i] && (init.frame < frame || (init.frame == frame && (all || init.opsBefore <= applied)))) {
            done[i] = true;
            queueCode(inst, init.code, Priority::Initialize);
        }
    }
}

std::uint16_t MovieRuntime::exported(const Instance* inst, const std::string& name) const
{
    const Instance* root = inst ? inst : m_rootInstance;
    while (root && root->parent && !root->isRoot && !root->movieRoot)
        root = root->parent;
    return scripts(inst).exported(name, root ? root->furthestFrame : 0);
}

void MovieRuntime::frameProgress(movie::DisplayObject& clip, int frame, int applied)
{
    Instance* inst = instanceFor(clip);
    if (!inst)
        return;
    const movie::Timeline* timeline = clip.clip ? clip.clip->timeline : nullptr;
    const bool complete = !timeline || frame >= timeline->frameCount()
                          || applied >= int(timeline->frames[std::size_t(frame)].size());
    queueInitActions(inst, frame, applied, complete);
    const auto it = m_pendingFrameScripts.find(inst);
    if (it == m_pendingFrameScripts.end() || it->second.frame != frame)
        return;
    queueFrameScriptsUpTo(inst, applied, complete);
}

void MovieRuntime::flushFrameScripts(Instance* inst)
{
    if (m_pendingFrameScripts.contains(inst))
        queueFrameScriptsUpTo(inst, 0, true);
}

void MovieRuntime::queueFrameScriptsUpTo(Instance* inst, int applied, bool all)
{
    const auto it = m_pendingFrameScripts.find(inst);
    const TimelineScripts* scripts = scriptsFor(inst);
    if (it == m_pendingFrameScripts.end())
        return;
    PendingFrameScripts& pending = it->second;
    if (scripts && pending.frame < int(scripts->frameActions.size())) {
        const auto& blocks = scripts->frameActions[std::size_t(pending.frame)];
        const auto& opsBefore = scripts->frameActionOps[std::size_t(pending.frame)];
        while (pending.next < blocks.size() && (all || opsBefore[pending.next] <= applied))
            queueCode(inst, blocks[pending.next++]);
    }
    if (all || !scripts || pending.frame >= int(scripts->frameActions.size())
        || pending.next >= scripts->frameActions[std::size_t(pending.frame)].size())
        m_pendingFrameScripts.erase(it);
}

// A new clip's life begins: its class, and for a clip a script made its first
// frame and load event (the display list shows a timeline's clips' first frames).
void MovieRuntime::setupClip(Instance* inst, bool dynamic, Object* init)
{
    movie::DisplayObject& object = *inst->object;
    const movie::Character* character = object.character;
    if (character && character->kind == movie::Character::Kind::EditText) {
        attachTextFieldObject(inst);
        if (inst->self && inst->object->text && !inst->object->text->variable.empty())
            script::bindTextFieldVariable(*m_vm, inst->self);
        return;
    }
    if (character && character->kind == movie::Character::Kind::Button) {
        if (dynamic)
            m_runner.setButtonState(object, 0);
        return;
    }
    if (!character || !character->timeline)
        return;
    // A clip made by a script holds its first frame's objects and has its class
    // before the script goes on (a constructor finds the clip's children); the
    // first frame's scripts and the load event wait until the script is done.
    // From SWF 7 the init object's properties are set on the clip with its
    // children in place (a _width scales them); before, on the empty clip.
    const bool childrenFirst = dynamic && m_vm->swfVersion() >= 7;
    if (childrenFirst)
        m_runner.showFirstFrame(object);
    // The init object's members reach the clip through its class: setters
    // of the class run for them, before its constructor.
    if (dynamic && init)
        adoptClass(inst);
    if (!applyInitObject(inst, init))
        return;
    queueEvent(inst, ClipEvent::Initialize, nullptr, Priority::Initialize);
    if (!dynamic) {
        auto job = std::make_unique<Job>();
        job->inst = inst;
        job->self = inst->self;
        job->construct = true;
        m_jobs.push(std::move(job), Priority::Construct);
        return;
    }
    if (!childrenFirst)
        m_runner.showFirstFrame(object);
    construct(inst);
    if (inst->object)
        queueEvent(inst, ClipEvent::Load, "onLoad");
}

bool MovieRuntime::applyInitObject(Instance* inst, Object* init)
{
    if (!init)
        return true;
    // The oldest member first, the reverse of for..in.
    const std::vector<std::string> names = m_vm->enumerableNames(init);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        const std::string& name = *it;
        Value value = m_vm->getMember(init, name);
        // A property hidden from the running version still passes on its value.
        if (value.isUndefined()) {
            int depth = 0;
            for (Object* o = init; o && depth < script::kMaxProtoDepth; o = o->proto(), ++depth) {
                if (const script::Property* own = o->findOwnAnyVersion(name)) {
                    if (!own->isAccessor())
                        value = own->value;
                    break;
                }
            }
        }
        m_vm->setMember(inst->self, name, value);
    }
    return inst->object != nullptr;
}

void MovieRuntime::removeAt(Instance* parent, int depth)
{
    if (parent->object && parent->object->clip)
        m_runner.remove(*parent->object, depth);
}

// The unload event of a clip that left the stage, or (`removeAfter`) of one
// kept on it until the event has run.
void MovieRuntime::queueUnload(Instance* inst, bool removeAfter)
{
    auto job = std::make_unique<Job>();
    job->inst = inst;
    job->self = inst->self;
    job->event = ClipEvent::Unload;
    job->handler = "onUnload";
    job->evenIfRemoved = !removeAfter;
    job->removeAfter = removeAfter;
    m_jobs.push(std::move(job));
}

void MovieRuntime::detach(Instance* inst)
{
    if (!inst || !inst->object)
        return;
    if (!inst->unloadHeard)
        queueUnload(inst, false);
    pointerLoses(inst);
    if (m_drag.clip == inst)
        m_drag.clip = nullptr;
    if (m_focus == inst->self)
        m_focus = nullptr;
    if (inst->mask)
        setMask(inst, nullptr);
    if (inst->maskedBy)
        setMask(inst->maskedBy, nullptr);
    inst->removedName = inst->object->name;
    inst->removedText = std::move(inst->object->text);
    m_byId.erase(inst->object->id);
    inst->object = nullptr;
}

void MovieRuntime::gotoInstance(Instance* inst, int frame, bool play)
{
    if (!inst || !inst->object || !inst->object->clip)
        return;
    inst->object->clip->stopped = !play;
    m_runner.gotoFrame(*inst->object, frame);
}

void MovieRuntime::gotoFromScript(Instance* inst, int frame, bool play)
{
    m_jobs.markForCall(true);
    gotoInstance(inst, frame, play);
    m_jobs.markForCall(false);
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
    m_jobs.push(std::move(job), priority);
}

void MovieRuntime::queueEvent(Instance* inst, std::uint32_t clipEvent, const char* handler, Priority priority)
{
    auto job = std::make_unique<Job>();
    job->inst = inst;
    job->self = inst->self;
    job->event = clipEvent;
    job->handler = handler ? handler : "";
    m_jobs.push(std::move(job), priority);
}

void MovieRuntime::afterScripts(Object* keep, std::function<void()> call)
{
    auto job = std::make_unique<Job>();
    job->keep = keep;
    job->call = std::move(call);
    m_jobs.push(std::move(job));
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
        std::unique_ptr<Job> job = m_jobs.next();
        if (!job)
            break;
        runJob(*job);
    }
    if (budget < 0)
        m_jobs.clear();
}

void MovieRuntime::runJob(Job& job)
{
    if (job.call) {
        job.call();
        return;
    }
    const bool alive = job.inst && job.inst->object;
    if (!alive && !job.evenIfRemoved)
        return;
    // A clip a timeline keeps only for its unload events gets no
    // enterFrame and runs no more scripts, even ones queued before its
    // parent's timeline took it off.
    if ((job.event == ClipEvent::EnterFrame || job.code) && (job.inst->framesEnded || isKeptLeaving(job.inst)))
        return;
    Object* self = job.self;
    if (job.construct) {
        const bool hasClass = construct(job.inst);
        if (std::exchange(job.inst->loadsWhenConstructed, false) && hasClass && job.inst->object)
            queueEvent(job.inst, ClipEvent::Load, "onLoad");
        return;
    }
    if (job.code) {
        // A loaded movie's scripts keep the rules of their own version.
        m_vm->run(job.code, self, job.inst && job.inst->movie ? job.inst->movie->movie.header.version : 0);
        return;
    }
    if (job.event == ClipEvent::Unload)
        job.inst->unloading = true;
    job.inst->forClipActions(job.event, [&](const ClipAction& action) { m_vm->run(m_index->decode(action.actions), self); });
    // Event handler methods came with SWF 6; older movies have clip events only.
    if (!job.handler.empty() && m_vm->swfVersion() >= 6) {
        Value fn = m_vm->getMember(self, job.handler);
        if (fn.isObject() && fn.asObject()->isFunction())
            m_vm->callFromHost(fn, self, {});
    }
    job.inst->unloading = false;
    if (job.removeAfter && job.inst->object && job.inst->parent) {
        job.inst->unloadHeard = true;
        removeAt(job.inst->parent, job.inst->depth);
    }
}

// The initialisation scripts and constructors a script's goto brought do not
// wait for the script's end: they run once a function the script called
// from its own body returns.
void MovieRuntime::scriptCallReturned()
{
    while (std::unique_ptr<Job> job = m_jobs.nextAfterCall())
        runJob(*job);
}

// A symbol registered with Object.registerClass gets its class: the
// prototype first, then the Construct clip events, then the constructor.
// Every new clip then hears onConstruct, if its prototypes define one.
bool MovieRuntime::construct(Instance* inst)
{
    if (!inst || !inst->object)
        return false;
    Object* self = inst->self;
    Object* ctor = adoptClass(inst);
    inst->constructing = true;
    inst->forClipActions(ClipEvent::Construct, [&](const ClipAction& action) { m_vm->run(m_index->decode(action.actions), self); });
    if (ctor)
        m_vm->callFromHost(ctor, self, {});
    if (inst->object)
        m_vm->callMethodFromHost(self, "onConstruct", {});
    inst->constructing = false;
    return ctor != nullptr;
}

Object* MovieRuntime::adoptClass(Instance* inst)
{
    Object* self = inst->self;
    // The class registered under any of the names the symbol is exported as.
    // SWF 5 movies can call Object.registerClass, but their clips take no
    // class from it.
    if (m_vm->swfVersion() < 6)
        return nullptr;
    const ScriptIndex& index = scripts(inst->parent);
    Object* ctor = nullptr;
    for (auto& [name, fn] : m_vm->registeredClasses()) {
        if (index.exportedAs(inst->object->characterId, name, m_vm->swfVersion() >= 7)) {
            ctor = fn;
            break;
        }
    }
    if (ctor) {
        Value proto = m_vm->getMember(ctor, "prototype");
        if (proto.isObject())
            self->put("__proto__", proto, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
        // Linked to its class as an instance `new` makes.
        m_vm->recordConstructor(self, ctor);
    }
    return ctor;
}

void MovieRuntime::gotoRootFrame(int frame)
{
    m_vm->beginFrame();
    const int before = currentFrame();
    gotoInstance(m_rootInstance, frame, false);
    runQueue();
    settleTextFields();
    // The frame a seek lands on sounds as a frame played does.
    if (currentFrame() != before)
        playFrameSound();
}

// ---------------------------------------------------------------- host calls

Object* MovieRuntime::root(Object* base)
{
    // _root is the level a clip is on, or the nearest clip around it that
    // locks its root (_lockroot): from SWF 7 on any clip, before that only
    // a clip a movie was loaded into.
    Instance* inst = base ? static_cast<Instance*>(base->hostData) : nullptr;
    if (!inst || (!inst->object && !inst->unloading))
        return m_rootInstance->self;
    const bool anyClipLocks = m_vm->swfVersion() >= 7;
    for (Instance* i = inst; i; i = i->parent) {
        if (i->isRoot)
            return i->self;
        if ((i->movieRoot || anyClipLocks) && i->lockRoot)
            return i->self;
    }
    return m_rootInstance->self;
}

Object* MovieRuntime::level(int number)
{
    Instance* inst = levelRoot(number);
    return inst ? inst->self : nullptr;
}

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
    const int version = m_vm->swfVersion();
    const std::string key = script::nameKey(name, version);
    for (auto& [depth, object] : inst->object->clip->objects) {
        if (script::nameKey(object.name, version) == key) {
            // A named shape has no script object: its clip answers for it.
            // So does a text field before SWF 6, when fields were no objects
            // scripts could reach by name.
            Instance* found = instanceFor(object);
            if (found && !found->answersToName)
                continue;
            if (found && !(object.text && version < 6))
                return found->self;
            if (!object.name.empty())
                return inst->self;
        }
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
    Instance* top = inst;
    for (Instance* i = inst; i && !i->isRoot; i = i->parent) {
        names.push_back(i->object ? i->object->name : i->unloading ? i->removedName : std::string());
        top = i->parent;
    }
    if (!inst->object && !inst->unloading)
        return "";
    // A level moved by swapDepths is named by its new number in slash
    // syntax, by the one it was loaded as in dots.
    const int level = top ? top->level : 0;
    std::string path = slashSyntax ? (level ? "_level" + std::to_string(level) : "")
                       : top && top->level > 0 && !top->firstPath.empty() ? top->firstPath
                                                                           : "_level" + std::to_string(level);
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        path += (slashSyntax ? "/" : ".") + *it;
    if (slashSyntax && path.empty())
        path = "/";
    return path;
}

// The debugging player logs a placement its depth refused, in movies made
// for the players that brought the newer display list (SWF 9 on).
void MovieRuntime::placeRefused(movie::DisplayObject&, int depth)
{
    if (m_movie.header.version >= 9)
        trace("Warning: Failed to place object at depth " + std::to_string(depth) + ".");
}

Object* MovieRuntime::relocate(Object* clip)
{
    Instance* inst = clip ? static_cast<Instance*>(clip->hostData) : nullptr;
    if (inst && (inst->object || inst->unloading))
        return clip;
    // Long gone, it keeps only its path.
    const auto* left = inst || !clip ? nullptr : dynamic_cast<const LeftClip*>(clip->extension());
    if (!inst && !left)
        return clip;
    const std::string& path = inst ? inst->firstPath : left->path;
    Object* found = path.empty() ? nullptr : m_vm->resolveTarget(m_rootInstance->self, path);
    return found && found != clip && found->hostData && onStage(found) ? found : nullptr;
}

void MovieRuntime::gotoFrame(Object* clip, int frame, bool play)
{
    if (Instance* inst = instanceOf(clip))
        gotoFromScript(inst, frame, play);
}

bool MovieRuntime::gotoLabel(Object* clip, const std::string& label, bool play)
{
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object->clip)
        return false;
    const TimelineScripts* scripts = scriptsFor(inst);
    if (!scripts)
        return false;
    const std::string key = lowerAscii(label);
    for (const auto& [name, frame] : scripts->labels) {
        if (lowerAscii(name) == key) {
            gotoFromScript(inst, frame, play);
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
        gotoFromScript(inst, inst->object->clip->frame + 1, false);
}

void MovieRuntime::prevFrame(Object* clip)
{
    if (Instance* inst = instanceOf(clip); inst && inst->object->clip)
        gotoFromScript(inst, inst->object->clip->frame - 1, false);
}

bool MovieRuntime::frameLoaded(Object* clip, int frame)
{
    Instance* inst = instanceOf(clip);
    if (frame < 0 || !inst || !inst->object->clip || !inst->object->clip->timeline)
        return true;
    // Once a timeline has all its frames, any frame up to the format's last
    // (16000) counts as loaded.
    const movie::Timeline& timeline = *inst->object->clip->timeline;
    if (timeline.shownFrames < timeline.declaredFrames)
        return frame < timeline.shownFrames;
    return frame <= 16000;
}

void MovieRuntime::cloneClip(Object* source, const std::string& name, int depth)
{
    if (Instance* inst = instanceOf(source))
        duplicate(inst, name, depth < INT_MIN + movie::kScriptDepthOffset ? INT_MIN : depth - movie::kScriptDepthOffset, nullptr);
}

void MovieRuntime::removeClip(Object* clip)
{
    if (Instance* inst = instanceOf(clip))
        remove(inst, true);
}

void MovieRuntime::startDrag(Object* clip, bool lockCenter, bool constrain, double x1, double y1, double x2, double y2)
{
    Instance* inst = instanceOf(clip);
    if (!inst || inst->isRoot)
        return;
    m_drag.clip = inst;
    // A dragged clip is the script's from the start of the drag on, whether
    // or not the pointer ever moves it.
    inst->object->scriptTransformed = true;
    m_drag.lockCenter = lockCenter;
    m_drag.constrained = constrain;
    m_drag.bounds[0] = std::min(x1, x2);
    m_drag.bounds[1] = std::min(y1, y2);
    m_drag.bounds[2] = std::max(x1, x2);
    m_drag.bounds[3] = std::max(y1, y2);
    const QPointF local = toStage(inst->parent).inverted().map(QPointF(m_pointer.x, m_pointer.y));
    m_drag.dx = inst->object->matrix.translateX.get() - local.x();
    m_drag.dy = inst->object->matrix.translateY.get() - local.y();
    updateDropTarget();
}

void MovieRuntime::stopDrag()
{
    updateDropTarget();
    m_drag.clip = nullptr;
}

void MovieRuntime::trace(const std::string& line)
{
    if (traceSink)
        traceSink(line);
}

void MovieRuntime::uncaughtException(const std::string& thrown)
{
    // A movie that asked to quit is closing: nothing more is logged for it.
    if (!m_quit)
        ScriptHost::uncaughtException(thrown);
}

double MovieRuntime::wallClock()
{
    // Dates start from the real time the movie started and then run on the
    // movie's own clock, the one getTimer() reads: from frame to frame a date
    // moves by as much time as the frames took, as it did in a player that
    // played them in real time, whoever paces advance().
    const double clock = m_vm->scriptClock();
    if (!m_startDate) {
        using namespace std::chrono;
        m_startDate = double(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count()) - clock;
    }
    return *m_startDate + clock;
}

int MovieRuntime::timeZoneOffsetMinutes(double utcMilliseconds)
{
    // Dates reach 100 million days either side of 1970; past that (or NaN)
    // there is no local time to ask for.
    constexpr double kMaxTime = 8.64e15;
    if (!(std::abs(utcMilliseconds) <= kMaxTime))
        return 0;
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
    m_jobs.addObjects(roots);
    addLoadRoots(roots);
    roots.insert(roots.end(), m_streams.begin(), m_streams.end());
    for (const auto& [id, socket] : m_sockets) {
        if (socket.keep)
            roots.push_back(socket.keep);
    }
    for (const auto& [id, waiting] : m_soundDone) {
        if (waiting.keep)
            roots.push_back(waiting.keep);
    }
    if (m_focus)
        roots.push_back(m_focus);
}

// A movie that scales sees its own size as the stage's; one that does not
// sees the window's.
text::TextMeasurer MovieRuntime::textMeasurer()
{
    return render::textMeasurer(m_fonts);
}

double MovieRuntime::stageWidth()
{
    if (m_scaleMode == "noScale" && m_viewportWidth > 0)
        return m_viewportWidth;
    return m_movie.header.frameSize.width().toPixels();
}

double MovieRuntime::stageHeight()
{
    if (m_scaleMode == "noScale" && m_viewportHeight > 0)
        return m_viewportHeight;
    return m_movie.header.frameSize.height().toPixels();
}

void MovieRuntime::setStageScaleMode(const std::string& mode)
{
    const double width = stageWidth();
    const double height = stageHeight();
    m_scaleMode = mode;
    if (width != stageWidth() || height != stageHeight())
        broadcast("Stage", "onResize");
}

void MovieRuntime::setViewportSize(double width, double height)
{
    const double oldWidth = stageWidth();
    const double oldHeight = stageHeight();
    m_viewportWidth = std::max(0.0, width);
    m_viewportHeight = std::max(0.0, height);
    if (oldWidth != stageWidth() || oldHeight != stageHeight()) {
        m_vm->beginFrame();
        broadcast("Stage", "onResize");
        runQueue();
    }
}

bool MovieRuntime::keyIsDown(int keyCode)
{
    return std::find(m_keys.down.begin(), m_keys.down.end(), keyCode) != m_keys.down.end();
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
    const TimelineScripts* scripts = scriptsFor(inst);
    if (!scripts)
        return {};
    int index = -1;
    char* end = nullptr;
    const long n = std::strtol(frame.c_str(), &end, 10);
    if (!frame.empty() && end && *end == 0) {
        index = script::frameIndex(double(n));
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

} // namespace swf::runtime
