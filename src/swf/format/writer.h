#pragma once

// Turns records back into bytes: the mirror of reader.h. Every record the
// reader produces writes back to bytes that read as the same record, which the
// tests check; test movies and the start-up movie are written with it.

#include "common/result.h"
#include "swf/format/records.h"

#include <cstdint>
#include <filesystem>

namespace swf {

// One tag with its tag header. `swfVersion` decides the clip event layout.
Bytes writeTag(const Tag& tag, std::uint8_t swfVersion);

// A whole movie. The header's frame count and file length are written as
// given and as measured; `compression` overrides header.compression.
// An End tag is added when the tag list does not end with one.
Bytes writeMovie(const Movie& movie, Compression compression = Compression::None);

veskor::Result<void> writeMovieFile(const Movie& movie, const std::filesystem::path& path,
                                    Compression compression = Compression::None);

} // namespace swf
