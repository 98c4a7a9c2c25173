// Number, Boolean and Math.

#include "swf/script/builtins/builtins.h"

#include <cmath>
#include <limits>

namespace swf::script {

namespace {

std::string integerInRadix(double n, int radix)
{
    const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::int32_t i = toInt32(n);
    bool negative = i < 0;
    std::uint32_t u = negative ? std::uint32_t(-std::int64_t(i)) : std::uint32_t(i);
    std::string out;
    do {
        out.insert(out.begin(), digits[u % std::uint32_t(radix)]);
        u /= std::uint32_t(radix);
    } while (u);
    return negative ? "-" + out : out;
}

constexpr std::uint8_t kConstant = PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;

} // namespace

void installNumberAndBoolean(Interpreter& in)
{
    Object* numberProto = in.newObject();
    Object* number = makeConstructor(
        in, "Number",
        [](Interpreter& in, Object*, const Args& args) -> Value { return args.empty() ? 0.0 : in.toNumber(args[0]); },
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            self->setObjectClass(ObjectClass::Number);
            self->primitive = args.empty() ? 0.0 : in.toNumber(args[0]);
            return self;
        },
        numberProto);
    number->put("MAX_VALUE", std::numeric_limits<double>::max(), kConstant);
    number->put("MIN_VALUE", std::numeric_limits<double>::denorm_min(), kConstant);
    number->put("NaN", std::numeric_limits<double>::quiet_NaN(), kConstant);
    number->put("NEGATIVE_INFINITY", -std::numeric_limits<double>::infinity(), kConstant);
    number->put("POSITIVE_INFINITY", std::numeric_limits<double>::infinity(), kConstant);
    in.defineMethod(numberProto, "toString", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || self->objectClass() != ObjectClass::Number)
            return Value(self).isObject() ? in.callMethod(in.objectPrototype(), "toString", {}) : Value();
        double n = self->primitive.asNumber();
        double radix = args.empty() || args[0].isUndefined() ? 10 : toInteger(in.toNumber(args[0]));
        if (radix < 2 || radix > 36 || radix == 10 || !std::isfinite(n))
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
        [](Interpreter& in, Object*, const Args& args) -> Value { return !args.empty() && in.toBoolean(args[0]); },
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
}

void installMath(Interpreter& in)
{
    Object* math = in.newObject();
    in.global()->put("Math", math, PropertyFlag::DontEnum);
    math->put("E", M_E, kConstant);
    math->put("LN10", M_LN10, kConstant);
    math->put("LN2", M_LN2, kConstant);
    math->put("LOG10E", M_LOG10E, kConstant);
    math->put("LOG2E", M_LOG2E, kConstant);
    math->put("PI", M_PI, kConstant);
    math->put("SQRT1_2", M_SQRT1_2, kConstant);
    math->put("SQRT2", M_SQRT2, kConstant);

    // Functions of one number; a missing argument is NaN, whatever the version.
    auto unary = [&](const char* name, double (*fn)(double)) {
        in.defineMethod(math, name, [fn](Interpreter& in, Object*, const Args& args) -> Value {
            if (args.empty())
                return std::numeric_limits<double>::quiet_NaN();
            return fn(in.toNumber(args[0]));
        });
    };
    unary("abs", [](double x) { return std::fabs(x); });
    unary("acos", [](double x) { return std::acos(x); });
    unary("asin", [](double x) { return std::asin(x); });
    unary("atan", [](double x) { return std::atan(x); });
    unary("ceil", [](double x) { return std::ceil(x); });
    unary("cos", [](double x) { return std::cos(x); });
    unary("exp", [](double x) { return std::exp(x); });
    unary("floor", [](double x) { return std::floor(x); });
    unary("log", [](double x) { return std::log(x); });
    unary("round", [](double x) { return std::floor(x + 0.5); });
    unary("sin", [](double x) { return std::sin(x); });
    unary("sqrt", [](double x) { return std::sqrt(x); });
    unary("tan", [](double x) { return std::tan(x); });
    auto binaryArg = [](Interpreter& in, const Args& args, std::size_t i) {
        return i < args.size() ? in.toNumber(args[i]) : std::numeric_limits<double>::quiet_NaN();
    };
    in.defineMethod(math, "atan2", [binaryArg](Interpreter& in, Object*, const Args& args) -> Value {
        return std::atan2(binaryArg(in, args, 0), binaryArg(in, args, 1));
    });
    in.defineMethod(math, "pow", [binaryArg](Interpreter& in, Object*, const Args& args) -> Value {
        return std::pow(binaryArg(in, args, 0), binaryArg(in, args, 1));
    });
    in.defineMethod(math, "max", [binaryArg](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return -std::numeric_limits<double>::infinity();
        double a = binaryArg(in, args, 0), b = args.size() > 1 ? binaryArg(in, args, 1) : -std::numeric_limits<double>::infinity();
        if (std::isnan(a) || std::isnan(b))
            return std::numeric_limits<double>::quiet_NaN();
        return std::max(a, b);
    });
    in.defineMethod(math, "min", [binaryArg](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return std::numeric_limits<double>::infinity();
        double a = binaryArg(in, args, 0), b = args.size() > 1 ? binaryArg(in, args, 1) : std::numeric_limits<double>::infinity();
        if (std::isnan(a) || std::isnan(b))
            return std::numeric_limits<double>::quiet_NaN();
        return std::min(a, b);
    });
    in.defineMethod(math, "random", [](Interpreter& in, Object*, const Args&) -> Value {
        return double(in.host().random(1u << 30)) / double(1u << 30);
    });
}

} // namespace swf::script
