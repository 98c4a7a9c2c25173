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
    // The multi-byte forms read strings in the movie's own encoding: UTF-8
    // from version 6, single bytes before it (the player's Western code
    // page), so in every version they count as the plain forms do.
    case ActionCode::StringLength:
    case ActionCode::MBStringLength:
        push(f, double(stringLength(toString(pop(f)), v)));
        break;
    case ActionCode::StringExtract:
    case ActionCode::MBStringExtract: {
        double count = toNumber(pop(f));
        double index = toNumber(pop(f));
        std::string s = toString(pop(f));
        std::vector<std::uint32_t> units = stringUnits(s, v);
        // Index is 1-based; a negative count takes the rest. Both are whole
        // 32-bit numbers, so infinities count as 0 like NaN.
        double start = std::max(0.0, double(toInt32(index)) - 1);
        double len = double(toInt32(count));
        if (len < 0)
            len = double(units.size());
        if (start >= double(units.size()) || len == 0) {
            push(f, std::string());
            break;
        }
        std::size_t b = std::size_t(start);
        std::size_t e = std::size_t(std::min(double(units.size()), start + len));
        push(f, joinUnits(units, b, e, v));
        break;
    }
    case ActionCode::CharToAscii:
    case ActionCode::MBCharToAscii: {
        std::string s = toString(pop(f));
        if (v >= 6) {
            // The first character, read by a decoder that knows no
            // four-byte forms: a character past U+FFFF reads as U+FFFD.
            std::vector<std::uint32_t> chars = veskor::decodeUtf8(s);
            push(f, chars.empty() ? 0.0 : double(chars[0] >= 0x10000 ? 0xFFFD : chars[0]));
            break;
        }
        push(f, s.empty() ? 0.0 : double(static_cast<unsigned char>(s[0])));
        break;
    }
    case ActionCode::AsciiToChar:
    case ActionCode::MBAsciiToChar: {
        double n = toNumber(pop(f));
        std::uint32_t whole = std::uint32_t(toInt32(n));
        if (v < 6 && a.code == ActionCode::MBAsciiToChar && whole > 0xFFu) {
            // Before version 6 a code past one byte is a double-byte
            // character of the code page: its lead byte (bits 8-15), then
            // its trail byte. The string ends at the first zero byte.
            std::string out;
            for (std::uint32_t byte : {(whole >> 8) & 0xFFu, whole & 0xFFu}) {
                if (byte == 0)
                    break;
                out += unitToString(byte, v);
            }
            push(f, out);
            break;
        }
        std::uint32_t code = whole & (v >= 6 ? 0xFFFFu : 0xFFu);
        push(f, code == 0 ? std::string() : unitToString(code, v));
        break;
    }
    default:
        return false;
    }
    return true;
}

} // namespace swf::script
