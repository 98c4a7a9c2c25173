#include "app/support/main_window_fixture.h"

#include "ui/keyed_tool_bar.h"
#include "ui/panel_status_bar.h"
#include "ui/resource_tree_view.h"
#include "web/search_urls.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

using namespace veskor;
using namespace veskor::testing;

namespace {

QPoint positionOf(frmMain& w, const QString& key)
{
    const QModelIndex index = w.treeModel->indexOf(w.library().Nodes.find(key));
    w.TreeView1->scrollTo(index);
    return w.TreeView1->visualRect(index).center();
}

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, LoadReadsSettingsThenBuildsCatalogueThenLibraryThenPlaysTheStartupMovie)
{
    auto w = makeWindow();
    w->Form_Load();
    // The settings are read in load order: grip, data folder, then the catalogue builder.
    EXPECT_EQ(settings.reads.mid(0, 3), (QStringList{"splitterleft", "saomiao", "jiaocaibanben"}));

    const auto& top = w->library().Nodes.topLevel();
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0]->Text(), QStringLiteral("网络教学资源"));
    EXPECT_FALSE(top[0]->Expanded());
    EXPECT_EQ(top[1]->Key(), dataFolder);
    EXPECT_TRUE(top[1]->Expanded());
    EXPECT_TRUE(w->TreeView1->isExpanded(w->treeModel->indexOf(top[1])));

    EXPECT_EQ(w->windowTitle(), QStringLiteral("Veskor(免费版)"));
    EXPECT_TRUE(w->menus.mnudisplay0->isChecked());
    EXPECT_FALSE(w->menus.mnudisplay2->isChecked());
    ASSERT_NE(player(), nullptr);
    EXPECT_EQ(player()->movie, appFolder + "/软件支持/ke02.swf");
    EXPECT_EQ(player()->calls.mid(0, 2), (QStringList{"Movie", "Play"}));
    EXPECT_EQ(w->gripLeft(), 2280_tw);
    EXPECT_TRUE(w->Timerswf->isActive());
    EXPECT_FALSE(w->picSplitter->isVisible());
}

TEST_F(MainWindowTest, MissingDataFolderFallsBackToTheApplicationFolderAndIsStoredOnClose)
{
    settings.values["saomiao"] = temp.path() + "/gone";
    settings.values["splitterleft"] = "abc";
    auto w = loadedWindow();
    EXPECT_EQ(w->library().saomiao, appFolder);
    EXPECT_EQ(w->library().Nodes.topLevel()[1]->Key(), appFolder);
    EXPECT_EQ(w->gripLeft(), 2280_tw) << "letters leave the grip where it was";
    w->close();
    EXPECT_EQ(settings.values["saomiao"], appFolder);
    EXPECT_EQ(settings.values["splitterleft"], QStringLiteral("2280"));
}

TEST_F(MainWindowTest, CloseStoresSplitterAndDataFolderUnlessMinimised)
{
    settings.values["splitterleft"] = "3000";
    {
        auto w = loadedWindow();
        w->show();
        Twips x = 4500_tw;  // a whole number of pixels at 96 dots per inch
        w->SizeControls(x);
        w->close();
        EXPECT_EQ(settings.values["splitterleft"], QString::number(w->gripLeft().value()));
        EXPECT_WITHIN_A_PIXEL(w->gripLeft(), 4500_tw);
        EXPECT_EQ(settings.values["saomiao"], dataFolder);
    }
    settings.writes.clear();
    auto w = loadedWindow();
    w->showMinimized();
    w->close();
    EXPECT_TRUE(settings.writes.isEmpty());
}

TEST_F(MainWindowTest, WindowLayoutFollowsTheGrip)
{
    settings.values["splitterleft"] = "600";
    auto w = loadedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const LayoutPlacements p = w->placements();
    EXPECT_WITHIN_A_PIXEL(p.tree.width, 1000_tw);
    EXPECT_WITHIN_A_PIXEL(p.player.left, w->gripLeft() + 40_tw);
    EXPECT_WITHIN_A_PIXEL(w->gripLeft(), 1000_tw);
    EXPECT_WITHIN_A_PIXEL(p.player.left + p.player.width, w->measures().Width - 100_tw);
}

TEST_F(MainWindowTest, SplitterDragMovesTheBoundaryOnRelease)
{
    auto w = loadedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->imgSplitter_MouseDown();
    EXPECT_TRUE(w->picSplitter->isVisible());
    w->imgSplitter_MouseMove(1, 0, 1500_tw);
    EXPECT_EQ(w->gripLeft(), 2280_tw) << "the grip stays during the drag";
    w->imgSplitter_MouseUp();
    EXPECT_FALSE(w->picSplitter->isVisible());
    EXPECT_FALSE(w->splitmoving);
    EXPECT_WITHIN_A_PIXEL(w->gripLeft(), 3780_tw);
    EXPECT_WITHIN_A_PIXEL(w->placements().player.left, 3820_tw);
}

