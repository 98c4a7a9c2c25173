// Object, Function, ASSetPropFlags and Error.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/member_flags.h"

namespace swf::script {

namespace {

// ASSetPropFlags' property list: null for all, an array of names, or
// anything else as a comma-separated string (an object that merely looks
// like an array included).
std::vector<std::string> propertyList(Interpreter& in, Object* o, const Value& list)
{
    std::vector<std::string> names;
    if (list.isNull()) {
        for (const Property& p : o->properties())
            names.push_back(p.name);
    } else if (Object* a = list.asObject(); a && a->objectClass() == ObjectClass::Array) {
        for (const Value& v : in.arrayItems(a))
            names.push_back(in.toString(v));
    } else {
        std::string s = in.toString(list);
        std::size_t start = 0;
        while (start <= s.size()) {
            std::size_t comma = s.find(',', start);
            if (comma == std::string::npos)
                comma = s.size();
            names.push_back(s.substr(start, comma - start));
            start = comma + 1;
        }
    }
    return names;
}

} // namespace

void installObject(Interpreter& in)
{
    Object* proto = in.objectPrototype();
    auto construct = [](Interpreter& in, Object* self, const Args& args) -> Value {
        Value v = arg(args, 0);
        if (v.isObject())
            return v;
        if (!v.isNullish())
            return in.toObject(v);
        return self;
    };
    Object* ctor = makeConstructor(
        in, "Object",
        [](Interpreter& in, Object*, const Args& args) -> Value {
            Value v = arg(args, 0);
            if (v.isObject())
                return v;
            if (!v.isNullish())
                return in.toObject(v);
            // Called as a function, Object makes an object without a prototype.
            return in.heap().make();
        },
        construct, proto);

    in.defineMethod(proto, "toString", [](Interpreter&, Object* self, const Args&) -> Value {
        return Value(self && self->isFunction() ? "[type Function]" : "[object Object]");
    });
    Object* toLocaleString = in.defineMethod(proto, "toLocaleString", [](Interpreter& in, Object* self, const Args&) -> Value {
        return in.callMethod(self, "toString", {});
    });
    // A script function in the original player, so it has a prototype.
    Object* localeProto = in.newObject();
    localeProto->put("constructor", toLocaleString, kMemberFlags);
    toLocaleString->put("prototype", localeProto, kMemberFlags);
    in.defineMethod(proto, "valueOf", [](Interpreter&, Object* self, const Args&) -> Value { return self; });
    in.defineMethod(proto, "hasOwnProperty", [](Interpreter& in, Object* self, const Args& args) -> Value {
        // A property hidden from this movie's version is still there.
        return self && !args.empty() && self->findOwnAnyVersion(in.toString(args[0])) != nullptr;
    });
    in.defineMethod(proto, "isPropertyEnumerable", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return false;
        // The version flags do not matter here, only DontEnum.
        const Property* p = self->findOwnAnyVersion(in.toString(args[0]));
        return p && !(p->flags & PropertyFlag::DontEnum);
    });
    in.defineMethod(proto, "isPrototypeOf", [](Interpreter& in, Object* self, const Args& args) -> Value {
        // A primitive is asked about as the object it converts to.
        const Value v = arg(args, 0);
        Object* o = v.isNullish() ? nullptr : in.toObject(v);
        for (int depth = 0; o && self && depth < 256; ++depth) {
            o = o->proto();
            if (o == self)
                return true;
        }
        return false;
    });
    in.defineMethod(proto, "addProperty", [](Interpreter& in, Object* self, const Args& args) -> Value {
        // The setter is a function, or null for a property without one;
        // left out or undefined, nothing is added.
        if (!self || args.size() < 3)
            return false;
        std::string name = in.toString(args[0]);
        Object* getter = args[1].asObject();
        Object* setter = args[2].asObject();
        if (name.empty() || !getter || !getter->isFunction())
            return false;
        if (setter ? !setter->isFunction() : !args[2].isNull())
            return false;
        Property* existing = self->findOwn(name);
        std::uint16_t flags = existing ? existing->flags : 0;
        const bool fresh = !self->findOwnAnyVersion(name);
        self->setAccessor(name, getter, setter);
        if (Property* made = self->findOwnAnyVersion(name))
            made->flags = flags;
        // An array counts a property at an index as an element.
        in.arrayIndexWritten(self, name);
        // A watch on a name the object did not have hears the property
        // arrive with no value; what it answers is kept beneath the accessor
        // as its last value. A member that was there keeps its value.
        if (auto w = self->watches().find(self->key(name)); fresh && w != self->watches().end() && w->second.callback) {
            const Watch watch = w->second;
            const Value kept = in.call(watch.callback, self, {Value(name), Value(), Value(), watch.userData});
            if (Property* made = self->findOwnAnyVersion(name); made && made->isAccessor())
                made->value = kept;
        }
        return true;
    });
    in.defineMethod(proto, "watch", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.size() < 2)
            return false;
        Object* callback = args[1].asObject();
        if (!callback || !callback->isFunction())
            return false;
        self->watches()[self->key(in.toString(args[0]))] = Watch{callback, arg(args, 2)};
        return true;
    });
    in.defineMethod(proto, "unwatch", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return false;
        // A watch on a getter/setter property stays.
        const std::string name = in.toString(args[0]);
        if (const Property* p = self->findOwn(name); p && p->isAccessor())
            return false;
        return self->watches().erase(self->key(name)) > 0;
    });
    in.defineMethod(ctor, "registerClass", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.size() < 2)
            return false;
        std::string name = in.toString(args[0]);
        // A function registers, null or undefined unregisters; anything else
        // is refused.
        Object* c = args[1].asObject();
        if (c && c->isFunction())
            in.registerClass(name, c);
        else if (args[1].isNullish())
            in.registerClass(name, nullptr);
        else
            return false;
        return true;
    });

    setAllMemberFlags(proto, kMemberFlags);
    setMemberFlags(ctor, {"__proto__", "constructor", "prototype", "registerClass"}, kConstantMemberFlags);

    // These came with the version 6 player; Object.registerClass is there
    // for SWF 5 movies too.
    markVersion(proto, {"addProperty", "watch", "unwatch", "hasOwnProperty", "isPropertyEnumerable", "isPrototypeOf"}, PropertyFlag::Version6);

    in.global()->put("ASSetPropFlags", in.newFunction([](Interpreter& in, Object*, const Args& args) -> Value {
        Object* o = arg(args, 0).asObject();
        if (!o || args.size() < 3)
            return Value();
        const std::uint32_t set = toUint32(in.toNumber(args[2]));
        const std::uint32_t clear = args.size() > 3 ? toUint32(in.toNumber(args[3])) : 0;
        for (const std::string& name : propertyList(in, o, args[1])) {
            if (Property* p = o->findOwnAnyVersion(name))
                p->flags = std::uint16_t(((p->flags & ~clear) | set) & PropertyFlag::All);
        }
        return Value();
    }), PropertyFlag::DontEnum);
}

