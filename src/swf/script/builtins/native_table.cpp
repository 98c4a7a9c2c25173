// ASnative(a, b): the player's numbered table of native functions. Each
// call hands out a new function object that runs the same native code as the
// built-in with that number, so scripts can reach members hidden from their
// version (ASnative(101, 5) is hasOwnProperty in a SWF 5 movie).

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/xml_parser.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <memory>
#include <sstream>
#include <utility>

namespace swf::script {

namespace {

struct NativeEntry {
    int a;
    int b;
    // Dotted path from _global to the built-in; ":get" or ":set" after it
    // names one half of a property read through functions.
    const char* path;
};

// The number of Math's functions in the table.
constexpr int kMathNatives = 200;

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
    {104, 200, "MovieClip.prototype.createTextField"},
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
    {301, 0, "LoadVars.prototype.load"},
    {301, 1, "LoadVars.prototype.send"},
    {301, 2, "LoadVars.prototype.sendAndLoad"},
    {301, 3, "LoadVars.prototype.decode"},
    {666, 1, "Stage.scaleMode:get"},
    {666, 2, "Stage.scaleMode:set"},
    {666, 3, "Stage.align:get"},
    {666, 4, "Stage.align:set"},
    {666, 5, "Stage.width:get"},
    {666, 7, "Stage.height:get"},
    {901, 0, "MovieClip.prototype.createEmptyMovieClip"},
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
    const std::size_t colon = path.find(':');
    std::istringstream parts(path.substr(0, colon));
    const std::string half = colon == std::string::npos ? std::string() : path.substr(colon + 1);
    std::string name;
    while (o && std::getline(parts, name, '.')) {
        const Property* p = o->findOwnAnyVersion(name);
        if (p && p->isAccessor() && parts.peek() == EOF)
            o = half == "get" ? p->getter : half == "set" ? p->setter : nullptr;
        else
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

// The code behind one number: taken from the table, or for a member
// installed after the table (the movie layer's objects) taken from the
// built-in the first time a script asks for it, before the script can put
// something else in its place. Null when the number names nothing.
std::optional<NativeCode> codeFor(Interpreter& in, const std::shared_ptr<std::map<Key, NativeCode>>& table, Key key)
{
    if (auto it = table->find(key); it != table->end())
        return it->second;
    for (const NativeEntry& e : kEntries) {
        if (e.a == key.first && e.b == key.second) {
            Object* fn = builtinAt(in, e.path);
            if (!fn)
                return std::nullopt;
            return (*table)[key] = NativeCode{fn->native(), fn->nativeConstructor()};
        }
    }
    // Math's numbers past its named functions share the functions' start:
    // the first two arguments are converted, and the answer is no number.
    if (key.first == kMathNatives) {
        return (*table)[key] = NativeCode{[](Interpreter& in, Object*, const Args& args) -> Value {
            for (std::size_t i = 0; i < std::min<std::size_t>(args.size(), 2); ++i)
                in.toNumber(args[i]);
            return std::numeric_limits<double>::quiet_NaN();
        }, {}};
    }
    return std::nullopt;
}

// A function running native code; one the table lacks does nothing.
Object* nativeFunction(Interpreter& in, const std::shared_ptr<std::map<Key, NativeCode>>& table, Key key)
{
    std::optional<NativeCode> code = codeFor(in, table, key);
    if (!code)
        return in.newFunction([](Interpreter&, Object*, const Args&) -> Value { return Value(); });
    return in.newFunction(code->call, code->construct);
}

// The two numbers of a call, when both are in range.
std::optional<Key> keyOf(Interpreter& in, const Value& first, const Value& second)
{
    const double a = in.toNumber(first), b = in.toNumber(second);
    if (!(a >= 0 && a < 1e6 && b >= 0 && b < 1e6))
        return std::nullopt;
    return Key{int(a), int(b)};
}

// The names given to ASSetNative and ASSetNativeAccessor: a comma-separated
// string, each name kept with its spaces; a digit before a name is the
// first version that sees it.
std::vector<std::pair<std::string, std::uint16_t>> nativeNames(Interpreter& in, const Value& list)
{
    std::vector<std::pair<std::string, std::uint16_t>> names;
    const std::string s = in.toString(list);
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t comma = s.find(',', start);
        if (comma == std::string::npos)
            comma = s.size();
        std::string name = s.substr(start, comma - start);
        std::uint16_t flags = 0;
        if (!name.empty() && name[0] >= '6' && name[0] <= '9') {
            constexpr std::uint16_t kByVersion[] = {PropertyFlag::Version6, PropertyFlag::Version7, PropertyFlag::Version8,
                                                    PropertyFlag::Version9};
            flags = kByVersion[name[0] - '6'];
            name.erase(0, 1);
        }
        names.emplace_back(name, flags);
        start = comma + 1;
    }
    return names;
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
    // The XML class's own escaping of text, reachable by number only.
    (*table)[{100, 5}] = NativeCode{[](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value();
        return xml::escape(in.toString(args[0]));
    }, {}};
    (*table)[{102, 0}] = NativeCode{[](Interpreter& in, Object* self, const Args&) -> Value { return oldCaseMapping(in, self, true); }, {}};
    (*table)[{102, 1}] = NativeCode{[](Interpreter& in, Object* self, const Args&) -> Value { return oldCaseMapping(in, self, false); }, {}};
    // ASnew: whether the function calling it runs for `new`.
    (*table)[{2, 0}] = NativeCode{[](Interpreter& in, Object*, const Args&) -> Value { return in.runningConstructor(); }, {}};

    Object* g = in.global();
    in.defineMethod(g, "ASnative", [table](Interpreter& in, Object*, const Args& args) -> Value {
        std::optional<Key> key = args.size() < 2 ? std::nullopt : keyOf(in, args[0], args[1]);
        if (!key || !codeFor(in, table, *key))
            return Value();
        return nativeFunction(in, table, *key);
    });
    // ASSetNative(o, a, "m1,m2", b): o.m1 = ASnative(a, b), o.m2 = ASnative(a, b + 1), ...
    in.defineMethod(g, "ASSetNative", [table](Interpreter& in, Object*, const Args& args) -> Value {
        Object* o = arg(args, 0).asObject();
        std::optional<Key> key = keyOf(in, arg(args, 1), args.size() > 3 ? args[3] : Value(0.0));
        if (!o || !key)
            return Value();
        for (const auto& [name, flags] : nativeNames(in, arg(args, 2))) {
            o->put(name, nativeFunction(in, table, *key)).flags |= flags;
            ++key->second;
        }
        return Value();
    });
    // The same with a getter and a setter for each name, numbered in turn.
    in.defineMethod(g, "ASSetNativeAccessor", [table](Interpreter& in, Object*, const Args& args) -> Value {
        Object* o = arg(args, 0).asObject();
        std::optional<Key> key = keyOf(in, arg(args, 1), args.size() > 3 ? args[3] : Value(0.0));
        if (!o || !key)
            return Value();
        for (const auto& [name, flags] : nativeNames(in, arg(args, 2))) {
            Object* getter = nativeFunction(in, table, *key);
            Object* setter = nativeFunction(in, table, {key->first, key->second + 1});
            o->setAccessor(name, getter, setter);
            if (Property* p = o->findOwnAnyVersion(name))
                p->flags |= flags;
            key->second += 2;
        }
        return Value();
    });
    // ASconstructor(a, b): a class whose instances the native code makes.
    in.defineMethod(g, "ASconstructor", [table](Interpreter& in, Object*, const Args& args) -> Value {
        std::optional<Key> key = args.size() < 2 ? std::nullopt : keyOf(in, args[0], args[1]);
        if (!key || !codeFor(in, table, *key))
            return Value();
        Object* ctor = nativeFunction(in, table, *key);
        Object* proto = in.newObject();
        proto->put("constructor", ctor, PropertyFlag::DontEnum);
        ctor->put("prototype", proto, PropertyFlag::DontEnum);
        return ctor;
    });
}

} // namespace swf::script
