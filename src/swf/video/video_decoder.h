#pragma once
// Decodes the pictures of an embedded video stream with FFmpeg: Sorenson
// H.263, Screen Video 1 and 2, VP6 and VP6 with alpha. Pictures after the
// first depend on the ones before them, so the decoder walks forward from
// the last picture it made, and starts again from the stream's beginning
// when asked for an earlier one. A stream that marks its key pictures (as
// Flash Video files do) starts again from the last key picture instead, and
// jumps ahead to one rather than decoding everything before it.

#include <QImage>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace swf::video {

class VideoDecoder {
public:
    // `codec` is the stream's codec field; `frames` its coded pictures by
    // frame number (empty where there is none). The data must outlive the decoder.
    // `keyFrames`, when given, tells by frame number which pictures stand alone.
    VideoDecoder(std::uint8_t codec, std::vector<std::span<const std::uint8_t>> frames,
                 std::vector<bool> keyFrames = {});
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Whether FFmpeg knows the codec.
    bool supported() const;
    // The picture the stream shows at `frame`: the last one decoded at or
    // before it, as Format_ARGB32_Premultiplied; null before the first
    // picture, for an unknown codec, or when nothing could be decoded.
    QImage picture(int frame);

private:
    struct Codec;
    // Feeds one coded picture; a picture it makes becomes the current one.
    void decode(std::span<const std::uint8_t> data);
    void restart();
    // The key picture decoding of `frame` may start from after `from`: the
    // last one at or before `frame`, when it is after `from`; -1 for none.
    int keyFrameFor(int frame, int from) const;

    std::unique_ptr<Codec> m_codec;
    std::vector<std::span<const std::uint8_t>> m_frames;
    std::vector<bool> m_keyFrames;
    int m_position = -1; // the last frame number fed to the decoder
    QImage m_picture;
};

} // namespace swf::video
