// Sounds a movie loads from its folder: a chain of loads, each asked for by
// the onLoad of the one before, arrives within one frame; a streaming sound
// whose file is there arrives before loadSound returns.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/format/writer.h"
#include "swf/runtime/trace_run.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace swf {
namespace {

namespace fs = std::filesystem;

using script::test::assembled;

// `name` = new Sound(); `name`.onLoad = `handler`; `name`.loadSound(`file`, `streaming`).
std::string loadSound(const std::string& name, const std::string& handler, const std::string& file,
                      bool streaming = false)
{
    return "push \"" + name + "\", 0, \"Sound\"\nNewObject\nSetVariable\npush \"" + name + "\"\nGetVariable\n"
           + "push \"onLoad\", \"" + handler + "\"\nGetVariable\nSetMember\npush "
           + (streaming ? "true" : "false") + ", \"" + file + "\", 2, \""
           + name + "\"\nGetVariable\npush \"loadSound\"\nCallMethod\nPop\n";
}

// Traces `label` and the handler's first argument.
std::string tracing(const std::string& label)
{
    return "push \"" + label + " \", \"ok\"\nGetVariable\nAdd2\nTrace\n";
}

TEST(SoundLoading, ALoadAskedForByAnOnLoadArrivesInTheSameFrame)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        std::ofstream(dir / name, std::ios::binary) << "not really an MP3";

    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled("function third ok\n" + tracing("third") + "end\n"
                             + "function second ok\n" + tracing("second") + loadSound("u", "third", "c.mp3") + "end\n"
                             + "function first ok\n" + tracing("first") + loadSound("t", "second", "b.mp3") + "end\n"
                             + loadSound("s", "first", "a.mp3") + "push \"asked\"\nTrace\n")})
        .showFrame();
    b.add(DoAction{assembled("push \"frame 2\"\nTrace\n")}).showFrame();
    const fs::path path = dir / "movie.swf";
    ASSERT_TRUE(writeMovieFile(b.movie(), path).ok());

    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1, .moviePath = path}).output,
              "asked\nfirst true\nsecond true\nthird true\nframe 2\n");
}

// A streaming sound's file that is there is read at once; one that is not
// fails on a later frame, and an event sound's file always comes later.
TEST(SoundLoading, AStreamingSoundAtHandArrivesBeforeLoadSoundReturns)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    std::ofstream(dir / "a.mp3", std::ios::binary) << "not really an MP3";

    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    b.add(DoAction{assembled("function first ok\n" + tracing("first") + "end\n" + "function second ok\n"
                             + tracing("second") + "end\n" + "function third ok\n" + tracing("third") + "end\n"
                             + loadSound("s", "first", "a.mp3", true) + "push \"asked\"\nTrace\n"
                             + loadSound("t", "second", "missing.mp3", true) + loadSound("u", "third", "a.mp3")
                             + "push \"asked again\"\nTrace\n")})
        .showFrame();
    b.add(DoAction{assembled("push \"frame 2\"\nTrace\n")}).showFrame();
    const fs::path path = dir / "movie.swf";
    ASSERT_TRUE(writeMovieFile(b.movie(), path).ok());

    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1, .moviePath = path}).output,
              "first true\nasked\nasked again\nsecond false\nthird true\nframe 2\n");
}

} // namespace
} // namespace swf
