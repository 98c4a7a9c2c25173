#pragma once

// String helpers of the script machine. The two string models (bytes
// before SWF 6, UTF-8 characters after) are the format layer's (strings.h).

#include "swf/format/strings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace swf::script {

std::string asciiLower(std::string s);
std::string asciiUpper(std::string s);

// One UTF-16 unit in the other case, by the player's own table.
std::uint32_t caseMappedUnit(std::uint32_t unit, bool upper);
// The form under which a name is looked up: as it is from SWF 7, in lower
// case before (ASCII letters only before SWF 6, where strings are bytes).
std::string nameKey(const std::string& name, int swfVersion);

// Every byte but ASCII letters, digits and those in `keep` as "%XX" (upper-case hex).
std::string percentEncode(const std::string& s, std::string_view keep = {});
// The value of a hex digit, or -1.
int hexDigitValue(char c);

} // namespace swf::script
