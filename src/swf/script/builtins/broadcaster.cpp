// ASBroadcaster: gives an object a listener list and broadcastMessage.

#include "swf/script/builtins/builtins.h"

namespace swf::script {

void installBroadcaster(Interpreter& in)
{
    Object* broadcaster = in.newObject();
    in.global()->put("AsBroadcaster", broadcaster, PropertyFlag::DontEnum | PropertyFlag::Version6);

    Object* addListener = in.defineMethod(broadcaster, "addListener", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* list = in.getMember(self, "_listeners").asObject();
        if (!list)
            return false;
        Value listener = arg(args, 0);
        in.callMethod(self, "removeListener", {listener});
        in.callMethod(list, "push", {listener});
        return true;
    });
    Object* removeListener = in.defineMethod(broadcaster, "removeListener", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* list = in.getMember(self, "_listeners").asObject();
        if (!list)
            return false;
        std::vector<Value> items = in.arrayItems(list);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (strictEquals(items[i], arg(args, 0))) {
                in.callMethod(list, "splice", {double(i), 1.0});
                return true;
            }
        }
        return false;
    });
    Object* broadcastMessage = in.defineMethod(broadcaster, "broadcastMessage", [](Interpreter& in, Object* self, const Args& args) -> Value {
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
    });
    // initialize hands out these three even if the script deletes them here.
    in.pin(addListener);
    in.pin(removeListener);
    in.pin(broadcastMessage);
    in.defineMethod(broadcaster, "initialize", [addListener, removeListener, broadcastMessage](Interpreter& in, Object*, const Args& args) -> Value {
        Object* o = arg(args, 0).asObject();
        if (!o)
            return Value();
        in.setMember(o, "broadcastMessage", broadcastMessage);
        in.setMember(o, "addListener", addListener);
        in.setMember(o, "removeListener", removeListener);
        in.setMember(o, "_listeners", in.newArray());
        for (const char* name : {"broadcastMessage", "addListener", "removeListener", "_listeners"}) {
            if (Property* p = o->findOwn(name))
                p->flags |= PropertyFlag::DontEnum;
        }
        return Value();
    });
}

} // namespace swf::script
