#include "swf/format/strings.h"

#include <QStringDecoder>

namespace swf {

bool isValidUtf8(const std::string& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static constexpr std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

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

} // namespace swf
