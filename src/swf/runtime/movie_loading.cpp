// What a movie loads while it plays: text and variables for its scripts,
// movies and pictures into clips and levels. Requests wait until the frame
// that made them is over and are answered then, in the order they were made;
// movies that arrive show their first frames once all are in, and their
// loaders hear onLoadInit after those frames' scripts.

#include "swf/format/imports.h"
#include "swf/format/movie_builder.h"
#include "swf/format/reader.h"
#include "swf/render/font_library.h"
#include "swf/render/text_field_layout.h"
#include "swf/runtime/movie_runtime.h"
#include "swf/script/builtins/loading.h"
#include "swf/script/string_util.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <utility>

namespace swf::runtime {

using script::Object;
using script::Value;

namespace {

// Movies one session may load, and their bytes, past which every load of a
// movie fails: one that loads in a loop must not fill the memory with copies.
constexpr std::size_t kMaxLoadedMovies = 1000;
constexpr std::size_t kMaxLoadedBytes = 512u * 1024 * 1024;

// A movie's address that is no web address: relative, a path or file:.
bool isMovieAddress(const std::string& url)
{
    const std::string path = lowerAscii(url.substr(0, url.find_first_of("?#")));
    const std::size_t colon = path.find(':');
    const bool local = colon == std::string::npos || colon == 1 || path.rfind("file:", 0) == 0;
    return local && path.size() > 4 && path.compare(path.size() - 4, 4, ".swf") == 0;
}

bool isMovieFile(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() < 8 || bytes[1] != 'W' || bytes[2] != 'S')
        return false;
    return bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z';
}

// A picture as a movie of one frame: the image, unscaled, with its top left
// corner at the clip's origin.
std::optional<Movie> pictureMovie(const std::vector<std::uint8_t>& bytes, int version)
{
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format().toLower();
    if (format != "jpeg" && format != "png" && format != "gif")
        return std::nullopt;
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    MovieBuilder b(Twips::fromPixels(size.width()), Twips::fromPixels(size.height()), 12, std::uint8_t(version));
    const std::uint16_t bitmap = b.define([&](std::uint16_t id) {
        DefineBitsJpeg tag;
        tag.version = 2;
        tag.id = id;
        tag.imageData = Bytes(bytes.begin(), bytes.end());
        return Tag(std::move(tag));
    });
    FillStyle fill;
    fill.type = FillStyleType::ClippedBitmap;
    fill.bitmapId = bitmap;
    fill.bitmapMatrix = Matrix::scale(20, 20);
    const Rect box{Twips(0), Twips::fromPixels(size.width()), Twips(0), Twips::fromPixels(size.height())};
    const std::uint16_t shape = b.defineRectangle(box, fill);
    b.place(1, shape).showFrame();
    return b.movie();
}

} // namespace

void MovieRuntime::addLoadRoots(std::vector<Object*>& roots) const
{
    for (const auto& load : m_loads) {
        for (Object* o : {load->keep, load->clip, load->loader, load->target.asObject()}) {
            if (o)
                roots.push_back(o);
        }
    }
    for (const auto* jobs : {&m_arrived, &m_lateInits}) {
        for (const auto& job : *jobs)
            for (Object* o : {job->self, job->keep}) {
                if (o)
                    roots.push_back(o);
            }
    }
}

std::filesystem::path MovieRuntime::folderOf(Object* clip) const
{
    const Instance* inst = clip ? static_cast<const Instance*>(clip->hostData) : nullptr;
    return inst && inst->movie ? inst->movie->folder : m_files.folder();
}

bool MovieRuntime::loadFile(Object* asker, const std::string& url, Object* keep, bool atOnce, LoadDone done)
{
    if (atOnce) {
        if (const auto file = m_files.resolve(url, folderOf(asker))) {
            if (const auto bytes = m_files.read(*file)) {
                done(std::string(bytes->begin(), bytes->end()));
                return true;
            }
        }
    }
    auto load = std::make_unique<PendingLoad>();
    load->kind = PendingLoad::Kind::File;
    load->url = url;
    load->folder = folderOf(asker);
    load->keep = keep;
    load->done = std::move(done);
    m_loads.push_back(std::move(load));
    return true;
}

