#pragma once

// UTF-8, the one implementation every layer uses: the engine's strings and
// text, and file names on disk.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veskor {

// True when the bytes form valid UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Code points of a UTF-8 string. Broken sequences decode as the Flash player
// decoded them: a two- or three-byte lead combines the bytes after it whatever
// they are, and is dropped when the string ends first; a byte from 0xF8 up
// ends the string; other stray bytes stand for themselves.
std::vector<std::uint32_t> decodeUtf8(std::string_view s);

// Appends the UTF-8 form of a code point; past U+10FFFF a replacement character.
void appendUtf8(std::string& out, std::uint32_t c);
std::string encodeUtf8(std::uint32_t c);
std::string encodeUtf8(const std::vector<std::uint32_t>& chars);

} // namespace veskor
