#pragma once

// What a movie's sounds may take.

#include <cstddef>

namespace swf::sound::limits {

// The longest sound decoded (ten minutes at 44.1 kHz): the rest of a longer
// one is left out. Declared sample counts are never trusted for memory.
inline constexpr std::size_t kMaxSoundFrames = 44100 * 600;
// Sound instances playing at once; a start beyond it is ignored, as the
// original player limited its channels.
inline constexpr std::size_t kMaxVoices = 32;
// Decoded stream samples waiting to play, per stream (ten seconds): a stream
// whose blocks carry more than its frames play drops the excess.
inline constexpr std::size_t kMaxStreamBacklog = 44100 * 10;

} // namespace swf::sound::limits
