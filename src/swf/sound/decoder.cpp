#include "swf/sound/decoder.h"

#include "swf/sound/limits.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <mutex>

namespace swf::sound {
namespace {

AVCodecID codecId(const SoundFormat& f)
{
    switch (static_cast<SoundCodec>(f.codec)) {
    case SoundCodec::PcmNative:
    case SoundCodec::PcmLittle:
        return f.sixteenBit ? AV_CODEC_ID_PCM_S16LE : AV_CODEC_ID_PCM_U8;
    case SoundCodec::Adpcm: return AV_CODEC_ID_ADPCM_SWF;
    case SoundCodec::Mp3: return AV_CODEC_ID_MP3;
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Nellymoser8k:
    case SoundCodec::Nellymoser: return AV_CODEC_ID_NELLYMOSER;
    case SoundCodec::G711ALaw: return AV_CODEC_ID_PCM_ALAW;
    case SoundCodec::G711MuLaw: return AV_CODEC_ID_PCM_MULAW;
    case SoundCodec::Speex: return AV_CODEC_ID_SPEEX;
    }
    return AV_CODEC_ID_NONE;
}

// Damaged sound data is the movie's business, not the terminal's: FFmpeg's
// complaints about it stay unsaid.
void quietLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

bool isMp3(const SoundFormat& f) { return f.codec == std::uint8_t(SoundCodec::Mp3); }

// Nellymoser and Speex carry one channel whatever the field says.
int codedChannels(const SoundFormat& f)
{
    const auto c = static_cast<SoundCodec>(f.codec);
    if (c == SoundCodec::Nellymoser || c == SoundCodec::Nellymoser8k || c == SoundCodec::Nellymoser16k
        || c == SoundCodec::Speex)
        return 1;
    return f.channels();
}

std::int16_t readS16(std::span<const std::uint8_t> d, std::size_t at)
{
    return std::int16_t(d[at] | (d[at + 1] << 8));
}

} // namespace

// One FFmpeg decoder with what feeds it (a frame splitter for MP3) and what
// converts its output to interleaved 16-bit samples of the declared layout.
struct StreamDecoder::Codec {
    AVCodecContext* context = nullptr;
    AVCodecParserContext* parser = nullptr;
    SwrContext* convert = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int outChannels = 1;
    double rate = 0; // of the decoded frames, once one came

    Codec(const SoundFormat& format, int channels)
        : outChannels(channels)
    {
        quietLibrary();
        const AVCodec* codec = avcodec_find_decoder(codecId(format));
        if (!codec)
            return;
        context = avcodec_alloc_context3(codec);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!context || !packet || !frame) {
            release();
            return;
        }
        av_channel_layout_default(&context->ch_layout, codedChannels(format));
        context->sample_rate = int(std::lround(format.rate()));
        if (avcodec_open2(context, codec, nullptr) < 0) {
            release();
            return;
        }
        if (isMp3(format))
            parser = av_parser_init(AV_CODEC_ID_MP3);
    }
    ~Codec() { release(); }

    void release()
    {
        av_parser_close(parser);
        parser = nullptr;
        avcodec_free_context(&context);
        av_packet_free(&packet);
        av_frame_free(&frame);
        swr_free(&convert);
    }

    void flush()
    {
        if (context)
            avcodec_flush_buffers(context);
        if (parser) {
            av_parser_close(parser);
            parser = av_parser_init(AV_CODEC_ID_MP3);
        }
    }

