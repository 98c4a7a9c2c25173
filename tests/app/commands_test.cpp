#include "app/support/main_window_fixture.h"

#include "ui/keyed_tool_bar.h"
#include "ui/resource_tree_view.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace veskor;
using namespace veskor::testing;

namespace {

// Records which handler a menu item, pop-up item or toolbar button reaches.
class RecordingMain : public frmMain {
public:
    using frmMain::frmMain;
    QStringList reached;

#define RECORD(name) \
    void name() override { reached << #name; }
    RECORD(mnuFileOpen_Click)
    RECORD(mnuFilesave_Click)
    RECORD(mnuswfkejian_Click)
    RECORD(mnupptkejian_Click)
    RECORD(mnudocwendang_Click)
    RECORD(showall)
    RECORD(mnuFileClose_Click)
    RECORD(mnuxkyuanshi_Click)
    RECORD(mnuxkyincang_Click)
    RECORD(mnuxkquanping_Click)
    RECORD(mnudisplay2_Click)
    RECORD(mnudisplay0_Click)
    RECORD(mnujszc_Click)
    RECORD(mnukjwy_Click)
    RECORD(mnuyywy_Click)
    RECORD(mnuxxwy_Click)
    RECORD(mnushming_Click)
    RECORD(menusoftset_Click)
    RECORD(menuhelpabout_Click)
    RECORD(menusearch_Click)
    RECORD(menupptkj_Click)
    RECORD(menuwordwd_Click)
    RECORD(menuflashkj_Click)
    RECORD(mnubfang_Click)
    RECORD(mnucopy_Click)
    RECORD(mnushch_Click)
    RECORD(mnuzyglq_Click)
    RECORD(Command1_Click)
    RECORD(Command2_Click)
    RECORD(playswf)
    RECORD(pauseswf)
    RECORD(stopswf)
    RECORD(fastforwardswf)
    RECORD(fastbackswf)
    RECORD(stepbackswf)
#undef RECORD
};

using CommandsTest = MainWindowFixture;

TEST_F(CommandsTest, EveryMenuItemReachesItsHandler)
{
    auto w = makeWindow<RecordingMain>();
    for (const auto& [name, action] : w->menus.namedItems()) {
        w->reached.clear();
        action->trigger();
        EXPECT_EQ(w->reached, QStringList{name + "_Click"}) << name.toStdString();
    }
    w->reached.clear();
    w->menus.mnubbs->trigger();
    EXPECT_TRUE(w->reached.isEmpty()) << "搜索(&b) has no command";
}

TEST_F(CommandsTest, EveryToolbarKeyReachesItsCommand)
{
    const QList<QPair<QString, QString>> table = {
        {"打开", "mnuFileOpen_Click"}, {"保存", "mnuFilesave_Click"}, {"swf", "mnuswfkejian_Click"},
        {"ppt", "mnupptkejian_Click"}, {"doc", "mnudocwendang_Click"}, {"all", "showall"},
        {"播放", "playswf"},           {"快进", "fastforwardswf"},     {"暂停", "pauseswf"},
        {"停止", "stopswf"},           {"后退", "stepbackswf"},        {"快退", "fastbackswf"},
    };
    auto w = makeWindow<RecordingMain>();
    for (const auto& [key, handler] : table) {
        w->reached.clear();
        w->tbToolBar->button(key)->click();
        EXPECT_EQ(w->reached, QStringList{handler}) << key.toStdString();
    }
    w->reached.clear();
    w->tbToolBar_ButtonClick("nothing");
    EXPECT_TRUE(w->reached.isEmpty());
}

TEST_F(CommandsTest, FirstToolbarButtonHidesThenShowsTheList)
{
    auto w = makeWindow<RecordingMain>();
    QToolButton* hide = w->tbToolBar->button("隐藏");
    ASSERT_TRUE(hide->isCheckable());
    hide->click();
    hide->click();
    EXPECT_EQ(w->reached, (QStringList{"mnuxkyincang_Click", "mnuxkyuanshi_Click"}));
}

TEST_F(CommandsTest, MenuKeysWinOverTheSearchBoxAndTheTree)
{
    auto w = makeWindow<RecordingMain>();
    w->Form_Load();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->Text1->setText(QStringLiteral("三角形"));
    w->Text1->selectAll();
    for (QWidget* focus : {static_cast<QWidget*>(w->Text1), static_cast<QWidget*>(w->TreeView1)}) {
        focus->setFocus();
        w->reached.clear();
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(focus, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(focus, Qt::Key_E, Qt::ControlModifier);
        EXPECT_EQ(w->reached, (QStringList{"mnudisplay2_Click", "mnuxkyuanshi_Click", "mnuFileClose_Click"}))
            << focus->objectName().toStdString();
    }
    EXPECT_EQ(w->Text1->text(), QStringLiteral("三角形")) << "Ctrl+X cut nothing";
    // Typing still types.
    w->Text1->setFocus();
    w->Text1->clear();
    QTest::keyClicks(w->Text1, "abc");
    EXPECT_EQ(w->Text1->text(), QStringLiteral("abc"));
}

TEST_F(CommandsTest, TheListButtonFollowsTheMenu)
{
    auto w = loadedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QToolButton* hide = w->tbToolBar->button("隐藏");
    w->menus.mnuxkyincang->trigger();
    EXPECT_TRUE(hide->isChecked());
    // One click brings the list back.
    hide->click();
    EXPECT_FALSE(hide->isChecked());
    EXPECT_EQ(w->TreeView1->x(), 0);
    hide->click();
    EXPECT_TRUE(hide->isChecked());
    w->menus.mnuxkyuanshi->trigger();
    EXPECT_FALSE(hide->isChecked());
    EXPECT_EQ(w->TreeView1->x(), 0);
}

TEST_F(CommandsTest, ToolbarHasThirteenButtonsWithTheirToolTips)
{
    auto w = makeWindow();
    const QList<QToolButton*> buttons = w->tbToolBar->buttons();
    ASSERT_EQ(buttons.size(), 13);
    EXPECT_EQ(buttons[0]->toolTip(), QStringLiteral(" 隐藏与显示列表"));
    EXPECT_EQ(buttons[1]->toolTip(), QStringLiteral("打开flash音乐"));
    EXPECT_EQ(buttons[2]->toolTip(), QStringLiteral("另存为其它flash课件"));
    EXPECT_EQ(buttons[7]->toolTip(), QStringLiteral("开始"));
    EXPECT_EQ(buttons[12]->objectName(), QStringLiteral("快退"));
    for (QToolButton* b : buttons)
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
}

TEST_F(CommandsTest, MenusCarryTheirCaptionsAndShortcuts)
{
    auto w = makeWindow();
    const MainMenus& m = w->menus;
    EXPECT_EQ(m.mnuFile->title(), QStringLiteral("文件(&F)"));
    EXPECT_EQ(m.mnucontrol->title(), QStringLiteral("控制(&E)"));
    EXPECT_EQ(m.mnuHelp->title(), QStringLiteral("帮助(&H)"));
    const QList<QPair<QAction*, QString>> shortcuts = {
        {m.mnuFileOpen, "Ctrl+O"},  {m.mnuFilesave, "Ctrl+S"},   {m.mnuswfkejian, "Ctrl+F"},
        {m.mnupptkejian, "Ctrl+G"}, {m.mnudocwendang, "Ctrl+W"}, {m.mnubbs, "Ctrl+B"},
        {m.mnuFileClose, "Ctrl+E"}, {m.mnuxkyuanshi, "Ctrl+X"},  {m.mnuxkyincang, "Ctrl+Y"},
        {m.mnuxkquanping, "Ctrl+Q"}, {m.mnudisplay2, "Ctrl+C"},  {m.mnudisplay0, "Ctrl+N"},
    };
    for (const auto& [action, keys] : shortcuts)
        EXPECT_EQ(action->shortcut().toString(), keys) << action->objectName().toStdString();
    EXPECT_EQ(m.mnuFileOpen->text(), QStringLiteral("打开(&O)"));
    EXPECT_EQ(m.mnutchu->title(), QStringLiteral("弹出"));
    EXPECT_EQ(m.mnutchu->actions().size(), 8);
    EXPECT_EQ(m.mnuHelp->actions().size(), 7);
}

TEST_F(CommandsTest, HelpAndPopupSearchesOpenTheirAddresses)
{
    auto w = makeWindow();
    w->Text1->setText("a &b");
    w->menuflashkj_Click();
    EXPECT_EQ(launcher.last()->address, siteRoot() + "?q=a &b&ft=swf");
    w->Text1->clear();
    w->menupptkj_Click();
    EXPECT_EQ(launcher.last()->address, siteRoot() + "?q=&ft=ppt");
    w->mnuxxwy_Click();
    EXPECT_EQ(launcher.last()->address, siteRoot() + "?ft=doc");
    w->mnujszc_Click();
    const QString forum = launcher.last()->address;
    w->mnushming_Click();
    EXPECT_EQ(launcher.last()->address, forum);
    EXPECT_TRUE(forum.endsWith("bbs/forumdisplay.php?fid=14"));
}

} // namespace
