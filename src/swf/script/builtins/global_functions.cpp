// Functions of the global scope: parseInt, parseFloat, isNaN, isFinite,
// escape, unescape, the timers, and the NaN / Infinity constants.

#include "swf/script/builtins/builtins.h"
#include "swf/script/string_util.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace swf::script {

namespace {


int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isHexPrefix(const std::string& s, std::size_t i) { return i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X'); }

// The original player's parseInt. A radix given must be a number from 2 to
// 36 (one that reads as 0 or NaN gives NaN too); without one, "0x" means
// hexadecimal and a leading zero octal (after an unspaced sign, when all
// the rest is octal digits). "0x" counts only at the very start, where white
// space and a sign may follow it. A sign right before "0x" makes NaN without
// a radix; with one, the sign is dropped and the digits start at the "x".
// Elsewhere white space, a sign and the digits.
double parseInt(const std::string& s, std::optional<double> radixArg)
{
    int radix = 0;
    if (radixArg) {
        if (std::isnan(*radixArg))
            return kNaN;
        radix = int(*radixArg);
        if (radix < 2 || radix > 36)
            return kNaN;
    }
    std::size_t i = 0;
    bool negative = false;
    if (isHexPrefix(s, 0)) {
        i = 2;
        if (radix == 0)
            radix = 16;
        while (i < s.size() && isSpace(s[i]))
            ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            negative = s[i++] == '-';
    } else if (!s.empty() && (s[0] == '-' || s[0] == '+') && isHexPrefix(s, 1)) {
        if (radix == 0)
            return kNaN;
        i = 2;
    } else {
        if (radix == 0) {
            radix = 10;
            const std::size_t zero = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
            if (zero + 1 < s.size() && s[zero] == '0') {
                bool octal = true;
                for (std::size_t j = zero + 1; j < s.size(); ++j)
                    octal = octal && s[j] >= '0' && s[j] < '8';
                if (octal)
                    radix = 8;
            }
        }
        while (i < s.size() && isSpace(s[i]))
            ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            negative = s[i++] == '-';
    }
    double v = 0;
    std::size_t start = i;
    for (; i < s.size() && digitValue(s[i]) < radix; ++i)
        v = v * radix + digitValue(s[i]);
    if (i == start)
        return kNaN;
    return negative ? -v : v;
}

// The string a parse function reads: a String object's own characters
// (whatever its toString says); an object whose toString gives no string
// has nothing to parse.
bool parseArgument(Interpreter& in, const Args& args, std::string& out)
{
    const Value v = arg(args, 0);
    if (!v.isObject()) {
        out = in.toString(v);
        return true;
    }
    if (v.asObject()->objectClass() == ObjectClass::String && v.asObject()->primitive.isString()) {
        out = v.asObject()->primitive.asString();
        return true;
    }
    const Value s = in.callMethod(v, "toString", {});
    if (!s.isString())
        return false;
    out = s.asString();
    return true;
}

double parseFloat(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    std::size_t j = i;
    if (j < s.size() && (s[j] == '-' || s[j] == '+'))
        ++j;
    std::size_t digits = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9')
        ++j;
    bool any = j > digits;
    if (j < s.size() && s[j] == '.') {
        std::size_t f = ++j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            ++j;
        any = any || j > f;
    }
    if (!any)
        return kNaN;
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < s.size() && (s[k] == '-' || s[k] == '+'))
            ++k;
        std::size_t e = k;
        while (k < s.size() && s[k] >= '0' && s[k] <= '9')
            ++k;
        if (k > e)
            j = k;
    }
    return std::strtod(s.substr(i, j - i).c_str(), nullptr);
}

int hexValue(char c)
{
    int d = digitValue(c);
    return d < 16 ? d : -1;
}

// "+" is a space; a broken "%" sequence drops the "%" with the characters
// up to the first that is no hex digit; a decoded zero byte ends the string.
std::string unescapeBytes(const std::string& s, bool& endedByZero)
{
    endedByZero = false;
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] != '%') {
            out += s[i];
        } else if (i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            const char c = char(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            if (c == 0) {
                endedByZero = true;
                break;
            }
            out += c;
            i += 2;
        } else {
            i += i + 1 < s.size() && hexValue(s[i + 1]) >= 0 ? 2 : 1;
        }
    }
    return out;
}

// From SWF 6 unescaped bytes are read as UTF-8 the way the original player
// does: a lone continuation byte is that Latin-1 character, a broken
// sequence becomes U+FFFD with the bytes it claimed, a lead byte without
// room for its sequence or a byte from 0xF8 up ends the string.
std::string repairUtf8(const std::string& s)
{
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            out += char(c);
            ++i;
        } else if (c < 0xC0) {
            out += encodeUtf8(c);
            ++i;
        } else if (c >= 0xF8) {
            break;
        } else {
            const std::size_t extra = c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
            if (i + extra >= s.size())
                break;
            bool valid = true;
            for (std::size_t k = 1; k <= extra; ++k)
                valid = valid && (p[i + k] & 0xC0) == 0x80;
            out += valid ? s.substr(i, extra + 1) : encodeUtf8(0xFFFD);
            i += extra + 1;
        }
    }
    return out;
}

