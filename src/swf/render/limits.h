#pragma once

// Bounds on the pictures the renderer keeps for a movie and on what a bitmap's
// declared size may make it allocate. Past a cache bound the oldest pictures
// go (and are made again when drawn); the movie plays on.

#include <cstdint>

namespace swf::render {

// Decoded bitmaps kept at once; the least recently drawn go first.
inline constexpr std::int64_t kMaxDecodedBitmapBytes = 512ll * 1024 * 1024;

// Colour-transformed and padded copies of bitmaps, all dropped when full:
// tweens that tint a bitmap make a new transform every frame.
inline constexpr std::int64_t kMaxBitmapCopyBytes = 96ll * 1024 * 1024;

// Pictures of drawn characters kept between frames (raster_cache.h), shared
// by the threads that draw one movie; the least recently drawn go first.
inline constexpr std::int64_t kMaxRasterCacheBytes = 96ll * 1024 * 1024;

// A character covering more device pixels than this is drawn each time
// rather than kept: a few of them would fill the cache.
inline constexpr std::int64_t kMaxRasterPixels = 1920ll * 1080;

// A lossless bitmap whose data stops short shows what there is, the rest
// transparent, only up to this many pixels: a few bytes must not make a
// picture of hundreds of megabytes.
inline constexpr std::int64_t kMaxPartialBitmapPixels = 1024 * 1024;

} // namespace swf::render