    // Decodes `data` as it comes (split into frames first when a splitter is
    // needed), appending to `out`.
    void decode(std::span<const std::uint8_t> data, std::vector<std::int16_t>& out)
    {
        if (!context)
            return;
        if (!parser) {
            send(data.data(), data.size(), out);
            return;
        }
        // The splitter reads with some slack past the end.
        std::vector<std::uint8_t> padded(data.begin(), data.end());
        padded.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        const std::uint8_t* at = padded.data();
        int left = int(data.size());
        while (left > 0) {
            std::uint8_t* frameData = nullptr;
            int frameSize = 0;
            const int used = av_parser_parse2(parser, context, &frameData, &frameSize, at, left, AV_NOPTS_VALUE,
                                              AV_NOPTS_VALUE, 0);
            if (used < 0)
                break;
            at += used;
            left -= used;
            if (frameSize > 0)
                send(frameData, std::size_t(frameSize), out);
            if (used == 0 && frameSize == 0)
                break;
        }
        // The last frame waits in the splitter for the next one: a block or
        // a sound ends at a frame's end, so it goes now.
        std::uint8_t* frameData = nullptr;
        int frameSize = 0;
        av_parser_parse2(parser, context, &frameData, &frameSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (frameSize > 0)
            send(frameData, std::size_t(frameSize), out);
    }

    void send(const std::uint8_t* data, std::size_t size, std::vector<std::int16_t>& out)
    {
        if (size == 0 || size > std::size_t(INT32_MAX) - AV_INPUT_BUFFER_PADDING_SIZE)
            return;
        if (av_new_packet(packet, int(size)) < 0)
            return;
        std::copy_n(data, size, packet->data);
        const int sent = avcodec_send_packet(context, packet);
        av_packet_unref(packet);
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return;
        while (avcodec_receive_frame(context, frame) == 0) {
            append(out);
            av_frame_unref(frame);
        }
    }

    void append(std::vector<std::int16_t>& out)
    {
        if (frame->nb_samples <= 0 || frame->ch_layout.nb_channels <= 0 || frame->sample_rate <= 0)
            return;
        const std::size_t have = out.size() / std::size_t(outChannels);
        if (have >= limits::kMaxSoundFrames)
            return;
        if (!convert || rate != frame->sample_rate) {
            swr_free(&convert);
            AVChannelLayout outLayout;
            av_channel_layout_default(&outLayout, outChannels);
            if (swr_alloc_set_opts2(&convert, &outLayout, AV_SAMPLE_FMT_S16, frame->sample_rate, &frame->ch_layout,
                                    AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr)
                    < 0
                || swr_init(convert) < 0) {
                swr_free(&convert);
                return;
            }
            rate = frame->sample_rate;
        }
        const int count = int(std::min<std::size_t>(std::size_t(frame->nb_samples), limits::kMaxSoundFrames - have));
        const std::size_t at = out.size();
        out.resize(at + std::size_t(count) * std::size_t(outChannels));
        auto* target = reinterpret_cast<std::uint8_t*>(out.data() + at);
        const int made = swr_convert(convert, &target, count, const_cast<const std::uint8_t**>(frame->extended_data),
                                     frame->nb_samples);
        out.resize(at + std::size_t(std::max(made, 0)) * std::size_t(outChannels));
    }
};

StreamDecoder::StreamDecoder(const SoundFormat& format)
    : m_format(format)
    , m_codec(std::make_unique<Codec>(format, codedChannels(format)))
{
}

StreamDecoder::~StreamDecoder() = default;

double StreamDecoder::rate() const
{
    return m_codec->rate > 0 && isMp3(m_format) ? m_codec->rate : m_format.rate();
}

int StreamDecoder::channels() const
{
    return m_codec->outChannels;
}

void StreamDecoder::reset()
{
    m_codec->flush();
}

void StreamDecoder::decodeBlock(std::span<const std::uint8_t> block, bool first, std::vector<std::int16_t>& out)
{
    if (!isMp3(m_format)) {
        m_codec->decode(block, out);
        return;
    }
    // An MP3 block: its sample count, its seek samples, then whole frames.
    if (block.size() < 4)
        return;
    const int seek = readS16(block, 2);
    const std::size_t at = out.size();
    m_codec->decode(block.subspan(4), out);
    if (first && seek > 0) {
        const std::size_t skip = std::min(out.size() - at, std::size_t(seek) * std::size_t(m_codec->outChannels));
        out.erase(out.begin() + std::ptrdiff_t(at), out.begin() + std::ptrdiff_t(at + skip));
    }
}

Pcm decodeSound(const DefineSound& sound)
{
    Pcm pcm;
    pcm.channels = codedChannels(sound.format);
    pcm.rate = sound.format.rate();
    std::span<const std::uint8_t> data = sound.data;
    int seek = 0;
    if (isMp3(sound.format)) {
        if (data.size() < 2)
            return pcm;
        seek = readS16(data, 0);
        data = data.subspan(2);
    }
    StreamDecoder::Codec codec(sound.format, pcm.channels);
    codec.decode(data, pcm.samples);
    if (codec.rate > 0 && isMp3(sound.format))
        pcm.rate = codec.rate;
    const std::size_t channels = std::size_t(pcm.channels);
    if (seek > 0)
        pcm.samples.erase(pcm.samples.begin(),
                          pcm.samples.begin() + std::ptrdiff_t(std::min(pcm.samples.size(), std::size_t(seek) * channels)));
    // The declared count ends the sound where a codec's last block runs over
    // (ADPCM and MP3 fill whole blocks); a count beyond the data adds nothing.
    if (sound.sampleCount > 0 && pcm.samples.size() > std::size_t(sound.sampleCount) * channels)
        pcm.samples.resize(std::size_t(sound.sampleCount) * channels);
    return pcm;
}

Pcm decodeMp3File(std::span<const std::uint8_t> bytes)
{
    Pcm pcm;
    SoundFormat format{std::uint8_t(SoundCodec::Mp3), 3, true, true};
    pcm.channels = 2;
    StreamDecoder::Codec codec(format, 2);
    codec.decode(bytes, pcm.samples);
    pcm.rate = codec.rate > 0 ? codec.rate : 44100;
    return pcm;
}

} // namespace swf::sound