bool MovieRuntime::requestMovie(Instance* clip, int level, const std::string& url, Object* loader, const Value& target)
{
    if ((!clip && level < 0) || (clip && !holdsMovies(clip)))
        return false;
    // An empty address unloads a level at once; a clip is made anew, empty,
    // a frame later.
    const bool recreate = url.empty() && clip && !clip->isRoot && !loader;
    if (url.empty() && !loader && !recreate) {
        unloadMovie(clip ? clip : levelRoot(level));
        return true;
    }
    auto load = std::make_unique<PendingLoad>();
    load->kind = PendingLoad::Kind::Movie;
    load->url = url;
    load->folder = folderOf(m_vm->runningClip());
    load->clip = clip ? clip->self : nullptr;
    load->level = clip ? -1 : level;
    load->loader = loader;
    load->target = target;
    load->levelOfOldMovie = (!clip || clip->isRoot) && m_vm->swfVersion() < 9;
    load->due = !loader && !recreate && !(load->levelOfOldMovie && level > 0 && !levelRoot(level));
    m_loads.push_back(std::move(load));
    return true;
}

namespace {

// A clip's variables as a posted form: those for..in lists on the clip
// itself (its children aside), each "name=value" with the value as a string,
// letters and digits as they are, spaces as "+" and other bytes as "%XX".
std::string formOf(script::Interpreter& in, Object* clip)
{
    const auto encode = [](const std::string& s) {
        std::string out = script::percentEncode(s, " ");
        std::replace(out.begin(), out.end(), ' ', '+');
        return out;
    };
    std::vector<std::pair<std::string, script::Value>> variables;
    for (const script::Property& p : clip->properties()) {
        if (!(p.flags & script::PropertyFlag::DontEnum) && !p.isAccessor() && script::visibleInVersion(p.flags, in.swfVersion()))
            variables.emplace_back(p.name, p.value);
    }
    std::string form;
    for (auto it = variables.rbegin(); it != variables.rend(); ++it) {
        if (!form.empty())
            form += '&';
        form += encode(it->first) + "=" + encode(in.toString(it->second));
    }
    return form;
}

} // namespace

void MovieRuntime::loadVariables(Instance* clip, int level, const std::string& url, int method, Object* sender)
{
    if (!clip && level < 0)
        return;
    if (method == 2 && sender)
        sendRequest({url, "POST", "application/x-www-form-urlencoded", formOf(*m_vm, sender), false});
    auto load = std::make_unique<PendingLoad>();
    load->kind = PendingLoad::Kind::Variables;
    load->url = url;
    load->folder = folderOf(m_vm->runningClip());
    load->clip = clip ? clip->self : nullptr;
    load->level = clip ? -1 : level;
    m_loads.push_back(std::move(load));
}

namespace {
constexpr std::size_t kChainedFiles = 256;
}

