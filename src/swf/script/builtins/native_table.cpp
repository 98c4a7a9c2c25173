// ASnative(a, b): the player's numbered table of native functions. Each
// call hands out a new function object that runs the same native code as the
// built-in with that number, so scripts can reach members hidden from their
// version (ASnative(101, 5) is hasOwnProperty in a SWF 5 movie).

#include "swf/script/builtins/builtins.h"
#include "swf/script/string_util.h"

#include <map>
#include <memory>
#include <sstream>
#include <utility>

namespace swf::script {

namespace {

struct NativeEntry {
    int a;
    int b;
    const char* path; // dotted path from _global to the built-in
};

// The members this machine has, by their numbers in the original player.
constexpr NativeEntry kEntries[] = {
    {5, 0, "Mouse.show"},
    {5, 1, "Mouse.hide"},
    {100, 0, "escape"},
    {100, 1, "unescape"},
    {100, 2, "parseInt"},
    {100, 3, "parseFloat"},
    {101, 0, "Object.prototype.watch"},
    {101, 1, "Object.prototype.unwatch"},
    {101, 2, "Object.prototype.addProperty"},
    {101, 3, "Object.prototype.valueOf"},
    {101, 4, "Object.prototype.toString"},
    {101, 5, "Object.prototype.hasOwnProperty"},
    {101, 6, "Object.prototype.isPrototypeOf"},
    {101, 7, "Object.prototype.isPropertyEnumerable"},
    {101, 8, "Object.registerClass"},
    {101, 12, "AsBroadcaster.broadcastMessage"},
    {106, 0, "Number.prototype.valueOf"},
    {106, 1, "Number.prototype.toString"},
    {106, 2, "Number"},
    {107, 0, "Boolean.prototype.valueOf"},
    {107, 1, "Boolean.prototype.toString"},
    {107, 2, "Boolean"},
    {200, 0, "Math.abs"},
    {200, 1, "Math.min"},
    {200, 2, "Math.max"},
    {200, 3, "Math.sin"},
    {200, 4, "Math.cos"},
    {200, 5, "Math.atan2"},
    {200, 6, "Math.tan"},
    {200, 7, "Math.exp"},
    {200, 8, "Math.log"},
    {200, 9, "Math.sqrt"},
    {200, 10, "Math.round"},
    {200, 11, "Math.random"},
    {200, 12, "Math.floor"},
    {200, 13, "Math.ceil"},
    {200, 14, "Math.atan"},
    {200, 15, "Math.asin"},
    {200, 16, "Math.acos"},
    {200, 17, "Math.pow"},
    {251, 0, "String.prototype.valueOf"},
    {251, 1, "String.prototype.toString"},
    {251, 2, "String.prototype.toUpperCase"},
    {251, 3, "String.prototype.toLowerCase"},
    {251, 4, "String.prototype.charAt"},
    {251, 5, "String.prototype.charCodeAt"},
    {251, 6, "String.prototype.concat"},
    {251, 7, "String.prototype.indexOf"},
    {251, 8, "String.prototype.lastIndexOf"},
    {251, 9, "String.prototype.slice"},
    {251, 10, "String.prototype.substring"},
    {251, 11, "String.prototype.split"},
    {251, 12, "String.prototype.substr"},
    {251, 14, "String.fromCharCode"},
    {252, 0, "Array"},
    {252, 1, "Array.prototype.push"},
    {252, 2, "Array.prototype.pop"},
    {252, 3, "Array.prototype.concat"},
    {252, 4, "Array.prototype.shift"},
    {252, 5, "Array.prototype.unshift"},
    {252, 6, "Array.prototype.slice"},
    {252, 7, "Array.prototype.join"},
    {252, 8, "Array.prototype.splice"},
    {252, 9, "Array.prototype.toString"},
    {252, 10, "Array.prototype.sort"},
    {252, 11, "Array.prototype.reverse"},
    {252, 12, "Array.prototype.sortOn"},
};

using Key = std::pair<int, int>;

struct NativeCode {
    NativeFunction call;
    NativeFunction construct;
};

// The built-in at `path`, whatever flags hide it from this version.
Object* builtinAt(Interpreter& in, const std::string& path)
{
    Object* o = in.global();
    std::istringstream parts(path);
    std::string name;
    while (o && std::getline(parts, name, '.')) {
        const Property* p = o->findOwnAnyVersion(name);
        o = p ? p->value.asObject() : nullptr;
    }
    return o && o->isFunction() && !o->script() ? o : nullptr;
}

// The functions of ASnative(102, 0) and (102, 1): the case mapping of the
// first players, which changes ASCII letters only, in every version.
Value oldCaseMapping(Interpreter& in, Object* self, bool upper)
{
    std::string s = self && self->objectClass() == ObjectClass::String && self->primitive.isString() ? self->primitive.asString()
                                                                                                      : in.toString(Value(self));
    return upper ? asciiUpper(s) : asciiLower(s);
}

} // namespace

void installNativeTable(Interpreter& in)
{
    // Taken now, so that scripts replacing a member later do not change the
    // table; members installed after this are looked up on first use.
    auto table = std::make_shared<std::map<Key, NativeCode>>();
    for (const NativeEntry& e : kEntries) {
        if (Object* fn = builtinAt(in, e.path))
            (*table)[{e.a, e.b}] = NativeCode{fn->native(), fn->nativeConstructor()};
    }
    (*table)[{102, 0}] = NativeCode{[](Interpreter& in, Object* self, const Args&) -> Value { return oldCaseMapping(in, self, true); }, {}};
    (*table)[{102, 1}] = NativeCode{[](Interpreter& in, Object* self, const Args&) -> Value { return oldCaseMapping(in, self, false); }, {}};

    Object* asNative = in.newFunction([table](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.size() < 2)
            return Value();
        const double a = in.toNumber(args[0]), b = in.toNumber(args[1]);
        if (!(a >= 0 && a < 1e6 && b >= 0 && b < 1e6))
            return Value();
        const Key key{int(a), int(b)};
        auto it = table->find(key);
        if (it == table->end()) {
            // A member installed after the table (the movie layer's objects):
            // the function finds it when called.
            for (const NativeEntry& e : kEntries) {
                if (e.a == key.first && e.b == key.second) {
                    const std::string path = e.path;
                    return in.newFunction([path](Interpreter& in, Object* self, const Args& args) -> Value {
                        Object* fn = builtinAt(in, path);
                        return fn ? fn->native()(in, self, args) : Value();
                    });
                }
            }
            return Value();
        }
        return in.newFunction(it->second.call, it->second.construct);
    });
    in.global()->put("ASnative", asNative, PropertyFlag::DontEnum);
}

} // namespace swf::script
