#include "player/support/fake_player.h"
#include "player/transport.h"

#include <gtest/gtest.h>

using namespace veskor;
using namespace veskor::testing;

namespace {

struct TransportFixture : ::testing::Test {
    FakePlayerFactory players;
    Transport transport{players.factory()};
    QWidget parent;

    FakePlayer* loaded(const QString& path = "/data/a.swf")
    {
        EXPECT_TRUE(transport.createWorkingPlayer(&parent).ok());
        EXPECT_TRUE(transport.openMovie(path).ok());
        return *players.last;
    }
};

TEST_F(TransportFixture, FastBackNeverGoesBelowTheFirstFrame)
{
    struct Case { int from; int to; };
    const Case cases[] = {{0, 0}, {1, 0}, {5, 0}, {9, 0}, {10, 0}, {11, 1}, {25, 15}, {119, 109}};
    FakePlayer* p = loaded();
    for (const Case& c : cases) {
        p->frame = c.from;
        ASSERT_TRUE(transport.fastbackswf().ok());
        EXPECT_EQ(p->frame, c.to) << "from " << c.from;
    }
}

TEST_F(TransportFixture, FastForwardWritesPastTheLastFrameUnchanged)
{
    FakePlayer* p = loaded();
    p->frame = 115;
    ASSERT_TRUE(transport.fastforwardswf().ok());
    EXPECT_EQ(p->frame, 125);
}

TEST_F(TransportFixture, SliderPositionNSendsTheMovieToFrameNMinusOne)
{
    FakePlayer* p = loaded();
    for (int n : {1, 2, 60, 120}) {
        transport.Sliderswf_Scroll(n);
        EXPECT_EQ(p->frame, n - 1) << n;
    }
}

TEST_F(TransportFixture, TickShowsTotalTwoSpacesAndCurrentFrame)
{
    FakePlayer* p = loaded();
    transport.Timerswf_Timer();
    EXPECT_EQ(transport.panel4, QStringLiteral("共120帧  第1帧"));
    EXPECT_EQ(transport.slider.ToolTipText, QStringLiteral("1"));
    p->frame = 41;
    transport.Timerswf_Timer();
    EXPECT_EQ(transport.slider.Value, 42);
    EXPECT_EQ(transport.slider.ToolTipText, QStringLiteral("42"));
    EXPECT_EQ(transport.totaltext, QStringLiteral("共120帧"));
    EXPECT_EQ(transport.frametext, QStringLiteral("第42帧"));
}

TEST_F(TransportFixture, TickWithoutMovieChangesNothing)
{
    ASSERT_TRUE(transport.createWorkingPlayer(&parent).ok());
    transport.panel4 = "kept";
    transport.Timerswf_Timer();
    transport.Sliderswf_Scroll(5);
    EXPECT_EQ(transport.panel4, QStringLiteral("kept"));
    EXPECT_FALSE(transport.playswf().ok());
}

TEST_F(TransportFixture, StopSwitchesTrackingOffAndPlaySwitchesItBackOn)
{
    FakePlayer* p = loaded();
    p->frame = 30;
    ASSERT_TRUE(transport.stopswf().ok());
    EXPECT_FALSE(transport.timerEnabled);
    EXPECT_FALSE(transport.slider.Enabled);
    EXPECT_EQ(p->frame, 0);
    EXPECT_FALSE(p->playing);
    ASSERT_TRUE(transport.playswf().ok());
    EXPECT_TRUE(p->playing);
    EXPECT_TRUE(transport.timerEnabled);
    EXPECT_TRUE(transport.slider.Enabled);
}

TEST_F(TransportFixture, FileMenuOpenTracksEvenASingleFrameMovie)
{
    players.config->framesByPath["/data/one.swf"] = 1;
    FakePlayer* first = loaded("/data/a.swf");
    ASSERT_TRUE(transport.openMovie("/data/one.swf").ok());
    EXPECT_EQ(*players.last, first) << "the File menu keeps the instance";
    EXPECT_EQ(transport.slider.Min, 1);
    EXPECT_EQ(transport.slider.Max, 1);
    EXPECT_TRUE(transport.timerEnabled);
    EXPECT_TRUE(transport.slider.Enabled);
    EXPECT_EQ(transport.panel5, QStringLiteral("正在播放的文件： /data/one.swf"));
    EXPECT_EQ(transport.swfpath, QStringLiteral("/data/one.swf"));
}

TEST_F(TransportFixture, AnOpenMadeWhileAnotherLoadsIsTheOneTracked)
{
    players.config->framesByPath["/data/two.swf"] = 7;
    loaded("/data/a.swf");
    players.config->whileLoading = [&] { EXPECT_TRUE(transport.openMovie("/data/two.swf").ok()); };
    const Result<void> first = transport.openMovie("/data/one.swf");
    ASSERT_FALSE(first.ok());
    EXPECT_TRUE(isSuperseded(first.error()));
    // The panels and the slider are the second movie's, untouched by the first's end.
    EXPECT_EQ((*players.last)->Movie(), QStringLiteral("/data/two.swf"));
    EXPECT_TRUE(transport.timerEnabled);
    EXPECT_EQ(transport.slider.Max, 7);
    EXPECT_EQ(transport.panel5, QStringLiteral("正在播放的文件： /data/two.swf"));
}

TEST_F(TransportFixture, TreeLoadOfSingleFrameMovieSwitchesTrackingOff)
{
    players.config->framesByPath["/data/one.swf"] = 1;
    loaded("/data/a.swf");
    bool laidOut = false;
    ASSERT_TRUE(transport.loadswf("/data/one.swf", &parent, [&] { laidOut = true; }).ok());
    EXPECT_FALSE(transport.timerEnabled);
    EXPECT_FALSE(transport.slider.Enabled);
    EXPECT_EQ(transport.panel4, QStringLiteral("共一帧"));
    EXPECT_EQ(transport.panel5, QStringLiteral("正在播放的文件： /data/one.swf"));
    EXPECT_TRUE(laidOut);
    // Play has no frames to follow in it.
    ASSERT_TRUE(transport.playswf().ok());
    EXPECT_FALSE(transport.timerEnabled);
    EXPECT_FALSE(transport.slider.Enabled);
}

TEST_F(TransportFixture, TreeLoadGivesAFreshStoppedPlayerInTheChosenScaleMode)
{
    loaded();
    transport.displaymode = 2;
    ASSERT_TRUE(transport.loadswf("/data/b.swf", &parent, {}).ok());
    FakePlayer* fresh = *players.last;
    EXPECT_EQ(*players.created, 2);
    EXPECT_EQ(transport.player(), fresh);
    EXPECT_FALSE(fresh->playing);
    EXPECT_EQ(fresh->scaleMode, 2);
    EXPECT_EQ(transport.slider.Max, 120);
    EXPECT_TRUE(transport.timerEnabled);
    EXPECT_EQ(transport.panel5, QStringLiteral("正在播放的文件： /data/b.swf"));
    EXPECT_FALSE(transport.swfpath == "/data/b.swf") << "only the File menu remembers its path";
}

TEST_F(TransportFixture, AnUnreadableMovieLeavesNoTraceOfThePreviousOneOnEitherPath)
{
    players.config->unreadable << "/data/bad.swf";
    const auto expectNothingShown = [&](const char* path) {
        EXPECT_TRUE(transport.player()->Movie().isEmpty()) << path;
        // A tick finds no movie and brings the old frames back neither.
        transport.Timerswf_Timer();
        EXPECT_TRUE(transport.panel4.isEmpty()) << path;
        EXPECT_TRUE(transport.panel5.isEmpty()) << path;
        EXPECT_TRUE(transport.slider.ToolTipText.isEmpty()) << path;
        EXPECT_FALSE(transport.timerEnabled) << path;
        EXPECT_FALSE(transport.slider.Enabled) << path;
    };
    loaded();
    transport.Timerswf_Timer();
    ASSERT_FALSE(transport.panel4.isEmpty());
    EXPECT_FALSE(transport.openMovie("/data/bad.swf").ok());
    expectNothingShown("File menu");

    loaded();
    transport.Timerswf_Timer();
    EXPECT_FALSE(transport.loadswf("/data/bad.swf", &parent, {}).ok());
    expectNothingShown("tree");
}

TEST(SliderStateTest, RangeEndsPullEachOtherAndValueStaysInside)
{
    SliderState s;
    s.setValue(80);
    s.setMax(0);
    s.setMin(1);
    EXPECT_EQ(s.Min, 1);
    EXPECT_EQ(s.Max, 1);
    EXPECT_EQ(s.Value, 1);
    s.setMax(10);
    s.setValue(11);
    EXPECT_EQ(s.Value, 10);
}

} // namespace
