#include "swf/script/value.h"

#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace swf::script {

std::string numberToString(double n)
{
    if (std::isnan(n))
        return "NaN";
    if (std::isinf(n))
        return n > 0 ? "Infinity" : "-Infinity";
    if (n == 0)
        return "0";
    // 15 significant digits, rounded half up from the exact decimal
    // expansion (the original player rounds 4096.000244140625 up), then
    // trailing zeros dropped.
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.40e", n);
    std::string text(buf);
    const std::size_t ePos = text.find('e');
    int exponent = std::atoi(text.c_str() + ePos + 1);
    const bool negative = text[0] == '-';
    std::string all;
    for (std::size_t i = negative ? 1 : 0; i < ePos; ++i) {
        if (text[i] != '.')
            all += text[i];
    }
    std::string digits = all.substr(0, 15);
    if (all.size() > 15 && all[15] >= '5') {
        std::string up = digits;
        int upExponent = exponent;
        int i = 14;
        while (i >= 0 && up[std::size_t(i)] == '9')
            up[std::size_t(i--)] = '0';
        if (i < 0) {
            up.insert(up.begin(), '1');
            up.pop_back();
            ++upExponent;
        } else {
            ++up[std::size_t(i)];
        }
        // Rounding up never leads past the largest number: the digits must
        // still read back as a finite number.
        const std::string readBack = up + "e" + std::to_string(upExponent - 14);
        if (upExponent < 308 || !std::isinf(std::strtod(readBack.c_str(), nullptr))) {
            digits = up;
            exponent = upExponent;
        }
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += exponent < 0 ? "e-" : "e+";
        out += std::to_string(std::abs(exponent));
    } else if (exponent < 0) {
        out += "0.";
        out.append(std::size_t(-exponent - 1), '0');
        out += digits;
    } else {
        const std::size_t intDigits = std::size_t(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, intDigits);
            out += '.';
            out += digits.substr(intDigits);
        }
    }
    return out;
}

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// SWF 4 reads the longest decimal number the string begins with (after white
// space) and ignores the rest: "100ABC" is 100, a string without one is 0.
double leadingNumber(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    const std::size_t start = i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        ++i;
    const std::size_t digits = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i;
    bool any = i > digits;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
        any = any || i > fraction;
    }
    if (!any)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < s.size() && (s[k] == '-' || s[k] == '+'))
            ++k;
        const std::size_t exponent = k;
        while (k < s.size() && s[k] >= '0' && s[k] <= '9')
            ++k;
        if (k > exponent)
            i = k;
    }
    return std::strtod(std::string(s, start, i - start).c_str(), nullptr);
}

} // namespace

double stringToNumber(const std::string& s, int swfVersion)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Empty text is no number from SWF 5 on; SWF 4 reads it as 0.
    if (s.empty())
        return swfVersion < 5 ? 0 : nan;
    if (swfVersion < 5)
        return leadingNumber(s);
    // Hexadecimal and octal forms count only without leading white space.
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '-' || s[i] == '+') {
        negative = s[i] == '-';
        ++i;
    }
    // Before SWF 6 numbers are decimal only: "0x10" is NaN, "010" is 10.
    const bool radixForms = swfVersion >= 6;
    if (radixForms && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        // A sign goes after the prefix only: "-0x10" is no number.
        if (i > 0)
            return nan;
        double v = 0;
        std::size_t j = i + 2;
        // The sign may also follow the prefix: "0x-10" is -16.
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) {
            negative = negative != (s[j] == '-');
            ++j;
        }
        if (j == s.size())
            return nan;
        for (; j < s.size(); ++j) {
            int d = hexDigitValue(s[j]);
            if (d < 0)
                return nan;
            v = v * 16 + d;
        }
        return negative ? -v : v;
    }
    if (radixForms && i < s.size() && s[i] == '0' && s.size() > i + 1) {
        bool octal = true;
        for (std::size_t j = i + 1; j < s.size(); ++j)
            octal = octal && s[j] >= '0' && s[j] <= '7';
        if (octal) {
            double v = 0;
            for (std::size_t j = i + 1; j < s.size(); ++j)
                v = v * 8 + (s[j] - '0');
            return negative ? -v : v;
        }
    }
    i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    if (i == s.size())
        return nan;
    // Plain decimal: sign, digits, fraction, exponent, and nothing after.
    std::size_t j = i;
    if (s[j] == '-' || s[j] == '+')
        ++j;
    std::size_t digitsStart = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9')
        ++j;
    bool anyDigits = j > digitsStart;
    if (j < s.size() && s[j] == '.') {
        ++j;
        std::size_t frac = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            ++j;
        anyDigits = anyDigits || j > frac;
    }
    if (!anyDigits)
        return nan;
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < s.size() && (s[k] == '-' || s[k] == '+'))
            ++k;
        std::size_t expDigits = k;
        while (k < s.size() && s[k] >= '0' && s[k] <= '9')
            ++k;
        if (k == expDigits)
            return nan;
        j = k;
    }
    if (j != s.size())
        return nan;
    return std::strtod(s.c_str() + i, nullptr);
}