void MovieRuntime::deliverLoads()
{
    // Requests are answered at the end of a frame, those not yet due at the
    // next; movies and variables the answers ask for wait in turn.
    std::deque<std::unique_ptr<PendingLoad>> loads, waiting;
    for (auto& load : m_loads)
        (load->due ? loads : waiting).push_back(std::move(load));
    m_loads = std::move(waiting);
    if (!m_lateInits.empty() && !m_quit) {
        m_vm->beginFrame();
        for (auto& job : std::exchange(m_lateInits, {}))
            m_jobs.push(std::move(job));
        runQueue();
    }
    if (m_quitAfterFrame)
        m_quit = true;
    const std::size_t before = m_loads.size();
    for (std::size_t i = 0; i < loads.size(); ++i) {
        // A movie that quit hears of nothing more.
        if (m_quit || m_quitAfterFrame)
            return;
        m_vm->beginFrame();
        deliver(*loads[i]);
        runQueue();
        // A file an answer asks for (the next sound or text of a chain) comes in
        // the same pass, up to a bound that keeps endless chains in check.
        for (std::size_t j = before; j < m_loads.size() && loads.size() < kChainedFiles;) {
            if (m_loads[j]->kind == PendingLoad::Kind::File) {
                loads.push_back(std::move(m_loads[j]));
                m_loads.erase(m_loads.begin() + std::ptrdiff_t(j));
            } else {
                ++j;
            }
        }
    }
    // The movies that arrived show their first frames, the newest first,
    // and then their loaders hear onLoadInit in the same order.
    if (m_arrived.empty())
        return;
    std::vector<std::unique_ptr<Job>> arrived = std::move(m_arrived);
    m_arrived.clear();
    m_vm->beginFrame();
    for (auto it = arrived.rbegin(); it != arrived.rend(); ++it) {
        if (Instance* inst = instanceOf((*it)->self); inst && inst->object->clip && inst->object->clip->frame < 0)
            m_runner.gotoFrame(*inst->object, 0);
    }
    for (auto it = arrived.rbegin(); it != arrived.rend(); ++it)
        m_jobs.push(std::move(*it));
    runQueue();
}

