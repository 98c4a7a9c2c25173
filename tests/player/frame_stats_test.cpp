#include "platform/player_widget.h"
#include "player/frame_stats.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace veskor;

namespace {

struct FrameStatsFixture : ::testing::Test {
    double nowMs = 1000;
    FrameStats stats{[this] { return nowMs; }};
    PlayerWidget widget;

    void SetUp() override
    {
        stats.watch(*qApp);
        widget.resize(320, 240);
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
    void showFrames(int count)
    {
        for (int i = 0; i < count; ++i)
            emit widget.frameChanged(i);
    }
};

TEST_F(FrameStatsFixture, CountsFramesPerPeriodAndInTotal)
{
    showFrames(3);
    nowMs += 2000;
    EXPECT_EQ(stats.takePeriod().toStdString(),
              "frames shown: 3 in 2.0 s (1.5 fps), movie rate 0 fps, window 320x240, repaints " +
                  std::to_string(stats.repaints()));
    showFrames(2);
    nowMs += 1000;
    EXPECT_TRUE(stats.takePeriod().startsWith("frames shown: 2 in 1.0 s (2.0 fps)"));
    EXPECT_TRUE(stats.total().startsWith("frames shown: 5 in 3.0 s (1.7 fps)"));
    // A period with no time yet reports no rate rather than dividing by zero.
    EXPECT_TRUE(stats.takePeriod().startsWith("frames shown: 0 in 0.0 s (0.0 fps)"));
}

TEST_F(FrameStatsFixture, CountsRepaintsOfPlayerWindowsOnly)
{
    const int before = stats.repaints();
    widget.repaint();
    widget.repaint();
    EXPECT_EQ(stats.repaints(), before + 2);

    QWidget other;
    other.resize(100, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.repaint();
    EXPECT_EQ(stats.repaints(), before + 2);
}

TEST(FrameStats, FindsPlayerWindowsShownBeforeCountingBegan)
{
    PlayerWidget widget;
    widget.resize(64, 48);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    FrameStats stats{[] { return 0.0; }};
    stats.watch(*qApp);
    emit widget.frameChanged(0);  // not yet known: its first repaint introduces it
    widget.repaint();
    emit widget.frameChanged(1);
    EXPECT_EQ(stats.framesShown(), 1);
    EXPECT_TRUE(stats.total().contains("window 64x48"));
}

} // namespace
