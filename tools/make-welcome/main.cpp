// veskor-make-welcome OUT.swf: writes the program's start-up movie.

#include "welcome_movie.h"

#include "swf/format/writer.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: veskor-make-welcome OUT.swf\n");
        return 2;
    }
    const swf::Movie movie = welcome::welcomeMovie();
    auto written = swf::writeMovieFile(movie, std::filesystem::path(argv[1]), swf::Compression::Zlib);
    if (!written.ok()) {
        std::fprintf(stderr, "veskor-make-welcome: %s\n", written.error().message.c_str());
        return 1;
    }
    return 0;
}
