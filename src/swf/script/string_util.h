#pragma once

// String helpers with the two string models: before SWF 6 a string is a
// sequence of bytes, from SWF 6 on a sequence of characters stored as UTF-8.

#include <cstdint>
#include <string>
#include <vector>

namespace swf::script {

// Code points of a UTF-8 string; a broken sequence yields its bytes one by one.
std::vector<std::uint32_t> decodeUtf8(const std::string& s);
std::string encodeUtf8(const std::vector<std::uint32_t>& chars);
std::string encodeUtf8(std::uint32_t c);

// Length in the movie's unit: bytes before SWF 6, characters after.
std::size_t stringLength(const std::string& s, int swfVersion);
// Units of the string in the movie's model (bytes or code points).
std::vector<std::uint32_t> stringUnits(const std::string& s, int swfVersion);
std::string joinUnits(const std::vector<std::uint32_t>& units, std::size_t begin, std::size_t end, int swfVersion);
std::string unitToString(std::uint32_t unit, int swfVersion);

std::string asciiLower(std::string s);
std::string asciiUpper(std::string s);

} // namespace swf::script
