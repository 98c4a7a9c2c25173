#pragma once

// The outer layer of a movie file: the signature ("FWS" plain, "CWS" zlib,
// "ZWS" LZMA), the version, the declared length, and then the (decompressed)
// header fields and the tag stream.
//
// ZWS layout: "ZWS", version, UI32 uncompressed length (as in the other
// kinds), UI32 compressed length, 5 bytes of LZMA properties, then raw LZMA
// data without the 8-byte size field of the .lzma format.

#include "common/result.h"
#include "swf/format/records.h"

#include <cstdint>
#include <span>

namespace swf {

struct Container {
    Header header;
    // The tag stream: everything after the header fields.
    Bytes tagData;
    // The file ended (or the compressed data stopped) before its declared length.
    bool truncated = false;
    // The bytes present (uncompressed, signature included), up to the declared length.
    std::uint32_t loadedLength = 0;
};

// Checks the signature and decompresses. Errors: not a movie, empty, too short,
// larger than limits::kMaxMovieSize, compressed data unreadable from the start,
// header fields cut off.
veskor::Result<Container> openContainer(std::span<const std::uint8_t> file);

// Just the header, decompressing no more than the header needs.
veskor::Result<Header> readHeader(std::span<const std::uint8_t> file);

} // namespace swf
