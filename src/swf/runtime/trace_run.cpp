#include "swf/runtime/trace_run.h"

#include "swf/movie/character_dictionary.h"
#include "swf/runtime/movie_runtime.h"

#include <algorithm>

namespace swf::runtime {

std::string traceMovie(const Movie& movie, int frames)
{
    movie::CharacterDictionary dictionary(movie.tags);
    MovieRuntime runtime(movie, dictionary);
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
    if (movie.header.frameRate() <= 0)
        frames = std::min(frames, 1);
    for (int i = 0; i < frames; ++i)
        runtime.advance();
    return out;
}

} // namespace swf::runtime
