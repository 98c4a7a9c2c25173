#pragma once

// Shared pieces of the objects that face the player around the movie
// (Stage, Key, Mouse, Selection, Color, Sound, TextFormat).

#include "swf/script/builtins/builtins.h"

#include <memory>

namespace swf::script::env {

// What the original player's start-up script gave its singletons and
// prototypes: hidden, permanent and read-only.
constexpr std::uint16_t kLocked = PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;

// ASSetPropFlags(o, null, flags): adds `flags` to every own property,
// including those hidden from this version.
inline void addFlagsToAll(Object* o, std::uint16_t flags)
{
    for (const Property& p : o->properties()) {
        if (Property* own = o->findOwnAnyVersion(p.name))
            own->flags |= flags;
    }
}

// A singleton object (Key, Mouse, ...): made as `new Object()` was in the
// player's start-up, with a `constructor` but no `__constructor__`.
inline Object* newSingleton(Interpreter& in, const std::string& name)
{
    Object* o = in.newObject();
    if (const Property* object = in.global()->findOwnAnyVersion("Object"))
        o->put("constructor", object->value);
    in.global()->put(name, o, PropertyFlag::DontEnum);
    return o;
}

// The plain-call form of a built-in class: super(...) in the constructor of
// a script class that extends it sets `this` up as `new` would; any other
// call does nothing. `ctor` is filled in once the constructor exists.
inline NativeFunction superCall(std::shared_ptr<Object*> ctor, NativeFunction construct)
{
    return [ctor, construct](Interpreter& in, Object* self, const Args& args) -> Value {
        if (self && *ctor && in.instanceOf(self, *ctor))
            construct(in, self, args);
        return Value();
    };
}

// AsBroadcaster.initialize(o), with the listener methods of the built-in
// broadcaster (found whatever version hides it from the movie).
inline void initializeBroadcaster(Interpreter& in, Object* o)
{
    const Property* broadcaster = in.global()->findOwnAnyVersion("AsBroadcaster");
    Object* b = broadcaster ? broadcaster->value.asObject() : nullptr;
    const Property* initialize = b ? b->findOwnAnyVersion("initialize") : nullptr;
    if (initialize && initialize->value.isObject())
        in.call(initialize->value, b, {o});
    // Code of a version that cannot see the broadcaster's members (SWF 5)
    // copies nothing; the player's own objects get them all the same.
    for (const char* name : {"addListener", "removeListener"}) {
        const Property* member = b ? b->findOwnAnyVersion(name) : nullptr;
        Property* mine = o->findOwnAnyVersion(name);
        if (member && mine && mine->value.isUndefined())
            mine->value = member->value;
    }
    // Each object gets a broadcastMessage of its own with the broadcaster's
    // code; initialize may not be able to make one yet while the built-ins
    // are being installed.
    const Property* own = o->findOwnAnyVersion("broadcastMessage");
    const Property* code = b ? b->findOwnAnyVersion("broadcastMessage") : nullptr;
    Object* fn = code ? code->value.asObject() : nullptr;
    if (!(own && own->value.isObject()) && fn && fn->native())
        o->put("broadcastMessage", in.newFunction(fn->native()), PropertyFlag::DontEnum);
    // The player's own objects listen from SWF 6 on.
    markVersion(o, {"broadcastMessage", "addListener", "removeListener", "_listeners"}, PropertyFlag::Version6);
}

// A getter/setter pair; a null setter makes assignments do nothing.
inline void defineAccessor(Interpreter& in, Object* on, const std::string& name, NativeFunction getter, NativeFunction setter,
                           std::uint16_t flags)
{
    Object* get = in.newFunction(std::move(getter));
    Object* set = in.newFunction(setter ? std::move(setter) : NativeFunction([](Interpreter&, Object*, const Args&) -> Value {
        return Value();
    }));
    on->setAccessor(name, get, set);
    if (Property* p = on->findOwnAnyVersion(name))
        p->flags = flags;
}

// The clip a path given to Color or Sound is relative to: the target of the
// script that asks (a path kept in a Sound is read again at each call, from
// wherever that call comes), the movie's root outside scripts.
inline Object* callingClip(Interpreter& in)
{
    Object* running = in.runningClip();
    return running ? running : in.host().root(nullptr);
}

// The object a target argument names: a clip itself, or a path resolved
// from the calling clip (other objects give theirs by toString, asked each
// time). Null when nothing is there; the host decides whether what is there
// is a clip.
inline Object* resolveClip(Interpreter& in, const Value& target)
{
    if (Object* o = target.asObject(); o && o->objectClass() == ObjectClass::Clip)
        return o;
    if (target.isNullish())
        return nullptr;
    return in.resolveTarget(callingClip(in), in.toString(target));
}

} // namespace swf::script::env
