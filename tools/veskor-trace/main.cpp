// veskor-trace MOVIE.swf [--frames N]
//
// Plays a movie without a window for its first frame and N more (10 unless
// told), on the movie's own clock and as fast as the machine allows, and
// prints each trace() call of its scripts on a line of its own.

#include "swf/format/reader.h"
#include "swf/runtime/trace_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    const char* path = nullptr;
    int frames = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fprintf(stderr, "usage: veskor-trace MOVIE.swf [--frames N]\n");
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (!path || frames < 0) {
        std::fprintf(stderr, "usage: veskor-trace MOVIE.swf [--frames N]\n");
        return 2;
    }
    auto movie = swf::readMovie(std::filesystem::path(path));
    if (!movie.ok()) {
        std::fprintf(stderr, "veskor-trace: %s: %s\n", path, movie.error().message.c_str());
        return 1;
    }
    const std::string out = swf::runtime::traceMovie(*movie, frames);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return 0;
}
