#pragma once

// Shared pieces of the library classes (XML, LoadVars, System and the
// network, media and menu classes). The original player wrote part of these
// classes in ActionScript: such methods carry a `prototype` object of their
// own, the natives do not, and scripts that list members can tell the two
// apart, so both kinds are made here.

#include "swf/script/builtins/builtins.h"

#include <optional>

namespace swf::script::library {

constexpr std::uint16_t kHidden = PropertyFlag::DontEnum;
constexpr std::uint16_t kHiddenPermanent = PropertyFlag::DontEnum | PropertyFlag::DontDelete;

// A native method without a prototype object.
inline Object* nativeMethod(Interpreter& in, Object* on, const std::string& name, NativeFunction f, std::uint16_t flags = kHiddenPermanent)
{
    Object* fn = in.newFunction(std::move(f));
    on->put(name, fn, flags);
    return fn;
}

// A method the original player defined in ActionScript: it has a prototype
// whose constructor is the method itself.
inline Object* scriptMethod(Interpreter& in, Object* on, const std::string& name, NativeFunction f, std::uint16_t flags = kHiddenPermanent)
{
    Object* fn = nativeMethod(in, on, name, std::move(f), flags);
    Object* proto = in.newObject();
    proto->put("constructor", fn, kHiddenPermanent);
    fn->put("prototype", proto, kHiddenPermanent);
    return fn;
}

// A method that does nothing and returns undefined.
inline NativeFunction nothing()
{
    return [](Interpreter&, Object*, const Args&) -> Value { return Value(); };
}

// A getter/setter pair on a prototype; without a setter assignments are ignored.
inline void nativeAccessor(Interpreter& in, Object* on, const std::string& name, NativeFunction getter, NativeFunction setter = {}, std::uint16_t flags = 0)
{
    Object* get = in.newFunction(std::move(getter));
    Object* set = in.newFunction(setter ? std::move(setter) : nothing());
    on->setAccessor(name, get, set);
    if (Property* p = on->findOwnAnyVersion(name))
        p->flags = flags;
}

// A constructor that makes the new object one of the player's native
// objects, then runs `construct` on it.
inline NativeFunction nativeInstance(NativeFunction construct = {})
{
    return [construct](Interpreter& in, Object* self, const Args& args) -> Value {
        if (self)
            self->markNative();
        return construct ? construct(in, self, args) : Value(self);
    };
}

// A global class whose constructor runs `construct` on the new object;
// called without `new` it returns undefined.
inline Object* defineClass(Interpreter& in, const std::string& name, NativeFunction construct, Object* prototype = nullptr)
{
    if (!construct)
        construct = [](Interpreter&, Object* self, const Args&) -> Value { return self; };
    return makeConstructor(in, name, nothing(), std::move(construct), prototype);
}

// Adds `flag` to every own property of `o` (members that appeared in a later player).
inline void markAll(Object* o, std::uint16_t flag)
{
    for (const Property& p : o->properties())
        o->findOwnAnyVersion(p.name)->flags |= flag;
}

// The same for the members of a prototype the player made in every version,
// whose links to its class and to the prototype above stay in sight.
inline void markMembers(Object* proto, std::uint16_t flag)
{
    for (const Property& p : proto->properties()) {
        if (p.name != "constructor" && p.name != "__proto__")
            proto->findOwnAnyVersion(p.name)->flags |= flag;
    }
}

// An info object for onStatus handlers: {code, level}.
Object* statusInfo(Interpreter& in, const char* code, const char* level);

// Hands a status report to the object's onStatus, looked up once; an error
// the object has no handler for goes to System.onStatus instead.
void reportStatus(Interpreter& in, Object* target, const Args& args);

// What the host plays behind a NetStream object, once it plays something:
// the stream's status members (time, bufferLength, bufferTime, bytesLoaded,
// bytesTotal, currentFps) read from it rather than as an idle stream's.
class StreamPlayback : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    // The member's value now; nothing for the idle stream's value.
    virtual std::optional<double> statusMember(const std::string& name) const = 0;
};

} // namespace swf::script::library

namespace swf::script {
// flash.geom's Point and Rectangle (flash_geom.cpp), installed with the library classes.
void installFlashGeom(Interpreter& in);
// BitmapFilter and the filter classes (filter_builtins.cpp), into the
// package `filters`; displacement maps hand out their points as `point`s.
void installFlashFilters(Interpreter& in, Object* package, Object* point);
// flash.external.ExternalInterface (external_interface_builtins.cpp), into the package `external`.
void installExternalInterface(Interpreter& in, Object* package);
// flash.net's FileReference and FileReferenceList (file_reference_builtins.cpp), into the package `net`.
void installFileReference(Interpreter& in, Object* net);
// The native behind a FileReference: gives its first argument, or else the
// object it is called on, the members of a file reference.
Value initFileReference(Interpreter& in, Object* self, const Args& args);
// flash.display.BitmapData (bitmap_data_builtins.cpp), into the package `display`.
void installBitmapData(Interpreter& in, Object* display);
// The eight numbers of a flash.geom.ColorTransform (multipliers, then
// offsets); false for any other value.
bool readColorTransform(const Value& v, double (&out)[8]);
} // namespace swf::script
