#include "ui/layout_rules.h"

#include <gtest/gtest.h>

using namespace veskor;

namespace {

LayoutMeasures window(float width)
{
    LayoutMeasures m;
    m.Width = Twips(width);
    m.ScaleWidth = Twips(width);
    m.ScaleHeight = 8745_tw;
    m.toolbarHeight = 420_tw;
    m.statusBarHeight = 345_tw;
    m.panel1Width = 2250_tw;
    m.panel2Width = 1500_tw;
    return m;
}

TEST(SizeControlsTest, ClampsTheSplitterBetweenTheEdges)
{
    struct Case { float width; float x; float tree; };
    const Case cases[] = {
        {10920, 600, 1000},     // dropped near the left edge
        {10920, 2280, 2280},    // inside the limits
        {10920, 10000, 9420},   // within 1500 of the right outer edge
        {2000, 1200, 500},      // too narrow: the right limit wins over the left one
        {2000, 600, 500},
    };
    for (const Case& c : cases) {
        Twips x(c.x);
        LayoutPlacements p;
        SizeControls(x, window(c.width), p);
        EXPECT_EQ(p.tree.width, Twips(c.tree)) << c.width << " " << c.x;
        EXPECT_EQ(x, Twips(c.tree)) << "x is clamped in place";
        EXPECT_EQ(p.grip.left, Twips(c.tree));
    }
}

TEST(SizeControlsTest, PlayerSitsFortyTwipsRightOfTheGripAndEndsAHundredBeforeTheEdge)
{
    for (float x : {1000.0f, 2280.0f, 5000.0f, 9420.0f}) {
        Twips wanted(x);
        LayoutPlacements p;
        const LayoutMeasures m = window(10920);
        SizeControls(wanted, m, p);
        EXPECT_EQ(p.player.left, p.grip.left + 40_tw);
        EXPECT_EQ(p.player.left + p.player.width, m.Width - 100_tw);
        EXPECT_EQ(p.tree.left, 0_tw);
    }
}

TEST(SizeControlsTest, TreePlayerAndGripFillTheSpaceBetweenTheBars)
{
    Twips x = 2280_tw;
    LayoutPlacements p;
    const LayoutMeasures m = window(10920);
    SizeControls(x, m, p);
    EXPECT_EQ(p.tree.top, 420_tw);
    EXPECT_EQ(p.tree.height, 8745_tw - 420_tw - 345_tw);
    EXPECT_EQ(p.player.top, p.tree.top);
    EXPECT_EQ(p.player.height, p.tree.height);
    EXPECT_EQ(p.grip.top, p.tree.top);
    EXPECT_EQ(p.grip.height, p.tree.height);
}

TEST(SizeControlsTest, SliderLiesOverPanelThreeAroundTheBarsMiddle)
{
    Twips x = 2280_tw;
    LayoutPlacements p;
    const LayoutMeasures m = window(10920);
    SizeControls(x, m, p);
    EXPECT_EQ(p.slider.left, 2250_tw + 1500_tw + 70_tw);
    EXPECT_EQ(p.slider.width, 1500_tw);
    EXPECT_EQ(p.slider.top, p.tree.top + p.tree.height + 345_tw / 2.0f - 80_tw);
    EXPECT_EQ(p.slider.height, 345_tw / 1.5f);
}

TEST(SizeControlsTest, ARefusedNegativeHeightKeepsTheOldOneAndTheLayoutGoesOn)
{
    LayoutMeasures m = window(10920);
    m.ScaleHeight = 300_tw;  // less than toolbar and status bar together
    LayoutPlacements p;
    p.tree.height = 777_tw;
    Twips x = 3000_tw;
    SizeControls(x, m, p);
    EXPECT_EQ(p.tree.height, 777_tw);
    EXPECT_EQ(p.player.height, 777_tw) << "later steps read the value back";
    EXPECT_EQ(p.player.left, 3040_tw);
}

TEST(SizeControlsTest, RoundedReadBackIsPassedOn)
{
    const TwipsScale scale(96);
    Twips x = 2287_tw;  // not a whole pixel
    LayoutPlacements p;
    const LayoutMeasures m = window(10920);
    SizeControls(x, m, p, [&](Twips t) { return scale.snapped(t); });
    EXPECT_EQ(p.tree.width, 2280_tw);
    EXPECT_EQ(p.player.width, scale.snapped(m.Width - (2280_tw + 140_tw)));
    EXPECT_EQ(p.player.left, scale.snapped(2287_tw + 40_tw)) << "placed from x, not from the rounded grip";
}

TEST(ResizeActionTest, FollowsTheDisplayModes)
{
    struct Case { bool fullscreen, listhidden, minimized; ResizeAction action; };
    const Case cases[] = {
        {true, false, false, ResizeAction::Nothing},
        {true, true, true, ResizeAction::Nothing},
        {false, true, false, ResizeAction::PlayerFillsWidth},
        {false, true, true, ResizeAction::PlayerFillsWidth},
        {false, false, true, ResizeAction::Nothing},
        {false, false, false, ResizeAction::SizeControls},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resizeAction(c.fullscreen, c.listhidden, c.minimized), c.action);
}

TEST(ResizeActionTest, HiddenListGivesThePlayerTheClientWidth)
{
    LayoutMeasures m = window(10920);
    m.ScaleWidth = 10800_tw;
    LayoutPlacements p;
    p.player = {2320_tw, 420_tw, 8000_tw, 5000_tw};
    fillWidthWithPlayer(m, p);
    EXPECT_EQ(p.player, (TwipsRect{0_tw, 420_tw, 10800_tw, 8745_tw - 420_tw - 345_tw}));
}

TEST(SplitterDragTest, BarStaysFiveHundredTwipsInsideTheOuterEdges)
{
    struct Case { float grip, x, bar; };
    const Case cases[] = {{2280, -2000, 500}, {2280, 0, 2280}, {2280, 3000, 5280}, {2280, 9000, 10420}};
    for (const Case& c : cases)
        EXPECT_EQ(splitterBarLeft(Twips(c.grip), Twips(c.x), 10920_tw), Twips(c.bar));
}

TEST(TwipsScaleTest, FifteenTwipsPerPixelAtNinetySixDotsPerInch)
{
    const TwipsScale normal(96), large(144);
    EXPECT_EQ(normal.pixels(2280_tw), 152);
    EXPECT_EQ(normal.twips(152), 2280_tw);
    EXPECT_EQ(large.pixels(2280_tw), 228);
    EXPECT_EQ(normal.snapped(2287_tw), 2280_tw);
    EXPECT_EQ(TwipsScale(0).pixels(1440_tw), 96) << "an unknown resolution counts as 96";
}

} // namespace
