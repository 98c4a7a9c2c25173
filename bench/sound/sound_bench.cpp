// Decoding and mixing cost per second of sound, as a share of one core: an
// MP3 stream at 44.1 kHz in stereo, fed a frame's block at a time as a movie
// at 12 frames a second feeds it, and an event sound of the same length.
// The target is at most 1% of a core for the stream.

#include "swf/sound/mixer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 30;
constexpr double kFrameRate = 12;

// MP3 frames of a two-tone stereo signal, each with its sample count.
std::vector<std::vector<std::uint8_t>> encodeMp3()
{
    std::vector<std::vector<std::uint8_t>> frames;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP3);
    if (!codec)
        return frames;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    av_channel_layout_default(&c->ch_layout, 2);
    c->sample_rate = kRate;
    c->sample_fmt = codec->sample_fmts[0];
    c->bit_rate = 128000;
    if (avcodec_open2(c, codec, nullptr) < 0)
        return frames;
    AVFrame* f = av_frame_alloc();
    AVPacket* p = av_packet_alloc();
    const int total = kRate * kSeconds;
    for (int at = 0; at < total; at += c->frame_size) {
        f->nb_samples = c->frame_size;
        f->format = c->sample_fmt;
        av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
        f->sample_rate = kRate;
        av_frame_get_buffer(f, 0);
        for (int i = 0; i < c->frame_size; ++i) {
            const double t = double(at + i) / kRate;
            for (int ch = 0; ch < 2; ++ch) {
                const float v = float(0.3 * std::sin(2 * std::numbers::pi * (ch ? 660 : 440) * t));
                if (c->sample_fmt == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(f->data[ch])[i] = v;
                else if (c->sample_fmt == AV_SAMPLE_FMT_S16P)
                    reinterpret_cast<std::int16_t*>(f->data[ch])[i] = std::int16_t(v * 32767);
                else if (c->sample_fmt == AV_SAMPLE_FMT_S32P)
                    reinterpret_cast<std::int32_t*>(f->data[ch])[i] = std::int32_t(v * 2147483647.0f);
            }
        }
        avcodec_send_frame(c, f);
        av_frame_unref(f);
        while (avcodec_receive_packet(c, p) == 0) {
            frames.emplace_back(p->data, p->data + p->size);
            av_packet_unref(p);
        }
    }
    av_packet_free(&p);
    av_frame_free(&f);
    avcodec_free_context(&c);
    return frames;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main()
{
    av_log_set_level(AV_LOG_QUIET);
    const auto mp3 = encodeMp3();
    if (mp3.empty()) {
        std::printf("no MP3 encoder: nothing measured\n");
        return 0;
    }
    const swf::SoundFormat format{std::uint8_t(swf::SoundCodec::Mp3), 3, true, true};
    const swf::SoundStreamHead head{2, format, format, 3675, 0};
    // Blocks of whole MP3 frames, as many as keep up with the frames.
    std::vector<std::vector<std::uint8_t>> blocks;
    std::size_t next = 0;
    const int movieFrames = int(kSeconds * kFrameRate);
    for (int f = 0; f < movieFrames; ++f) {
        std::vector<std::uint8_t> block{0, 0, 0, 0};
        const auto due = std::size_t(std::ceil((f + 1) * kRate / kFrameRate / 1152.0));
        for (; next < due && next < mp3.size(); ++next)
            block.insert(block.end(), mp3[next].begin(), mp3[next].end());
        blocks.push_back(std::move(block));
    }

    swf::sound::Mixer mixer;
    std::vector<std::int16_t> out;
    std::size_t mixed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < movieFrames; ++f) {
        mixer.streamBlock(1, head, blocks[std::size_t(f)], f > 0);
        const auto until = std::size_t(std::llround((f + 1) * kRate / kFrameRate));
        out.resize((until - mixed) * 2);
        mixer.mix(out.data(), until - mixed);
        mixed = until;
    }
    const double streamShare = seconds(start) / kSeconds;

    // The same length as an event sound: decoded once, then mixed.
    std::vector<std::uint8_t> whole{0, 0};
    for (const auto& frame : mp3)
        whole.insert(whole.end(), frame.begin(), frame.end());
    const auto eventStart = std::chrono::steady_clock::now();
    swf::sound::Mixer events;
    const swf::DefineSound sound{1, format, std::uint32_t(kRate * kSeconds), whole};
    events.start(events.decoded(sound), {}, 0);
    std::vector<std::int16_t> buffer(4410 * 2);
    for (int i = 0; i < kSeconds * 10; ++i)
        events.mix(buffer.data(), 4410);
    const double eventShare = seconds(eventStart) / kSeconds;

    std::printf("MP3 stream, 44.1 kHz stereo, 12 fps: %.3f%% of a core per second of sound (target 1%%)\n",
                streamShare * 100);
    std::printf("MP3 event sound, decoded once and mixed: %.3f%% of a core per second of sound\n", eventShare * 100);
    return 0;
}
