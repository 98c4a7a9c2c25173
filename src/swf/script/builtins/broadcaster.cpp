// AsBroadcaster: gives an object a listener list and broadcastMessage.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/member_flags.h"

namespace swf::script {

Object* newListenerList(Interpreter& in)
{
    Object* listeners = in.newArray();
    // Arrays the player makes itself name their constructor.
    listeners->put("constructor", in.getMember(in.global(), "Array"), kMemberFlags);
    return listeners;
}

namespace {

Value broadcastMessage(Interpreter& in, Object* self, const Args& args)
{
    Object* list = in.getMember(self, "_listeners").asObject();
    if (!list || args.empty())
        return Value();
    std::string name = in.toString(args[0]);
    Args rest(args.begin() + 1, args.end());
    // Listeners added or removed by a handler take effect next time.
    std::vector<Value> listeners = in.arrayItems(list);
    for (const Value& l : listeners)
        in.callMethod(l, name, rest);
    return listeners.empty() ? Value() : Value(true);
}

// The original player's addListener, removeListener and initialize are
// script functions, so each has a prototype object of its own.
void givePrototype(Interpreter& in, Object* fn)
{
    Object* proto = in.newObject();
    proto->put("constructor", fn, kMemberFlags);
    fn->put("prototype", proto, kMemberFlags);
}

} // namespace

void installBroadcaster(Interpreter& in)
{
    // A function with a prototype, though nothing is ever made with it.
    Object* broadcaster = in.newFunction([](Interpreter&, Object*, const Args&) -> Value { return Value(); });
    Object* prototype = in.newObject();
    prototype->put("constructor", broadcaster, kMemberFlags);
    broadcaster->put("prototype", prototype, kMemberFlags);
    in.global()->put("AsBroadcaster", broadcaster, PropertyFlag::DontEnum);

    // As the player's script does: whatever the object's own removeListener
    // and list are, the listener goes on the end once, and the answer is yes.
    Object* addListener = in.defineMethod(broadcaster, "addListener", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Value listener = arg(args, 0);
        in.callMethod(self, "removeListener", {listener});
        in.callMethod(in.getMember(self, "_listeners"), "push", {listener});
        return true;
    });
    Object* removeListener = in.defineMethod(broadcaster, "removeListener", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* list = in.getMember(self, "_listeners").asObject();
        if (!list)
            return false;
        std::vector<Value> items = in.arrayItems(list);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (in.looseEquals(items[i], arg(args, 0))) {
                in.callMethod(list, "splice", {double(i), 1.0});
                return true;
            }
        }
        return false;
    });
    in.defineMethod(broadcaster, "broadcastMessage", broadcastMessage);
    Object* initialize = in.defineMethod(broadcaster, "initialize", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* o = arg(args, 0).asObject();
        if (!o || !self)
            return Value();
        // broadcastMessage comes from the native table through the global
        // ASnative, the other two from AsBroadcaster as it is now.
        const Value native = in.getMember(in.global(), "ASnative");
        in.setMember(o, "broadcastMessage", native.isObject() ? in.call(native, nullptr, {101.0, 12.0}) : Value());
        in.setMember(o, "addListener", in.getMember(self, "addListener"));
        in.setMember(o, "removeListener", in.getMember(self, "removeListener"));
        in.setMember(o, "_listeners", newListenerList(in));
        setMemberFlags(o, {"broadcastMessage", "addListener", "removeListener", "_listeners"}, kMemberFlags);
        return Value();
    });
    givePrototype(in, addListener);
    givePrototype(in, removeListener);
    givePrototype(in, initialize);
    setAllMemberFlags(broadcaster, kMemberFlags);
    // Before SWF 6 the function is there with none of its members.
    markVersion(broadcaster, {"prototype", "addListener", "removeListener", "broadcastMessage", "initialize"},
                PropertyFlag::Version6);
}

} // namespace swf::script
