#include "swf/sound/support/tones.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <numbers>

namespace swf::test {

std::vector<std::int16_t> sineTone(double frequency, double rate, std::size_t frames, int channels, double amplitude)
{
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = std::sin(2 * std::numbers::pi * frequency * double(i) / rate) * amplitude;
        out.push_back(std::int16_t(std::lround(v)));
        if (channels == 2)
            out.push_back(std::int16_t(std::lround(v / 2)));
    }
    return out;
}

namespace {

// Encodes with FFmpeg, packets concatenated (ADPCM: a single packet of
// 4096 samples, whose header the whole sound shares).
Bytes encodeWith(AVCodecID id, int rate, int channels, const std::vector<std::int16_t>& samples, int& delay,
                 std::vector<Bytes>* packets = nullptr)
{
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec)
        return {};
    AVCodecContext* c = avcodec_alloc_context3(codec);
    av_channel_layout_default(&c->ch_layout, channels);
    c->sample_rate = rate;
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    c->bit_rate = 64000;
    Bytes out;
    if (avcodec_open2(c, codec, nullptr) < 0) {
        avcodec_free_context(&c);
        return {};
    }
    delay = c->initial_padding;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const std::size_t total = samples.size() / std::size_t(channels);
    const std::size_t step = c->frame_size > 0 ? std::size_t(c->frame_size) : total;
    auto drain = [&] {
        while (avcodec_receive_packet(c, packet) == 0) {
            out.insert(out.end(), packet->data, packet->data + packet->size);
            if (packets)
                packets->emplace_back(packet->data, packet->data + packet->size);
            av_packet_unref(packet);
        }
    };
    for (std::size_t at = 0; at < total; at += step) {
        frame->nb_samples = int(step);
        frame->format = c->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
        frame->sample_rate = rate;
        av_frame_get_buffer(frame, 0);
        for (std::size_t i = 0; i < step; ++i) {
            for (int ch = 0; ch < channels; ++ch) {
                const std::size_t src = (at + i) * std::size_t(channels) + std::size_t(ch);
                const std::int16_t s = src < samples.size() ? samples[src] : 0;
                switch (c->sample_fmt) {
                case AV_SAMPLE_FMT_S16: reinterpret_cast<std::int16_t*>(frame->data[0])[i * channels + ch] = s; break;
                case AV_SAMPLE_FMT_S16P: reinterpret_cast<std::int16_t*>(frame->data[ch])[i] = s; break;
                case AV_SAMPLE_FMT_FLT: reinterpret_cast<float*>(frame->data[0])[i * channels + ch] = s / 32768.0f; break;
                case AV_SAMPLE_FMT_FLTP: reinterpret_cast<float*>(frame->data[ch])[i] = s / 32768.0f; break;
                case AV_SAMPLE_FMT_S32P: reinterpret_cast<std::int32_t*>(frame->data[ch])[i] = s * 65536; break;
                default: break;
                }
            }
        }
        avcodec_send_frame(c, frame);
        av_frame_unref(frame);
        drain();
    }
    avcodec_send_frame(c, nullptr);
    drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&c);
    return out;
}

} // namespace

std::vector<Bytes> encodeMp3Frames(int rate, int channels, const std::vector<std::int16_t>& samples, int& delay)
{
    std::vector<Bytes> frames;
    encodeWith(AV_CODEC_ID_MP3, rate, channels, samples, delay, &frames);
    return frames;
}

Bytes encodeSound(const SoundFormat& format, const std::vector<std::int16_t>& samples)
{
    const int channels = format.channels();
    const int rate = int(std::lround(format.rate()));
    int delay = 0;
    switch (static_cast<SoundCodec>(format.codec)) {
    case SoundCodec::PcmNative:
    case SoundCodec::PcmLittle: {
        Bytes out;
        for (const std::int16_t s : samples) {
            if (format.sixteenBit) {
                out.push_back(std::uint8_t(s & 0xFF));
                out.push_back(std::uint8_t(std::uint16_t(s) >> 8));
            } else {
                out.push_back(std::uint8_t((s >> 8) + 128));
            }
        }
        return out;
    }
    case SoundCodec::Adpcm: return encodeWith(AV_CODEC_ID_ADPCM_SWF, rate, channels, samples, delay);
    case SoundCodec::Nellymoser:
    case SoundCodec::Nellymoser8k:
    case SoundCodec::Nellymoser16k: return encodeWith(AV_CODEC_ID_NELLYMOSER, rate, 1, samples, delay);
    case SoundCodec::Mp3: {
        Bytes frames = encodeWith(AV_CODEC_ID_MP3, rate, channels, samples, delay);
        if (frames.empty())
            return {};
        Bytes out{std::uint8_t(delay & 0xFF), std::uint8_t(delay >> 8)};
        out.insert(out.end(), frames.begin(), frames.end());
        return out;
    }
    default: return {};
    }
}

Analysis analyse(const std::vector<std::int16_t>& stereo, int channel, std::size_t from, std::size_t to, int threshold)
{
    Analysis a;
    const std::size_t pairs = std::min(stereo.size() / 2, to);
    auto at = [&](std::size_t i) { return int(stereo[i * 2 + std::size_t(channel)]); };
    std::size_t first = pairs, last = 0;
    for (std::size_t i = from; i < pairs; ++i) {
        if (std::abs(at(i)) > threshold) {
            first = std::min(first, i);
            last = i + 1;
        }
    }
    if (first >= last)
        return a;
    a.start = first;
    a.end = last;
    int crossings = 0;
    double sum = 0;
    std::size_t firstCross = 0, lastCross = 0;
    for (std::size_t i = first + 1; i < last; ++i) {
        sum += double(at(i)) * at(i);
        if ((at(i - 1) < 0) != (at(i) < 0)) {
            if (crossings == 0)
                firstCross = i;
            lastCross = i;
            ++crossings;
        }
    }
    a.rms = std::sqrt(sum / double(last - first));
    // Two crossings a period; the rate is the output's.
    if (crossings > 2)
        a.frequency = (crossings - 1) / 2.0 * 44100.0 / double(lastCross - firstCross);
    return a;
}

} // namespace swf::test
