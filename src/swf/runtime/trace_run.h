#pragma once

// Plays a movie headless and collects what its scripts trace: the first frame
// and `frames` more, on the movie's own clock.

#include "swf/format/records.h"

#include <string>

namespace swf::runtime {

std::string traceMovie(const Movie& movie, int frames = 10);

} // namespace swf::runtime
