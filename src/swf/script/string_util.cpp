#include "swf/script/string_util.h"

#include <algorithm>

namespace swf::script {

std::vector<std::uint32_t> decodeUtf8(const std::string& s)
{
    std::vector<std::uint32_t> out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + std::size_t(k) >= n || (p[i + std::size_t(k)] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (p[i + std::size_t(k)] & 0x3F);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += std::size_t(extra) + 1;
    }
    return out;
}

std::string encodeUtf8(std::uint32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        c = c > 0x10FFFF ? 0xFFFD : c;
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

std::string encodeUtf8(const std::vector<std::uint32_t>& chars)
{
    std::string out;
    for (std::uint32_t c : chars)
        out += encodeUtf8(c);
    return out;
}

std::size_t stringLength(const std::string& s, int swfVersion)
{
    return swfVersion >= 6 ? decodeUtf8(s).size() : s.size();
}

std::vector<std::uint32_t> stringUnits(const std::string& s, int swfVersion)
{
    if (swfVersion >= 6)
        return decodeUtf8(s);
    return std::vector<std::uint32_t>(reinterpret_cast<const unsigned char*>(s.data()),
                                      reinterpret_cast<const unsigned char*>(s.data()) + s.size());
}

std::string unitToString(std::uint32_t unit, int swfVersion)
{
    if (swfVersion >= 6)
        return encodeUtf8(unit);
    return std::string(1, char(unit & 0xFF));
}

std::string joinUnits(const std::vector<std::uint32_t>& units, std::size_t begin, std::size_t end, int swfVersion)
{
    std::string out;
    end = std::min(end, units.size());
    for (std::size_t i = begin; i < end; ++i)
        out += unitToString(units[i], swfVersion);
    return out;
}

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

} // namespace swf::script