TEST_F(MainWindowTest, PopupShowsEightItemsForAFileAndSixForAFolder)
{
    auto w = loadedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const auto rightClick = [&](const QString& key) {
        const QPoint pos = positionOf(*w, key);
        w->TreeView1_MouseDown(2, 0, pos);
        w->TreeView1_MouseUp(2, 0, pos);
    };
    rightClick(dataFolder + "/lesson.swf");
    EXPECT_EQ(dialogs.popupVisibleItems.size(), 8);
    rightClick(dataFolder + "/unit");
    EXPECT_EQ(dialogs.popupVisibleItems.size(), 6);
    EXPECT_FALSE(dialogs.popupVisibleItems.contains("打开播放"));
    EXPECT_FALSE(dialogs.popupVisibleItems.contains("另存为"));
    rightClick(dataFolder + "/notes.doc");
    EXPECT_EQ(dialogs.popupVisibleItems.size(), 8);
    EXPECT_EQ(w->library().pressedKey, dataFolder + "/notes.doc");

    const int shown = dialogs.popups.size();
    const QPoint empty(5, w->TreeView1->viewport()->height() - 3);
    w->TreeView1_MouseDown(2, 0, empty);
    w->TreeView1_MouseUp(2, 0, empty);
    EXPECT_EQ(dialogs.popups.size(), shown) << "no menu over empty space";
    EXPECT_EQ(w->library().pressedKey, dataFolder + "/notes.doc");
    EXPECT_EQ(w->selectedNode()->Key(), dataFolder + "/notes.doc");
}

TEST_F(MainWindowTest, LeftClickSelectsCopiesTheTextAndLeavesTheDropHighlight)
{
    auto w = loadedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const QPoint pos = positionOf(*w, dataFolder + "/notes.doc");
    w->TreeView1_MouseDown(1, 0, pos);
    EXPECT_TRUE(w->library().dragFlag);
    w->TreeView1_MouseUp(1, 0, pos);
    w->TreeView1_Click();
    EXPECT_FALSE(w->library().dragFlag);
    EXPECT_EQ(w->Text1->text(), QStringLiteral("notes"));
    EXPECT_EQ(w->treeModel->nodeAt(w->TreeView1->DropHighlight())->Key(), dataFolder + "/notes.doc");
}

TEST_F(MainWindowTest, DoubleClickRoutesByTag)
{
    auto w = loadedWindow();
    const int made = *players.created;
    const auto dblClick = [&](const QString& key) {
        w->setSelectedNode(w->library().Nodes.find(key));
        w->TreeView1_DblClick();
    };
    dblClick(dataFolder + "/unit");
    dblClick(w->library().searchsite);
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_EQ(*players.created, made);

    dblClick(dataFolder + "/Big.SWF");
    EXPECT_EQ(*players.created, made + 1);
    EXPECT_EQ(player()->movie, dataFolder + "/Big.SWF");
    EXPECT_FALSE(player()->playing) << "a double click loads the movie stopped";

    dblClick(dataFolder + "/odd.Swf");
    dblClick(dataFolder + "/notes.doc");
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0].address, dataFolder + "/odd.Swf");
    EXPECT_EQ(launcher.calls[1].address, dataFolder + "/notes.doc");
    EXPECT_EQ(launcher.calls[1].kind, RecordingLauncher::Call::OpenUrl);
}

TEST_F(MainWindowTest, OpenAndPlayLoadsAMovieAndPlaysIt)
{
    auto w = loadedWindow();
    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/lesson.swf"));
    w->mnubfang_Click();
    EXPECT_EQ(player()->movie, dataFolder + "/lesson.swf");
    EXPECT_TRUE(player()->playing);

    FakePlayer* moviePlayer = player();
    moviePlayer->playing = false;
    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/notes.doc"));
    w->mnubfang_Click();
    EXPECT_EQ(launcher.last()->address, dataFolder + "/notes.doc");
    EXPECT_TRUE(moviePlayer->playing) << "the movie already loaded plays too";
}

