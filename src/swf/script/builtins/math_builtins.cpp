// Math: constants and functions on numbers.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/member_flags.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace swf::script {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Every Math function converts its first two arguments, in order, whatever
// it uses (the original player calls valueOf on both even for Math.abs and
// Math.random); a missing one is NaN.
// Math reads an empty string as NaN in every version.
double mathNumber(Interpreter& in, const Value& v)
{
    if (v.isString())
        return stringToNumber(v.asString(), std::max(in.swfVersion(), 7));
    return in.toNumber(v);
}

std::array<double, 2> twoNumbers(Interpreter& in, const Args& args)
{
    std::array<double, 2> n = {kNaN, kNaN};
    for (std::size_t i = 0; i < 2 && i < args.size(); ++i)
        n[i] = mathNumber(in, args[i]);
    return n;
}

using MathFunction = double (*)(Interpreter&, const Args&, const std::array<double, 2>&);

struct MathEntry {
    const char* name;
    MathFunction fn;
};

const MathEntry kFunctions[] = {
    {"abs", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::fabs(n[0]); }},
    {"min",
     [](Interpreter&, const Args& args, const std::array<double, 2>& n) {
         if (args.empty())
             return kInfinity;
         return std::isnan(n[0]) || std::isnan(n[1]) ? kNaN : std::min(n[0], n[1]);
     }},
    {"max",
     [](Interpreter&, const Args& args, const std::array<double, 2>& n) {
         if (args.empty())
             return -kInfinity;
         return std::isnan(n[0]) || std::isnan(n[1]) ? kNaN : std::max(n[0], n[1]);
     }},
    {"sin", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::sin(n[0]); }},
    {"cos", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::cos(n[0]); }},
    {"atan2", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::atan2(n[0], n[1]); }},
    {"tan", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::tan(n[0]); }},
    {"exp", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::exp(n[0]); }},
    {"log", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::log(n[0]); }},
    {"sqrt", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::sqrt(n[0]); }},
    {"round", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::floor(n[0] + 0.5); }},
    {"random",
     [](Interpreter& in, const Args&, const std::array<double, 2>&) { return double(in.host().random(1u << 30)) / double(1u << 30); }},
    {"floor", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::floor(n[0]); }},
    {"ceil", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::ceil(n[0]); }},
    {"atan", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::atan(n[0]); }},
    {"asin", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::asin(n[0]); }},
    {"acos", [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::acos(n[0]); }},
    // An infinite base gives NaN in the original player.
    {"pow",
     [](Interpreter&, const Args&, const std::array<double, 2>& n) { return std::isinf(n[0]) && n[1] != 0 ? kNaN : std::pow(n[0], n[1]); }},
};

} // namespace

void installMath(Interpreter& in)
{
    Object* math = in.newObject();
    in.global()->put("Math", math, PropertyFlag::DontEnum);
    // Math's members, its prototype link and its own constructor are all constant.
    if (Property* p = math->findOwnAnyVersion("__proto__"))
        p->flags = kConstantMemberFlags;
    if (const Property* object = in.global()->findOwnAnyVersion("Object"))
        math->put("constructor", object->value, kConstantMemberFlags);
    math->put("E", M_E, kConstantMemberFlags);
    math->put("LN10", M_LN10, kConstantMemberFlags);
    math->put("LN2", M_LN2, kConstantMemberFlags);
    math->put("LOG10E", M_LOG10E, kConstantMemberFlags);
    math->put("LOG2E", M_LOG2E, kConstantMemberFlags);
    math->put("PI", M_PI, kConstantMemberFlags);
    math->put("SQRT1_2", M_SQRT1_2, kConstantMemberFlags);
    math->put("SQRT2", M_SQRT2, kConstantMemberFlags);
    for (const MathEntry& e : kFunctions) {
        MathFunction fn = e.fn;
        in.defineMethod(math, e.name, [fn](Interpreter& in, Object*, const Args& args) -> Value { return fn(in, args, twoNumbers(in, args)); });
        math->findOwnAnyVersion(e.name)->flags = kConstantMemberFlags;
    }
}

} // namespace swf::script
