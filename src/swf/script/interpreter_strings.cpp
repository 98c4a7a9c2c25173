// The string actions of SWF 4 (byte and multi-byte forms).

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <cmath>
#include <limits>
#include <optional>

namespace swf::script {

bool Interpreter::stepStrings(Frame& f, const Action& a)
{
    const int v = f.version;
    switch (a.code) {
    case ActionCode::StringEquals: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        push(f, legacyBool(x == b, v));
        break;
    }
    case ActionCode::StringLess: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        push(f, legacyBool(x < b, v));
        break;
    }
    case ActionCode::StringGreater: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        push(f, legacyBool(x > b, v));
        break;
    }
    case ActionCode::StringAdd: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        if (reserveMemory(x.size() + b.size()))
            push(f, x + b);
        break;
    }
    case ActionCode::StringLength:
        push(f, double(stringLength(toString(pop(f)), v)));
        break;
    case ActionCode::MBStringLength:
        push(f, double(decodeUtf8(toString(pop(f))).size()));
        break;
    case ActionCode::StringExtract:
    case ActionCode::MBStringExtract: {
        double count = toNumber(pop(f));
        double index = toNumber(pop(f));
        std::string s = toString(pop(f));
        const int model = a.code == ActionCode::MBStringExtract ? 6 : v;
        std::vector<std::uint32_t> units = stringUnits(s, model);
        // Index is 1-based; a negative count takes the rest.
        double start = std::isnan(index) ? 0 : std::max(0.0, std::trunc(index) - 1);
        double len = std::isnan(count) ? 0 : std::trunc(count);
        if (len < 0)
            len = double(units.size());
        if (start >= double(units.size()) || len == 0) {
            push(f, std::string());
            break;
        }
        std::size_t b = std::size_t(start);
        std::size_t e = std::size_t(std::min(double(units.size()), start + len));
        push(f, joinUnits(units, b, e, model));
        break;
    }
    case ActionCode::CharToAscii:
    case ActionCode::MBCharToAscii: {
        std::string s = toString(pop(f));
        const int model = a.code == ActionCode::MBCharToAscii ? 6 : v;
        std::vector<std::uint32_t> units = stringUnits(s, model);
        push(f, units.empty() ? Value(0.0) : Value(double(units[0])));
        break;
    }
    case ActionCode::AsciiToChar:
    case ActionCode::MBAsciiToChar: {
        double n = toNumber(pop(f));
        const int model = a.code == ActionCode::MBAsciiToChar ? 6 : v;
        std::uint32_t code = std::uint32_t(toInt32(n)) & (model >= 6 ? 0xFFFFu : 0xFFu);
        push(f, code == 0 ? std::string() : unitToString(code, model));
        break;
    }
    default:
        return false;
    }
    return true;
}

} // namespace swf::script
