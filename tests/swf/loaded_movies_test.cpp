// Movies loaded into a clip of another: their scripts reach their own library
// and leave state the whole show shares.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/format/shape_builder.h"
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

// A loaded movie's fields measure with its own fonts: a field embedding the
// child's font has the width of its glyphs, though the host has no fonts.
TEST(LoadedMovies, FieldsMeasureWithTheLoadedMoviesFonts)
{
    MovieBuilder c(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    const auto font = c.define([&](std::uint16_t id) {
        DefineFont f;
        f.version = 2;
        f.id = id;
        f.name = "Square";
        ShapeBuilder glyph;
        glyph.setStyles(1, 0);
        glyph.rectangle({Twips(0), Twips(1024), Twips(-1024), Twips(0)});
        f.glyphs = {glyph.shape()};
        f.codeTable = {u'A'};
        f.hasLayout = true;
        f.ascent = 800;
        f.descent = 200;
        f.advances = {1024}; // an em: 12 pixels
        return f;
    });
    const auto field = c.define([&](std::uint16_t id) {
        DefineEditText edit;
        edit.id = id;
        edit.bounds = box(100);
        edit.fontId = font;
        edit.height = Twips::fromPixels(12);
        edit.useOutlines = true;
        edit.initialText = "AA";
        return edit;
    });
    c.place(1, field, {}, {}, "t");
    c.add(DoAction{assembled(R"(push "t"
        GetVariable
        push "textWidth"
        GetMember
        Trace
        )")});
    c.showFrame();

    MovieBuilder h(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    h.add(DoAction{assembled(R"(push 1, "e", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "child.swf", "e"
        geturl2 64
        )")});
    h.showFrame();
    h.add(DoAction{assembled("Stop")});
    h.showFrame();

    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path dir = temp.path().toStdString();
    ASSERT_TRUE(writeMovieFile(c.movie(), dir / "child.swf").ok());
    EXPECT_EQ(runtime::traceMovie(h.movie(), {.frames = 3, .moviePath = dir / "host.swf"}).output, "24\n");
}
