// swf_script_seeds OUT-FOLDER MOVIE... : the frame scripts of real movies as
// inputs for swf_script_fuzzer (a version byte, a frame-count byte, then the
// action bytes), one file per script, so that fuzzing starts from scripts
// that do real work.

#include "swf/format/reader.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int written = 0;

void collect(const std::vector<swf::Tag>& tags, std::uint8_t version, const std::filesystem::path& out)
{
    for (const swf::Tag& tag : tags) {
        if (const auto* action = std::get_if<swf::DoAction>(&tag)) {
            std::ofstream file(out / ("seed" + std::to_string(++written)), std::ios::binary);
            file.put(char(version >= 5 ? version - 5 : 0));
            file.put(char(2));
            file.write(reinterpret_cast<const char*>(action->actions.data()), std::streamsize(action->actions.size()));
        } else if (const auto* sprite = std::get_if<swf::DefineSprite>(&tag)) {
            collect(sprite->tags, version, out);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: swf_script_seeds OUT-FOLDER MOVIE...\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    for (int i = 2; i < argc; ++i) {
        auto movie = swf::readMovie(std::filesystem::path(argv[i]));
        if (movie.ok())
            collect(movie->tags, movie->header.version, out);
    }
    std::printf("%d scripts written\n", written);
    return 0;
}
