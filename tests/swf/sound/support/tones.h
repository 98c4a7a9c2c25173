#pragma once

// Sounds of known content for the sound tests: sine tones, encoded in the
// movie's codecs with FFmpeg's encoders, and what the mixed output says of
// them (where a tone starts and ends, its frequency, its level).

#include "swf/format/sounds.h"

#include <cstdint>
#include <vector>

namespace swf::test {

// A sine tone at `frequency` of `frames` samples a channel; the right
// channel (when stereo) at half the left's amplitude.
std::vector<std::int16_t> sineTone(double frequency, double rate, std::size_t frames, int channels,
                                   double amplitude = 16000);

// The codec data of a DefineSound holding `samples` (interleaved) in `format`,
// an MP3's seek samples included; empty when no encoder is at hand.
Bytes encodeSound(const SoundFormat& format, const std::vector<std::int16_t>& samples);

// The MP3 frames of `samples` one by one, and the encoder's delay in samples.
std::vector<Bytes> encodeMp3Frames(int rate, int channels, const std::vector<std::int16_t>& samples, int& delay);

// Stereo output pairs, one channel's view.
struct Analysis {
    std::size_t start = 0; // first pair above the threshold
    std::size_t end = 0;   // one past the last
    double frequency = 0;  // from the zero crossings between them
    double rms = 0;        // between them
};
Analysis analyse(const std::vector<std::int16_t>& stereo, int channel, std::size_t from = 0,
                 std::size_t to = SIZE_MAX, int threshold = 300);

} // namespace swf::test
