#pragma once

// Reads a whole movie into records: the container and header, then every tag,
// sprites' tags included. Nothing from the file is trusted: a tag whose body
// cannot be read is kept as an UnknownTag and noted in Movie::warnings; a
// stream cut short keeps the tags before the cut (Movie::truncated). Only a
// file that is not a movie at all, or whose header cannot be read, is an error.

#include "common/result.h"
#include "swf/format/records.h"
#include "swf/format/tag_stream.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace swf {

veskor::Result<Movie> readMovie(std::span<const std::uint8_t> file);
veskor::Result<Movie> readMovie(const std::filesystem::path& path);

// Reads the file's bytes, refusing files past limits::kMaxMovieSize.
veskor::Result<Bytes> readFileBytes(const std::filesystem::path& path);

// Decodes one tag body. Sprites are read with their tags; `swfVersion` decides
// the few layouts that changed between versions (clip event flags).
// A body that cannot be read gives an error, and the caller keeps it as unknown.
veskor::Result<Tag> readTag(const RawTag& raw, std::uint8_t swfVersion);

} // namespace swf
