#include "swf/script/string_util.h"

#include "common/percent_encoding.h"

#include <QChar>

#include <algorithm>

namespace swf::script {

std::string asciiLower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return s;
}

std::string asciiUpper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return s;
}

std::uint32_t caseMappedUnit(std::uint32_t u, bool upper)
{
    // The table maps one unit to one (never "ß" to "SS") and knows the
    // letters of Unicode 4.1 but for the Greek letters added at the end of
    // their block, with a few differences of its own: Georgian capitals
    // lower to the Mkhedruli letters, and the Greek final sigma pairs with
    // the unassigned unit below capital sigma.
    if (u < 0x80)
        return upper ? (u >= 'a' && u <= 'z' ? u - 32 : u) : (u >= 'A' && u <= 'Z' ? u + 32 : u);
    if (u >= 0x10000)
        return u;
    const QChar c{char16_t(u)};
    if (c.unicodeVersion() > QChar::Unicode_4_1 || (u >= 0x3F7 && u <= 0x3FB))
        return u;
    char16_t mapped = 0;
    if (upper) {
        if (u == 0x3C2)
            return 0x3A2;
        if (u == 0x3F2)
            return 0x3A3;
        // Letters with an iota subscript take their simple capital, which
        // Unicode lists as the title case.
        mapped = c.toUpper() != c ? c.toUpper().unicode() : c.toTitleCase().unicode();
    } else {
        if (u == 0x3A2)
            return 0x3C2;
        if (u == 0x130)
            return 'i';
        if (u >= 0x10A0 && u <= 0x10C5)
            return u + 0x30;
        mapped = c.toLower().unicode();
    }
    return QChar(mapped).unicodeVersion() > QChar::Unicode_4_1 || (mapped >= 0x3F7 && mapped <= 0x3FB) ? u : mapped;
}

std::string nameKey(const std::string& name, int swfVersion)
{
    if (swfVersion >= 7)
        return name;
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (swfVersion < 6 || ascii)
        return asciiLower(name);
    std::vector<std::uint32_t> units = swf::stringUnits(name, swfVersion);
    for (std::uint32_t& u : units)
        u = caseMappedUnit(u, false);
    return swf::joinUnits(units, 0, units.size(), swfVersion);
}

std::string percentEncode(const std::string& s, std::string_view keep)
{
    return veskor::percentEncode(s, [keep](unsigned char byte) {
        return veskor::isAsciiAlphanumeric(byte) || keep.find(char(byte)) != std::string_view::npos;
    });
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace swf::script
