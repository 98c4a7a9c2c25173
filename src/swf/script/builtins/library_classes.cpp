// The network, media, printing and menu classes. This player loads movies
// only through the host (MovieClipLoader), connects nowhere, records nothing
// and prints nothing: the classes exist
// with the original player's members so that scripts run, and each request
// ends the way it would with no server, device or printer present.

#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/library_support.h"

#include <map>

namespace swf::script {

namespace {

using namespace library;

// An info object for onStatus handlers.
Object* statusInfo(Interpreter& in, const char* code, const char* level)
{
    Object* info = in.newObject();
    in.setMember(info, "code", code);
    in.setMember(info, "level", level);
    return info;
}

// Calls target.method(args) on the next frame.
void later(Interpreter& in, Object* target, const char* method, std::vector<Value> args)
{
    if (target)
        in.addTimer(target, Value(), method, std::move(args), 1, false);
}

Object* defineLibraryClass(Interpreter& in, const char* name, NativeFunction construct, Object*& proto)
{
    proto = in.newObject();
    return defineClass(in, name, std::move(construct), proto);
}

void installSharedObject(Interpreter& in)
{
    Object* proto = nullptr;
    Object* ctor = defineLibraryClass(in, "SharedObject", {}, proto);
    // Shared objects live for the session only: nothing is written to disk.
    auto store = std::make_shared<std::map<std::string, Object*>>();
    scriptMethod(in, ctor, "getLocal", [store, proto](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value::null();
        const std::string key = in.toString(args[0]) + "\n" + (args.size() > 1 ? in.toString(args[1]) : std::string());
        auto it = store->find(key);
        if (it != store->end())
            return it->second;
        Object* so = in.newObject(proto);
        so->put("data", in.newObject(), kHiddenPermanent);
        in.pin(so);
        (*store)[key] = so;
        return so;
    }, 0);
    scriptMethod(in, ctor, "getRemote", [](Interpreter&, Object*, const Args&) -> Value { return Value::null(); }, 0);
    scriptMethod(in, ctor, "deleteAll", [](Interpreter&, Object*, const Args&) -> Value { return false; }, kHidden);
    scriptMethod(in, ctor, "getDiskUsage", [](Interpreter&, Object*, const Args&) -> Value { return 0; }, kHidden);
    nativeMethod(in, proto, "clear", [](Interpreter& in, Object* self, const Args&) -> Value {
        if (self && self->findOwn("data"))
            self->put("data", in.newObject());
        return Value();
    });
    nativeMethod(in, proto, "flush", [](Interpreter&, Object*, const Args&) -> Value { return true; });
    nativeMethod(in, proto, "getSize", [](Interpreter&, Object*, const Args&) -> Value { return 0; });
    nativeMethod(in, proto, "close", nothing());
    nativeMethod(in, proto, "connect", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, proto, "send", nothing());
    nativeMethod(in, proto, "setFps", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    markMembers(proto, PropertyFlag::Version6);
}

void installLocalConnection(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(in, "LocalConnection", nativeInstance(), proto);
    // No other movie listens: connecting works, sending reaches nobody.
    nativeMethod(in, proto, "connect", [](Interpreter&, Object*, const Args& args) -> Value { return !args.empty(); });
    nativeMethod(in, proto, "close", nothing());
    nativeMethod(in, proto, "domain", [](Interpreter&, Object*, const Args&) -> Value { return "localhost"; });
    nativeMethod(in, proto, "send", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.size() < 2)
            return false;
        later(in, self, "onStatus", {statusInfo(in, "", "error")});
        return true;
    });
    markMembers(proto, PropertyFlag::Version6);
}

// Camera and Microphone: no device is present, so get() finds none.
void installDevice(Interpreter& in, const char* name, std::initializer_list<const char*> methods)
{
    Object* proto = nullptr;
    Object* ctor = defineLibraryClass(in, name, {}, proto);
    scriptMethod(in, ctor, "get", [](Interpreter&, Object*, const Args&) -> Value { return Value::null(); }, 0);
    nativeAccessor(in, ctor, "names", [](Interpreter& in, Object*, const Args&) -> Value { return in.newArray(); }, {}, kHidden);
    for (const char* method : methods)
        nativeMethod(in, proto, method, nothing());
    markMembers(proto, PropertyFlag::Version6);
}

void installNetConnection(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(in, "NetConnection", {}, proto);
    // connect(null) is the local mode for progressive video and succeeds at
    // once; a server address cannot be reached.
    nativeMethod(in, proto, "connect", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return false;
        if (args[0].isNull()) {
            in.setMember(self, "isConnected", true);
            in.callMethod(self, "onStatus", {statusInfo(in, "NetConnection.Connect.Success", "status")});
            return true;
        }
        in.setMember(self, "isConnected", false);
        later(in, self, "onStatus", {statusInfo(in, "NetConnection.Connect.Failed", "error")});
        return false;
    });
    nativeMethod(in, proto, "call", nothing());
    nativeMethod(in, proto, "close", nothing());
    nativeMethod(in, proto, "addHeader", nothing());
    markMembers(proto, PropertyFlag::Version6);
    // The class itself first appeared with SWF 6.
    markVersion(in.global(), {"NetConnection"}, PropertyFlag::Version6);
}

