// The main window's file commands and the drag inside the tree, on real files: the
// questions and messages the user sees, what reaches the file manager, and the drag
// driven through the tree's viewport with Qt's drag events.

#include "app/frm_main.h"
#include "library/support/library_fixture.h"
#include "platform/file_manager.h"
#include "ui/dialogs.h"
#include "ui/resource_tree_view.h"
#include "ui/tree_drag.h"
#include "web/search_urls.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTest>

using namespace veskor;
using namespace veskor::testing;

namespace {

std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CaptionRecordingDialogs : public RecordingDialogs {
public:
    QStringList confirmCaptions;
    bool confirm(QWidget* owner, const QString& text, const QString& caption) override
    {
        confirmCaptions.append(caption);
        return RecordingDialogs::confirm(owner, text, caption);
    }
};

const QString kShellName = QStringLiteral("a; rm -rf ~ $(touch pwned) `touch pwned` 'q' \"q\"");

class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest()
    {
        std::filesystem::create_directories(fsFromPath(m_app.path() + "/软件支持"));
        std::ofstream(fsFromPath(m_app.path() + "/软件支持/目录.txt")) << "lesson1\n";
        makeFile("资料/课件/a.swf", "movie bytes");
        makeFile("资料/课件/b.ppt", "slides");
        makeFile("资料/" + kShellName + "/x.doc", "words");
        std::filesystem::create_directories(native("资料/空"));
        window.fileManager = &fileManager;
        window.library().saomiao = path("资料");
        window.library().fullRebuild();
        window.resize(800, 600);
        window.TreeView1->setGeometry(0, 0, 300, 500);
        window.TreeView1->expandAll();
    }

    QString path(const QString& relative) const { return m_data.path() + '/' + relative; }
    std::filesystem::path native(const QString& relative) const { return fsFromPath(path(relative)); }
    void makeFile(const QString& relative, const std::string& content)
    {
        std::filesystem::create_directories(native(relative).parent_path());
        std::ofstream(native(relative), std::ios::binary) << content;
    }

    // Forty more files, all expanded, in a tree view 120 pixels high, shown.
    void showTreeTallerThanItsView()
    {
        for (int i = 0; i < 40; ++i)
            makeFile(QStringLiteral("资料/多/f%1.doc").arg(i), "d");
        window.library().fullRebuild();
        window.TreeView1->expandAll();
        window.TreeView1->setGeometry(0, 0, 300, 120);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QModelIndex indexOf(const QString& key) { return window.treeModel->indexOf(window.library().Nodes.find(key)); }
    QPoint pointOf(const QString& key) { return window.TreeView1->visualRect(indexOf(key)).center(); }

    // A press of the given button on the node, as the tree view reports it.
    void pressOn(const QString& key, int button = 1)
    {
        const QPoint at = pointOf(key);
        window.treeDrag->setPressPosition(at);
        window.TreeView1_MouseDown(button, 0, at);
    }

    void send(QEvent::Type type, const QPoint& at, const QMimeData* data)
    {
        QWidget* viewport = window.TreeView1->viewport();
        if (type == QEvent::DragEnter) {
            QDragEnterEvent e(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &e);
            lastAccepted = e.isAccepted();
        } else if (type == QEvent::DragMove) {
            QDragMoveEvent e(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &e);
            lastAccepted = e.isAccepted();
        } else if (type == QEvent::DragLeave) {
            QDragLeaveEvent e;
            QApplication::sendEvent(viewport, &e);
        } else {
            QDropEvent e(QPointF(at), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &e);
            lastAccepted = e.isAccepted();
        }
    }

    // Presses on `source`, moves away, and lets `steps` run as the platform's drag loop.
    void dragFrom(const QString& source, std::function<void(const QMimeData*)> steps)
    {
        pressOn(source);
        dragRuns = 0;
        window.treeDrag->runDrag = [&](QDrag& drag) {
            ++dragRuns;
            steps(drag.mimeData());
        };
        window.TreeView1_MouseMove(1, 0, pointOf(source) + QPoint(0, 40));
    }

    QTemporaryDir m_data;
    QTemporaryDir m_app;
    LocalFileSystem fsys;
    MemorySettingsStore settings;
    RecordingLauncher launcher;
    CaptionRecordingDialogs dialogs;
    RecordingFileManager fileManager;
    frmMain window{MainWindowServices{fsys, settings, launcher,
                                      [](QWidget*) { return std::unique_ptr<PlayerComponent>(); }, dialogs,
                                      m_app.path()}};
    bool lastAccepted = false;
    int dragRuns = 0;
};

} // namespace

