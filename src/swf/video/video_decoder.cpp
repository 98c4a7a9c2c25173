#include "swf/video/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <mutex>

namespace swf::video {
namespace {

AVCodecID codecId(std::uint8_t codec)
{
    switch (codec) {
    case 2: return AV_CODEC_ID_FLV1;
    case 3: return AV_CODEC_ID_FLASHSV;
    // VP6 in these movies is stored bottom-up, as FFmpeg's "flipped" VP6 expects.
    case 4: return AV_CODEC_ID_VP6F;
    case 5: return AV_CODEC_ID_VP6A;
    case 6: return AV_CODEC_ID_FLASHSV2;
    default: return AV_CODEC_ID_NONE;
    }
}

// A damaged picture is the movie's business, not the terminal's.
void silenceLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// Pictures larger than this are taken as damaged data.
constexpr int kMaxSide = 8192;

} // namespace

struct VideoDecoder::Codec {
    const AVCodec* codec = nullptr;
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    std::vector<std::uint8_t> padded;
    std::vector<std::uint8_t> converted;

    ~Codec() { close(); }
    void close()
    {
        sws_freeContext(scaler);
        scaler = nullptr;
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }
    bool open()
    {
        close();
        context = avcodec_alloc_context3(codec);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!context || !packet || !frame || avcodec_open2(context, codec, nullptr) < 0) {
            close();
            return false;
        }
        return true;
    }
};

VideoDecoder::VideoDecoder(std::uint8_t codec, std::vector<std::span<const std::uint8_t>> frames,
                           std::vector<bool> keyFrames)
    : m_codec(std::make_unique<Codec>()), m_frames(std::move(frames)), m_keyFrames(std::move(keyFrames))
{
    silenceLibrary();
    const AVCodecID id = codecId(codec);
    m_codec->codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (m_codec->codec && !m_codec->open())
        m_codec->codec = nullptr;
}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::supported() const
{
    return m_codec->codec != nullptr;
}

void VideoDecoder::restart()
{
    m_position = -1;
    m_picture = QImage();
    if (m_codec->context)
        avcodec_flush_buffers(m_codec->context);
}

QImage VideoDecoder::picture(int frame)
{
    if (!supported() || frame < 0)
        return {};
    if (frame < m_position)
        restart();
    // A key picture on the way needs nothing before it.
    if (const int key = keyFrameFor(frame, m_position); key >= 0) {
        if (m_codec->context)
            avcodec_flush_buffers(m_codec->context);
        m_position = key - 1;
    }
    const int last = std::min<int>(frame, int(m_frames.size()) - 1);
    for (int i = m_position + 1; i <= last; ++i) {
        if (!m_frames[std::size_t(i)].empty())
            decode(m_frames[std::size_t(i)]);
    }
    m_position = std::max(m_position, frame);
    return m_picture;
}

int VideoDecoder::keyFrameFor(int frame, int from) const
{
    const int last = std::min<int>(frame, int(m_keyFrames.size()) - 1);
    for (int i = last; i > from + 1; --i) {
        if (m_keyFrames[std::size_t(i)])
            return i;
    }
    return -1;
}

void VideoDecoder::decode(std::span<const std::uint8_t> data)
{
    Codec& c = *m_codec;
    if (!c.context)
        return;
    // FFmpeg's readers may look a little past a packet's end.
    c.padded.assign(data.begin(), data.end());
    c.padded.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    av_packet_unref(c.packet);
    c.packet->data = c.padded.data();
    c.packet->size = int(data.size());
    if (avcodec_send_packet(c.context, c.packet) < 0)
        return;
    while (avcodec_receive_frame(c.context, c.frame) == 0) {
        const int width = c.frame->width;
        const int height = c.frame->height;
        if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
            av_frame_unref(c.frame);
            continue;
        }
        c.scaler = sws_getCachedContext(c.scaler, width, height, AVPixelFormat(c.frame->format), width, height,
                                        AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        // The scaler writes whole vectors, past a row's end and the last
        // row's: it gets rows of its own alignment and a spare one.
        const int stride = (width * 4 + 63) & ~63;
        c.converted.assign(std::size_t(stride) * std::size_t(height + 1), 0);
        std::uint8_t* planes[4] = {c.converted.data(), nullptr, nullptr, nullptr};
        int strides[4] = {stride, 0, 0, 0};
        if (c.scaler && sws_scale(c.scaler, c.frame->data, c.frame->linesize, 0, height, planes, strides) == height) {
            // Only VP6 with alpha carries transparency; the scaler fills the rest opaque.
            const QImage image(c.converted.data(), width, height, stride, QImage::Format_ARGB32);
            m_picture = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
        av_frame_unref(c.frame);
    }
}

} // namespace swf::video
