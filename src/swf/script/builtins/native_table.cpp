// ASnative(a, b): the player's numbered table of native functions. Each
// call hands out a new function object that runs the same native code as the
// built-in with that number, so scripts can reach members hidden from their
// version (ASnative(101, 5) is hasOwnProperty in a SWF 5 movie).

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/library_support.h"
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
    {1, 0, "ASSetPropFlags"},
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
    {103, 0, "Date.prototype.getFullYear"},
    {103, 1, "Date.prototype.getYear"},
    {103, 2, "Date.prototype.getMonth"},
    {103, 3, "Date.prototype.getDate"},
    {103, 4, "Date.prototype.getDay"},
    {103, 5, "Date.prototype.getHours"},
    {103, 6, "Date.prototype.getMinutes"},
    {103, 7, "Date.prototype.getSeconds"},
    {103, 8, "Date.prototype.getMilliseconds"},
    {103, 9, "Date.prototype.setFullYear"},
    {103, 10, "Date.prototype.setMonth"},
    {103, 11, "Date.prototype.setDate"},
    {103, 12, "Date.prototype.setHours"},
    {103, 13, "Date.prototype.setMinutes"},
    {103, 14, "Date.prototype.setSeconds"},
    {103, 15, "Date.prototype.setMilliseconds"},
    {103, 16, "Date.prototype.getTime"},
    {103, 17, "Date.prototype.setTime"},
    {103, 18, "Date.prototype.getTimezoneOffset"},
    {103, 19, "Date.prototype.toString"},
    {103, 20, "Date.prototype.setYear"},
    {103, 128, "Date.prototype.getUTCFullYear"},
    {103, 129, "Date.prototype.getUTCYear"},
    {103, 130, "Date.prototype.getUTCMonth"},
    {103, 131, "Date.prototype.getUTCDate"},
    {103, 132, "Date.prototype.getUTCDay"},
    {103, 133, "Date.prototype.getUTCHours"},
    {103, 134, "Date.prototype.getUTCMinutes"},
    {103, 135, "Date.prototype.getUTCSeconds"},
    {103, 136, "Date.prototype.getUTCMilliseconds"},
    {103, 137, "Date.prototype.setUTCFullYear"},
    {103, 138, "Date.prototype.setUTCMonth"},
    {103, 139, "Date.prototype.setUTCDate"},
    {103, 140, "Date.prototype.setUTCHours"},
    {103, 141, "Date.prototype.setUTCMinutes"},
    {103, 142, "Date.prototype.setUTCSeconds"},
    {103, 143, "Date.prototype.setUTCMilliseconds"},
    {103, 256, "Date"},
    {103, 257, "Date.UTC"},
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
    {200, 18, "isNaN"},
    {200, 19, "isFinite"},
    {104, 200, "MovieClip.prototype.createTextField"},
    {251, 0, "String.prototype.valueOf"},
    {251, 1, "String.prototype.toString"},
    {251, 3, "String.prototype.toUpperCase"},
    {251, 4, "String.prototype.toLowerCase"},
    {251, 5, "String.prototype.charAt"},
    {251, 6, "String.prototype.charCodeAt"},
    {251, 7, "String.prototype.concat"},
    {251, 8, "String.prototype.indexOf"},
    {251, 9, "String.prototype.lastIndexOf"},
    {251, 10, "String.prototype.slice"},
    {251, 11, "String.prototype.substring"},
    {251, 12, "String.prototype.split"},
    {251, 13, "String.prototype.substr"},
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

// Properties the player reads and writes through numbered natives, set up
// as one run: each name's getter and then its setter take the next numbers
// from `first` on.
struct NativeAccessorRun {
    int a;
    int first;
    const char* on; // dotted path from _global to the object holding them
    const char* names;
};

constexpr NativeAccessorRun kAccessorRuns[] = {
    {1109, 1, "flash.filters.ConvolutionFilter.prototype", "matrixX,matrixY,matrix,divisor,bias,preserveAlpha,clamp,color,alpha"},
};

// The path of the built-in with this number, if any: a named entry or an
// accessor half of a run.
std::optional<std::string> pathOf(int a, int b)
{
    for (const NativeEntry& e : kEntries) {
        if (e.a == a && e.b == b)
            return std::string(e.path);
    }
    for (const NativeAccessorRun& run : kAccessorRuns) {
        if (run.a != a || b < run.first)
            continue;
        int index = run.first;
        std::istringstream names(run.names);
        std::string name;
        while (std::getline(names, name, ',')) {
            if (b == index || b == index + 1)
                return std::string(run.on) + "." + name + (b == index ? ":get" : ":set");
            index += 2;
        }
    }
    return std::nullopt;
}

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
    if (const std::optional<std::string> path = pathOf(key.first, key.second)) {
        Object* fn = builtinAt(in, *path);
        if (!fn)
            return std::nullopt;
        return (*table)[key] = NativeCode{fn->native(), fn->nativeConstructor()};
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
    // The function is made by whatever _global.Function is now: it links to
    // that one's prototype, whatever value that is, and names it as its
    // constructor; where Function is no object with a prototype, it has
    // neither link.
    Object* fn = in.newFunctionObject(nullptr);
    const Property* function = in.global()->findOwnAnyVersion("Function");
    const Property* proto = function && function->value.isObject() ? function->value.asObject()->findOwnAnyVersion("prototype") : nullptr;
    if (proto && !proto->value.isUndefined()) {
        const std::uint16_t hidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
        fn->put("__proto__", proto->value, hidden | PropertyFlag::Version6);
        fn->put("constructor", function->value, hidden);
    }
    std::optional<NativeCode> code = codeFor(in, table, key);
    if (!code) {
        fn->setNative([](Interpreter&, Object*, const Args&) -> Value { return Value(); });
        return fn;
    }
    fn->setNative(code->call);
    if (code->construct)
        fn->setNativeConstructor(code->construct);
    return fn;
}

