#pragma once

// Plays a movie headless and collects what its scripts trace: the first frame
// and `frames` more, on the movie's own clock.

#include "swf/format/records.h"
#include "swf/runtime/movie_runtime.h"

#include <cstdint>
#include <string>

namespace swf::runtime {

struct TraceOptions {
    int frames = 10;
    std::uint32_t randomSeed = kRepeatableSeed;
};

std::string traceMovie(const Movie& movie, const TraceOptions& options = {});

} // namespace swf::runtime
