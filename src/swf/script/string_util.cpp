#include "swf/script/string_util.h"

#include "common/percent_encoding.h"

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
