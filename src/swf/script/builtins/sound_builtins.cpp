// Sound: the player's sound control for a clip or for the whole movie.
// Volume and the four-way channel mix belong to the target (two Sound
// objects on one clip share them), the movie's global sound has its own, and
// a loaded sound has its own once loadSound is called; each change goes to
// the host, which mixes the target's sounds with it. The sounds themselves
// (library sounds by linkage name, a loaded MP3) play in the host.

#include "swf/format/id3.h"
#include "swf/script/builtins/env_support.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <utility>

namespace swf::script {

namespace {

struct SoundMix {
    std::int32_t volume = 100;
    // Percentages of each input channel sent to each output: ll is left to left.
    std::int32_t ll = 100;
    std::int32_t lr = 0;
    std::int32_t rl = 0;
    std::int32_t rr = 100;
};

// Keeps a target's mix in the target's heap, so the mix lives exactly as
// long as the clip or field it belongs to.
class SoundMixHolder : public ObjectExtension {
public:
    SoundMix mix;
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
};

// The state of one Sound object.
class SoundObject : public ObjectExtension {
public:
    enum class Kind : std::uint8_t { Global, Target, Loaded };
    Kind kind = Kind::Global;
    SoundMix own;        // for Kind::Loaded
    std::string linkage; // attachSound's symbol
    double bytes = 0;    // for Kind::Loaded: what arrived of its file
    std::string loaded;  // for Kind::Loaded: the host's name of the sound that arrived
    std::uint64_t playing = 0; // the host's id of the last start
    double lastPosition = 0;   // milliseconds, where the last start got to
    int loads = 0;             // loadSound calls: only the last one's file counts
    // start() before the loaded file arrived: it starts on arrival.
    std::optional<std::pair<double, int>> startOnLoad;
    bool tagsArrived = false; // id3 holds the loaded file's tags: scripts no longer set it
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
};

// Hidden names no script can write (a script string never holds a NUL):
// the Sound object's target, and a target's mix.
const std::string kTargetKey("\0soundTarget", 12);
const std::string kMixKey("\0soundMix", 9);
const std::string kStateKey("\0soundState", 11);
const std::string kId3Key("\0soundId3", 9);

// The tags of a loaded file as id3 shows them: an object of no class, each
// frame under its id, the common ones under a name of their own as well
// (named first); comments gather in an array, the last one is the comment.
Object* id3Object(Interpreter& in, const std::vector<Id3Frame>& frames)
{
    static const std::pair<const char*, const char*> kNames[] = {
        {"TPE1", "artist"}, {"TALB", "album"}, {"TIT2", "songname"}, {"TRCK", "track"},
        {"TYER", "year"},   {"TCON", "genre"}, {"COMM", "comment"},
    };
    std::vector<Value> comments;
    for (const Id3Frame& frame : frames) {
        if (frame.id == "COMM")
            comments.push_back(Value(frame.text));
    }
    Object* tags = in.newObject(nullptr);
    for (const Id3Frame& frame : frames) {
        const bool comment = frame.id == "COMM";
        if (comment && tags->findOwn("COMM"))
            continue;
        for (const auto& [id, name] : kNames) {
            if (frame.id == id)
                tags->put(name, comment ? comments.back() : Value(frame.text));
        }
        tags->put(frame.id, comment ? Value(in.newArray(comments)) : Value(frame.text));
    }
    return tags;
}

std::int32_t intArg(Interpreter& in, const Value& v)
{
    return toInt32(in.toNumber(v));
}

// setVolume and setPan: for movies of version 9 on, a number outside the
// 32-bit range, or NaN, becomes the lowest integer, as the player's machine
// code truncated it, and no number at all is 0; older movies convert as
// everywhere else in the language.
std::int32_t levelArg(Interpreter& in, const Value& v)
{
    if (in.swfVersion() < 9)
        return intArg(in, v);
    if (v.isUndefined())
        return 0;
    const double d = in.toNumber(v);
    if (!(d > -2147483649.0 && d < 2147483648.0))
        return INT32_MIN;
    return std::int32_t(d);
}

// A Sound's state is its object's extension; an object that has another
// (a clip whose class extends Sound) keeps it in a hidden holder.
SoundObject* soundOf(Object* self)
{
    if (!self)
        return nullptr;
    if (auto* own = dynamic_cast<SoundObject*>(self->extension()))
        return own;
    const Property* held = self->findOwnAnyVersion(kStateKey);
    Object* holder = held ? held->value.asObject() : nullptr;
    return holder ? dynamic_cast<SoundObject*>(holder->extension()) : nullptr;
}

SoundMix* targetMix(Interpreter& in, Object* self)
{
    const Property* p = self->findOwnAnyVersion(kTargetKey);
    if (!p)
        return nullptr;
    Object* target = env::resolveClip(in, p->value);
    if (!target)
        return nullptr;
    if (const Property* held = target->findOwnAnyVersion(kMixKey)) {
        if (Object* holder = held->value.asObject()) {
            if (auto* h = dynamic_cast<SoundMixHolder*>(holder->extension()))
                return &h->mix;
        }
    }
    Object* holder = in.newObject();
    auto h = std::make_shared<SoundMixHolder>();
    holder->setExtension(h);
    target->put(kMixKey, holder, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return &h->mix;
}

// The mix a Sound object controls now; null when its target names nothing.
SoundMix* mixOf(Interpreter& in, Object* self, SoundMix& global)
{
    SoundObject* sound = soundOf(self);
    if (!sound)
        return nullptr;
    switch (sound->kind) {
    case SoundObject::Kind::Global:
        return &global;
    case SoundObject::Kind::Loaded:
        return &sound->own;
    case SoundObject::Kind::Target:
        return targetMix(in, self);
    }
    return nullptr;
}

// Whose sounds a Sound object's mix shapes: the target clip, the Sound itself
// for a loaded sound, none (the movie's) for the global one.
Object* ownerOf(Interpreter& in, Object* self)
{
    SoundObject* sound = soundOf(self);
    if (!sound || sound->kind == SoundObject::Kind::Global)
        return nullptr;
    if (sound->kind == SoundObject::Kind::Loaded)
        return self;
    const Property* p = self->findOwnAnyVersion(kTargetKey);
    return p ? env::resolveClip(in, p->value) : nullptr;
}

// The sound a Sound object starts: its loaded one, else its attached one.
std::string soundName(const SoundObject& sound)
{
    return sound.kind == SoundObject::Kind::Loaded && !sound.loaded.empty() ? sound.loaded : sound.linkage;
}

void startSound(Interpreter& in, Object* self, SoundObject& sound, double offset, int loops)
{
    const std::string name = soundName(sound);
    if (name.empty())
        return;
    Interpreter* vm = &in;
    const std::uint64_t id = in.host().startSound(ownerOf(in, self), name, offset, loops, self, [vm, self] {
        // A sound that played to its end stays at its end, the duration.
        if (SoundObject* ended = soundOf(self)) {
            const double length = vm->host().soundLength(ownerOf(*vm, self), soundName(*ended));
            if (ended->playing && length >= 0)
                ended->lastPosition = std::round(length);
            ended->playing = 0;
        }
        vm->callMethodFromHost(self, "onSoundComplete", {});
    });
    sound.playing = id;
    sound.lastPosition = 0;
}

void applyMix(Interpreter& in, Object* self, const SoundMix& m)
{
    SoundObject* sound = soundOf(self);
    if (!sound || (sound->kind == SoundObject::Kind::Target && !ownerOf(in, self)))
        return;
    in.host().setSoundTransform(ownerOf(in, self), m.volume, m.ll, m.lr, m.rl, m.rr);
}

// Pan from the mix: a quieter left side pans right (positive), a quieter
// right side pans left.
std::int32_t panOf(const SoundMix& m)
{
    const std::int64_t pan = m.ll != 100 ? 100 - std::llabs(m.ll) : std::llabs(m.rr) - 100;
    return std::int32_t(std::uint32_t(pan));
}

struct ChannelMember {
    const char* name;
    std::int32_t SoundMix::*member;
};

// setTransform reads the members in this order.
constexpr ChannelMember kChannels[] = {
    {"ll", &SoundMix::ll},
    {"lr", &SoundMix::lr},
    {"rr", &SoundMix::rr},
    {"rl", &SoundMix::rl},
};

} // namespace

void installSound(Interpreter& in)
{
    auto global = std::make_shared<SoundMix>();
    auto construct = [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        self->markNative();
        auto sound = std::make_shared<SoundObject>();
        Value target = arg(args, 0);
        // A clip is kept by its path, as the player's clip references were:
        // once renamed or removed, it is no longer this Sound's target.
        if (Object* o = target.asObject()) {
            // Any other object names its clip by its text, read once.
            const std::string path = in.host().targetPath(o, false);
            target = path.empty() ? Value(in.toString(target)) : Value(path);
        }
        // Whether a loaded file may be read across domains: a plain member
        // of each Sound from version 6 on, false until a script sets it.
        if (in.swfVersion() >= 6)
            self->put("checkPolicyFile", false);
        if (!target.isNullish()) {
            sound->kind = SoundObject::Kind::Target;
            self->put(kTargetKey, target, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        }
        if (!self->extension()) {
            self->setExtension(sound);
        } else if (!soundOf(self)) {
            Object* holder = in.newObject();
            holder->setExtension(sound);
            self->put(kStateKey, holder, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        }
        return self;
    };
    auto made = std::make_shared<Object*>(nullptr);
    Object* ctor = makeConstructor(in, "Sound", env::superCall(made, construct), construct);
    *made = ctor;
    // The call form keeps a pointer to it: it lives as long as the machine.
    in.pin(ctor);
    Object* proto = in.getMember(ctor, "prototype").asObject();
    if (!proto)
        return;
    const std::uint16_t flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    auto method = [&](const char* name, NativeFunction f) {
        in.defineMethod(proto, name, std::move(f));
        if (Property* p = proto->findOwnAnyVersion(name))
            p->flags = flags;
    };

    method("getVolume", [global](Interpreter& in, Object* self, const Args&) -> Value {
        SoundMix* m = mixOf(in, self, *global);
        return m ? Value(m->volume) : Value();
    });
    method("setVolume", [global](Interpreter& in, Object* self, const Args& args) -> Value {
        if (SoundMix* m = mixOf(in, self, *global)) {
            m->volume = levelArg(in, arg(args, 0));
            applyMix(in, self, *m);
        }
        return Value();
    });
    method("getPan", [global](Interpreter& in, Object* self, const Args&) -> Value {
        SoundMix* m = mixOf(in, self, *global);
        return m ? Value(panOf(*m)) : Value();
    });
    method("setPan", [global](Interpreter& in, Object* self, const Args& args) -> Value {
        SoundMix* m = mixOf(in, self, *global);
        if (!m)
            return Value();
        const std::int64_t pan = levelArg(in, arg(args, 0));
        m->ll = pan >= 0 ? std::int32_t(std::uint32_t(100 - pan)) : 100;
        m->rr = pan >= 0 ? 100 : std::int32_t(std::uint32_t(100 + pan));
        m->lr = m->rl = 0;
        applyMix(in, self, *m);
        return Value();
    });
    method("getTransform", [global](Interpreter& in, Object* self, const Args&) -> Value {
        SoundMix* m = mixOf(in, self, *global);
        if (!m)
            return Value();
        Object* out = in.newObject();
        out->put("ll", m->ll);
        out->put("lr", m->lr);
        out->put("rr", m->rr);
        out->put("rl", m->rl);
        return out;
    });
    // Only the object's own plain members count: inherited ones and
    // getter properties are not run, a getter property reads as 0.
    method("setTransform", [global](Interpreter& in, Object* self, const Args& args) -> Value {
        SoundMix* m = mixOf(in, self, *global);
        Object* source = arg(args, 0).asObject();
        if (!m || !source)
            return Value();
        SoundMix updated = *m;
        for (const ChannelMember& c : kChannels) {
            if (const Property* p = source->findOwn(c.name))
                updated.*c.member = intArg(in, p->value);
        }
        if (SoundMix* again = mixOf(in, self, *global)) {
            *again = updated;
            applyMix(in, self, updated);
        }
        return Value();
    });
    method("attachSound", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (SoundObject* sound = soundOf(self))
            sound->linkage = in.toString(arg(args, 0));
        return Value();
    });
    // start(offset in seconds, loops): onSoundComplete follows its end. A
    // loaded sound whose file has not arrived starts when it does.
    method("start", [](Interpreter& in, Object* self, const Args& args) -> Value {
        SoundObject* sound = soundOf(self);
        if (!sound)
            return Value();
        const double offset = args.empty() ? 0 : in.toNumber(args[0]);
        const int loops = args.size() < 2 ? 1 : intArg(in, args[1]);
        if (sound->kind == SoundObject::Kind::Loaded && sound->loaded.empty()) {
            sound->startOnLoad = std::make_pair(std::isfinite(offset) ? offset : 0, loops);
            return Value();
        }
        startSound(in, self, *sound, std::isfinite(offset) ? offset : 0, loops);
        return Value();
    });
    // stop(): the target's sounds (all of them for the global Sound);
    // stop(name): those of that linkage name only.
    method("stop", [](Interpreter& in, Object* self, const Args& args) -> Value {
        SoundObject* sound = soundOf(self);
        if (!sound)
            return Value();
        if (sound->kind == SoundObject::Kind::Loaded && args.empty()) {
            in.host().stopSound(self, soundName(*sound));
            return Value();
        }
        in.host().stopSound(ownerOf(in, self), args.empty() ? std::string() : in.toString(args[0]));
        return Value();
    });
    // A loaded sound has its own volume and mix from then on, fresh ones.
    // Its file arrives (see below), and onLoad says whether it did.
    method("loadSound", [global](Interpreter& in, Object* self, const Args& args) -> Value {
        SoundObject* sound = soundOf(self);
        if (!sound || !mixOf(in, self, *global))
            return Value();
        sound->kind = SoundObject::Kind::Loaded;
        sound->own = SoundMix();
        sound->bytes = 0;
        sound->loaded.clear();
        sound->startOnLoad.reset();
        const int load = ++sound->loads;
        if (!args.empty()) {
            Interpreter* vm = &in;
            const bool streaming = in.toBoolean(arg(args, 1));
            // A streaming sound whose file is at hand arrives before loadSound
            // returns; an event sound always on a later frame.
            in.host().loadFile(in.runningClip(), in.toString(args[0]), self, streaming,
                               [vm, self, load, streaming](const std::optional<std::string>& bytes) {
                                   SoundObject* arrived = soundOf(self);
                                   const bool current = arrived && arrived->loads == load;
                                   if (current && bytes) {
                                       arrived->bytes = double(bytes->size());
                                       arrived->loaded = vm->host().adoptSound(*bytes);
                                       const auto frames = readId3(std::span(
                                           reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
                                       if (!frames.empty()) {
                                           // A value a script gave id3 before stays.
                                           const Property* before = self->findOwnAnyVersion(kId3Key);
                                           if (!before || before->value.isUndefined())
                                               self->put(kId3Key, id3Object(*vm, frames),
                                                         PropertyFlag::DontEnum | PropertyFlag::DontDelete);
                                           arrived->tagsArrived = true;
                                           vm->callMethodFromHost(self, "onID3", {Value(true)});
                                       }
                                   }
                                   vm->callMethodFromHost(self, "onLoad", {Value(bytes.has_value())});
                                   if (!current || arrived->loaded.empty())
                                       return;
                                   // A streaming sound plays as soon as it arrives.
                                   if (arrived->startOnLoad || streaming) {
                                       const auto [offset, loops] = arrived->startOnLoad.value_or(std::make_pair(0.0, 1));
                                       arrived->startOnLoad.reset();
                                       startSound(*vm, self, *arrived, offset, loops);
                                   }
                               });
        }
        return Value();
    });
    auto loadedOnly = [](Interpreter&, Object* self, const Args&) -> Value {
        SoundObject* sound = soundOf(self);
        return sound && sound->kind == SoundObject::Kind::Loaded ? Value(sound->bytes) : Value();
    };
    method("getBytesLoaded", loadedOnly);
    method("getBytesTotal", loadedOnly);
    // Milliseconds, whole: the length of the sound it would start, and how
    // far the last start got (where it ended, once it did).
    auto durationOf = [](Interpreter& in, Object* self, const Args&) -> Value {
        SoundObject* sound = soundOf(self);
        if (!sound || (sound->linkage.empty() && sound->kind != SoundObject::Kind::Loaded))
            return Value();
        const double length = in.host().soundLength(ownerOf(in, self), soundName(*sound));
        return length >= 0 ? Value(std::round(length)) : Value(0);
    };
    auto positionOf = [](Interpreter& in, Object* self, const Args&) -> Value {
        SoundObject* sound = soundOf(self);
        if (!sound || (sound->linkage.empty() && sound->kind != SoundObject::Kind::Loaded))
            return Value();
        if (sound->playing) {
            const double at = in.host().soundPosition(sound->playing);
            if (at >= 0)
                sound->lastPosition = at;
            else
                sound->playing = 0;
        }
        return Value(std::floor(sound->lastPosition));
    };
    method("getDuration", durationOf);
    method("getPosition", positionOf);
    method("setDuration", [](Interpreter&, Object*, const Args&) -> Value { return Value(); });
    method("setPosition", [](Interpreter&, Object*, const Args&) -> Value { return Value(); });
    env::defineAccessor(in, proto, "duration", durationOf, {}, flags);
    env::defineAccessor(in, proto, "position", positionOf, {}, flags);
    // A loaded file's ID3 tags; what a script sets stays until tags arrive,
    // and from then on nothing a script sets takes.
    env::defineAccessor(
        in, proto, "id3",
        [](Interpreter&, Object* self, const Args&) -> Value {
            const Property* p = soundOf(self) ? self->findOwnAnyVersion(kId3Key) : nullptr;
            return p ? p->value : Value();
        },
        [](Interpreter&, Object* self, const Args& args) -> Value {
            SoundObject* sound = soundOf(self);
            if (sound && !sound->tagsArrived)
                self->put(kId3Key, arg(args, 0), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
            return Value();
        },
        flags);

    // The streaming members came with the version 6 player.
    markVersion(proto,
                {"loadSound", "getBytesLoaded", "getBytesTotal", "getDuration", "setDuration", "getPosition", "setPosition",
                 "duration", "position", "id3"},
                PropertyFlag::Version6);
}

} // namespace swf::script
