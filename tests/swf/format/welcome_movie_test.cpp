// The start-up movie written at build time is a movie the player can show:
// the stage size, a few seconds at a steady rate, frames that agree with the header.

#include "swf/format/reader.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace swf;

TEST(WelcomeMovie, IsAFewSecondsOfAnimationOnTheUsualStage)
{
    const char* binDir = std::getenv("VESKOR_BIN_DIR");
    const std::filesystem::path path = std::filesystem::path(binDir ? binDir : "build/bin") / "软件支持" / "ke02.swf";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "the start-up movie has not been built: " << path;
    auto movie = readMovie(path);
    ASSERT_TRUE(movie.ok()) << movie.error().message;
    EXPECT_TRUE(movie->warnings.empty());
    const Header& h = movie->header;
    EXPECT_EQ(h.frameSize.width().toPixels(), 550);
    EXPECT_EQ(h.frameSize.height().toPixels(), 400);
    EXPECT_GE(h.frameRate(), 12.0);
    EXPECT_LE(h.frameRate(), 24.0);
    const double seconds = h.frameCount / h.frameRate();
    EXPECT_GE(seconds, 4.0);
    EXPECT_LE(seconds, 6.0);
    int frames = 0, shapes = 0, moves = 0;
    for (const Tag& t : movie->tags) {
        frames += std::holds_alternative<ShowFrame>(t);
        shapes += std::holds_alternative<DefineShape>(t);
        if (const auto* p = std::get_if<PlaceObject>(&t))
            moves += p->isMove;
    }
    EXPECT_EQ(frames, h.frameCount);
    EXPECT_GE(shapes, 6 + 3); // the six letters and the moving shapes
    EXPECT_GE(moves, frames * 3); // things move in every frame
}
