#pragma once

// A script value: undefined, null, boolean, number, string or object.
// Strings hold bytes: UTF-8 from SWF 6 on, the movie's 8-bit text before.
// Conversions that may call script (valueOf, toString) live on the
// Interpreter; the ones here are the pure, primitive parts.

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

namespace swf::script {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The global NaN is a value of its own: the original player compares two
// NaNs equal only when they are the same stored number, so a NaN read from
// the global equals itself and its copies but not the NaN an arithmetic
// operation or a failed conversion makes. Its payload keeps it apart.
inline constexpr double kGlobalNaN = std::bit_cast<double>(std::bit_cast<std::uint64_t>(kNaN) | 1u);

class Object;

enum class ValueType : std::uint8_t { Undefined, Null, Boolean, Number, String, Object };

class Value {
public:
    Value() = default;
    Value(bool b) : m_type(ValueType::Boolean), m_bool(b) {}
    Value(double n) : m_type(ValueType::Number), m_number(n) {}
    Value(int n) : m_type(ValueType::Number), m_number(n) {}
    Value(const char* s) : m_type(ValueType::String), m_string(s) {}
    Value(std::string s) : m_type(ValueType::String), m_string(std::move(s)) {}
    // A null object pointer makes undefined, never a dangling object value.
    Value(Object* o) : m_type(o ? ValueType::Object : ValueType::Undefined), m_object(o) {}

    static Value null()
    {
        Value v;
        v.m_type = ValueType::Null;
        return v;
    }

    ValueType type() const { return m_type; }
    bool isUndefined() const { return m_type == ValueType::Undefined; }
    bool isNull() const { return m_type == ValueType::Null; }
    bool isNullish() const { return m_type == ValueType::Undefined || m_type == ValueType::Null; }
    bool isBoolean() const { return m_type == ValueType::Boolean; }
    bool isNumber() const { return m_type == ValueType::Number; }
    bool isString() const { return m_type == ValueType::String; }
    bool isObject() const { return m_type == ValueType::Object; }
    bool isPrimitive() const { return m_type != ValueType::Object; }

    bool asBool() const { return m_bool; }
    double asNumber() const { return m_number; }
    const std::string& asString() const { return m_string; }
    Object* asObject() const { return m_type == ValueType::Object ? m_object : nullptr; }

private:
    ValueType m_type = ValueType::Undefined;
    bool m_bool = false;
    double m_number = 0;
    std::string m_string;
    Object* m_object = nullptr;
};

// Numbers print with 15 significant digits, in exponent form from 1e+15 up
// and below 1e-5; -0 prints as "0".
std::string numberToString(double n);
// Number(string): decimal, hexadecimal "0x..." and octal "0..." (from SWF 6)
// and exponents; anything else is NaN. Before SWF 7 the empty string is 0.
// SWF 4 takes the number a string begins with, 0 when there is none.
double stringToNumber(const std::string& s, int swfVersion);
// Primitive conversions (an object here is the caller's business).
double primitiveToNumber(const Value& v, int swfVersion);
std::string primitiveToString(const Value& v, int swfVersion);
bool toBoolean(const Value& v, int swfVersion);

// ECMA ToInt32 / ToUint32 on a number.
std::int32_t toInt32(double n);
std::uint32_t toUint32(double n);
// Truncation toward zero; NaN becomes 0.
double toInteger(double n);
// Truncated and saturated to the range of int (NaN becomes 0): for numbers a
// script gives where the player keeps an int, such as depths.
int saturatedInt(double n);
// A 1-based frame number as a 0-based frame index: truncated and wrapped to
// 32 bits as the player did (frame 4294967299 is frame 3).
int frameIndex(double frameNumber);

// Strict equality without conversion (numbers by value, objects by identity).
bool strictEquals(const Value& a, const Value& b);

const char* typeName(ValueType type);

} // namespace swf::script