TEST_F(MainWindowTest, AFailedOpenFromTheFileMenuEmptiesThePlayerAndItsPanelsAndKeepsTheWindowOpen)
{
    players.config->unreadable << "/bad.swf";
    auto w = loadedWindow();
    w->show();
    dialogs.openAnswers << dataFolder + "/lesson.swf" << "/bad.swf";
    w->mnuFileOpen_Click();
    w->Timerswf_Timer();
    ASSERT_FALSE(w->StatusBarswf->panelText(4).isEmpty());
    w->mnuFileOpen_Click();
    // The previous movie is gone from the player, and from the status bar with it.
    EXPECT_TRUE(w->StatusBarswf->panelText(4).isEmpty());
    EXPECT_TRUE(w->StatusBarswf->panelText(5).isEmpty());
    EXPECT_FALSE(w->Sliderswf->isEnabled());
    EXPECT_FALSE(w->Timerswf->isActive());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("不能打开此文件，可能是系统不支持此格式，请升级你的系统或试试打开别的.swf文件"));
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("提示"));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(dialogs.openTitles.value(0), QStringLiteral("打开"));
}

TEST_F(MainWindowTest, CancelledOpenChangesNothing)
{
    auto w = loadedWindow();
    FakePlayer* before = player();
    const QString movie = before->movie;
    w->mnuFileOpen_Click();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(player()->movie, movie);
    EXPECT_TRUE(w->transport().swfpath.isEmpty());
}

TEST_F(MainWindowTest, StatusBarAndSliderFollowTheTimer)
{
    auto w = loadedWindow();
    dialogs.openAnswers << dataFolder + "/lesson.swf";
    w->mnuFileOpen_Click();
    player()->frame = 9;
    w->Timerswf_Timer();
    EXPECT_EQ(w->Sliderswf->value(), 10);
    EXPECT_EQ(w->Sliderswf->toolTip(), QStringLiteral("10"));
    EXPECT_EQ(w->Sliderswf->maximum(), 120);
    w->Sliderswf->setValue(50);
    EXPECT_EQ(player()->frame, 49);
    w->stopswf();
    EXPECT_FALSE(w->Timerswf->isActive());
    EXPECT_FALSE(w->Sliderswf->isEnabled());
}

TEST_F(MainWindowTest, SearchButtonTypesTheSearchByTheSelectedFile)
{
    auto w = loadedWindow();
    w->Text1->setText(QStringLiteral("三角形"));
    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/lesson.swf"));
    w->Command1_Click();
    EXPECT_EQ(launcher.last()->address, siteRoot() + QStringLiteral("?q=三角形&ft=swf"));
    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/unit"));
    w->Command1_Click();
    EXPECT_EQ(launcher.last()->address, siteRoot() + QStringLiteral("?q=三角形"));
    w->menusearch_Click();
    EXPECT_EQ(launcher.last()->kind, RecordingLauncher::Call::OpenInBrowser);
    EXPECT_EQ(launcher.last()->address, siteRoot() + QStringLiteral("?q=unit&ft="));
}

TEST_F(MainWindowTest, ExpandingANodeGivesItTheOpenFolderImage)
{
    auto w = loadedWindow();
    Node* unit = w->library().Nodes.find(dataFolder + "/unit");
    w->TreeView1->expand(w->treeModel->indexOf(unit));
    EXPECT_EQ(unit->ExpandedImage(), 15);
    EXPECT_TRUE(unit->Expanded());
}

TEST_F(MainWindowTest, ExpandAllKeyOpensFoldersOnly)
{
    auto w = loadedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    Node* root = w->library().Nodes.find(dataFolder);
    w->setSelectedNode(root);
    w->TreeView1->setFocus();
    QTest::keyClick(w->TreeView1, Qt::Key_Asterisk);
    EXPECT_TRUE(w->library().Nodes.find(dataFolder + "/unit")->Expanded());
    for (const char* file : {"/lesson.swf", "/notes.doc", "/unit/more.ppt"}) {
        const Node* node = w->library().Nodes.find(dataFolder + file);
        EXPECT_FALSE(node->Expanded()) << file;
        EXPECT_EQ(node->ExpandedImage(), 0) << file;
    }
}

TEST_F(MainWindowTest, EnterPlaysTheMovieAndTheClickedSliderTakesTheArrows)
{
    auto w = loadedWindow();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/lesson.swf"));
    w->TreeView1->setFocus();
    QTest::keyClick(w->TreeView1, Qt::Key_Return);
    EXPECT_EQ(player()->movie, dataFolder + "/lesson.swf");

    QTest::mouseClick(w->Sliderswf, Qt::LeftButton, {}, QPoint(2, w->Sliderswf->height() / 2));
    EXPECT_TRUE(w->Sliderswf->hasFocus());
    const int before = player()->frame;
    QTest::keyClick(w->Sliderswf, Qt::Key_Right);
    EXPECT_EQ(player()->frame, before + 1);
    EXPECT_EQ(w->selectedNode()->Key(), dataFolder + "/lesson.swf") << "the tree kept its selection";
}