double primitiveToNumber(const Value& v, int swfVersion)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    switch (v.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return swfVersion >= 7 ? nan : 0;
    case ValueType::Boolean:
        return v.asBool() ? 1 : 0;
    case ValueType::Number:
        return v.asNumber();
    case ValueType::String:
        return stringToNumber(v.asString(), swfVersion);
    case ValueType::Object:
        return nan;
    }
    return nan;
}

std::string primitiveToString(const Value& v, int swfVersion)
{
    switch (v.type()) {
    case ValueType::Undefined:
        return swfVersion >= 7 ? "undefined" : "";
    case ValueType::Null:
        return "null";
    case ValueType::Boolean:
        if (swfVersion < 5)
            return v.asBool() ? "1" : "0";
        return v.asBool() ? "true" : "false";
    case ValueType::Number:
        return numberToString(v.asNumber());
    case ValueType::String:
        return v.asString();
    case ValueType::Object:
        return "[object Object]";
    }
    return {};
}

bool toBoolean(const Value& v, int swfVersion)
{
    switch (v.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return false;
    case ValueType::Boolean:
        return v.asBool();
    case ValueType::Number:
        return !std::isnan(v.asNumber()) && v.asNumber() != 0;
    case ValueType::String:
        // Before SWF 7 a string is true when it reads as a non-zero number.
        if (swfVersion >= 7)
            return !v.asString().empty();
        else {
            double n = stringToNumber(v.asString(), swfVersion);
            return !std::isnan(n) && n != 0;
        }
    case ValueType::Object:
        return true;
    }
    return false;
}

std::int32_t toInt32(double n)
{
    if (!std::isfinite(n))
        return 0;
    double t = std::fmod(std::trunc(n), 4294967296.0);
    if (t < 0)
        t += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(t));
}

std::uint32_t toUint32(double n) { return static_cast<std::uint32_t>(toInt32(n)); }

int saturatedInt(double n)
{
    return int(std::clamp(toInteger(n), double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

int frameIndex(double frameNumber)
{
    return toInt32(toInteger(frameNumber) - 1);
}

double toInteger(double n)
{
    if (std::isnan(n))
        return 0;
    return std::trunc(n);
}

bool strictEquals(const Value& a, const Value& b)
{
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return true;
    case ValueType::Boolean:
        return a.asBool() == b.asBool();
    case ValueType::Number:
        // NaNs are equal when they are the same stored number (see kGlobalNaN).
        return a.asNumber() == b.asNumber()
            || (std::isnan(a.asNumber()) && std::bit_cast<std::uint64_t>(a.asNumber()) == std::bit_cast<std::uint64_t>(b.asNumber()));
    case ValueType::String:
        return a.asString() == b.asString();
    case ValueType::Object:
        return a.asObject() == b.asObject();
    }
    return false;
}

const char* typeName(ValueType type)
{
    switch (type) {
    case ValueType::Undefined:
        return "undefined";
    case ValueType::Null:
        return "null";
    case ValueType::Boolean:
        return "boolean";
    case ValueType::Number:
        return "number";
    case ValueType::String:
        return "string";
    case ValueType::Object:
        return "object";
    }
    return "undefined";
}

} // namespace swf::script
