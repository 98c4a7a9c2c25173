#pragma once

// Text in movies: version 6 and later store UTF-8; older movies store the
// author's code page with nothing saying which. Records keep the raw bytes;
// this turns them into text when something has to be shown.

#include <QString>

#include <cstdint>
#include <string>

namespace swf {

// UTF-8 when the bytes are valid UTF-8 (always the case for version 6+ movies
// written correctly), else GB18030 (most old teaching movies are Chinese), else
// Latin-1, which accepts any bytes.
QString decodeString(const std::string& bytes);

// True when the bytes form valid UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(const std::string& bytes);

} // namespace swf
