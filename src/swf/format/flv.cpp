#include "swf/format/flv.h"

#include "swf/format/big_endian_reader.h"

namespace swf::flv {
namespace {

using Reader = BigEndianReader;

void putBe(Bytes& out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

} // namespace

std::optional<File> readFile(std::span<const std::uint8_t> bytes)
{
    Reader r(bytes);
    if (r.string(3) != "FLV")
        return std::nullopt;
    File file;
    file.version = r.u8();
    const std::uint8_t flags = r.u8();
    file.hasAudio = (flags & 0x04) != 0;
    file.hasVideo = (flags & 0x01) != 0;
    const std::uint32_t headerSize = r.be(4);
    if (r.failed() || headerSize < 9 || headerSize > bytes.size())
        return std::nullopt;
    r.take(headerSize - 9);
    r.be(4); // the size of the tag before the first: none
    while (!r.failed() && r.remaining() > 0) {
        if (r.remaining() < 11) {
            file.truncated = true;
            break;
        }
        Tag tag;
        // The top bits mark filtered (encrypted) data in later files.
        const std::uint8_t type = r.u8() & 0x1F;
        const std::uint32_t size = r.be(3);
        const std::uint32_t low = r.be(3);
        tag.timestamp = (std::uint32_t(r.u8()) << 24) | low;
        r.be(3); // the stream id: always 0
        tag.type = type;
        tag.data = r.take(size);
        if (r.failed()) {
            file.truncated = true;
            break;
        }
        file.tags.push_back(tag);
        // The size of the tag just read; a file cut there lacks it harmlessly.
        if (r.remaining() < 4)
            break;
        r.be(4);
    }
    return file;
}

std::optional<VideoPacket> readVideoPacket(std::span<const std::uint8_t> data)
{
    Reader r(data);
    VideoPacket p;
    const std::uint8_t first = r.u8();
    p.frameType = first >> 4;
    p.codec = first & 0x0F;
    if (p.codec == 4 || p.codec == 5) {
        const std::uint8_t adjust = r.u8();
        p.cropRight = adjust >> 4;
        p.cropBottom = adjust & 0x0F;
    }
    if (r.failed())
        return std::nullopt;
    p.picture = r.take(r.remaining());
    return p;
}

std::optional<AudioPacket> readAudioPacket(std::span<const std::uint8_t> data)
{
    Reader r(data);
    const std::uint8_t first = r.u8();
    if (r.failed())
        return std::nullopt;
    AudioPacket p;
    p.format = first >> 4;
    p.rateCode = (first >> 2) & 3;
    p.sixteenBit = (first & 2) != 0;
    p.stereo = (first & 1) != 0;
    p.sound = r.take(r.remaining());
    return p;
}

std::optional<ScriptData> readScriptData(std::span<const std::uint8_t> data)
{
    std::vector<AmfValue> values = amf0::readValues(data);
    if (values.empty() || values[0].type != AmfValue::Type::String)
        return std::nullopt;
    ScriptData out;
    out.name = std::move(values[0].string);
    out.values.assign(std::make_move_iterator(values.begin() + 1), std::make_move_iterator(values.end()));
    return out;
}

Bytes writeHeader(bool hasAudio, bool hasVideo)
{
    Bytes out = {'F', 'L', 'V', 1, std::uint8_t((hasAudio ? 0x04 : 0) | (hasVideo ? 0x01 : 0))};
    putBe(out, 9, 4);
    putBe(out, 0, 4);
    return out;
}

void appendTag(Bytes& file, std::uint8_t type, std::uint32_t timestamp, std::span<const std::uint8_t> data)
{
    file.push_back(type);
    putBe(file, std::uint32_t(data.size()), 3);
    putBe(file, timestamp & 0xFFFFFF, 3);
    file.push_back(std::uint8_t(timestamp >> 24));
    putBe(file, 0, 3);
    file.insert(file.end(), data.begin(), data.end());
    putBe(file, std::uint32_t(data.size() + 11), 4);
}

Bytes writeAmf(const AmfValue& value) { return amf0::write(value); }

Bytes writeScriptData(const std::string& name, const AmfValue& value)
{
    Bytes out = amf0::write(AmfValue::ofString(name));
    amf0::append(out, value);
    return out;
}

} // namespace swf::flv
