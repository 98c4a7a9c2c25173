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

struct Trace {
    std::string output;
    // Why the movie stopped early (it ran out of memory); empty when it played through.
    std::string failure;
};

Trace traceMovie(const Movie& movie, const TraceOptions& options = {});

} // namespace swf::runtime
