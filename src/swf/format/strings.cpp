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

std::size_t stringLength(const std::string& s, int swfVersion)
{
    return swfVersion >= 6 ? decodeUtf8(s).size() : s.size();
}

std::vector<std::uint32_t> stringUnits(const std::string& s, int swfVersion)
{
    if (swfVersion >= 6)
        return decodeUtf8(s);
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
    for (std::size_t i = begin; i < end; ++i) {
        if (swfVersion >= 6)
            appendUtf8(out, units[i]);
        else
            out += char(units[i] & 0xFF);
    }
    return out;
}

} // namespace swf