// The two numbers of a call, converted as 32-bit integers: text that is no
// number counts as 0, fractions are cut and larger numbers wrap.
Key keyOf(Interpreter& in, const Value& first, const Value& second)
{
    const std::int32_t a = toInt32(in.toNumber(first));
    const std::int32_t b = toInt32(in.toNumber(second));
    return Key{a, b};
}

// The number `by` after `index`, wrapping at 32 bits as the numbers do.
int numberAfter(int index, int by) { return int(std::uint32_t(index) + std::uint32_t(by)); }

// One name given to ASSetNative or ASSetNativeAccessor, with the flags its
// leading digit asks for: 6 to 9 hide it from versions before that one, 10
// from versions before 10, and a 1 before anything else is dropped.
struct NativeName {
    std::string name;
    std::uint16_t flags = 0;
};

NativeName nativeName(std::string name)
{
    NativeName n;
    if (!name.empty() && name[0] >= '6' && name[0] <= '9') {
        constexpr std::uint16_t kByVersion[] = {PropertyFlag::Version6, PropertyFlag::Version7, PropertyFlag::Version8,
                                                PropertyFlag::Version9};
        n.flags = kByVersion[name[0] - '6'];
        name.erase(0, 1);
    } else if (name.size() > 1 && name[0] == '1' && name[1] == '0') {
        n.flags = PropertyFlag::Version10;
        name.erase(0, 2);
    } else if (!name.empty() && name[0] == '1') {
        name.erase(0, 1);
    }
    n.name = std::move(name);
    return n;
}

// The names of a comma-separated list, each kept with its spaces; an empty
// one still takes its number.
std::vector<NativeName> nativeNames(Interpreter& in, const Value& list)
{
    std::vector<NativeName> names;
    const std::string s = in.toString(list);
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t comma = s.find(',', start);
        if (comma == std::string::npos)
            comma = s.size();
        names.push_back(nativeName(s.substr(start, comma - start)));
        start = comma + 1;
    }
    return names;
}

// Sets a member made by ASSetNative or ASSetNativeAccessor. A property made
// anew takes the flags of its name; a plain value stored into one that exists
// keeps that one's flags, while an accessor always makes a new property.
void putNativeMember(Object* o, const NativeName& n, Object* getter, Object* setter)
{
    const bool existed = !setter && o->findOwnAnyVersion(n.name) != nullptr;
    if (setter)
        o->setAccessor(n.name, getter, setter);
    else
        o->put(n.name, getter);
    if (Property* p = o->findOwnAnyVersion(n.name); p && !existed)
        p->flags |= n.flags;
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

    // What makes an object a file reference, whatever it was made by.
    (*table)[{2204, 200}] = NativeCode{initFileReference, initFileReference};

    // trace as a function.
    (*table)[{100, 4}] = NativeCode{[](Interpreter& in, Object*, const Args& args) -> Value {
        in.trace(arg(args, 0));
        return Value();
    }, {}};

    Object* g = in.global();
    // ASnative and ASconstructor come before the Function class in the
    // player: they link to no prototype and name no constructor.
    auto unlinked = [&](const char* name, NativeFunction code) {
        Object* fn = in.newFunctionObject(nullptr);
        fn->setNative(std::move(code));
        g->put(name, fn, PropertyFlag::DontEnum);
    };
    unlinked("ASnative", [table](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.size() != 2)
            return Value();
        const Key key = keyOf(in, args[0], args[1]);
        if (in.throwing() || !codeFor(in, table, key))
            return Value();
        return nativeFunction(in, table, key);
    });
    // ASSetNative(o, a, "m1,m2", b): o.m1 = ASnative(a, b), o.m2 = ASnative(a, b + 1), ...
    // An empty name takes its number and sets nothing.
    in.defineMethod(g, "ASSetNative", [table](Interpreter& in, Object*, const Args& args) -> Value {
        Object* o = arg(args, 0).asObject();
        if (!o || args.size() < 3)
            return Value();
        Key key = keyOf(in, args[1], args.size() > 3 ? args[3] : Value(0.0));
        if (in.throwing())
            return Value();
        for (const NativeName& n : nativeNames(in, args[2])) {
            if (!n.name.empty())
                putNativeMember(o, n, nativeFunction(in, table, key), nullptr);
            key.second = numberAfter(key.second, 1);
        }
        return Value();
    });
    // The same with a getter and a setter for each name, numbered in turn.
    in.defineMethod(g, "ASSetNativeAccessor", [table](Interpreter& in, Object*, const Args& args) -> Value {
        Object* o = arg(args, 0).asObject();
        if (!o || args.size() < 3)
            return Value();
        Key key = keyOf(in, args[1], args.size() > 3 ? args[3] : Value(0.0));
        if (in.throwing())
            return Value();
        for (const NativeName& n : nativeNames(in, args[2])) {
            if (!n.name.empty())
                putNativeMember(o, n, nativeFunction(in, table, key), nativeFunction(in, table, {key.first, numberAfter(key.second, 1)}));
            key.second = numberAfter(key.second, 2);
        }
        return Value();
    });
    // ASconstructor(a, b): a class whose instances the native code makes.
    unlinked("ASconstructor", [table](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.size() < 2)
            return Value();
        const Key key = keyOf(in, args[0], args[1]);
        if (in.throwing() || !codeFor(in, table, key))
            return Value();
        Object* ctor = nativeFunction(in, table, key);
        Object* proto = in.newObject();
        proto->put("constructor", ctor, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        ctor->put("prototype", proto, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        return ctor;
    });
}

} // namespace swf::script
