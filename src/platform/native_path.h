#pragma once

// Linux file names are bytes, not text: they need not be valid UTF-8. The program keeps
// paths as QString (tree keys, settings, status texts), so every path crosses between
// bytes and text here and nowhere else. Bytes that are not valid UTF-8 become lone low
// surrogates U+DC80..U+DCFF in the text and turn back into the same bytes, so that a
// key always leads back to the very file it came from.

#include <QString>
#include <filesystem>
#include <string>

namespace veskor {

QString pathFromNative(const std::string& bytes);
std::string nativeFromPath(const QString& path);

inline QString pathFromFs(const std::filesystem::path& p) { return pathFromNative(p.native()); }
inline std::filesystem::path fsFromPath(const QString& path) { return std::filesystem::path(nativeFromPath(path)); }

// The text to show for a path or name. A part (between separators) that is not UTF-8
// is shown as GB18030 when its bytes are valid GB18030, as Windows archives name files;
// otherwise its escaped bytes become U+FFFD. Only for showing: the path itself still
// leads to the file by its bytes.
QString displayText(const QString& path);

} // namespace veskor