// setInterval(function, ms, args...) or setInterval(object, "method", ms, args...).
Value startTimer(Interpreter& in, const Args& args, bool repeat)
{
    if (args.empty())
        return Value();
    Object* first = args[0].asObject();
    if (!first)
        return Value();
    std::size_t at = 1;
    Value function;
    std::string method;
    Object* thisObject = nullptr;
    // A timer needs an interval: any value but undefined (null counts as
    // none). An object's method is named by a string, or by the text of null
    // or of an object; other values name none.
    if (first->isFunction()) {
        function = first;
    } else {
        if (args.size() < 2 || !(args[1].isString() || args[1].isNull() || args[1].isObject()))
            return Value();
        thisObject = first;
        method = in.toString(args[1]);
        at = 2;
    }
    if (at >= args.size() || args[at].isUndefined())
        return Value();
    double interval = in.toNumber(args[at]);
    std::vector<Value> rest(args.size() > at + 1 ? args.begin() + std::ptrdiff_t(at + 1) : args.end(), args.end());
    return double(in.addTimer(thisObject, function, method, rest, std::isfinite(interval) ? interval : 0, repeat));
}

} // namespace

double parseIntText(const std::string& s) { return parseInt(s, std::nullopt); }

void installGlobalFunctions(Interpreter& in)
{
    Object* g = in.global();
    g->put("NaN", kGlobalNaN, PropertyFlag::DontEnum);
    // The original player's globals include an `o` that holds null.
    g->put("o", Value::null(), PropertyFlag::DontEnum);
    g->put("Infinity", std::numeric_limits<double>::infinity(), PropertyFlag::DontEnum);
    in.defineMethod(g, "parseInt", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value();
        std::string s;
        if (!parseArgument(in, args, s))
            return kNaN;
        return parseInt(s, args.size() > 1 ? std::optional<double>(in.toNumber(args[1])) : std::nullopt);
    });
    in.defineMethod(g, "parseFloat", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value();
        std::string s;
        return parseArgument(in, args, s) ? parseFloat(s) : kNaN;
    });
    // Without an argument there is no number at all (undefined itself is 0 before SWF 7).
    auto argumentNumber = [](Interpreter& in, const Args& args) {
        return args.empty() ? std::numeric_limits<double>::quiet_NaN() : numberArgument(in, args[0]);
    };
    in.defineMethod(g, "isNaN", [argumentNumber](Interpreter& in, Object*, const Args& args) -> Value { return std::isnan(argumentNumber(in, args)); });
    in.defineMethod(g, "isFinite", [argumentNumber](Interpreter& in, Object*, const Args& args) -> Value { return std::isfinite(argumentNumber(in, args)); });
    in.defineMethod(g, "fscommand", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (Object* clip = in.runningClip())
            in.host().getUrl(clip, "FSCommand:" + (args.empty() ? std::string() : in.toString(args[0])),
                             args.size() > 1 ? in.toString(args[1]) : std::string(), 0, false, false);
        return Value();
    });
    in.defineMethod(g, "escape", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value();
        return percentEncode(in.toString(args[0]));
    });
    in.defineMethod(g, "unescape", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return Value();
        bool endedByZero = false;
        const std::string bytes = unescapeBytes(in.toString(args[0]), endedByZero);
        // Before SWF 6 nothing left is undefined, unless a zero byte ended it.
        if (bytes.empty() && !endedByZero && in.swfVersion() < 6)
            return Value();
        return in.swfVersion() >= 6 ? repairUtf8(bytes) : bytes;
    });
    in.defineMethod(g, "setInterval", [](Interpreter& in, Object*, const Args& args) -> Value { return startTimer(in, args, true); });
    in.defineMethod(g, "setTimeout", [](Interpreter& in, Object*, const Args& args) -> Value { return startTimer(in, args, false); });
    auto clear = [](Interpreter& in, Object*, const Args& args) -> Value {
        if (!args.empty())
            in.removeTimer(int(toInteger(in.toNumber(args[0]))));
        return Value();
    };
    in.defineMethod(g, "clearInterval", clear);
    in.defineMethod(g, "clearTimeout", clear);
    // The stage is drawn after every event anyway.
    in.defineMethod(g, "updateAfterEvent", [](Interpreter&, Object*, const Args&) -> Value { return Value(); });
}

} // namespace swf::script
