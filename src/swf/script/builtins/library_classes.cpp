// The network, media, printing and menu classes. This player loads movies
// only through the host (MovieClipLoader), connects nowhere, records nothing
// and prints nothing: the classes exist
// with the original player's members so that scripts run, and each request
// ends the way it would with no server, device or printer present.

#include "swf/script/amf_values.h"
#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/library_support.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <utility>

namespace swf::script {

Object* library::statusInfo(Interpreter& in, const char* code, const char* level)
{
    Object* info = in.newObject();
    in.setMember(info, "code", code);
    in.setMember(info, "level", level);
    return info;
}

void library::reportStatus(Interpreter& in, Object* target, const Args& args)
{
    const Value handler = in.getMember(target, "onStatus");
    if (handler.isObject() && handler.asObject()->isFunction()) {
        in.call(handler, target, args);
        return;
    }
    const Value info = arg(args, 0);
    if (info.isObject() && in.toString(in.getMember(info, "level")) == "error")
        in.callMethod(in.getMember(in.global(), "System"), "onStatus", args);
}

namespace {

using namespace library;

// Calls target.method(args) on the next frame.
void later(Interpreter& in, Object* target, const char* method, std::vector<Value> args)
{
    if (target)
        in.addTimer(target, Value(), method, std::move(args), 1, false);
}

// The same on the next frame.
void reportStatusLater(Interpreter& in, Object* target, std::vector<Value> args)
{
    if (!target)
        return;
    Object* report = in.newFunction([](Interpreter& in, Object* self, const Args& args) -> Value {
        if (self)
            reportStatus(in, self, args);
        return Value();
    });
    in.addTimer(target, report, {}, std::move(args), 1, false);
}

Object* defineLibraryClass(Interpreter& in, const char* name, NativeFunction construct, Object*& proto)
{
    proto = in.newObject();
    return defineClass(in, name, std::move(construct), proto);
}

void installSharedObject(Interpreter& in)
{
    Object* proto = nullptr;
    // Like the other classes of the network layer, the constructor gives
    // nothing back when a subclass calls it through super().
    Object* ctor = defineLibraryClass(in, "SharedObject", nothing(), proto);
    // Shared objects live for the session only: nothing is written to disk.
    struct Store {
        std::map<std::string, Object*> byPath;
        std::map<const Object*, std::string> names;
    };
    auto store = std::make_shared<Store>();
    scriptMethod(in, ctor, "getLocal", [store, proto](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value::null();
        const std::string name = in.toString(args[0]);
        const std::string key = name + "\n" + (args.size() > 1 ? in.toString(args[1]) : std::string());
        auto it = store->byPath.find(key);
        if (it != store->byPath.end())
            return it->second;
        Object* so = in.newObject(proto);
        so->put("data", in.newObject(), kHiddenPermanent);
        in.pin(so);
        store->byPath[key] = so;
        store->names[so] = name;
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
    // The bytes of the file the data would be kept in: its members as AMF0,
    // after a header naming the object. Nothing to keep takes no file.
    nativeMethod(in, proto, "getSize", [store](Interpreter& in, Object* self, const Args&) -> Value {
        auto name = store->names.find(self);
        const Property* data = self ? self->findOwn("data") : nullptr;
        if (name == store->names.end() || !data || !data->value.asObject())
            return 0;
        AmfEncoder encoder(in, AmfEncoder::Arrays::AlwaysEcma);
        const auto members = encoder.encodeMembers(data->value.asObject());
        return members.empty() ? 0.0 : double(amf0::writeSharedObjectFile(name->second, members).size());
    });
    nativeMethod(in, proto, "close", nothing());
    nativeMethod(in, proto, "connect", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, proto, "send", nothing());
    nativeMethod(in, proto, "setFps", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    markMembers(proto, PropertyFlag::Version6);
}

// The connections listening in this player, by their full names in lower
// case (names are matched without regard to case). The holder object keeps
// each listener alive while it is connected.
struct LocalConnections {
    Object* holder = nullptr;
    std::map<Object*, std::string> names;

    Object* listener(const std::string& key) const
    {
        const Property* p = holder->findOwn(key);
        return p ? p->value.asObject() : nullptr;
    }
};

// A connection's full name: names starting with an underscore stand alone,
// others belong to the movie's domain unless they name one.
std::string connectionKey(const std::string& name)
{
    if (name[0] == '_' || name.find(':') != std::string::npos)
        return asciiLower(name);
    return asciiLower("localhost:" + name);
}

// Members a message may not call: the class's own methods and its status handler.
bool protectedMethod(const std::string& name)
{
    const std::string lower = asciiLower(name);
    for (const char* p : {"send", "connect", "close", "allowdomain", "allowinsecuredomain", "domain", "onstatus"}) {
        if (lower == p)
            return true;
    }
    return false;
}

// A message's arguments travel as AMF0, as a remote call's do: the listener
// gets what reading them back gives (an object written twice arrives as two
// copies).
std::vector<Value> serialisedCopy(Interpreter& in, const Args& args, std::size_t from)
{
    AmfEncoder encoder(in, AmfEncoder::Arrays::StrictWhenDense);
    Bytes data;
    std::size_t count = 0;
    for (std::size_t i = from; i < args.size(); ++i, ++count)
        amf0::append(data, encoder.encode(args[i]));
    std::vector<Value> copies;
    for (const amf0::AmfValue& value : amf0::readValues(data))
        copies.push_back(decodeAmf(in, value));
    copies.resize(count);
    return copies;
}

// An onStatus report of a message: only its level.
Object* messageStatus(Interpreter& in, bool delivered)
{
    Object* info = in.newObject();
    in.setMember(info, "level", delivered ? "status" : "error");
    return info;
}

void installLocalConnection(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(in, "LocalConnection", nativeInstance(), proto);
    auto connections = std::make_shared<LocalConnections>();
    connections->holder = in.newObject(nullptr);
    in.pin(connections->holder);

    // A listener takes a name no other holds, once; names with a domain are refused.
    nativeMethod(in, proto, "connect", [connections](Interpreter&, Object* self, const Args& args) -> Value {
        if (!self || args.empty() || !args[0].isString())
            return false;
        const std::string name = args[0].asString();
        if (name.empty() || name.find(':') != std::string::npos || connections->names.count(self))
            return false;
        const std::string key = connectionKey(name);
        if (connections->listener(key))
            return false;
        connections->holder->put(key, self);
        connections->names[self] = key;
        return true;
    });
    nativeMethod(in, proto, "close", [connections](Interpreter&, Object* self, const Args&) -> Value {
        auto it = connections->names.find(self);
        if (it != connections->names.end()) {
            connections->holder->remove(it->second);
            connections->names.erase(it);
        }
        return Value();
    });
    nativeMethod(in, proto, "domain", [](Interpreter&, Object*, const Args&) -> Value { return "localhost"; });
    // A message goes out at the next frame. It arrives when a listener held
    // the name both when it was sent and when it goes out; the sender hears
    // which first, then the listener's method runs.
    nativeMethod(in, proto, "send", [connections](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.size() < 2 || !args[0].isString() || !args[1].isString())
            return false;
        const std::string name = args[0].asString();
        const std::string method = args[1].asString();
        if (name.empty() || method.empty() || protectedMethod(method))
            return false;
        const std::string key = connectionKey(name);
        const bool listened = connections->listener(key) != nullptr;
        std::vector<Value> message = serialisedCopy(in, args, 2);
        Object* deliver = in.newFunction([connections, key, listened, method](Interpreter& in, Object* sender, const Args& message) -> Value {
            Object* listener = listened ? connections->listener(key) : nullptr;
            reportStatus(in, sender, {messageStatus(in, listener != nullptr)});
            if (listener)
                in.callMethod(listener, method, message);
            return Value();
        });
        in.addTimer(self, deliver, {}, std::move(message), 1, false);
        return true;
    });
    markMembers(proto, PropertyFlag::Version6);
}

// Camera and Microphone. get() hands out the one device object of its class
// even on a machine without the device, as the original player did: the
// object reads as a device the user has not allowed yet (muted, no activity,
// no picture size). Its state lives natively; the first get() gives the
// class prototype the read-only members that show it.
class DeviceState final : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    void references(std::vector<Value>& out) const override
    {
        for (const auto& [name, value] : members)
            out.push_back(value);
    }
    std::vector<std::pair<std::string, Value>> members;

    Value* find(const std::string& name)
    {
        for (auto& [key, value] : members) {
            if (key == name)
                return &value;
        }
        return nullptr;
    }
};

DeviceState* deviceOf(Object* o) { return o ? dynamic_cast<DeviceState*>(o->extension()) : nullptr; }

// A device setter: runs `set` on the device's state, nothing on other objects.
NativeFunction deviceSetter(std::function<void(Interpreter&, DeviceState&, const Args&)> set)
{
    return [set = std::move(set)](Interpreter& in, Object* self, const Args& args) -> Value {
        if (DeviceState* state = deviceOf(self))
            set(in, *state, args);
        return Value();
    };
}

// Sets `name` to the number argument `index` kept within [low, high]; a
// missing argument leaves the member as it was.
void clampedArgument(Interpreter& in, DeviceState& state, const Args& args, std::size_t index, const char* name, double low, double high)
{
    if (index >= args.size() || !state.find(name))
        return;
    const double n = in.toNumber(args[index]);
    if (!std::isnan(n))
        *state.find(name) = std::clamp(n, low, high);
}

struct DeviceClass {
    const char* name;
    std::vector<std::pair<const char*, Value>> members; // in the order the prototype shows them
    std::vector<std::pair<const char*, NativeFunction>> methods;
};

void installDevice(Interpreter& in, DeviceClass device)
{
    Object* proto = nullptr;
    Object* ctor = defineLibraryClass(in, device.name, {}, proto);
    auto members = std::make_shared<std::vector<std::pair<const char*, Value>>>(std::move(device.members));
    auto single = std::make_shared<Object*>(nullptr);
    scriptMethod(in, ctor, "get", [proto, members, single](Interpreter& in, Object*, const Args&) -> Value {
        if (*single)
            return *single;
        for (const auto& [name, initial] : *members) {
            const std::string key = name;
            nativeAccessor(in, proto, key, [key](Interpreter&, Object* self, const Args&) -> Value {
                DeviceState* state = deviceOf(self);
                Value* value = state ? state->find(key) : nullptr;
                return value ? *value : Value();
            }, {}, kHidden);
        }
        auto state = std::make_shared<DeviceState>();
        for (const auto& [name, initial] : *members)
            state->members.emplace_back(name, initial);
        *single = in.newObject(proto);
        (*single)->setExtension(std::move(state));
        in.pin(*single);
        return *single;
    }, 0);
    nativeAccessor(in, ctor, "names", [](Interpreter& in, Object*, const Args&) -> Value { return in.newArray(); }, {}, kHidden);
    for (auto& [name, method] : device.methods)
        nativeMethod(in, proto, name, std::move(method));
    markMembers(proto, PropertyFlag::Version6);
}

void installCamera(Interpreter& in)
{
    installDevice(
        in,
        {"Camera",
         {{"activityLevel", -1}, {"bandwidth", 16384}, {"currentFps", 0}, {"fps", -1}, {"height", -1}, {"index", "0"},
          {"motionLevel", 50}, {"motionTimeout", 2000}, {"muted", true}, {"name", ""}, {"quality", 0}, {"width", -1}},
         {{"setCursor", nothing()},
          {"setKeyFrameInterval", nothing()},
          {"setLoopback", nothing()},
          // Without a camera there is no capture mode to choose from.
          {"setMode", nothing()},
          {"setMotionLevel", deviceSetter([](Interpreter& in, DeviceState& state, const Args& args) {
               clampedArgument(in, state, args, 0, "motionLevel", 0, 100);
               clampedArgument(in, state, args, 1, "motionTimeout", 0, std::numeric_limits<double>::max());
           })},
          {"setQuality", deviceSetter([](Interpreter& in, DeviceState& state, const Args& args) {
               // Both default to the player's own settings when left out.
               *state.find("bandwidth") = 16384;
               *state.find("quality") = 0;
               clampedArgument(in, state, args, 0, "bandwidth", 0, std::numeric_limits<double>::max());
               clampedArgument(in, state, args, 1, "quality", 0, 100);
           })}}});
}

void installMicrophone(Interpreter& in)
{
    installDevice(
        in,
        {"Microphone",
         {{"activityLevel", -1}, {"gain", 50}, {"index", 0}, {"muted", true}, {"name", ""}, {"rate", 8},
          {"silenceLevel", 10}, {"silenceTimeout", 2000}, {"useEchoSuppression", 0}},
         {{"setGain", deviceSetter([](Interpreter& in, DeviceState& state, const Args& args) {
               clampedArgument(in, state, args, 0, "gain", 0, 100);
           })},
          {"setRate", deviceSetter([](Interpreter& in, DeviceState& state, const Args& args) {
               // Only the rates the encoder knows are taken.
               const double rate = in.toNumber(arg(args, 0));
               if (rate == 5 || rate == 8 || rate == 11 || rate == 22 || rate == 44)
                   *state.find("rate") = rate;
           })},
          {"setSilenceLevel", deviceSetter([](Interpreter& in, DeviceState& state, const Args& args) {
               clampedArgument(in, state, args, 0, "silenceLevel", 0, 100);
               clampedArgument(in, state, args, 1, "silenceTimeout", 0, std::numeric_limits<double>::max());
           })},
          {"setUseEchoSuppression", deviceSetter([](Interpreter& in, DeviceState& state, const Args& args) {
               *state.find("useEchoSuppression") = in.toBoolean(arg(args, 0));
           })}}});
}

// Whether a NetConnection is open and what it was last asked to connect to,
// kept natively: isConnected and uri read from here and cannot be assigned.
class ConnectionState final : public ObjectExtension {
public:
    bool getMember(Interpreter& in, Object&, const std::string& name, Value& out) override
    {
        // A connection to an address counts as connected only once a
        // server answers, which none does here.
        if (is(in, name, "isConnected")) {
            out = open && local;
            return true;
        }
        if (is(in, name, "uri") && uri) {
            out = *uri;
            return true;
        }
        return false;
    }
    bool setMember(Interpreter& in, Object&, const std::string& name, const Value&) override
    {
        return is(in, name, "isConnected") || is(in, name, "uri");
    }
    bool open = false;
    bool local = false; // opened in the local mode, to no address
    std::optional<std::string> uri;
    std::string address; // where remote calls go
    // The calls made so far: each names the answer it waits for by its number.
    std::uint32_t calls = 0;

private:
    static bool is(Interpreter& in, const std::string& name, const char* member)
    {
        return in.swfVersion() >= 7 ? name == member : asciiLower(name) == asciiLower(member);
    }
};

ConnectionState* connectionOf(Object* o)
{
    return o ? dynamic_cast<ConnectionState*>(o->extension()) : nullptr;
}

// Closing an open connection reports it closed at once; one opened to an
// address then calls its handler once more, with no report at all.
void closeConnection(Interpreter& in, Object* self)
{
    ConnectionState* state = connectionOf(self);
    if (!state || !state->open)
        return;
    state->open = false;
    reportStatus(in, self, {statusInfo(in, "NetConnection.Connect.Closed", "status")});
    if (!state->local)
        reportStatus(in, self, {});
}

// Whether an address is one remote calls can be posted to.
bool remoteAddress(const std::string& address)
{
    const std::string lower = asciiLower(address);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

void installNetConnection(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(in, "NetConnection", [](Interpreter&, Object* self, const Args&) -> Value {
        if (self && self->isPlain())
            self->setExtension(std::make_shared<ConnectionState>());
        return Value();
    }, proto);
    // connect(null) is the local mode for progressive video and succeeds at
    // once. An HTTP address opens a connection that reports nothing while
    // open (remote calls go there); anything else fails at once. Connecting
    // again closes the connection open before.
    nativeMethod(in, proto, "connect", [](Interpreter& in, Object* self, const Args& args) -> Value {
        ConnectionState* state = connectionOf(self);
        if (!state || args.empty())
            return Value();
        closeConnection(in, self);
        // From SWF 7, undefined asks for the local mode as null does.
        state->local = args[0].isNull() || (args[0].isUndefined() && in.swfVersion() >= 7);
        state->uri = args[0].isNull() ? std::string("null") : in.toString(args[0]);
        state->address = !state->local && remoteAddress(*state->uri) ? *state->uri : std::string();
        if (state->local) {
            state->open = true;
            reportStatus(in, self, {statusInfo(in, "NetConnection.Connect.Success", "status")});
            return true;
        }
        if (!state->address.empty()) {
            state->open = true;
            return false;
        }
        if (!(args[0].isString() && args[0].asString().empty()))
            reportStatus(in, self, {statusInfo(in, "NetConnection.Connect.Failed", "error")});
        return false;
    });
    // call(method, responder, arguments...) to an HTTP address posts one
    // remote call: the method's name, the answer's name ("/1" for the first
    // call) and the arguments as one strict array of AMF0. No server
    // answers it here.
    nativeMethod(in, proto, "call", [](Interpreter& in, Object* self, const Args& args) -> Value {
        ConnectionState* state = connectionOf(self);
        if (!state || state->address.empty() || args.empty())
            return Value();
        AmfEncoder encoder(in, AmfEncoder::Arrays::StrictWhenDense);
        amf0::AmfValue arguments = amf0::AmfValue::ofType(amf0::AmfValue::Type::StrictArray);
        for (std::size_t i = 2; i < args.size(); ++i)
            arguments.items.push_back(encoder.encode(args[i]));
        const Bytes call = amf0::writeRemoteCall(in.toString(args[0]), "/" + std::to_string(++state->calls), arguments);
        in.host().sendRequest({state->address, "POST", "application/x-amf", std::string(call.begin(), call.end()), true});
        return Value();
    });
    nativeMethod(in, proto, "close", [](Interpreter& in, Object* self, const Args&) -> Value {
        closeConnection(in, self);
        return Value();
    });
    nativeMethod(in, proto, "addHeader", nothing());
    markMembers(proto, PropertyFlag::Version6);
    // The class itself first appeared with SWF 6.
    markVersion(in.global(), {"NetConnection"}, PropertyFlag::Version6);
}

// A stream on a connected NetConnection: the first one gives the stream
// prototype its status members, which read as an idle stream's until the
// host plays something on the stream. Streams on anything else have none.
// Without a host that plays files every stream is idle: play() finds nothing.
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
                return Value();
            const std::pair<const char*, double> members[] = {
                {"time", 0}, {"bufferLength", 0}, {"bufferTime", 0.1}, {"bytesLoaded", 0},
                {"bytesTotal", 0}, {"currentFps", 0}, {"liveDelay", 0},
            };
            for (const auto& member : members) {
                const std::string name = member.first;
                const double value = member.second;
                if (!home->findOwnAnyVersion(name))
                    nativeAccessor(in, home, name, [name, value](Interpreter&, Object* stream, const Args&) -> Value {
                        const auto* playback = stream ? dynamic_cast<const StreamPlayback*>(stream->extension()) : nullptr;
                        if (const auto now = playback ? playback->statusMember(name) : std::nullopt)
                            return *now;
                        return value;
                    }, {}, kHidden);
            }
            return Value();
        },
        proto);
    nativeMethod(in, proto, "play", [](Interpreter& in, Object* self, const Args&) -> Value {
        reportStatusLater(in, self, {statusInfo(in, "NetStream.Play.StreamNotFound", "error")});
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

// An XMLSocket's connection: its id with the host while one is open, and a
// message that has begun to arrive but not yet ended.
class SocketState final : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    std::uint64_t id = 0;
    std::string partial;
};

SocketState* socketOf(Object* o)
{
    return o ? dynamic_cast<SocketState*>(o->extension()) : nullptr;
}

// Messages end at a zero byte; each whole one goes to onData. A handler may
// close the socket, and then what else arrived is dropped.
void socketReceived(Interpreter& in, Object* self, std::uint64_t id, const std::string& bytes)
{
    SocketState* state = socketOf(self);
    if (!state || state->id != id)
        return;
    state->partial += bytes;
    for (std::size_t end; (end = state->partial.find('\0')) != std::string::npos;) {
        const std::string message = state->partial.substr(0, end);
        state->partial.erase(0, end + 1);
        in.callMethod(self, "onData", {Value(message)});
        state = socketOf(self);
        if (!state || state->id != id)
            return;
    }
}

void installXmlSocket(Interpreter& in)
{
    Object* proto = nullptr;
    defineLibraryClass(in, "XMLSocket", nothing(), proto);
    // connect(server, port) asks the player for a connection and says
    // whether it will try; onConnect hears later whether it was made. No
    // server (or null) means the one the movie came from. Connecting again
    // gives up the connection open before.
    nativeMethod(in, proto, "connect", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || !self->isPlain())
            return false;
        if (!socketOf(self))
            self->setExtension(std::make_shared<SocketState>());
        SocketState* state = socketOf(self);
        if (state->id)
            in.host().closeSocket(std::exchange(state->id, 0));
        state->partial.clear();
        const Value server = arg(args, 0);
        const std::string name = server.isUndefined() || server.isNull() ? std::string() : in.toString(server);
        // A port no TCP connection can have is refused at once; any other
        // (a missing one is 0) is tried, and fails later if nobody answers.
        const double port = in.toNumber(arg(args, 1));
        if (port < 0 || port > 65535)
            return false;
        const int portNumber = std::isnan(port) ? 0 : int(port);
        auto idCell = std::make_shared<std::uint64_t>(0);
        SocketEvents events;
        events.connected = [&in, self, idCell](bool made) {
            if (SocketState* s = socketOf(self); s && s->id == *idCell) {
                if (!made)
                    s->id = 0;
                in.callMethod(self, "onConnect", {Value(made)});
            }
        };
        events.received = [&in, self, idCell](const std::string& bytes) { socketReceived(in, self, *idCell, bytes); };
        events.closed = [&in, self, idCell]() {
            if (SocketState* s = socketOf(self); s && s->id == *idCell) {
                s->id = 0;
                in.callMethod(self, "onClose", {});
            }
        };
        *idCell = in.host().openSocket(name, portNumber, self, std::move(events));
        state->id = *idCell;
        return state->id != 0;
    });
    // A message goes out as text with a zero byte after it; an XML object
    // as the text it converts to. Nothing goes out before a connection.
    nativeMethod(in, proto, "send", [](Interpreter& in, Object* self, const Args& args) -> Value {
        SocketState* state = socketOf(self);
        if (!state || !state->id)
            return Value();
        std::string message = in.toString(arg(args, 0));
        message.push_back('\0');
        in.host().sendOnSocket(state->id, message);
        return Value();
    });
    // Closing from the movie's side reports nothing: onClose is for the server hanging up.
    nativeMethod(in, proto, "close", [](Interpreter& in, Object* self, const Args&) -> Value {
        if (SocketState* state = socketOf(self); state && state->id)
            in.host().closeSocket(std::exchange(state->id, 0));
        return Value();
    });
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
    installCamera(in);
    installMicrophone(in);
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
