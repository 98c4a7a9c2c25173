#pragma once
// The embedded video tags: a stream's definition (a character) and its frames,
// which the timelines carry like sound blocks. The reader keeps them as unread
// tags (their payloads are codec data the video layer decodes); these read a
// tag's body into a typed record that points into it, and write records back
// into tags, for test movies.

#include "swf/format/records.h"

#include <optional>
#include <span>

namespace swf {

// The codes of the codec field.
enum class VideoCodec : std::uint8_t {
    SorensonH263 = 2,
    ScreenVideo = 3,
    Vp6 = 4,
    Vp6Alpha = 5,
    ScreenVideo2 = 6,
};

struct DefineVideoStream {
    std::uint16_t id = 0;
    std::uint16_t frameCount = 0;
    std::uint16_t width = 0;  // pixels: the size the video shows at
    std::uint16_t height = 0;
    std::uint8_t deblocking = 0; // 0: as the stream says, 1: off, 2..: on
    bool smoothing = false;      // scaled with filtering rather than by nearest pixels
    std::uint8_t codec = 0;
    bool operator==(const DefineVideoStream&) const = default;
};

struct VideoFrame {
    std::uint16_t streamId = 0;
    std::uint16_t frame = 0;
    std::span<const std::uint8_t> data; // one coded picture
};

std::optional<DefineVideoStream> readDefineVideoStream(const UnknownTag& tag);
std::optional<VideoFrame> readVideoFrame(const UnknownTag& tag);

Tag writeDefineVideoStream(const DefineVideoStream& stream);
Tag writeVideoFrame(std::uint16_t streamId, std::uint16_t frame, std::span<const std::uint8_t> data);

} // namespace swf
