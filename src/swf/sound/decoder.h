#pragma once

// Turns the codec data of sound definitions and stream blocks into 16-bit
// samples, through FFmpeg's decoders (one per codec, PCM included). Damaged
// data gives what could be decoded before the damage, never an error.

#include "swf/format/sounds.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace swf::sound {

// Decoded samples at the sound's own rate, interleaved when stereo.
struct Pcm {
    double rate = 44100;
    int channels = 1;
    std::vector<std::int16_t> samples;

    std::size_t frames() const { return channels > 0 ? samples.size() / std::size_t(channels) : 0; }
};

// The samples of a DefineSound: `sampleCount` frames at most (an MP3's seek
// samples, the encoder's delay, skipped first).
Pcm decodeSound(const DefineSound& sound);

// The samples of an MP3 file's frames (loadSound).
Pcm decodeMp3File(std::span<const std::uint8_t> bytes);

// A stream's decoder: its blocks arrive one at a time, and a codec that keeps
// state from block to block (MP3's bit reservoir) keeps it until reset().
class StreamDecoder {
public:
    explicit StreamDecoder(const SoundFormat& format);
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    const SoundFormat& format() const { return m_format; }
    // Samples a second of what it decodes (an MP3's own rate once a frame came).
    double rate() const;
    int channels() const;
    // Appends the samples of one SoundStreamBlock to `out` (interleaved at
    // the format's channels). `first`: the block starts the stream, so an
    // MP3 block's seek samples are skipped.
    void decodeBlock(std::span<const std::uint8_t> block, bool first, std::vector<std::int16_t>& out);
    void reset();

    // The decoder behind it (FFmpeg's), shared with decodeSound().
    struct Codec;

private:
    SoundFormat m_format;
    std::unique_ptr<Codec> m_codec;
};

} // namespace swf::sound