TEST_F(FileCommandsTest, DeleteAsksTheExactQuestionAndOnlyOkDeletes)
{
    pressOn(path("资料/课件/a.swf"), 2);
    dialogs.confirmAnswer = false;
    window.mnushch_Click();
    EXPECT_EQ(dialogs.confirmations, QStringList{"将彻底删除文件或文件夹,你真的要删除吗?"});
    EXPECT_EQ(dialogs.confirmCaptions, QStringList{"确认彻底删除"});
    EXPECT_TRUE(std::filesystem::exists(native("资料/课件/a.swf")));
    EXPECT_TRUE(window.library().Nodes.contains(path("资料/课件/a.swf")));

    dialogs.confirmAnswer = true;
    window.mnushch_Click();
    EXPECT_FALSE(std::filesystem::exists(native("资料/课件/a.swf")));
    EXPECT_FALSE(window.library().Nodes.contains(path("资料/课件/a.swf")));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(FileCommandsTest, AFailedDeletionIsToldByNameAndTheNodeStays)
{
    std::filesystem::permissions(native("资料/课件/b.ppt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    pressOn(path("资料/课件/b.ppt"), 2);
    window.mnushch_Click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(path("资料/课件/b.ppt")));
    EXPECT_EQ(dialogs.messages[0].caption, kApplicationTitle);
    EXPECT_TRUE(std::filesystem::exists(native("资料/课件/b.ppt")));
    EXPECT_TRUE(window.library().Nodes.contains(path("资料/课件/b.ppt")));
}

TEST_F(FileCommandsTest, SaveAsShowsTheTypeListAndStartsWithTheNameLastChosen)
{
    pressOn(path("资料/课件/a.swf"));
    dialogs.saveAnswers = {path("copy")};
    window.mnuFilesave_Click();
    EXPECT_EQ(dialogs.saveTitles, QStringList{"另存为"});
    const QStringList entries = dialogs.saveFilters.value(0).split(";;");
    ASSERT_EQ(entries.size(), 5);
    const char* descriptions[] = {"所有文件 (", "Flash文件 (*.swf)", "Powerpoint文件 (*.ppt)", "Word文档 (*.doc)",
                                  "文本文件 (*.txt)"};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(entries[i].startsWith(descriptions[i])) << entries[i].toStdString();
    EXPECT_EQ(dialogs.saveStartNames.value(0), QString());
    // The name is used as given: no extension is added.
    EXPECT_EQ(readAll(native("copy")), "movie bytes");

    // Cancelled right after: the remembered name is offered, and nothing is copied.
    std::filesystem::remove(native("copy"));
    window.mnucopy_Click();
    EXPECT_EQ(dialogs.saveStartNames.value(1), path("copy"));
    EXPECT_FALSE(std::filesystem::exists(native("copy")));

    // File > Open shares the remembered name; the toolbar's "保存" reaches Save as.
    dialogs.openAnswers = {path("elsewhere.swf")};
    window.mnuFileOpen_Click();
    EXPECT_EQ(dialogs.openStartNames.value(0), path("copy"));
    window.tbToolBar_ButtonClick("保存");
    EXPECT_EQ(dialogs.saveStartNames.value(2), path("elsewhere.swf"));
    EXPECT_FALSE(std::filesystem::exists(native("elsewhere.swf")));
}

TEST_F(FileCommandsTest, SaveAsThatCannotWriteSaysSoAndKeepsTheSource)
{
    pressOn(path("资料/课件/a.swf"));
    const QString target = path("no such folder/copy.swf");
    dialogs.saveAnswers = {target};
    window.mnuFilesave_Click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(target));
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");

    // A copy that works says nothing.
    dialogs.messages.clear();
    dialogs.saveAnswers = {path("copy.swf")};
    window.mnuFilesave_Click();
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(FileCommandsTest, SaveAsOnAFolderOrCatalogueNodeSaysSoBeforeAnyDialog)
{
    const QString searchRoot = window.library().searchsite;
    for (const QString& key : {path("资料/课件"), path("资料"), searchRoot}) {
        dialogs.messages.clear();
        pressOn(key);
        window.mnuFilesave_Click();
        EXPECT_TRUE(dialogs.saveTitles.isEmpty()) << key.toStdString();
        EXPECT_EQ(dialogs.messages.size(), 1) << key.toStdString();
    }
}

TEST_F(FileCommandsTest, ShellCharactersInAFolderNameReachTheFileManagerAsData)
{
    const QString folder = path("资料/" + kShellName);
    pressOn(folder, 2);
    window.mnuzyglq_Click();
    pressOn(folder + "/x.doc", 2);
    window.mnuzyglq_Click();
    // The catalogue branch has no folder to show.
    pressOn(window.library().searchsite, 2);
    window.mnuzyglq_Click();
    pressOn(keywordSearch("lesson1"), 2);
    window.mnuzyglq_Click();

    ASSERT_EQ(fileManager.requests.size(), 2);
    EXPECT_FALSE(fileManager.requests[0].file);
    EXPECT_EQ(fileManager.requests[0].path, folder);
    EXPECT_TRUE(fileManager.requests[1].file);
    EXPECT_EQ(fileManager.requests[1].path, folder + "/x.doc");
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(native("pwned")));
    EXPECT_FALSE(std::filesystem::exists(native("资料/pwned")));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST_F(FileCommandsTest, DraggingAFileOntoAFolderMovesItThroughQtsDragEvents)
{
    const QString file = path("资料/课件/a.swf");
    const QString target = path("资料/空");
    dragFrom(file, [&](const QMimeData* data) {
        send(QEvent::DragEnter, pointOf(file), data);
        EXPECT_TRUE(lastAccepted);
        send(QEvent::DragMove, pointOf(target), data);
        EXPECT_EQ(window.TreeView1->DropHighlight(), indexOf(target));
        send(QEvent::Drop, pointOf(target), data);
        EXPECT_TRUE(lastAccepted);
    });
    EXPECT_EQ(dragRuns, 1);
    EXPECT_EQ(readAll(native("资料/空/a.swf")), "movie bytes");
    const Node* moved = window.library().Nodes.find(target + "/a.swf");
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Image(), 4);
    EXPECT_FALSE(window.TreeView1->DropHighlight().isValid());
    EXPECT_FALSE(window.library().dragFlag);
}

TEST_F(FileCommandsTest, ARefusedDropKeepsItsHighlightAndMovesNothing)
{
    const QString file = path("资料/课件/a.swf");
    const QString onto = path("资料/课件/b.ppt");
    dragFrom(file, [&](const QMimeData* data) {
        send(QEvent::DragEnter, pointOf(onto), data);
        send(QEvent::Drop, pointOf(onto), data);
    });
    EXPECT_EQ(window.TreeView1->DropHighlight(), indexOf(onto));
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
    EXPECT_FALSE(window.library().dragFlag);
}

TEST_F(FileCommandsTest, LeavingTheTreeMidDragEndsItAndNothingMoves)
{
    const QString file = path("资料/课件/a.swf");
    const QString target = path("资料/空");
    dragFrom(file, [&](const QMimeData* data) {
        send(QEvent::DragEnter, pointOf(target), data);
        send(QEvent::DragLeave, QPoint(), data);
        EXPECT_FALSE(window.library().dragFlag);
        EXPECT_FALSE(window.TreeView1->DropHighlight().isValid());
        send(QEvent::DragEnter, pointOf(target), data);
        EXPECT_FALSE(window.TreeView1->DropHighlight().isValid());
        send(QEvent::Drop, pointOf(target), data);
    });
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
    EXPECT_TRUE(std::filesystem::is_empty(native("资料/空")));
}

TEST_F(FileCommandsTest, OnlyTheTreesOwnDragIsAccepted)
{
    const QString file = path("资料/课件/a.swf");
    const QString target = path("资料/空");
    QMimeData foreign;
    foreign.setData(kTreeDragMimeType, "12345:deadbeef");
    QMimeData uris;
    uris.setUrls({QUrl::fromLocalFile(file)});
    dragFrom(file, [&](const QMimeData*) {
        for (const QMimeData* data : {&foreign, &uris}) {
            send(QEvent::DragEnter, pointOf(target), data);
            EXPECT_FALSE(lastAccepted);
            send(QEvent::Drop, pointOf(target), data);
            EXPECT_FALSE(lastAccepted);
        }
    });
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
    EXPECT_FALSE(window.TreeView1->DropHighlight().isValid());
}

TEST_F(FileCommandsTest, AClickThatShakesLessThanTheDragDistanceIsNoDrag)
{
    const QString file = path("资料/课件/a.swf");
    pressOn(file);
    window.treeDrag->runDrag = [&](QDrag&) { ++dragRuns; };
    window.TreeView1_MouseMove(1, 0, pointOf(file) + QPoint(1, 0));
    EXPECT_EQ(dragRuns, 0);
    EXPECT_TRUE(window.library().dragFlag);
    window.TreeView1_MouseUp(1, 0, pointOf(file));
    window.TreeView1_MouseMove(1, 0, pointOf(file) + QPoint(0, 60));
    EXPECT_EQ(dragRuns, 0);
}

TEST_F(FileCommandsTest, AMovedOrDeletedNodeLeavesTheSelectionWhereTheUserExpectsIt)
{
    const QString file = path("资料/课件/a.swf");
    const QString target = path("资料/空");
    dragFrom(file, [&](const QMimeData* data) {
        send(QEvent::DragEnter, pointOf(file), data);
        send(QEvent::DragMove, pointOf(target), data);
        send(QEvent::Drop, pointOf(target), data);
    });
    ASSERT_NE(window.selectedNode(), nullptr);
    EXPECT_EQ(window.selectedNode()->Key(), target + "/a.swf");

    pressOn(path("资料/课件/b.ppt"), 2);
    window.mnushch_Click();
    ASSERT_NE(window.selectedNode(), nullptr);
    EXPECT_EQ(window.selectedNode()->Key(), path("资料/课件"));
}

TEST_F(FileCommandsTest, AFailedMoveSaysWhyAndKeepsTheOpenFolders)
{
    makeFile("资料/空/a.swf", "other bytes");
    window.library().fullRebuild();
    window.TreeView1->expandRecursively(indexOf(path("资料")));
    const auto drop = [&](const QString& source, const QString& target) {
        dialogs.messages.clear();
        dragFrom(source, [&](const QMimeData* data) {
            send(QEvent::DragEnter, pointOf(source), data);
            send(QEvent::DragMove, pointOf(target), data);
            send(QEvent::Drop, pointOf(target), data);
        });
        QCoreApplication::processEvents();
        return dialogs.messages.value(0).text;
    };
    EXPECT_TRUE(drop(path("资料/课件/a.swf"), path("资料/空")).contains("同名")) << "a name clash";
    EXPECT_EQ(readAll(native("资料/空/a.swf")), "other bytes");
    EXPECT_EQ(window.selectedNode()->Key(), path("资料/课件/a.swf"));

    makeFile("资料/课件/章/x.txt", "x");
    window.library().fullRebuild();
    window.TreeView1->expandRecursively(indexOf(path("资料")));
    EXPECT_TRUE(drop(path("资料/课件"), path("资料/课件/章")).contains("子文件夹")) << "into its own child";
    EXPECT_TRUE(std::filesystem::exists(native("资料/课件/章/x.txt")));
    for (const char* folder : {"资料/课件", "资料/课件/章", "资料/空"}) {
        const Node* node = window.library().Nodes.find(path(folder));
        ASSERT_NE(node, nullptr) << folder;
        EXPECT_TRUE(node->Expanded()) << folder;
    }
}

TEST_F(FileCommandsTest, ADragRestingAtTheBottomEdgeScrollsTheTree)
{
    ASSERT_NO_FATAL_FAILURE(showTreeTallerThanItsView());
    QScrollBar* bar = window.TreeView1->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const QString file = path("资料/课件/a.swf");
    window.TreeView1->scrollToTop();
    dragFrom(file, [&](const QMimeData* data) {
        const QPoint edge(40, window.TreeView1->viewport()->height() - 2);
        send(QEvent::DragEnter, edge, data);
        send(QEvent::DragMove, edge, data);
        QTest::qWait(300);
        EXPECT_GT(bar->value(), 0);
        // The highlight follows the node that scrolled under the pointer.
        EXPECT_EQ(window.TreeView1->DropHighlight(), window.TreeView1->indexAt(edge));
        send(QEvent::DragLeave, edge, data);
    });
}

TEST_F(FileCommandsTest, TheWheelScrollsTheTreeDuringADragThoughTheDragLoopSwallowsIt)
{
    ASSERT_NO_FATAL_FAILURE(showTreeTallerThanItsView());
    QScrollBar* bar = window.TreeView1->verticalScrollBar();
    window.TreeView1->scrollToTop();
    // Stands for the platform's drag loop, which filters the application from the
    // drag's start and keeps every wheel event from the windows.
    struct SwallowWheel : QObject {
        bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::Wheel; }
    } dragLoop;
    QWidget* viewport = window.TreeView1->viewport();
    const auto wheel = [&](const QPoint& at, int notches) {
        QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches), Qt::LeftButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &e);
    };
    const QPoint middle(40, 60);
    dragFrom(path("资料/课件/a.swf"), [&](const QMimeData* data) {
        qApp->installEventFilter(&dragLoop);
        send(QEvent::DragEnter, middle, data);
        wheel(middle, 1);
        EXPECT_GT(bar->value(), 0);
        // The highlight follows the node that scrolled under the pointer.
        EXPECT_EQ(window.TreeView1->DropHighlight(), window.TreeView1->indexAt(middle));
        const int scrolled = bar->value();
        wheel(middle, -1);
        EXPECT_LT(bar->value(), scrolled);
        send(QEvent::DragLeave, middle, data);
    });
    // Once the drag is over the wheel is the view's own business again.
    qApp->removeEventFilter(&dragLoop);
    const int before = bar->value();
    window.treeDrag->runDrag = nullptr;
    wheel(middle, 1);
    EXPECT_GT(bar->value(), before);
}