void MovieRuntime::deliver(PendingLoad& load)
{
    if (load.kind == PendingLoad::Kind::Movie && load.url.empty() && load.clip) {
        // The clip leaves, and an empty one of its name takes its depth: the
        // scripts that held the old one hold a clip that is gone.
        Instance* old = instanceOf(load.clip);
        if (old && old->parent && old->object) {
            Instance* parent = old->parent;
            const std::string name = old->object->name;
            const int depth = old->depth;
            removeAt(parent, depth);
            createEmpty(parent, name, depth - movie::kScriptDepthOffset);
        }
        return;
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    const std::optional<std::filesystem::path> file = m_files.resolve(load.url, load.folder);
    if (file)
        bytes = m_files.read(*file);

    if (load.kind == PendingLoad::Kind::File) {
        if (load.done)
            load.done(bytes ? std::optional<std::string>(std::string(bytes->begin(), bytes->end())) : std::nullopt);
        return;
    }

    Instance* inst = load.clip ? instanceOf(load.clip) : levelRoot(load.level);
    if (load.kind == PendingLoad::Kind::Variables) {
        if (!inst || !bytes)
            return;
        script::decodeVariables(*m_vm, inst->self,
                                script::decodeLoadedText(*m_vm, std::string(bytes->begin(), bytes->end())));
        // Clips hear that their variables came; a text field does not.
        if (inst->object->clip)
            queueEvent(inst, ClipEvent::Data, "onData");
        return;
    }

    // A loader hears how it went as the next frame begins: that frame plays
    // in full even when a handler quits the movie.
    auto broadcast = [&](std::vector<Value> args) {
        if (!load.loader)
            return;
        m_vm->callMethodFromHost(load.loader, "broadcastMessage", args);
        if (std::exchange(m_quit, false))
            m_quitAfterFrame = true;
    };
    // A clip that left the stage meanwhile loads nothing; its loader hears
    // of an error without a target.
    if (load.clip && !inst) {
        broadcast({Value("onLoadError"), Value(), Value("URLNotFound"), Value(0)});
        return;
    }
    if (load.cancelled && file && bytes) {
        broadcast({Value("onLoadStart"), load.clip});
        return;
    }
    if (!file || !bytes || m_loadedMovies.size() >= kMaxLoadedMovies
        || m_loadedBytes + bytes->size() > kMaxLoadedBytes) {
        if (inst && !inst->movie)
            inst->failedUrl = m_files.requestedUrl(load.url, load.folder);
        broadcast({Value("onLoadError"), load.clip ? Value(load.clip) : load.target, Value("URLNotFound"), Value(0)});
        return;
    }
    std::unique_ptr<LoadedMovie> loaded = readLoadedMovie(*file, *bytes);
    LoadedMovie* movie = loaded.get();
    m_loadedBytes += bytes->size();
    m_loadedMovies.push_back(std::move(loaded));
    inst = placeLoadedMovie(load, movie);
    if (!inst)
        return;
    Object* clip = inst->self;
    // Variables in the address's query come with the movie.
    if (const std::size_t query = load.url.find('?'); query != std::string::npos)
        script::decodeVariables(*m_vm, clip, load.url.substr(query + 1, load.url.find('#', query) - query - 1));
    const double size = double(movie->bytes);
    broadcast({Value("onLoadStart"), clip});
    // A level hears of its progress twice: as the data comes and once it is all in.
    for (int i = load.levelOfOldMovie && inst->isRoot ? 2 : 1; i > 0; --i)
        broadcast({Value("onLoadProgress"), clip, size, size});
    broadcast({Value("onLoadComplete"), clip, Value(0)});
    // After its first frame's scripts: the clip's load event, then onLoadInit.
    auto job = std::make_unique<Job>();
    Object* loader = load.loader;
    const bool intoLevel = load.levelOfOldMovie && inst->isRoot;
    job->self = clip;
    job->keep = loader;
    job->call = [this, clip, loader, intoLevel]() {
        Instance* arrived = instanceOf(clip);
        if (!arrived)
            return;
        arrived->forClipActions(ClipEvent::Load, [&](const ClipAction& action) { m_vm->run(m_index->decode(action.actions), clip); });
        if (!loader)
            return;
        if (!intoLevel) {
            m_vm->callMethodFromHost(loader, "broadcastMessage", {Value("onLoadInit"), clip});
            return;
        }
        auto init = std::make_unique<Job>();
        init->self = clip;
        init->keep = loader;
        init->call = [this, clip, loader]() {
            if (instanceOf(clip))
                m_vm->callMethodFromHost(loader, "broadcastMessage", {Value("onLoadInit"), clip});
        };
        m_lateInits.push_back(std::move(init));
    };
    m_arrived.push_back(std::move(job));
}

std::unique_ptr<LoadedMovie> MovieRuntime::readLoadedMovie(const std::filesystem::path& file,
                                                         const std::vector<std::uint8_t>& bytes) const
{
    auto loaded = std::make_unique<LoadedMovie>();
    loaded->folder = file.parent_path();
    loaded->url = m_files.urlOf(file);
    std::optional<Movie> movie;
    if (isMovieFile(bytes)) {
        veskor::Result<Movie> read = readMovie(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
        if (read.ok()) {
            movie = std::move(read).value();
            // What it borrows from library movies comes from the opened movie's folder too.
            if (!m_files.folder().empty())
                inlineImportsWithin(*movie, file.parent_path(), m_files.folder());
        }
    } else {
        movie = pictureMovie(bytes, m_movie.header.version);
        loaded->picture = movie.has_value();
    }
    // A movie counts the bytes its header declares (a compressed one, its
    // length once inflated); a picture, its file's size. What is neither
    // arrives as an empty movie of nothing.
    if (movie)
        loaded->bytes = loaded->picture ? bytes.size() : movie->header.fileLength;
    else {
        MovieBuilder empty(Twips(0), Twips(0), 12, m_movie.header.version);
        empty.showFrame();
        movie = empty.movie();
    }
    loaded->movie = std::move(*movie);
    const Movie& m = loaded->movie;
    loaded->dictionary = std::make_unique<movie::CharacterDictionary>(m.tags);
    loaded->fonts = render::collectFonts(m.tags);
    loaded->measurer = render::textMeasurer(loaded->fonts);
    loaded->timeline = std::make_shared<const movie::Timeline>(movie::buildTimeline(m.tags, m.header.frameCount, !m.truncated));
    loaded->scripts = std::make_unique<ScriptIndex>(m.tags, loaded->timeline->frameCount(), *loaded->dictionary,
                                                    m.header.version);
    loaded->initDone.assign(loaded->scripts->initActions().size(), false);
    loaded->character.kind = movie::Character::Kind::Sprite;
    loaded->character.timeline = loaded->timeline;
    return loaded;
}

namespace {

// Takes everything a clip shows off the stage.
void removeChildren(movie::TimelineRunner& runner, movie::DisplayObject& object)
{
    std::vector<int> depths;
    for (const auto& [depth, child] : object.clip->objects)
        depths.push_back(depth);
    for (int depth : depths)
        runner.remove(object, depth);
}

// Leaves a clip empty, at its nesting, with `timeline` to play.
void emptyClip(movie::TimelineRunner& runner, movie::DisplayObject& object, const movie::Timeline* timeline)
{
    removeChildren(runner, object);
    const int nesting = object.clip->nesting;
    *object.clip = movie::ClipState{};
    object.clip->timeline = timeline;
    object.clip->nesting = nesting;
}

} // namespace

bool MovieRuntime::holdsMovies(const Instance* inst) const
{
    if (!inst || !inst->object || !inst->object->clip)
        return false;
    const movie::Character* character = inst->object->character;
    return inst->isRoot || (character && character->kind == movie::Character::Kind::Sprite);
}

Instance* MovieRuntime::topOf(Instance* inst) const
{
    while (inst && inst->parent)
        inst = inst->parent;
    return inst;
}

Instance* MovieRuntime::levelRoot(int number) const
{
    if (number == 0)
        return m_rootInstance;
    const auto it = m_levels.find(number);
    return it != m_levels.end() ? it->second.inst : nullptr;
}

Instance* MovieRuntime::placeLoadedMovie(PendingLoad& load, LoadedMovie* loaded)
{
    Instance* inst = load.clip ? instanceOf(load.clip) : levelRoot(load.level);
    if (!inst) {
        // A new level, above the others.
        Level level;
        level.root = std::make_unique<movie::DisplayObject>();
        level.root->clip = movie::Box<movie::ClipState>(movie::ClipState{});
        auto fresh = std::make_unique<Instance>();
        fresh->object = level.root.get();
        fresh->isRoot = true;
        fresh->level = load.level;
        fresh->firstPath = "_level" + std::to_string(load.level);
        fresh->born = ++m_instancesBorn;
        inst = fresh.get();
        m_instances.push_back(std::move(fresh));
        inst->self = makeObject(inst, nullptr);
        level.inst = inst;
        m_levels.emplace(load.level, std::move(level));
    } else if (!holdsMovies(inst)) {
        return nullptr;
    }
    movie::DisplayObject& object = *inst->object;
    // What the clip showed leaves; it keeps its place, name and clip events.
    // A level's root has no name but what its movie gives it.
    emptyClip(m_runner, object, loaded->timeline.get());
    if (inst->isRoot)
        object.name.clear();
    object.clip->dictionary = loaded->dictionary.get();
    object.clip->frame = -1;
    object.character = &loaded->character;
    if (object.id)
        m_byId.erase(object.id);
    object.id = m_runner.newId();
    m_byId[object.id] = inst;
    inst->movie = loaded;
    inst->movieRoot = true;
    inst->furthestFrame = 0;
    // Its variables go with what it showed. _lockroot, kept on the clip,
    // stays: a movie loading another into a clip locks the loaded movie's
    // _root by setting it first.
    Object* self = inst->self;
    std::vector<std::string> names;
    for (const script::Property& p : self->properties())
        names.push_back(p.name);
    for (const std::string& name : names)
        self->remove(name);
    m_vm->prepareGlobalsFor(globalsVersionOf(inst));
    if (Object* proto = m_vm->prototypeOf("MovieClip", globalsVersionOf(inst)))
        self->put("__proto__", proto, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
    if (inst->isRoot && inst->level == 0)
        self->put("$version", Value(std::string(kPlayerVersion)));
    return inst;
}

void MovieRuntime::unloadMovie(Instance* inst)
{
    if (!holdsMovies(inst))
        return;
    // A movie on its way into the clip stops after it started.
    for (auto& load : m_loads) {
        if (load->kind == PendingLoad::Kind::Movie && load->clip && load->clip == inst->self)
            load->cancelled = true;
    }
    movie::DisplayObject& object = *inst->object;
    if (inst->isRoot && inst->level > 0) {
        removeChildren(m_runner, object);
        const int number = inst->level;
        detach(inst);
        inst->isRoot = false;
        m_levels.erase(number);
        return;
    }
    emptyClip(m_runner, object, m_emptyTimeline.get());
    object.character = &m_emptyClip;
    inst->movie = nullptr;
    inst->movieRoot = false;
}

std::vector<const movie::DisplayObject*> MovieRuntime::upperLevels() const
{
    std::vector<const movie::DisplayObject*> roots;
    for (const auto& [number, level] : m_levels)
        roots.push_back(level.root.get());
    return roots;
}

double MovieRuntime::bytesLoaded(const Instance* inst) const
{
    // The opened movie may hold fewer bytes than its header promises: it
    // stays loaded that far for as long as it plays.
    if (inst && inst->object == &m_root && !inst->movie && m_movie.loadedLength > 0)
        return double(std::min(m_movie.loadedLength, m_movie.header.fileLength));
    return bytesTotal(inst);
}

double MovieRuntime::bytesTotal(const Instance* inst) const
{
    if (!inst || !inst->object)
        return double(m_movie.header.fileLength);
    const movie::Character* character = inst->object->character;
    // A clip placed from a sprite counts the sprite's own tags.
    if (!inst->movieRoot && character && character->tag)
        if (const auto* sprite = std::get_if<DefineSprite>(character->tag))
            return double(sprite->streamLength);
    if (inst->movie && inst->movieRoot)
        return double(inst->movie->bytes);
    if (inst->object == &m_root)
        return double(m_movie.header.fileLength);
    // A clip a script made comes from no file.
    if (character == &m_emptyClip)
        return 0;
    return inst->movie ? double(inst->movie->bytes) : double(m_movie.header.fileLength);
}

int MovieRuntime::swfVersionOf(const Instance* inst) const
{
    if (inst && inst->movie)
        return inst->movie->picture ? -1 : inst->movie->movie.header.version;
    return m_movie.header.version;
}

int MovieRuntime::globalsVersionOf(const Instance* inst) const
{
    // A picture has no version: it belongs with the movie that loaded it.
    const int version = swfVersionOf(inst);
    return version > 0 ? version : m_movie.header.version;
}

int MovieRuntime::clipSwfVersion(script::Object* clip)
{
    const Instance* inst = instanceOf(clip);
    return inst ? std::max(swfVersionOf(inst), 0) : 0;
}

std::string MovieRuntime::urlOf(const Instance* inst) const
{
    if (inst && inst->movie)
        return inst->movie->url;
    return inst && !inst->failedUrl.empty() ? inst->failedUrl : m_files.url();
}

const TimelineScripts* MovieRuntime::scriptsFor(const Instance* inst) const
{
    if (!inst || !inst->object || !inst->object->clip)
        return nullptr;
    if (inst->isRoot || inst->movieRoot)
        return &scripts(inst).rootScripts();
    return scripts(inst).scriptsOf(inst->object->clip->timeline);
}

// ---------------------------------------------------------------- the script side

Instance* MovieRuntime::loadTarget(Object* asker, const Value& target, int& level)
{
    level = -1;
    if (target.isNumber()) {
        // A level number wraps around as a 32-bit unsigned integer does.
        const double n = target.asNumber();
        if (!std::isfinite(n))
            return nullptr;
        double wrapped = std::fmod(std::trunc(n), 4294967296.0);
        if (wrapped < 0)
            wrapped += 4294967296.0;
        if (wrapped > 0x7fffffff)
            return nullptr;
        level = int(wrapped);
        return nullptr;
    }
    if (target.isObject())
        return instanceOf(target.asObject());
    if (!target.isString())
        return nullptr;
    const std::string path = target.asString();
    if (const int number = script::levelNumber(lowerAscii(path)); number >= 0) {
        level = number;
        return nullptr;
    }
    Object* base = asker ? asker : m_rootInstance->self;
    return instanceOf(m_vm->resolveTarget(base, path));
}

bool MovieRuntime::loadMovie(Object* asker, const std::string& url, const Value& target, Object* loader)
{
    int level = -1;
    Instance* clip = loadTarget(asker, target, level);
    if (clip && !holdsMovies(clip))
        return false;
    // A level named as text is a clip when it exists; one that does not yet
    // is loaded as loadMovieNum does, and the loader hears nothing of it.
    if (level >= 0 && target.isString()) {
        if (Instance* existing = levelRoot(level))
            return requestMovie(existing, -1, url, loader, target);
        loader = nullptr;
    }
    return requestMovie(clip, level, url, loader, target);
}

bool MovieRuntime::unloadMovie(const Value& target)
{
    int level = -1;
    Instance* clip = loadTarget(m_vm->runningClip(), target, level);
    if (!clip)
        clip = levelRoot(level);
    if (!clip)
        return false;
    unloadMovie(clip);
    return true;
}

bool MovieRuntime::loadProgress(const Value& target, double& loaded, double& total)
{
    int level = -1;
    Instance* clip = loadTarget(m_vm->runningClip(), target, level);
    if (!clip)
        clip = levelRoot(level);
    if (!clip)
        return false;
    loaded = bytesLoaded(clip);
    total = bytesTotal(clip);
    return true;
}

void MovieRuntime::getUrl(Object* clip, const std::string& url, const std::string& window, int method, bool loadTarget,
                          bool loadVariables)
{
    const std::string lower = lowerAscii(url);
    if (lower.rfind("fscommand:", 0) == 0) {
        // fscommand("quit") ends the movie after this frame; the program
        // hears of the others.
        const std::string command = url.substr(10);
        if (lowerAscii(command) == "quit") {
            // A movie on a level above _level0 that quits lets the frames
            // up to the next answers play in full.
            const Instance* top = topOf(instanceOf(clip));
            (top && top->isRoot && top->level > 0 ? m_quitAfterFrame : m_quit) = true;
        }
        if (commandSink)
            commandSink(command, window);
        return;
    }
    // Level names ignore case before SWF 7, as other names do.
    const int level = script::levelNumber(m_vm->swfVersion() >= 7 ? window : lowerAscii(window));
    Instance* target = nullptr;
    if (loadTarget && level < 0) {
        target = instanceOf(window.empty() ? clip : m_vm->resolveTarget(clip, window));
        if (!target)
            return;
    }
    if (loadVariables) {
        this->loadVariables(target, level, url, method, clip);
        return;
    }
    if (loadTarget || level >= 0) {
        requestMovie(target, level, url, nullptr, Value());
        return;
    }
    if (url.empty())
        return;
    // A movie beside this one opened in its own window replaces it, as in
    // the projector; web addresses go to the program.
    const std::string lowerWindow = lowerAscii(window);
    if (lowerWindow == "_self" && isMovieAddress(url)) {
        requestMovie(nullptr, 0, url, nullptr, Value());
        return;
    }
    // A new window is named "blank" in any case, with or without its
    // underscore; other names go as written.
    if (urlSink)
        urlSink(url, lowerWindow == "blank" || lowerWindow == "_blank" ? "_blank" : window);
}

} // namespace swf::runtime
