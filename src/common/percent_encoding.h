#pragma once

// Percent-encoding, the one implementation: web addresses, file URIs and the
// escape() of scripts all write bytes as "%XX" this way.

#include <string>
#include <string_view>

namespace veskor {

// Every byte that `keep` refuses becomes "%XX" in upper-case hex.
template <typename Keep>
std::string percentEncode(std::string_view bytes, Keep keep)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (keep(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

// ASCII letters and digits, which no encoding changes.
inline bool isAsciiAlphanumeric(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
}

} // namespace veskor
