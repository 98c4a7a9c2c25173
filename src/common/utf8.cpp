#include "common/utf8.h"

namespace veskor {

bool isValidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static constexpr std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::vector<std::uint32_t> decodeUtf8(std::string_view s)
{
    std::vector<std::uint32_t> out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint32_t c = p[i];
        // Two- and three-byte forms combine whatever bytes follow the lead, as
        // the Flash player's decoder did: valid UTF-8 decodes as usual, and the
        // bytes of another encoding give the same 16-bit units they gave there.
        if (c >= 0xC0 && c < 0xE0 && n - i >= 2) {
            out.push_back(((c << 6) + p[i + 1] - 0x3080) & 0xFFFF);
            i += 2;
            continue;
        }
        if (c >= 0xE0 && c < 0xF0 && n - i >= 3) {
            out.push_back(((c << 12) + (std::uint32_t(p[i + 1]) << 6) + p[i + 2] - 0xE2080) & 0xFFFF);
            i += 3;
            continue;
        }
        if (c >= 0xF0 && c < 0xF8 && n - i >= 4) {
            bool ok = true;
            std::uint32_t cp = c & 0x07;
            for (std::size_t k = 1; k <= 3; ++k) {
                ok = ok && (p[i + k] & 0xC0) == 0x80;
                cp = (cp << 6) | (p[i + k] & 0x3F);
            }
            if (ok) {
                out.push_back(cp);
                i += 4;
                continue;
            }
        }
        // A sequence cut off by the end is dropped, and so is everything from
        // a byte that no UTF-8 form starts with (0xF8 up); any other byte
        // stands for itself.
        if ((c >= 0xC0 && c < 0xF0) || c >= 0xF8)
            break;
        out.push_back(c);
        ++i;
    }
    return out;
}

void appendUtf8(std::string& out, std::uint32_t c)
{
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
}

std::string encodeUtf8(std::uint32_t c)
{
    std::string out;
    appendUtf8(out, c);
    return out;
}

std::string encodeUtf8(const std::vector<std::uint32_t>& chars)
{
    std::string out;
    for (std::uint32_t c : chars)
        appendUtf8(out, c);
    return out;
}

} // namespace veskor