TEST_F(FileCommandsTest, TheDropHighlightIsAnOutlineNotASecondSelection)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QModelIndex highlighted = indexOf(path("资料/课件/b.ppt"));
    window.setSelectedNode(window.library().Nodes.find(path("资料/课件/a.swf")));
    const QImage plain = window.TreeView1->viewport()->grab().toImage();
    window.TreeView1->setDropHighlight(highlighted);
    const QImage shot = window.TreeView1->viewport()->grab().toImage();
    const QRect row = window.TreeView1->visualRect(highlighted) & QRect(QPoint(), shot.size());
    // Inside the row nothing changes; only its edge is drawn.
    int changedInside = 0, changedEdge = 0;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        for (int x = row.left(); x <= row.right(); ++x) {
            const bool edge = y == row.top() || y == row.bottom() || x == row.left() || x == row.right();
            if (plain.pixel(x, y) != shot.pixel(x, y))
                ++(edge ? changedEdge : changedInside);
        }
    }
    EXPECT_EQ(changedInside, 0);
    EXPECT_GT(changedEdge, row.width());
}

TEST_F(FileCommandsTest, DeletingTheDataFolderNamesItDefaultsToCancelAndSparesTheProgramFolder)
{
    pressOn(path("资料"), 2);
    dialogs.confirmAnswer = false;
    window.mnushch_Click();
    ASSERT_EQ(dialogs.cautiousConfirmations.size(), 1);
    EXPECT_TRUE(dialogs.cautiousConfirmations[0].contains(path("资料")));
    EXPECT_TRUE(dialogs.confirmations.isEmpty());
    EXPECT_TRUE(std::filesystem::exists(native("资料")));

    // The program's own folder as the data folder: refused before any question.
    window.library().saomiao = m_app.path();
    window.library().fullRebuild();
    dialogs.confirmAnswer = true;
    pressOn(m_app.path(), 2);
    window.mnushch_Click();
    EXPECT_EQ(dialogs.cautiousConfirmations.size(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(m_app.path()));
    EXPECT_TRUE(std::filesystem::exists(fsFromPath(m_app.path() + "/软件支持/目录.txt")));
}

TEST_F(FileCommandsTest, SaveAsAsksBeforeReplacingAFile)
{
    makeFile("old.swf", "old");
    pressOn(path("资料/课件/a.swf"));
    dialogs.confirmAnswer = false;
    dialogs.saveAnswers = {path("old.swf")};
    window.mnuFilesave_Click();
    ASSERT_EQ(dialogs.cautiousConfirmations.size(), 1);
    EXPECT_TRUE(dialogs.cautiousConfirmations[0].contains(path("old.swf")));
    EXPECT_EQ(readAll(native("old.swf")), "old");

    dialogs.confirmAnswer = true;
    dialogs.saveAnswers = {path("old.swf")};
    window.mnuFilesave_Click();
    EXPECT_EQ(readAll(native("old.swf")), "movie bytes");
    // A new name needs no question.
    dialogs.saveAnswers = {path("new.swf")};
    window.mnuFilesave_Click();
    EXPECT_EQ(dialogs.cautiousConfirmations.size(), 2);
}