// A stream on a connected NetConnection: the first one gives the stream
// prototype its status members, which read as an idle stream's. Streams on
// anything else have none.
void installNetStream(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(
        in, "NetStream",
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            Object* connection = arg(args, 0).asObject();
            Object* home = self ? self->proto() : nullptr;
            const Value netConnection = in.getMember(in.global(), "NetConnection");
            if (!home || !connection || !netConnection.isObject() || !in.instanceOf(connection, netConnection.asObject())
                || !in.toBoolean(in.getMember(connection, "isConnected")))
                return self;
            const std::pair<const char*, double> members[] = {
                {"time", 0}, {"bufferLength", 0}, {"bufferTime", 0.1}, {"bytesLoaded", 0},
                {"bytesTotal", 0}, {"currentFps", 0}, {"liveDelay", 0},
            };
            for (const auto& [name, value] : members) {
                if (!home->findOwnAnyVersion(name))
                    nativeAccessor(in, home, name, [value](Interpreter&, Object*, const Args&) -> Value { return value; }, {}, kHidden);
            }
            return self;
        },
        proto);
    nativeMethod(in, proto, "play", [](Interpreter& in, Object* self, const Args&) -> Value {
        later(in, self, "onStatus", {statusInfo(in, "NetStream.Play.StreamNotFound", "error")});
        return Value();
    });
    for (const char* name : {"close", "pause", "seek", "setBufferTime", "attachAudio", "attachVideo", "publish", "receiveAudio", "receiveVideo", "send"})
        nativeMethod(in, proto, name, nothing());
    markMembers(proto, PropertyFlag::Version6);
}

void installVideo(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(in, "Video", {}, proto);
    nativeMethod(in, proto, "attachVideo", nothing());
    nativeMethod(in, proto, "clear", nothing());
    markMembers(proto, PropertyFlag::Version6);
}

void installPrintJob(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(
        in, "PrintJob",
        nativeInstance([](Interpreter& in, Object* self, const Args&) -> Value {
            // The page geometry appears on the prototype with the first job,
            // enumerable and read-only; a job reads 0 until it starts, the
            // prototype itself nothing.
            Object* p = self->proto();
            for (const char* name : {"paperHeight", "paperWidth", "pageHeight", "pageWidth", "orientation"}) {
                if (p && !p->findOwn(name))
                    nativeAccessor(in, p, name, [p](Interpreter&, Object* job, const Args&) -> Value { return job == p ? Value() : Value(0); });
            }
            return self;
        }),
        proto);
    // There is no printer: a job never starts.
    nativeMethod(in, proto, "start", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, proto, "addPage", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, proto, "send", nothing());
    markAll(proto, PropertyFlag::Version7);
}

Value orDefault(const Value& v, bool fallback) { return v.isUndefined() ? Value(fallback) : v; }

// The switches of a context menu's built-in items, in the order the player makes them.
constexpr const char* kBuiltInItems[] = {"print", "forward_back", "rewind", "loop", "play", "quality", "zoom", "save"};

