#include "library/catalogue_reader.h"

#include "platform/native_path.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <vector>
#include <cerrno>
#include <fstream>
#include <iconv.h>

namespace veskor::catalogue {

namespace {

bool startsWith(const QByteArray& bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < static_cast<qsizetype>(mark.size()))
        return false;
    qsizetype i = 0;
    for (const unsigned char b : mark) {
        if (static_cast<unsigned char>(bytes.at(i++)) != b)
            return false;
    }
    return true;
}

// Through the C library's iconv, which always knows GB18030 (Qt knows it only when built
// with ICU). A byte sequence it cannot convert becomes U+FFFD.
QString decodeGb18030(const QByteArray& bytes)
{
    iconv_t cd = ::iconv_open("UTF-16LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char16_t buffer[4096];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        const size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int code = errno;
        out.append(reinterpret_cast<const QChar*>(buffer), static_cast<qsizetype>((sizeof buffer - outLeft) / 2));
        if (result != static_cast<size_t>(-1))
            break;
        if (code == E2BIG)
            continue;
        // An invalid or cut-off sequence: show one replacement and go on after its first byte.
        out.append(QChar(QChar::ReplacementCharacter));
        ++in;
        --inLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    ::iconv_close(cd);
    return out;
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

// One line's bytes. A short GB18030 line may pass for UTF-8 too ("一" is D2 BB), so
// the file's main encoding decides such a line: with `mainlyUtf8`, a line is UTF-8
// when it is valid UTF-8; otherwise it is GB18030 unless only UTF-8 reads it whole.
QString decodeLine(QByteArrayView line, bool mainlyUtf8)
{
    const std::optional<QString> utf8 = strictUtf8(line);
    if (utf8 && mainlyUtf8)
        return *utf8;
    QString gb = decodeGb18030(line.toByteArray());
    if (utf8 && gb.contains(QChar(QChar::ReplacementCharacter)))
        return *utf8;
    return gb;
}

} // namespace

QString decode(const QByteArray& bytes)
{
    if (startsWith(bytes, {0xFF, 0xFE}))
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    if (startsWith(bytes, {0xFE, 0xFF}))
        return QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    const bool marked = startsWith(bytes, {0xEF, 0xBB, 0xBF});
    const QByteArray body = marked ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(body);
    if (!utf8.hasError() || marked)
        return text;
    // A file edited on two systems mixes encodings, or one bad byte spoils a UTF-8
    // file: each line is judged on its own, so one bad line garbles no other. CR and
    // LF never occur inside a multi-byte character of either encoding.
    struct Line {
        QByteArrayView bytes;
        char end;  // the CR or LF after it, or 0 at the end of the file
    };
    std::vector<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes.at(i) != '\r' && bytes.at(i) != '\n')
            continue;
        lines.push_back({QByteArrayView(bytes).sliced(start, i - start), i < bytes.size() ? bytes.at(i) : '\0'});
        start = i + 1;
    }
    // The file is mainly UTF-8 when more of its non-ASCII lines read as UTF-8 than not.
    qsizetype utf8Lines = 0;
    qsizetype otherLines = 0;
    for (const Line& line : lines) {
        if (!isAscii(line.bytes))
            ++(strictUtf8(line.bytes) ? utf8Lines : otherLines);
    }
    const bool mainlyUtf8 = utf8Lines > otherLines;
    text.clear();
    text.reserve(bytes.size());
    for (const Line& line : lines) {
        text.append(decodeLine(line.bytes, mainlyUtf8));
        if (line.end)
            text.append(QLatin1Char(line.end));
    }
    return text;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString trimSpaces(const QString& line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && line.at(end - 1) == QLatin1Char(' '))
        --end;
    return line.mid(begin, end - begin);
}

Result<QStringList> readLines(const QString& path)
{
    std::ifstream file(fsFromPath(path), std::ios::binary);
    if (!file)
        return makeError("cannot open the catalogue " + nativeFromPath(path));
    QByteArray bytes(MaxBytes, Qt::Uninitialized);
    file.read(bytes.data(), MaxBytes);
    if (file.bad())
        return makeError("cannot read the catalogue " + nativeFromPath(path));
    bytes.truncate(static_cast<qsizetype>(file.gcount()));

    QStringList lines = splitLines(decode(bytes));
    if (lines.size() > MaxLines)
        lines.resize(MaxLines);
    for (QString& line : lines) {
        if (line.size() > MaxLineLength)
            line.truncate(MaxLineLength);
    }
    return lines;
}

} // namespace veskor::catalogue
