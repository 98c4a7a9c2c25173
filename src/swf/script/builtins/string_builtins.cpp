// String: methods index bytes before SWF 6 and characters from SWF 6 on.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/member_flags.h"
#include "swf/script/builtins/object_string.h"
#include "swf/script/string_util.h"


#include <cmath>
#include <memory>
#include <unordered_set>

namespace swf::script {

namespace {

std::string thisString(Interpreter& in, Object* self)
{
    if (self && self->objectClass() == ObjectClass::String && self->primitive.isString())
        return self->primitive.asString();
    return self ? in.toString(Value(self)) : std::string();
}

// An integer argument, with a fallback for undefined. Positions and lengths
// are 32-bit integers in the original player: Infinity and NaN are 0.
double intArg(Interpreter& in, const Args& args, std::size_t i, double fallback)
{
    if (i >= args.size() || args[i].isUndefined())
        return fallback;
    return double(toInt32(in.toNumber(args[i])));
}

// A string's characters (bytes before SWF 6), four bytes each: nothing when
// the memory budget has no room for them.
std::vector<std::uint32_t> unitsOf(Interpreter& in, const std::string& s)
{
    if (!in.reserveMemory(s.size() * sizeof(std::uint32_t)))
        return {};
    return stringUnits(s, in.swfVersion());
}

std::size_t clampIndex(double n, std::size_t size) { return std::size_t(std::max(0.0, std::min(n, double(size)))); }

std::size_t find(const std::vector<std::uint32_t>& hay, const std::vector<std::uint32_t>& needle, std::size_t from)
{
    if (needle.size() > hay.size())
        return std::string::npos;
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        if (std::equal(needle.begin(), needle.end(), hay.begin() + std::ptrdiff_t(i)))
            return i;
    }
    return std::string::npos;
}

std::string changeCase(Interpreter& in, Object* self, bool upper)
{
    std::string s = thisString(in, self);
    if (in.swfVersion() < 6)
        return upper ? asciiUpper(s) : asciiLower(s);
    std::vector<std::uint32_t> units = unitsOf(in, s);
    for (std::uint32_t& u : units)
        u = caseMappedUnit(u, upper);
    return joinUnits(units, 0, units.size(), in.swfVersion());
}

} // namespace

