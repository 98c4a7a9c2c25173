#include "swf/runtime/trace_run.h"

#include "common/failure.h"
#include "swf/movie/character_dictionary.h"

#include <algorithm>

namespace swf::runtime {

Trace traceMovie(const Movie& movie, const TraceOptions& options)
{
    Trace trace;
    trace.failure = veskor::failureOf([&] {
        movie::CharacterDictionary dictionary(movie.tags);
        MovieRuntime runtime(movie, dictionary, options.randomSeed);
        runtime.traceSink = [&trace](const std::string& line) {
            // A runaway script could trace without end; a few megabytes is plenty.
            if (trace.output.size() < (8u << 20)) {
                trace.output += line;
                trace.output += '\n';
            }
        };
        runtime.start();
        // A movie whose rate is 0 moves on once in that time, as the original player did.
        const int frames = movie.header.frameRate() <= 0 ? std::min(options.frames, 1) : options.frames;
        for (int i = 0; i < frames; ++i)
            runtime.advance();
    });
    return trace;
}

} // namespace swf::runtime
