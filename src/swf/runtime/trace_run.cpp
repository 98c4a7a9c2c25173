#include "swf/runtime/trace_run.h"

#include "swf/movie/character_dictionary.h"
#include "swf/runtime/movie_runtime.h"

#include <algorithm>

namespace swf::runtime {

std::string traceMovie(const Movie& movie, const TraceOptions& options)
{
    movie::CharacterDictionary dictionary(movie.tags);
    MovieRuntime runtime(movie, dictionary, options.randomSeed);
    std::string out;
    runtime.traceSink = [&out](const std::string& line) {
        // A runaway script could trace without end; a few megabytes is plenty.
        if (out.size() < (8u << 20)) {
            out += line;
            out += '\n';
        }
    };
    runtime.start();
    // A movie whose rate is 0 moves on once in that time, as the original player did.
    const int frames = movie.header.frameRate() <= 0 ? std::min(options.frames, 1) : options.frames;
    for (int i = 0; i < frames; ++i)
        runtime.advance();
    return out;
}

} // namespace swf::runtime
