// The engine facade on real movies: what the header says, and the play position.

#include "support/assembler.h"
#include "swf/format/movie_builder.h"
#include "swf/format/shape_builder.h"
#include "swf/format/writer.h"
#include "swf/player.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace swf {
namespace {

const std::filesystem::path kImages = "../shared/testdata/swf-image";

TEST(PlayerTest, ReadsStageRateAndFramesFromTheHeader)
{
    struct Case {
        const char* file;
        QSize stage;
        double rate;
        int frames;
        int version;
    };
    const Case cases[] = {
        {"background-5.swf", {200, 150}, 30.0, 366, 5},
        {"blend-mode-15-7.swf", {240, 240}, 1.0, 1, 7},
        {"image-jpeg-alpha.swf", {16, 16}, 1.0, 1, 7},
        {"placeobject-ratio.swf", {200, 150}, 100.0, 1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto player = Player::fromFile(kImages / c.file);
        ASSERT_TRUE(player.ok()) << player.error().message;
        EXPECT_EQ((*player)->stageSize(), c.stage);
        EXPECT_DOUBLE_EQ((*player)->frameRate(), c.rate);
        EXPECT_EQ((*player)->frameCount(), c.frames);
        EXPECT_EQ((*player)->swfVersion(), c.version);
    }
}

TEST(PlayerTest, AdvancingPastTheLastFrameWrapsToTheFirst)
{
    // Three frames and no script that could stop the movie.
    MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), 12);
    b.showFrame(3);
    auto player = Player::fromBytes(b.bytes());
    ASSERT_TRUE(player.ok());
    Player& p = **player;
    ASSERT_EQ(p.frameCount(), 3);
    const int expected[] = {1, 2, 0, 1, 2, 0};
    for (int frame : expected) {
        p.advance();
        EXPECT_EQ(p.currentFrame(), frame);
    }
}

// Stopping the movie stops its main timeline only: each advance still runs
// the clips' frame events, as in the player's own Stop.
TEST(PlayerTest, AStoppedTimelineStillRunsFrameEvents)
{
    MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), 12);
    auto code = script::test::assemble(R"(
        push "onEnterFrame"
        function -
        push "tick"
        Trace
        end
        SetVariable)");
    ASSERT_TRUE(code.ok());
    b.add(DoAction{*code});
    b.showFrame(3);
    auto player = Player::fromBytes(b.bytes());
    ASSERT_TRUE(player.ok());
    Player& p = **player;
    int ticks = 0;
    p.setTraceHandler([&](const std::string&) { ++ticks; });
    p.setTimelinePlaying(false);
    p.advance();
    p.advance();
    EXPECT_EQ(p.currentFrame(), 0);
    EXPECT_EQ(ticks, 2);
    p.setTimelinePlaying(true);
    p.advance();
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_EQ(ticks, 3);
}

TEST(PlayerTest, GotoFrameClampsToTheMovie)
{
    auto player = Player::fromFile(kImages / "background-5.swf");
    ASSERT_TRUE(player.ok());
    (*player)->gotoFrame(500);
    EXPECT_EQ((*player)->currentFrame(), 365);
    (*player)->gotoFrame(-3);
    EXPECT_EQ((*player)->currentFrame(), 0);
}

TEST(PlayerTest, ScaleModesPlaceTheStageInTheTarget)
{
    // Letterboxing shows the background colour in the margins either way; what
    // differs is where the stage lands. A 200x150 stage in a 400x150 target.
    auto player = Player::fromFile(kImages / "background-5.swf");
    ASSERT_TRUE(player.ok());
    const QImage image = (*player)->renderImage(QSize(400, 150), ScaleMode::ShowAll);
    EXPECT_EQ(image.size(), QSize(400, 150));
    EXPECT_EQ(image.pixelColor(5, 75), (*player)->backgroundColor());
}

// A movie that asks not to be scaled sees the window's size as the stage's,
// hears Stage.onResize when that size changes, and is drawn a pixel for a
// pixel, where Stage.align pins it.
TEST(PlayerTest, AMovieThatDoesNotScaleFollowsTheWindow)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    const Rect square{Twips(0), Twips::fromPixels(50), Twips(0), Twips::fromPixels(50)};
    b.place(1, b.defineRectangle(square, solidFill({255, 0, 0, 255})));
    auto code = script::test::assemble(R"(
        function onResize
        push "resized ", "Stage"
        GetVariable
        push "width"
        GetMember
        Add2
        Trace
        end
        push "_root"
        GetVariable
        push 1, "Stage"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        push "Stage"
        GetVariable
        push "scaleMode", "NOSCALE"
        SetMember
        push "Stage"
        GetVariable
        push "align", "tl"
        SetMember
        push "Stage"
        GetVariable
        push "height"
        GetMember
        Trace
        Stop
    )");
    ASSERT_TRUE(code.ok());
    b.add(DoAction{*code}).showFrame();
    std::string traced;
    PlayOptions options;
    options.viewport = QSizeF(200, 200);
    auto player = Player::fromBytes(writeMovie(b.movie()), options);
    ASSERT_TRUE(player.ok());
    (*player)->setTraceHandler([&](const std::string& line) { traced += line + "\n"; });
    (*player)->advance();
    (*player)->setViewportSize(QSizeF(300, 250));
    EXPECT_EQ(traced, "resized 300\n");
    const QImage image = (*player)->renderImage(QSize(300, 250), ScaleMode::ShowAll);
    EXPECT_EQ(image.pixelColor(45, 45), QColor(255, 0, 0));
    EXPECT_NE(image.pixelColor(55, 55), QColor(255, 0, 0));
}

TEST(PlayerTest, TheFocusFrameLiesOnTheBoundsAsTheyAre)
{
    // A 40-pixel square clip at (20.5, 30) with the focus: a frame three
    // pixels wide from 20.5 on, and up to row 70 below.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    const Rect square{Twips(0), Twips::fromPixels(40), Twips(0), Twips::fromPixels(40)};
    Timeline inner;
    inner.place(1, b.defineRectangle(square, solidFill({0, 0, 255, 255}))).showFrame();
    b.place(1, b.defineSprite(inner), Matrix::translation(Twips(410), Twips(600)), {}, "a");
    auto code = script::test::assemble(R"(
        push "a"
        GetVariable
        push "focusEnabled", true
        SetMember
        push "a"
        GetVariable
        push 1, "Selection"
        GetVariable
        push "setFocus"
        CallMethod
        Pop
        Stop
    )");
    ASSERT_TRUE(code.ok());
    b.add(DoAction{*code}).showFrame();
    auto player = Player::fromBytes(writeMovie(b.movie()));
    ASSERT_TRUE(player.ok());
    (*player)->advance();
    const QImage image = (*player)->renderImage();
    // Column 20 is half the clip's edge and half the frame over it.
    const QColor edge = image.pixelColor(20, 50);
    EXPECT_NEAR(edge.red(), 191, 4);
    EXPECT_NEAR(edge.blue(), 127, 4);
    EXPECT_EQ(image.pixelColor(21, 50), QColor(255, 255, 0));
    EXPECT_EQ(image.pixelColor(22, 50), QColor(255, 255, 0));
    EXPECT_NEAR(image.pixelColor(23, 50).red(), 128, 4);
    EXPECT_EQ(image.pixelColor(24, 50), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(40, 69), QColor(255, 255, 0));
    EXPECT_EQ(image.pixelColor(40, 70), QColor(255, 255, 255));
}

} // namespace
} // namespace swf