void installString(Interpreter& in)
{
    Object* proto = in.newObject();
    auto construct = [](Interpreter& in, Object* self, const Args& args) -> Value {
        std::string s = args.empty() ? std::string() : in.toString(args[0]);
        self->setObjectClass(ObjectClass::String);
        self->primitive = s;
        // A String object's length can be assigned; its characters stay.
        self->put("length", double(stringLength(s, in.swfVersion())), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        return self;
    };
    Object* ctor = makeConstructor(
        in, "String",
        [](Interpreter& in, Object*, const Args& args) -> Value { return args.empty() ? std::string() : in.toString(args[0]); },
        construct, proto);

    in.defineMethod(ctor, "fromCharCode", [](Interpreter& in, Object*, const Args& args) -> Value {
        std::string out;
        // From SWF 6 the codes are UTF-16 units: two halves of a pair make one character.
        std::vector<std::uint32_t> units;
        for (const Value& v : args) {
            std::uint32_t c = toUint32(in.toNumber(v)) & 0xFFFF;
            if (c == 0)
                break;
            if (in.swfVersion() < 6 && c > 0xFF) {
                // A double-byte character: its high byte, then its low byte;
                // a zero low byte ends the string there.
                out += char(c >> 8);
                if (!(c & 0xFF))
                    break;
                out += char(c & 0xFF);
                continue;
            }
            if (in.swfVersion() >= 6)
                units.push_back(c);
            else
                out += unitToString(c, in.swfVersion());
        }
        return in.swfVersion() >= 6 ? joinUnits(units, 0, units.size(), in.swfVersion()) : out;
    });
    // On anything but a String object these give the object's string (a
    // clip's path, a Boolean's word). An object whose own toString is this
    // one (String.prototype itself) would come straight back here: asked
    // again while it is being converted, it answers as Object.prototype.toString.
    auto converting = std::make_shared<std::unordered_set<Object*>>();
    auto primitive = [converting](Interpreter& in, Object* self, const Args&) -> Value {
        if (!self)
            return std::string();
        if (self->objectClass() == ObjectClass::String)
            return self->primitive;
        if (!converting->insert(self).second)
            return Value(self->isFunction() ? "[type Function]" : "[object Object]");
        std::string s = thisString(in, self);
        converting->erase(self);
        return s;
    };
    in.defineMethod(proto, "toString", primitive);
    in.defineMethod(proto, "valueOf", primitive);
    in.defineMethod(proto, "charAt", [](Interpreter& in, Object* self, const Args& args) -> Value {
        auto units = unitsOf(in, thisString(in, self));
        double i = intArg(in, args, 0, 0);
        if (i < 0 || i >= double(units.size()))
            return std::string();
        return unitToString(units[std::size_t(i)], in.swfVersion());
    });
    in.defineMethod(proto, "charCodeAt", [](Interpreter& in, Object* self, const Args& args) -> Value {
        auto units = unitsOf(in, thisString(in, self));
        double i = intArg(in, args, 0, 0);
        // Before SWF 6 an index past the end reads the terminating zero.
        if (in.swfVersion() < 6 && i >= double(units.size()))
            return 0.0;
        if (i < 0 || i >= double(units.size()))
            return std::nan("");
        return double(units[std::size_t(i)]);
    });
    in.defineMethod(proto, "concat", [](Interpreter& in, Object* self, const Args& args) -> Value {
        std::string s = thisString(in, self);
        for (const Value& v : args) {
            const std::string more = objectAwareString(in, v);
            if (!in.reserveMemory(s.size() + more.size()))
                return Value();
            s += more;
        }
        return s;
    });
    in.defineMethod(proto, "indexOf", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty())
            return Value();
        auto units = unitsOf(in, thisString(in, self));
        auto needle = unitsOf(in, in.toString(arg(args, 0)));
        double from = intArg(in, args, 1, 0);
        if (from > double(units.size()))
            return -1.0;
        std::size_t at = find(units, needle, clampIndex(from, units.size()));
        return at == std::string::npos ? -1.0 : double(at);
    });
    in.defineMethod(proto, "lastIndexOf", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty())
            return Value();
        auto units = unitsOf(in, thisString(in, self));
        auto needle = unitsOf(in, in.toString(arg(args, 0)));
        double from = intArg(in, args, 1, double(units.size()));
        if (from < 0 || needle.size() > units.size())
            return -1.0;
        std::size_t start = std::min(clampIndex(from, units.size()), units.size() - needle.size());
        for (std::size_t i = start + 1; i-- > 0;) {
            if (std::equal(needle.begin(), needle.end(), units.begin() + std::ptrdiff_t(i)))
                return double(i);
        }
        return -1.0;
    });
    in.defineMethod(proto, "slice", [](Interpreter& in, Object* self, const Args& args) -> Value {
        // Without a start there is no slice at all.
        if (args.empty())
            return Value();
        auto units = unitsOf(in, thisString(in, self));
        const double size = double(units.size());
        double b = intArg(in, args, 0, 0), e = intArg(in, args, 1, size);
        if (b < 0)
            b += size;
        if (e < 0)
            e += size;
        std::size_t bi = clampIndex(b, units.size()), ei = clampIndex(e, units.size());
        return bi < ei ? joinUnits(units, bi, ei, in.swfVersion()) : std::string();
    });
    in.defineMethod(proto, "substring", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty())
            return Value();
        auto units = unitsOf(in, thisString(in, self));
        std::size_t b = clampIndex(intArg(in, args, 0, 0), units.size());
        // A start at or past the end gives nothing, whatever the end.
        if (b >= units.size())
            return std::string();
        std::size_t e = clampIndex(intArg(in, args, 1, double(units.size())), units.size());
        if (b > e)
            std::swap(b, e);
        return joinUnits(units, b, e, in.swfVersion());
    });
    in.defineMethod(proto, "substr", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty())
            return Value();
        auto units = unitsOf(in, thisString(in, self));
        const double size = double(units.size());
        double b = intArg(in, args, 0, 0);
        if (b < 0)
            b = std::max(0.0, b + size);
        double len = intArg(in, args, 1, size);
        if (len < 0) {
            // A negative length counts from the end, and then may not reach it.
            len += size;
            if (b + len >= size)
                return std::string();
        }
        std::size_t bi = clampIndex(b, units.size());
        std::size_t ei = clampIndex(b + len, units.size());
        return bi < ei ? joinUnits(units, bi, ei, in.swfVersion()) : std::string();
    });
    in.defineMethod(proto, "split", [](Interpreter& in, Object* self, const Args& args) -> Value {
        std::string s = thisString(in, self);
        std::vector<Value> parts;
        // A given limit counts as a 32-bit integer: Infinity and NaN are 0.
        double limit = args.size() > 1 && !args[1].isUndefined() ? double(toInt32(in.toNumber(args[1]))) : 4294967295.0;
        const int version = in.swfVersion();
        auto sep = args.empty() || args[0].isUndefined() ? std::vector<std::uint32_t>() : unitsOf(in, in.toString(args[0]));
        if (args.empty() || args[0].isUndefined()) {
            // No separator: the whole string, whatever the limit from SWF 6;
            // before, a limit still applies.
            if (version >= 6 || limit >= 1)
                parts.push_back(s);
            return in.newArray(parts);
        }
        if (sep.empty() && version < 6) {
            // Before SWF 6 an empty separator gives the whole string,
            // whatever the limit.
            return in.newArray({Value(s)});
        }
        if (sep.size() > 1 && version < 6) {
            // Nor does a longer one separate: the whole string, limited.
            parts.push_back(s);
        } else if (s.empty() && version >= 6) {
            // From SWF 6 an empty string splits to nothing by "" and to one
            // empty string by anything else, whatever the limit.
            if (!sep.empty())
                parts.push_back(std::string());
            return in.newArray(parts);
        } else {
            auto units = unitsOf(in, s);
            // Each part costs a value of its own besides its characters.
            auto add = [&](std::string part) {
                if (!in.reserveMemory(sizeof(Value) + part.size()))
                    return false;
                parts.push_back(std::move(part));
                return true;
            };
            if (sep.empty()) {
                for (std::uint32_t u : units) {
                    if (!add(unitToString(u, version)))
                        break;
                }
            } else {
                std::size_t start = 0;
                while (!in.aborted()) {
                    std::size_t at = find(units, sep, start);
                    if (at == std::string::npos) {
                        add(joinUnits(units, start, units.size(), version));
                        break;
                    }
                    if (!add(joinUnits(units, start, at, version)))
                        break;
                    start = at + sep.size();
                }
            }
        }
        if (!(limit >= 0))
            limit = 0;
        if (double(parts.size()) > limit)
            parts.resize(std::size_t(limit));
        return in.newArray(parts);
    });
    in.defineMethod(proto, "toLowerCase", [](Interpreter& in, Object* self, const Args&) -> Value {
        return changeCase(in, self, false);
    });
    in.defineMethod(proto, "toUpperCase", [](Interpreter& in, Object* self, const Args&) -> Value {
        return changeCase(in, self, true);
    });
    setAllMemberFlags(proto, kMemberFlags);
    setMemberFlags(ctor, {"fromCharCode"}, kMemberFlags);
}

} // namespace swf::script