void installFunction(Interpreter& in)
{
    Object* proto = in.functionPrototype();
    // Called as a function, Function gives back its first argument, or
    // without one a new object linked to nothing.
    auto call = [](Interpreter& in, Object*, const Args& args) -> Value {
        return args.empty() ? Value(in.newObjectLinkedTo(Value())) : args[0];
    };
    auto construct = [](Interpreter&, Object*, const Args&) -> Value { return Value(); };
    Object* function = makeConstructor(in, "Function", call, construct, proto);
    function->put("constructor", function, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    markVersion(in.global(), {"Function"}, PropertyFlag::Version6);
    // call and apply without a `this` (undefined or null, or a primitive
    // that makes no object) run the function on the global object.
    auto thisOf = [](Interpreter& in, const Value& v) {
        Object* o = v.isObject() ? v.asObject() : v.isNullish() ? nullptr : in.toObject(v);
        return o ? o : in.global();
    };
    in.defineMethod(proto, "call", [thisOf](Interpreter& in, Object* self, const Args& args) -> Value {
        Args rest(args.size() > 1 ? args.begin() + 1 : args.end(), args.end());
        return in.call(self, thisOf(in, arg(args, 0)), rest);
    });
    in.defineMethod(proto, "apply", [thisOf](Interpreter& in, Object* self, const Args& args) -> Value {
        Args list;
        if (Object* a = arg(args, 1).asObject())
            list = in.arrayItems(a);
        return in.call(self, thisOf(in, arg(args, 0)), list);
    });
    setMemberFlags(proto, {"call", "apply"}, kMemberFlags);
}

void installError(Interpreter& in)
{
    Object* proto = in.newObject();
    // The message is kept as given, and toString hands it back unconverted.
    // Called without `new`, Error makes nothing.
    auto construct = [](Interpreter&, Object* self, const Args& args) -> Value {
        if (self && !args.empty() && !args[0].isUndefined())
            self->put("message", args[0]);
        return self;
    };
    auto made = std::make_shared<Object*>(nullptr);
    *made = makeConstructor(in, "Error", env::superCall(made, construct), construct, proto);
    in.pin(*made);
    proto->put("name", "Error");
    proto->put("message", "Error");
    // Error's toString is made as a script's function is: it can be seen in
    // a for..in and has a prototype of its own.
    Object* toString = in.defineMethod(proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value {
        return in.getMember(self, "message");
    });
    setMemberFlags(proto, {"toString"}, 0);
    Object* toStringPrototype = in.newObject();
    toStringPrototype->put("constructor", toString, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    toString->put("prototype", toStringPrototype, PropertyFlag::DontEnum | PropertyFlag::DontDelete);

    // The player's own setup of its error classes: for each name in a list
    // separated by commas it makes an instance of the global Error as it is
    // now, as the base of that class, and gives nothing back.
    auto setup = std::make_shared<Object*>(nullptr);
    *setup = in.newFunction([setup](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value();
        const std::string list = in.toString(args[0]);
        std::size_t start = 0;
        while (!in.throwing()) {
            in.constructFrom(*setup, in.getMember(in.global(), "Error"), {});
            start = list.find(',', start);
            if (start == std::string::npos)
                break;
            ++start;
        }
        return Value();
    });
    in.global()->put("AsSetupError", *setup, PropertyFlag::DontEnum);
}

} // namespace swf::script
