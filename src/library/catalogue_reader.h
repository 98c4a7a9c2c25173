#pragma once

// Reading the search catalogue: a text file with one keyword per line, written on any
// system in any of the encodings a teacher's files come in.

#include "common/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace veskor::catalogue {

// Bounds that keep a huge or binary file from stalling the program: only the start of
// such a file is read, and an overlong line is cut.
inline constexpr qsizetype MaxBytes = 4 * 1024 * 1024;
inline constexpr qsizetype MaxLines = 100000;
inline constexpr qsizetype MaxLineLength = 1024;

// UTF-16 when a byte-order mark says so; UTF-8 when a mark says so or all bytes are
// valid UTF-8; otherwise line by line, so that one bad line garbles no other: a line
// that only one of UTF-8 and GB18030 reads is read so, one that both read follows the
// encoding most of the file's lines are in.
QString decode(const QByteArray& bytes);
// Lines end at CR, CR LF or LF; a final line needs no end. Nothing is trimmed.
QStringList splitLines(const QString& text);
// Leading and trailing U+0020 removed; tabs and other white space stay.
QString trimSpaces(const QString& line);
// The file's lines, decoded and split, within the bounds above.
Result<QStringList> readLines(const QString& path);

} // namespace veskor::catalogue
