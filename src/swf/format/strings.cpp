#include "swf/format/strings.h"

#include "common/utf8.h"

#include <QStringDecoder>

#include <algorithm>

namespace swf {


QString decodeString(const std::string& bytes)
{
    const QByteArray raw = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    if (isValidUtf8(bytes))
        return QString::fromUtf8(raw);
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (gb18030.isValid()) {
        QString text = gb18030.decode(raw);
        if (!gb18030.hasError())
            return text;
    }
    return QString::fromLatin1(raw);
}

namespace {

bool isHighSurrogate(std::uint32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool isLowSurrogate(std::uint32_t u) { return u >= 0xDC00 && u < 0xE000; }

std::vector<std::uint32_t> utf16Units(const std::string& s)
{
    std::vector<std::uint32_t> out;
    const std::vector<std::uint32_t> chars = decodeUtf8(s);
    out.reserve(chars.size());
    for (std::uint32_t c : chars) {
        if (c >= 0x10000) {
            out.push_back(0xD800 + ((c - 0x10000) >> 10));
            out.push_back(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Appends units [begin, end) as UTF-8, pairs joined; `lone` replaces a
// surrogate without its partner (0 keeps it as it is).
void appendUtf16(std::string& out, const std::vector<std::uint32_t>& units, std::size_t begin, std::size_t end,
                 std::uint32_t lone)
{
    for (std::size_t i = begin; i < end; ++i) {
        const std::uint32_t u = units[i];
        if (isHighSurrogate(u) && i + 1 < end && isLowSurrogate(units[i + 1])) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (lone && (isHighSurrogate(u) || isLowSurrogate(u))) {
            appendUtf8(out, lone);
        } else {
            appendUtf8(out, u);
        }
    }
}

} // namespace

std::size_t stringLength(const std::string& s, int swfVersion)
{
    if (swfVersion < 6)
        return s.size();
    std::size_t n = 0;
    for (std::uint32_t c : decodeUtf8(s))
        n += c >= 0x10000 ? 2 : 1;
    return n;
}

std::vector<std::uint32_t> stringUnits(const std::string& s, int swfVersion)
{
    if (swfVersion >= 6)
        return utf16Units(s);
    return std::vector<std::uint32_t>(reinterpret_cast<const unsigned char*>(s.data()),
                                      reinterpret_cast<const unsigned char*>(s.data()) + s.size());
}

std::string unitToString(std::uint32_t unit, int swfVersion)
{
    if (swfVersion >= 6)
        return encodeUtf8(unit);
    return std::string(1, char(unit & 0xFF));
}

std::string joinUnits(const std::vector<std::uint32_t>& units, std::size_t begin, std::size_t end, int swfVersion)
{
    std::string out;
    end = std::min(end, units.size());
    if (swfVersion >= 6) {
        appendUtf16(out, units, begin, end, 0);
        return out;
    }
    for (std::size_t i = begin; i < end; ++i)
        out += char(units[i] & 0xFF);
    return out;
}

std::string displayUtf8(const std::string& s, int swfVersion)
{
    const std::vector<std::uint32_t> units = utf16Units(s);
    std::string out;
    appendUtf16(out, units, 0, units.size(), swfVersion >= 9 ? 0xFFFD : 0);
    return out;
}

} // namespace swf
