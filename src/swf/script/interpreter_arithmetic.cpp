// Actions on numbers: arithmetic, comparisons, bits, conversions and typeof.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <cmath>
#include <limits>
#include <optional>

namespace swf::script {

bool Interpreter::stepArithmetic(Frame& f, const Action& a)
{
    const int v = f.version;
    switch (a.code) {
    // Arithmetic, SWF 4 style.
    case ActionCode::Add: {
        const auto [x, b] = popOperands(f);
        push(f, x + b);
        break;
    }
    // Subtract and Divide convert the top operand first, Add and Multiply
    // the deeper one.
    case ActionCode::Subtract: {
        const double b = toNumber(pop(f));
        const double x = toNumber(pop(f));
        push(f, x - b);
        break;
    }
    case ActionCode::Multiply: {
        const auto [x, b] = popOperands(f);
        push(f, x * b);
        break;
    }
    case ActionCode::Divide: {
        const double b = toNumber(pop(f));
        const double x = toNumber(pop(f));
        if (b == 0 && v < 5)
            push(f, Value("#ERROR#"));
        else
            push(f, x / b);
        break;
    }
    case ActionCode::Equals: {
        // Unlike the other SWF 4 operations, the top operand converts first.
        const double b = toNumber(pop(f));
        const double x = toNumber(pop(f));
        push(f, legacyBool(x == b, v));
        break;
    }
    case ActionCode::Less: {
        // The empty string is NaN here, whatever the version.
        auto number = [&](const Value& x) {
            const Value p = toPrimitive(x, 1);
            if (p.isObject() || (p.isString() && p.asString().empty()))
                return std::numeric_limits<double>::quiet_NaN();
            return toNumber(p);
        };
        // The deeper operand converts first, as in the other SWF 4 operations.
        const Value second = pop(f);
        const double x = number(pop(f));
        push(f, legacyBool(x < number(second), v));
        break;
    }
    case ActionCode::And: {
        bool b = toBoolean(pop(f)), x = toBoolean(pop(f));
        push(f, legacyBool(x && b, v));
        break;
    }
    case ActionCode::Or: {
        bool b = toBoolean(pop(f)), x = toBoolean(pop(f));
        push(f, legacyBool(x || b, v));
        break;
    }
    case ActionCode::Not:
        push(f, legacyBool(!toBoolean(pop(f)), v));
        break;
    case ActionCode::ToInteger: {
        // Wraps to a 32-bit integer in every version.
        push(f, double(toInt32(toNumber(pop(f)))));
        break;
    }

    // Typed operations of SWF 5 on.
    case ActionCode::Add2: {
        const Value b = pop(f);
        const Value x = pop(f);
        push(f, add(x, b));
        break;
    }
    case ActionCode::Less2: {
        Value b = pop(f), x = pop(f);
        push(f, lessThan(x, b));
        break;
    }
    case ActionCode::Greater: {
        Value b = pop(f), x = pop(f);
        push(f, lessThan(b, x));
        break;
    }
    case ActionCode::Equals2: {
        Value b = pop(f), x = pop(f);
        push(f, legacyBool(looseEquals(x, b), v));
        break;
    }
    case ActionCode::StrictEquals: {
        Value b = pop(f), x = pop(f);
        push(f, strictlyEqual(x, b));
        break;
    }
    case ActionCode::Modulo: {
        double b = toNumber(pop(f)), x = toNumber(pop(f));
        push(f, std::fmod(x, b));
        break;
    }
    case ActionCode::BitAnd:
    case ActionCode::BitOr:
    case ActionCode::BitXor:
    case ActionCode::BitLShift:
    case ActionCode::BitRShift:
    case ActionCode::BitURShift: {
        std::int32_t b = toInt32(toNumber(pop(f)));
        std::int32_t x = toInt32(toNumber(pop(f)));
        const unsigned shift = unsigned(b) & 31;
        double r = 0;
        switch (a.code) {
        case ActionCode::BitAnd: r = x & b; break;
        case ActionCode::BitOr: r = x | b; break;
        case ActionCode::BitXor: r = x ^ b; break;
        case ActionCode::BitLShift: r = std::int32_t(std::uint32_t(x) << shift); break;
        case ActionCode::BitRShift: r = x >> shift; break;
        // The unsigned result is kept as a signed 32-bit number: only a
        // shift by 0 (mod 32) shows it, 4294967295 >>> 0 is -1.
        default: r = std::int32_t(std::uint32_t(x) >> shift); break;
        }
        push(f, r);
        break;
    }
    case ActionCode::Increment:
        push(f, toNumber(pop(f)) + 1);
        break;
    case ActionCode::Decrement:
        push(f, toNumber(pop(f)) - 1);
        break;
    case ActionCode::ToNumber:
        push(f, toNumber(pop(f)));
        break;
    case ActionCode::ToString:
        push(f, toString(pop(f)));
        break;
    case ActionCode::TypeOf: {
        Value x = pop(f);
        const char* type = typeName(x.type());
        if (Object* o = x.asObject()) {
            // A display object's reference whose path leads nowhere is still
            // a clip's reference; one that leads on has the type of what it
            // finds there.
            if (o->objectClass() == ObjectClass::Clip || o->hostData)
                o = liveClip(o);
            if (!o || o->objectClass() == ObjectClass::Clip)
                type = "movieclip";
            else if (o->isFunction())
                type = "function";
        }
        push(f, Value(type));
        break;
    }
    default:
        return false;
    }
    return true;
}

} // namespace swf::script
