// Movies loaded into a clip of another: their scripts reach their own library
// and leave state the whole show shares.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/format/writer.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

using namespace swf;
using script::test::assembled;
namespace fs = std::filesystem;

namespace {

Rect box(int size)
{
    return Rect{Twips(0), Twips::fromPixels(size), Twips(0), Twips::fromPixels(size)};
}

// A movie of SWF 8 whose sprite "sym" (id 2) holds a 30-pixel square; its
// first frame attaches the sprite to its own root, traces the new clip's
// width and asks for the root's bounds.
Movie child()
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    const auto square = b.defineRectangle(box(30), solidFill({0, 0, 255, 255}));
    Timeline inner;
    inner.place(1, square).showFrame();
    const auto sprite = b.defineSprite(inner);
    b.add(UnknownTag{56, {1, 0, std::uint8_t(sprite), 0, 's', 'y', 'm', 0}});
    b.add(DoAction{assembled(R"(push 1, "b", "sym", 3, "this"
        GetVariable
        push "attachMovie"
        CallMethod
        push "_width"
        GetMember
        Trace
        push "this"
        GetVariable
        push 1, "this"
        GetVariable
        push "getBounds"
        CallMethod
        Pop
        )")});
    b.showFrame();
    return b.movie();
}

// A movie of SWF 7 with a character of its own under the child's sprite id (a
// shape): it loads the child into clip `e`, and traces the corner of an empty
// clip's bounds before and after.
Movie host()
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    b.defineRectangle(box(5), solidFill({255, 0, 0, 255}));
    b.defineRectangle(box(5), solidFill({255, 0, 0, 255}));
    const std::string corner = R"(push 0, "e"
        GetVariable
        push "getBounds"
        CallMethod
        push "xMin"
        GetMember
        Trace
        )";
    b.add(DoAction{assembled(R"(push 1, "e", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        )" + corner + R"(push "child.swf", "e"
        geturl2 64
        )")});
    b.showFrame();
    b.showFrame();
    b.add(DoAction{assembled(R"(push 2, "e2", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "e2"
        GetVariable
        push 1, "e2"
        GetVariable
        push "getBounds"
        CallMethod
        push "xMin"
        GetMember
        Trace
        Stop
        )")});
    b.showFrame();
    return b.movie();
}

} // namespace

TEST(LoadedMovies, AttachMovieTakesTheLoadedMoviesOwnSymbolAndSwfEightCodeSetsTheEmptyCorner)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path dir = temp.path().toStdString();
    ASSERT_TRUE(writeMovieFile(child(), dir / "child.swf").ok());
    ASSERT_TRUE(writeMovieFile(host(), dir / "host.swf").ok());
    const Movie movie = host();
    // Before the child's code of SWF 8 asked for bounds the corner is the
    // largest twip count; after, a twip more where bounds are asked for in a
    // space (here the clip's own), though the clip it asked about had bounds.
    EXPECT_EQ(runtime::traceMovie(movie, {.frames = 3, .moviePath = dir / "host.swf"}).output,
              "6710886.35\n30\n6710886.4\n");
}
