#include "swf/format/video.h"

#include "swf/format/byte_reader.h"
#include "swf/format/byte_writer.h"

namespace swf {
namespace {

constexpr std::uint16_t kDefineVideoStream = std::uint16_t(TagCode::DefineVideoStream);
constexpr std::uint16_t kVideoFrame = std::uint16_t(TagCode::VideoFrame);

} // namespace

std::optional<DefineVideoStream> readDefineVideoStream(const UnknownTag& tag)
{
    if (tag.code != kDefineVideoStream)
        return std::nullopt;
    ByteReader r(tag.data);
    DefineVideoStream s;
    s.id = r.u16();
    s.frameCount = r.u16();
    s.width = r.u16();
    s.height = r.u16();
    const std::uint8_t flags = r.u8();
    s.deblocking = (flags >> 1) & 7;
    s.smoothing = (flags & 1) != 0;
    s.codec = r.u8();
    if (r.failed())
        return std::nullopt;
    return s;
}

std::optional<VideoFrame> readVideoFrame(const UnknownTag& tag)
{
    if (tag.code != kVideoFrame)
        return std::nullopt;
    ByteReader r(tag.data);
    VideoFrame f;
    f.streamId = r.u16();
    f.frame = r.u16();
    f.data = r.rest();
    if (r.failed())
        return std::nullopt;
    return f;
}

Tag writeDefineVideoStream(const DefineVideoStream& stream)
{
    ByteWriter w;
    w.u16(stream.id);
    w.u16(stream.frameCount);
    w.u16(stream.width);
    w.u16(stream.height);
    w.u8(std::uint8_t(((stream.deblocking & 7) << 1) | (stream.smoothing ? 1 : 0)));
    w.u8(stream.codec);
    return Tag(UnknownTag{kDefineVideoStream, w.take()});
}

Tag writeVideoFrame(std::uint16_t streamId, std::uint16_t frame, std::span<const std::uint8_t> data)
{
    Bytes body = {std::uint8_t(streamId), std::uint8_t(streamId >> 8), std::uint8_t(frame), std::uint8_t(frame >> 8)};
    body.insert(body.end(), data.begin(), data.end());
    return Tag(UnknownTag{kVideoFrame, std::move(body)});
}

} // namespace swf