TEST_F(MainWindowTest, PlayAfterStopTracksTheMovieAgainAndAFailedLoadClearsTheBar)
{
    players.config->unreadable << dataFolder + "/Big.SWF";
    auto w = loadedWindow();
    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/lesson.swf"));
    w->TreeView1_DblClick();
    w->stopswf();
    EXPECT_FALSE(w->Sliderswf->isEnabled());
    w->playswf();
    EXPECT_TRUE(w->Sliderswf->isEnabled());
    EXPECT_TRUE(w->Timerswf->isActive());
    player()->frame = 4;
    w->Timerswf_Timer();
    EXPECT_EQ(w->Sliderswf->value(), 5);

    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/Big.SWF"));
    w->TreeView1_DblClick();
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(w->StatusBarswf->panelText(4).isEmpty());
    EXPECT_TRUE(w->StatusBarswf->panelText(5).isEmpty());
    EXPECT_FALSE(w->Sliderswf->isEnabled());
}

TEST_F(MainWindowTest, F5ShowsNewFilesAndKeepsTheOpenFoldersAndTheSelection)
{
    auto w = loadedWindow();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->TreeView1->expand(w->treeModel->indexOf(w->library().Nodes.find(dataFolder + "/unit")));
    w->setSelectedNode(w->library().Nodes.find(dataFolder + "/unit/more.ppt"));
    writeFile(dataFolder + "/unit/added.swf");
    QTest::keyClick(w.get(), Qt::Key_F5);
    const Node* unit = w->library().Nodes.find(dataFolder + "/unit");
    ASSERT_NE(unit, nullptr);
    EXPECT_TRUE(unit->Expanded());
    EXPECT_TRUE(w->TreeView1->isExpanded(w->treeModel->indexOf(unit)));
    EXPECT_TRUE(w->library().Nodes.contains(dataFolder + "/unit/added.swf"));
    ASSERT_NE(w->selectedNode(), nullptr);
    EXPECT_EQ(w->selectedNode()->Key(), dataFolder + "/unit/more.ppt");
}

} // namespace

namespace {

TEST_F(MainWindowTest, LongNamesScrollSidewaysAndShowWholeInToolTipsAndTheFilePanel)
{
    const QString longName = QStringLiteral("第三单元 分数的初步认识 例题讲解与课堂练习 第二课时 互动课件");
    writeFile(dataFolder + "/unit/" + longName + ".swf");
    const QString deepFolder = dataFolder + QStringLiteral("/人教版数学三年级上册/第三单元 分数的初步认识/课件");
    writeFile(deepFolder + QStringLiteral("/例题.swf"));
    settings.values["saomiao"] = dataFolder;
    auto w = loadedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const QString key = dataFolder + "/unit/" + longName + ".swf";
    w->TreeView1->expandAll();
    const QModelIndex index = w->treeModel->indexOf(w->library().Nodes.find(key));
    EXPECT_EQ(w->treeModel->data(index, Qt::ToolTipRole).toString(), longName + ".swf\n" + key);
    QCoreApplication::processEvents();
    EXPECT_GT(w->TreeView1->horizontalScrollBar()->maximum(), 0) << "the cut name can be scrolled to";

    // The file panel keeps the prefix and the file name and shortens the folder.
    w->resize(1000, w->height());
    QCoreApplication::processEvents();
    const QString movie = deepFolder + QStringLiteral("/例题.swf");
    w->setSelectedNode(w->library().Nodes.find(movie));
    w->TreeView1_DblClick();
    const QString shown = w->StatusBarswf->shownText(5);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/例题.swf"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("正在播放的文件： "))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(w->StatusBarswf->panelText(5), QStringLiteral("正在播放的文件： ") + movie);

    // A name longer than the whole panel keeps its start and its end.
    w->resize(760, w->height());
    QCoreApplication::processEvents();
    w->setSelectedNode(w->library().Nodes.find(key));
    w->TreeView1_DblClick();
    const QString cut = w->StatusBarswf->shownText(5);
    EXPECT_TRUE(cut.startsWith(QStringLiteral("第三单元"))) << cut.toStdString();
    EXPECT_TRUE(cut.endsWith(QStringLiteral("课件.swf"))) << cut.toStdString();
    EXPECT_TRUE(cut.contains(QChar(0x2026))) << cut.toStdString();
}

} // namespace