void installContextMenu(Interpreter& in)
{
    Object* itemProto = nullptr;
    Object* itemCtor = defineLibraryClass(
        in, "ContextMenuItem",
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            in.setMember(self, "caption", arg(args, 0));
            in.setMember(self, "onSelect", arg(args, 1));
            in.setMember(self, "separatorBefore", orDefault(arg(args, 2), false));
            in.setMember(self, "enabled", orDefault(arg(args, 3), true));
            in.setMember(self, "visible", orDefault(arg(args, 4), true));
            return self;
        },
        itemProto);
    scriptMethod(in, itemProto, "copy", [itemCtor](Interpreter& in, Object* self, const Args&) -> Value {
        Args fields;
        for (const char* name : {"caption", "onSelect", "separatorBefore", "enabled", "visible"})
            fields.push_back(in.getMember(self, name));
        return in.construct(itemCtor, fields);
    });
    markAll(itemProto, PropertyFlag::Version7);

    Object* proto = nullptr;
    Object* ctor = defineLibraryClass(in, "ContextMenu", {}, proto);
    // Every menu made with `new` starts with the same built-in item switches,
    // one object shared by all of them, as in the original player.
    Object* builtIn = in.newObject();
    if (const Property* object = in.global()->findOwn("Object"))
        builtIn->put("constructor", object->value, kHiddenPermanent);
    for (const char* name : kBuiltInItems)
        in.setMember(builtIn, name, true);
    in.pin(builtIn);
    ctor->setNativeConstructor([builtIn](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "onSelect", arg(args, 0));
        in.setMember(self, "customItems", in.construct(in.getMember(in.global(), "Array"), {}));
        in.setMember(self, "builtInItems", builtIn);
        return self;
    });
    // A copy shares the built-in switches of the original, whatever they are;
    // its custom items are copies.
    scriptMethod(in, proto, "copy", [ctor](Interpreter& in, Object* self, const Args&) -> Value {
        Value copy = in.construct(ctor, {in.getMember(self, "onSelect")});
        in.setMember(copy, "builtInItems", in.getMember(self, "builtInItems"));
        Object* items = in.getMember(self, "customItems").asObject();
        Object* copies = in.getMember(copy, "customItems").asObject();
        if (items && copies) {
            for (const Value& item : in.arrayItems(items))
                in.callMethod(copies, "push", {in.callMethod(item, "copy", {})});
        }
        return copy;
    });
    // Hiding gives the menu switches of its own, all off.
    scriptMethod(in, proto, "hideBuiltInItems", [](Interpreter& in, Object* self, const Args&) -> Value {
        Object* hidden = in.newObject();
        for (const char* name : kBuiltInItems)
            in.setMember(hidden, name, false);
        in.setMember(self, "builtInItems", hidden);
        return Value();
    });
    markAll(proto, PropertyFlag::Version7);
}

void installMovieClipLoader(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(
        in, "MovieClipLoader",
        nativeInstance([](Interpreter& in, Object* self, const Args&) -> Value {
            self->put("_listeners", newListenerList(in), kHiddenPermanent);
            in.callMethod(self, "addListener", {self});
            return self;
        }),
        proto);
    env::initializeBroadcaster(in, proto);
    for (const char* name : {"_listeners", "addListener", "removeListener", "broadcastMessage"}) {
        if (Property* p = proto->findOwn(name))
            p->flags = kHiddenPermanent;
    }
    // The host loads; the loader hears of it through broadcastMessage.
    nativeMethod(in, proto, "loadClip", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.size() < 2)
            return Value();
        if (!args[0].isString() || args[1].isNullish())
            return false;
        if (!in.host().readsFiles()) {
            later(in, self, "broadcastMessage", {"onLoadError", args[1], "URLNotFound", 0});
            return true;
        }
        return in.host().loadMovie(in.runningClip(), args[0].asString(), args[1], self);
    });
    nativeMethod(in, proto, "unloadClip", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value();
        return in.host().unloadMovie(args[0]);
    });
    nativeMethod(in, proto, "getProgress", [](Interpreter& in, Object*, const Args& args) -> Value {
        double loaded = 0;
        double total = 0;
        if (args.empty() || !in.host().loadProgress(args[0], loaded, total))
            return Value();
        // A bare record: it inherits nothing, not even from Object.
        Object* progress = in.newObject(nullptr);
        in.setMember(progress, "bytesLoaded", loaded);
        in.setMember(progress, "bytesTotal", total);
        return progress;
    });
    markAll(proto, PropertyFlag::Version7);
}

void installXmlSocket(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(in, "XMLSocket", {}, proto);
    // A movie played from a file may open no socket: connect refuses at
    // once, and then onConnect is never called.
    nativeMethod(in, proto, "connect", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, proto, "send", nothing());
    nativeMethod(in, proto, "close", nothing());
    scriptMethod(in, proto, "onData", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Value doc = in.construct(in.getMember(in.global(), "XML"), {arg(args, 0)});
        in.callMethod(self, "onXML", {doc});
        return Value();
    });
}

} // namespace

void installLibraryClasses(Interpreter& in)
{
    installSharedObject(in);
    installLocalConnection(in);
    installDevice(in, "Camera", {"setCursor", "setKeyFrameInterval", "setLoopback", "setMode", "setMotionLevel", "setQuality"});
    installDevice(in, "Microphone", {"setGain", "setRate", "setSilenceLevel", "setUseEchoSuppression"});
    installNetConnection(in);
    installNetStream(in);
    installVideo(in);
    installPrintJob(in);
    installContextMenu(in);
    installMovieClipLoader(in);
    installXmlSocket(in);
    installFlashGeom(in);
}

} // namespace swf::script
