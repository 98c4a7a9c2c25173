#pragma once

// Hard limits that keep any movie, however made, from exhausting the machine.
// A movie past one of them either loads with the offending part left out (the
// reader records a warning) or fails to load with a message saying which limit.

#include <cstddef>
#include <cstdint>

namespace swf::limits {

// Uncompressed size of a movie (header and tags). Teaching movies are a few
// megabytes; the largest real-world movies stay well below this.
inline constexpr std::size_t kMaxMovieSize = 256u * 1024 * 1024;

// Tags in a movie, counting those inside sprites. Past it the rest is dropped.
inline constexpr std::size_t kMaxTagCount = 2'000'000;

// Memory the decoded records of one movie may take. Records are larger than
// their bytes (a 2-byte ShowFrame is a few hundred bytes decoded, an edge of
// two bytes a hundred), so a movie of tiny records could otherwise turn 256
// MiB of file into tens of gigabytes. Past it the rest of the movie is dropped.
inline constexpr std::size_t kMaxDecodedSize = 512u * 1024 * 1024;

// DefineSprite inside DefineSprite is not valid, but broken movies have it;
// deeper nesting than this is read as an unknown tag.
inline constexpr int kMaxSpriteNesting = 4;

// Bitmaps: each side, and the whole pixel count (64 Mpx = 256 MiB as ARGB).
inline constexpr std::uint32_t kMaxBitmapSide = 16384;
inline constexpr std::uint64_t kMaxBitmapPixels = 64ull * 1024 * 1024;

// Records in one shape or glyph (edges and style changes together).
inline constexpr std::size_t kMaxShapeRecords = 1'000'000;

// Memory the LZMA decoder may use for its dictionary.
inline constexpr std::uint64_t kMaxLzmaMemory = 512ull * 1024 * 1024;

// Numbers a script may give a convolution filter's matrix: it keeps every one
// it is given, however long the list claims to be.
inline constexpr std::size_t kMaxFilterMatrixValues = 65536;

} // namespace swf::limits
