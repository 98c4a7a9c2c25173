// The `filters` of clips and text fields: the placement's filters until a
// script sets its own, and copies in both directions.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

using namespace swf;

namespace {

using script::test::assembled;

// A blur of 10 by 4 pixels, quality 2, as a placement record holds it.
Filter placedBlur()
{
    Bytes b;
    for (std::uint32_t v : {10u << 16, 4u << 16}) {
        for (int i = 0; i < 4; ++i)
            b.push_back(std::uint8_t(v >> (8 * i)));
    }
    b.push_back(2 << 3);
    return Filter{FilterType::Blur, b};
}

// A root with a clip "mc" placed with a blur, and a text field "t"; then `script`.
std::string traced(const std::string& script)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    PlaceObject place;
    place.version = 3;
    place.depth = 1;
    place.characterId = b.defineSprite(Timeline().showFrame());
    place.name = "mc";
    place.filters = std::vector<Filter>{placedBlur()};
    b.add(Tag(place));
    b.add(DoAction{assembled(R"(
        push 20, 20, 0, 0, 5, "t", 6
        push "this"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
    )" + script)});
    b.showFrame();
    return runtime::traceMovie(b.movie(), {.frames = 0}).output;
}

// trace(PATH.filters[0].MEMBER)
std::string traceFirst(const std::string& path, const std::string& member)
{
    return "push \"" + path + "\"\nGetVariable\npush \"filters\"\nGetMember\npush \"0\"\nGetMember\npush \"" + member
        + "\"\nGetMember\nTrace\n";
}

// f = new flash.filters.BlurFilter(3); PATH.filters = [f]; f.blurX = 7
std::string setBlurThenChangeIt(const std::string& path)
{
    return R"(
        push "f", 3, 1, "flash"
        GetVariable
        push "filters"
        GetMember
        push "BlurFilter"
        NewMethod
        SetVariable
        push ")" + path + R"("
        GetVariable
        push "filters", "f"
        GetVariable
        push 1
        InitArray
        SetMember
        push "f"
        GetVariable
        push "blurX", 7
        SetMember
    )";
}

} // namespace

TEST(FiltersMember, AClipReadsItsPlacementsFiltersAsNewObjects)
{
    EXPECT_EQ(traced(traceFirst("mc", "blurX") + traceFirst("mc", "quality") + R"(
        push "mc"
        GetVariable
        push "filters"
        GetMember
        push "mc"
        GetVariable
        push "filters"
        GetMember
        Equals2
        Trace
    )"),
              "10\n2\nfalse\n");
}

TEST(FiltersMember, WhatAScriptSetsIsCopiedInAndStandsForThePlacements)
{
    EXPECT_EQ(traced(setBlurThenChangeIt("mc") + traceFirst("mc", "blurX")), "3\n");
    // A value that is no list clears them.
    EXPECT_EQ(traced(setBlurThenChangeIt("mc") + "push \"mc\"\nGetVariable\npush \"filters\", 5\nSetMember\n"
                     + traceFirst("mc", "blurX")),
              "undefined\n");
}

TEST(FiltersMember, TextFieldsKeepCopiesToo)
{
    EXPECT_EQ(traced(traceFirst("t", "blurX") + setBlurThenChangeIt("t") + traceFirst("t", "blurX")), "undefined\n3\n");
}
