#include "platform/native_path.h"

#include "common/utf8.h"

#include <QStringList>
#include <algorithm>
#include <iconv.h>
#include <optional>

namespace veskor {

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes there are not one.
int validSequenceLength(const std::string& s, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    int length;
    char32_t minimum;
    if (b0 < 0x80)
        return 1;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    char32_t cp = b0 & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

bool isEscapedByte(QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; }

// The bytes as GB18030, or nothing unless every byte belongs to a valid character.
std::optional<QString> strictGb18030(const std::string& bytes)
{
    iconv_t cd = ::iconv_open("UTF-16LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::u16string out(bytes.size() * 2 + 2, u'\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(char16_t);
    const size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    const size_t units = (out.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t);
    return QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(units));
}

// One part of a path between separators, for showing: its bytes as GB18030 when they
// are that (names from Windows archives), else the undecodable bytes as U+FFFD.
QString displayPart(const QString& part)
{
    if (std::none_of(part.begin(), part.end(), isEscapedByte))
        return part;
    if (std::optional<QString> decoded = strictGb18030(nativeFromPath(part)))
        return *decoded;
    QString out = part;
    for (QChar& c : out) {
        if (isEscapedByte(c))
            c = QChar(0xFFFD);
    }
    return out;
}

} // namespace

QString pathFromNative(const std::string& bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    size_t i = 0;
    while (i < bytes.size()) {
        const int length = validSequenceLength(bytes, i);
        if (length == 0) {
            out.append(QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        out.append(QString::fromUtf8(bytes.data() + i, length));
        i += length;
    }
    return out;
}

std::string nativeFromPath(const QString& path)
{
    std::string out;
    out.reserve(static_cast<size_t>(path.size()) * 3);
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = path.at(i).unicode();
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out.push_back(static_cast<char>(c - 0xDC00));
            continue;
        }
        char32_t cp = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            cp = QChar::surrogateToUcs4(c, path.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            cp = 0xFFFD;
        }
        veskor::appendUtf8(out, cp);
    }
    return out;
}

QString displayText(const QString& path)
{
    if (std::none_of(path.begin(), path.end(), isEscapedByte))
        return path;
    // Part by part: a folder may be named in one encoding and its file in another.
    QStringList parts = path.split(QLatin1Char('/'));
    for (QString& part : parts)
        part = displayPart(part);
    return parts.join(QLatin1Char('/'));
}

} // namespace veskor
