#pragma once

// Unpacking the compressed parts of bitmap records, bounded by the sizes the
// records imply and by the bitmap limits, and telling the image kinds apart.

#include "common/result.h"
#include "swf/format/records.h"

#include <span>

namespace swf {

// Bytes a lossless bitmap unpacks to: the colour table (format 3) followed by
// rows padded to four bytes. 0 for an unknown format.
std::size_t losslessDataSize(const DefineBitsLossless& bitmap);

// The unpacked pixel data of a lossless bitmap: exactly losslessDataSize()
// bytes. Errors: a bitmap past the limits, data that does not unpack, or too
// little data.
veskor::Result<Bytes> inflateLossless(const DefineBitsLossless& bitmap);

// The alpha plane of DefineBitsJpeg3/4: exactly width * height bytes.
veskor::Result<Bytes> inflateAlpha(const DefineBitsJpeg& bitmap, std::uint32_t width, std::uint32_t height);

// Zlib data unpacked to at most `maxSize` bytes (more is an error).
veskor::Result<Bytes> inflateBounded(std::span<const std::uint8_t> data, std::size_t maxSize);

// Zlib data unpacked to at most `limit` bytes, keeping whatever came out: false
// when the data ends or breaks before `limit` bytes. Like inflateBounded the
// output grows with what the data really holds, so data that claims a large
// size but holds a few bytes allocates little.
bool inflateLimited(std::span<const std::uint8_t> data, std::size_t limit, Bytes& out);

// Packs bytes with zlib (for the writer's users: lossless bitmaps, alpha planes).
Bytes deflateBytes(std::span<const std::uint8_t> data);

// JPEG, PNG or GIF by their signatures (DefineBitsJpeg2..4 may hold any of them).
ImageFormat detectImageFormat(std::span<const std::uint8_t> data);

// True when width and height are inside the bitmap limits.
bool bitmapSizeAllowed(std::uint32_t width, std::uint32_t height);

} // namespace swf
