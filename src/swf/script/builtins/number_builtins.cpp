// Number and Boolean.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/member_flags.h"

#include <cmath>
#include <limits>

namespace swf::script {

namespace {

// NaN reads as the smallest int. The player negates a negative number
// before taking its digits, which leaves the smallest int negative: its
// digits then come out as the characters below '0'.
std::string integerInRadix(double n, int radix)
{
    const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    const std::int32_t i = std::isnan(n) ? std::numeric_limits<std::int32_t>::min() : toInt32(n);
    const bool negative = i < 0;
    std::int64_t v = negative ? -std::int64_t(i) : i;
    if (v > std::numeric_limits<std::int32_t>::max())
        v = i;
    std::string out;
    do {
        const int digit = int(v % radix);
        out.insert(out.begin(), digit >= 0 ? digits[digit] : char('0' + digit));
        v /= radix;
    } while (v);
    return negative ? "-" + out : out;
}


} // namespace

double numberArgument(Interpreter& in, const Value& v)
{
    // Empty text is no number here, also where an object's valueOf gives
    // it; an object that gives no primitive is none either.
    const Value p = in.toPrimitive(v, 1);
    if (!p.isPrimitive() || (p.isString() && p.asString().empty()))
        return std::numeric_limits<double>::quiet_NaN();
    return in.toNumber(p);
}

void installNumberAndBoolean(Interpreter& in)
{
    Object* numberProto = in.newObject();
    Object* number = makeConstructor(
        in, "Number",
        [](Interpreter& in, Object*, const Args& args) -> Value { return args.empty() ? 0.0 : numberArgument(in, args[0]); },
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            self->setObjectClass(ObjectClass::Number);
            // The wrapper keeps the number's value, not the stored number:
            // a NaN taken out of it is a NaN of its own (see kGlobalNaN).
            const double n = args.empty() ? 0.0 : in.toNumber(args[0]);
            self->primitive = std::isnan(n) ? kNaN : n;
            return self;
        },
        numberProto);
    number->put("MAX_VALUE", std::numeric_limits<double>::max(), kConstantMemberFlags);
    number->put("MIN_VALUE", std::numeric_limits<double>::denorm_min(), kConstantMemberFlags);
    number->put("NaN", std::numeric_limits<double>::quiet_NaN(), kConstantMemberFlags);
    number->put("NEGATIVE_INFINITY", -std::numeric_limits<double>::infinity(), kConstantMemberFlags);
    number->put("POSITIVE_INFINITY", std::numeric_limits<double>::infinity(), kConstantMemberFlags);
    in.defineMethod(numberProto, "toString", [](Interpreter& in, Object* self, const Args& args) -> Value {
        // On anything but a Number object (Number.prototype itself) it gives
        // nothing, which leaves the object shown by its kind.
        if (!self || self->objectClass() != ObjectClass::Number)
            return Value();
        double n = self->primitive.asNumber();
        double radix = args.empty() || args[0].isUndefined() ? 10 : toInteger(in.toNumber(args[0]));
        if (radix < 2 || radix > 36 || radix == 10 || std::isinf(n))
            return numberToString(n);
        return integerInRadix(n, int(radix));
    });
    in.defineMethod(numberProto, "valueOf", [](Interpreter&, Object* self, const Args&) -> Value {
        if (!self || self->objectClass() != ObjectClass::Number)
            return self;
        return self->primitive;
    });

    Object* booleanProto = in.newObject();
    makeConstructor(
        in, "Boolean",
        [](Interpreter& in, Object*, const Args& args) -> Value { return args.empty() ? Value() : Value(in.toBoolean(args[0])); },
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            self->setObjectClass(ObjectClass::Boolean);
            self->primitive = !args.empty() && in.toBoolean(args[0]);
            return self;
        },
        booleanProto);
    in.defineMethod(booleanProto, "toString", [](Interpreter&, Object* self, const Args&) -> Value {
        if (!self || self->objectClass() != ObjectClass::Boolean)
            return Value();
        return self->primitive.asBool() ? "true" : "false";
    });
    in.defineMethod(booleanProto, "valueOf", [](Interpreter&, Object* self, const Args&) -> Value {
        if (!self || self->objectClass() != ObjectClass::Boolean)
            return self;
        return self->primitive;
    });
    setAllMemberFlags(numberProto, kMemberFlags);
    setAllMemberFlags(booleanProto, kMemberFlags);
    setMemberFlags(number, {"__proto__", "constructor", "prototype"}, kConstantMemberFlags);
}

} // namespace swf::script
