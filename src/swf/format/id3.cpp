#include "swf/format/id3.h"

#include <QString>

namespace swf {
namespace {

std::uint32_t bigEndian(std::span<const std::uint8_t> b)
{
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

std::uint32_t syncSafe(std::span<const std::uint8_t> b)
{
    return std::uint32_t(b[0] & 0x7F) << 21 | std::uint32_t(b[1] & 0x7F) << 14 | std::uint32_t(b[2] & 0x7F) << 7
           | (b[3] & 0x7F);
}

// Where the string of `encoding` starting at `at` ends (its terminator
// excluded), and where the next one starts.
std::pair<std::size_t, std::size_t> stringEnd(std::span<const std::uint8_t> b, std::size_t at, int encoding)
{
    const bool wide = encoding == 1 || encoding == 2;
    for (std::size_t i = at; wide ? i + 1 < b.size() : i < b.size(); i += wide ? 2 : 1) {
        if (b[i] == 0 && (!wide || b[i + 1] == 0))
            return {i, i + (wide ? 2 : 1)};
    }
    return {b.size(), b.size()};
}

std::string decodeText(std::span<const std::uint8_t> b, int encoding)
{
    const auto* chars = reinterpret_cast<const char*>(b.data());
    QString text;
    switch (encoding) {
    case 0: text = QString::fromLatin1(chars, qsizetype(b.size())); break;
    case 3: text = QString::fromUtf8(chars, qsizetype(b.size())); break;
    default: {
        // UTF-16: with a byte-order mark (1), or big-endian without (2).
        bool little = false;
        std::size_t at = 0;
        if (encoding == 1 && b.size() >= 2 && (b[0] == 0xFF || b[0] == 0xFE)) {
            little = b[0] == 0xFF;
            at = 2;
        }
        for (; at + 1 < b.size(); at += 2)
            text.append(QChar(little ? b[at] | b[at + 1] << 8 : b[at] << 8 | b[at + 1]));
        break;
    }
    }
    return text.toStdString();
}

} // namespace

std::vector<Id3Frame> readId3(std::span<const std::uint8_t> file)
{
    std::vector<Id3Frame> frames;
    if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3')
        return frames;
    const int version = file[3];
    if (version != 3 && version != 4)
        return frames;
    const std::size_t end = std::min<std::size_t>(file.size(), 10 + std::size_t(syncSafe(file.subspan(6, 4))));
    std::size_t at = 10;
    if (file[5] & 0x40) {
        // An extended header: its size counts itself in 2.4, not in 2.3.
        if (at + 4 > end)
            return frames;
        const std::uint32_t size = version == 4 ? syncSafe(file.subspan(at, 4)) : bigEndian(file.subspan(at, 4)) + 4;
        at += size;
    }
    while (at + 10 <= end && file[at] != 0) {
        const std::string id(reinterpret_cast<const char*>(file.data() + at), 4);
        const std::uint32_t size = version == 4 ? syncSafe(file.subspan(at + 4, 4)) : bigEndian(file.subspan(at + 4, 4));
        at += 10;
        if (size > end - at)
            break;
        const auto body = file.subspan(at, size);
        at += size;
        if (body.empty())
            continue;
        const int encoding = body[0];
        if (id[0] == 'T' && id != "TXXX") {
            frames.push_back({id, decodeText(body.subspan(1, stringEnd(body, 1, encoding).first - 1), encoding)});
        } else if (id == "COMM" && body.size() >= 4) {
            const std::size_t text = stringEnd(body, 4, encoding).second;
            if (text <= body.size())
                frames.push_back({id, decodeText(body.subspan(text, stringEnd(body, text, encoding).first - text), encoding)});
        }
    }
    return frames;
}

} // namespace swf
