#include "app/support/main_window_fixture.h"

#include "platform/keyboard_state.h"
#include "platform/window_style.h"
#include "ui/panel_status_bar.h"
#include "ui/resource_tree_view.h"

#include <QMenuBar>
#include <QTest>

using namespace veskor;
using namespace veskor::testing;

namespace {

struct DisplayModesTest : MainWindowFixture {
    std::unique_ptr<frmMain> w;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        w = loadedWindow();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        KeyboardState::instance().releaseAll();
    }
    void TearDown() override { KeyboardState::instance().releaseAll(); }
};

TEST_F(DisplayModesTest, ScaleModesMoveTheCheckMarkAndReachTheNextTreeLoad)
{
    struct Step { void (frmMain::*command)(); int mode; bool check0; bool check2; };
    const Step steps[] = {
        {&frmMain::mnudisplay2_Click, 2, false, true},
        {&frmMain::mnudisplay2_Click, 2, false, true},
        {&frmMain::mnudisplay0_Click, 0, true, false},
        {&frmMain::mnudisplay2_Click, 2, false, true},
    };
    for (const Step& s : steps) {
        ((*w).*(s.command))();
        EXPECT_EQ(player()->scaleMode, s.mode);
        EXPECT_EQ(w->transport().displaymode, s.mode);
        EXPECT_EQ(w->menus.mnudisplay0->isChecked(), s.check0);
        EXPECT_EQ(w->menus.mnudisplay2->isChecked(), s.check2);
    }
    w->loadswf(dataFolder + "/lesson.swf");
    EXPECT_EQ(player()->scaleMode, 2);
}

TEST_F(DisplayModesTest, HidingTheListTwiceLetsTheNextResizeBringItBack)
{
    w->mnuxkyincang_Click();
    EXPECT_TRUE(w->listhidden);
    EXPECT_LT(w->TreeView1->geometry().right(), 0);
    EXPECT_EQ(w->placements().player.left, 0_tw);
    w->mnuxkyincang_Click();
    EXPECT_FALSE(w->listhidden);
    EXPECT_LT(w->TreeView1->geometry().right(), 0) << "still out of view";
    w->resize(w->width() + 40, w->height());
    QTest::qWait(20);
    w->Form_Resize();
    EXPECT_EQ(w->TreeView1->x(), 0);
    EXPECT_WITHIN_A_PIXEL(w->placements().player.left, w->gripLeft() + 40_tw);
}

TEST_F(DisplayModesTest, ResizeWithHiddenListStretchesThePlayer)
{
    w->mnuxkyincang_Click();
    w->resize(w->width() + 60, w->height() + 30);
    QTest::qWait(20);
    w->Form_Resize();
    EXPECT_LT(w->TreeView1->geometry().right(), 0);
    EXPECT_EQ(player()->widget()->geometry().left(), 0);
    EXPECT_EQ(player()->widget()->width(), w->centralWidget()->width());
    w->mnuxkyuanshi_Click();
    EXPECT_EQ(w->TreeView1->x(), 0);
}

TEST_F(DisplayModesTest, FullScreenCoversTheScreenAndEscEndsItMaximised)
{
    w->mnuxkyincang_Click();
    w->mnuxkquanping_Click();
    QTest::qWait(50);
    EXPECT_TRUE(w->fullscreen);
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_EQ(w->Timer1->interval(), 100);
    EXPECT_FALSE(hasCaptionAndFrame(w.get()));
    EXPECT_FALSE(w->menuBar()->isVisible());
    EXPECT_FALSE(w->menus.mnuFile->menuAction()->isVisible());
    EXPECT_TRUE(player()->menu);
    const QRect playerRect = player()->widget()->geometry();
    EXPECT_EQ(playerRect.topLeft(), QPoint(0, 0));
    EXPECT_EQ(playerRect.height(), w->centralWidget()->height() + w->StatusBarswf->height());

    w->Timer1_Timer();
    EXPECT_TRUE(w->fullscreen) << "no Esc, no change";

    KeyboardState::instance().setDown(Qt::Key_Escape, true);
    w->Timer1_Timer();
    KeyboardState::instance().setDown(Qt::Key_Escape, false);
    QTest::qWait(50);
    EXPECT_FALSE(w->fullscreen);
    EXPECT_FALSE(w->listhidden);
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_TRUE(hasCaptionAndFrame(w.get()));
    EXPECT_TRUE(w->isMaximized());
    EXPECT_TRUE(w->menus.mnuFile->menuAction()->isVisible());
    EXPECT_TRUE(player()->menu) << "the full menu stays";
    EXPECT_EQ(w->TreeView1->x(), 0);
}

TEST_F(DisplayModesTest, AQuickEscTapBetweenTwoPollsStillEndsFullScreen)
{
    w->mnuxkquanping_Click();
    KeyboardState::instance().setDown(Qt::Key_Escape, true);
    KeyboardState::instance().setDown(Qt::Key_Escape, false);
    w->Timer1_Timer();
    EXPECT_FALSE(w->fullscreen);
}

TEST_F(DisplayModesTest, EscOutsideFullScreenDoesNothing)
{
    KeyboardState::instance().setDown(Qt::Key_Escape, true);
    KeyboardState::instance().setDown(Qt::Key_Escape, false);
    EXPECT_FALSE(w->Timer1->isActive());
    w->mnuxkquanping_Click();
    w->Timer1_Timer();
    EXPECT_TRUE(w->fullscreen) << "an Esc tapped before full screen does not end it";
}

TEST_F(DisplayModesTest, MovieCommandsDriveFullScreenZoomAndMenuAndRefuseTheRest)
{
    (void)player()->Play();
    w->movieCommand("fullscreen", "true");
    EXPECT_TRUE(w->fullscreen);
    w->movieCommand("FullScreen", "false");
    EXPECT_FALSE(w->fullscreen);
    w->movieCommand("allowscale", "true");
    EXPECT_EQ(player()->scaleMode, 2);
    w->movieCommand("allowscale", "false");
    EXPECT_EQ(player()->scaleMode, 0);
    w->movieCommand("showmenu", "false");
    EXPECT_FALSE(player()->menu);
    w->movieCommand("showmenu", "true");
    EXPECT_TRUE(player()->menu);
    const QStringList before = player()->calls;
    w->movieCommand("exec", "rm");
    w->movieCommand("trapallkeys", "true");
    EXPECT_EQ(player()->calls, before) << "refused and ignored commands change nothing";
    w->movieCommand("fullscreen", "true");
    w->movieCommand("quit", "");
    EXPECT_FALSE(w->fullscreen);
    EXPECT_FALSE(player()->playing);
}

} // namespace
