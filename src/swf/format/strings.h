#pragma once

// Text in movies: version 6 and later store UTF-8; older movies store the
// author's code page with nothing saying which. Records keep the raw bytes;
// this turns them into text when something has to be shown.

#include "common/utf8.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace swf {

using veskor::appendUtf8;
using veskor::decodeUtf8;
using veskor::encodeUtf8;
using veskor::isValidUtf8;

// UTF-8 when the bytes are valid UTF-8 (always the case for version 6+ movies
// written correctly), else GB18030 (most old teaching movies are Chinese), else
// Latin-1, which accepts any bytes.
QString decodeString(const std::string& bytes);

// The two string models of scripts and text fields: before SWF 6 a string is
// a sequence of bytes, from SWF 6 on a sequence of UTF-16 code units stored
// as UTF-8 (a character past U+FFFF is two units, a surrogate pair; a lone
// surrogate keeps its own three-byte form).
// Length in the movie's unit: bytes before SWF 6, UTF-16 units after.
std::size_t stringLength(const std::string& s, int swfVersion);
// Units of the string in the movie's model (bytes or UTF-16 units).
std::vector<std::uint32_t> stringUnits(const std::string& s, int swfVersion);
// Units back to stored form; from SWF 6 a surrogate pair becomes the one
// character it encodes.
std::string joinUnits(const std::vector<std::uint32_t>& units, std::size_t begin, std::size_t end, int swfVersion);
std::string unitToString(std::uint32_t unit, int swfVersion);
// A stored string of SWF 6 or later as the player printed it: decoded as
// the player read it; a surrogate that is not half of a pair keeps its own
// three bytes up to SWF 8 and prints as U+FFFD from SWF 9 on.
std::string displayUtf8(const std::string& s, int swfVersion);

} // namespace swf
