// The file commands and drag-and-drop moving on real files in temporary folders: what
// happens on disk, and that the tree shows it afterwards.

#include "library/support/library_fixture.h"
#include "library/tree_actions.h"
#include "web/search_urls.h"

#include <QDir>
#include <cerrno>
#include <sys/stat.h>

using namespace veskor;
using namespace veskor::testing;
namespace ta = veskor::tree_actions;

namespace {

std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The whole tree as text, to compare a tree before and after a command.
QString dump(const Node* node)
{
    QString out = node->Text() + '[' + node->Tag() + ',' + QString::number(node->Image()) + ']';
    if (!node->children().empty()) {
        out += '{';
        for (const Node* child : node->children())
            out += dump(child) + ';';
        out += '}';
    }
    return out;
}

QString dump(const ResourceTree& tree)
{
    QString out;
    for (const Node* top : tree.topLevel())
        out += dump(top) + '\n';
    return out;
}

// Moves across file systems: rename reports EXDEV, and the copy of the file named
// `failOn` stops half way after writing part of it, as a full disk would.
class CrossDeviceFileSystem : public LocalFileSystem {
public:
    std::string failOn;

protected:
    int renameItem(const std::filesystem::path&, const std::filesystem::path&) override { return EXDEV; }
    Result<void> copyRegularFile(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        if (from.filename() != failOn)
            return LocalFileSystem::copyRegularFile(from, to);
        const std::string content = readAll(from);
        std::ofstream(to, std::ios::binary) << content.substr(0, content.size() / 2);
        return makeError("no space left on device");
    }
};

// A folder deletion that stops after the first file it removes.
class HalfDeletingFileSystem : public LocalFileSystem {
public:
    Result<void> DeleteFolder(const QString& path, bool) override
    {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(fsFromPath(path)))
            if (entry.is_regular_file()) {
                std::filesystem::remove(entry.path());
                break;
            }
        return makeError("cannot delete: permission denied");
    }
};

class TreeActionsTest : public LibraryTest {
protected:
    TreeActionsTest()
    {
        writeDefaultCatalogue("lesson1\nlesson2\n");
        makeFile("资料/课件/a.swf", "movie bytes");
        makeFile("资料/课件/b.ppt", "slides");
        makeFile("资料/文档/c.doc", "words");
        makeFile("资料/文档/子/d.txt", "notes");
        makeFolder("资料/空");
    }

    void rebuild() { library.fullRebuild(); }

    // Arms a drag on the node with `key`, as a press does.
    void press(const QString& key)
    {
        library.pressedKey = key;
        library.dragFlag = true;
    }

    ta::DropOutcome drag(const QString& sourceKey, const QString& targetKey)
    {
        press(sourceKey);
        EXPECT_TRUE(ta::mouseMove(library));
        EXPECT_EQ(ta::dragOver(library, 0), ta::Hover::Highlight);
        EXPECT_EQ(ta::dragOver(library, 2), ta::Hover::Highlight);
        return ta::dropOnto(library, targetKey);
    }

    QString entryKey(const char* keyword) const { return keywordSearch(keyword); }
};

} // namespace

TEST_F(TreeActionsTest, DeleteFileRemovesItAndExactlyItsNode)
{
    rebuild();
    const size_t before = library.Nodes.size();
    const auto outcome = ta::deleteNode(library, path("资料/课件/a.swf"));
    EXPECT_TRUE(outcome.removedNode);
    EXPECT_TRUE(outcome.failedPath.isEmpty());
    EXPECT_FALSE(std::filesystem::exists(native("资料/课件/a.swf")));
    EXPECT_EQ(library.Nodes.size(), before - 1);
    EXPECT_TRUE(library.Nodes.contains(path("资料/课件/b.ppt")));
}

TEST_F(TreeActionsTest, ReadOnlyFileStaysOnDiskAndKeepsItsNode)
{
    std::filesystem::permissions(native("资料/课件/b.ppt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    rebuild();
    const auto outcome = ta::deleteNode(library, path("资料/课件/b.ppt"));
    EXPECT_FALSE(outcome.removedNode);
    EXPECT_EQ(outcome.failedPath, path("资料/课件/b.ppt"));
    EXPECT_EQ(readAll(native("资料/课件/b.ppt")), "slides");
    EXPECT_TRUE(library.Nodes.contains(path("资料/课件/b.ppt")));
}

TEST_F(TreeActionsTest, DeleteFolderTakesItsContentAndEveryNodeBelow)
{
    rebuild();
    const auto outcome = ta::deleteNode(library, path("资料/文档"));
    EXPECT_TRUE(outcome.removedNode);
    EXPECT_FALSE(std::filesystem::exists(native("资料/文档")));
    for (const char* gone : {"资料/文档", "资料/文档/c.doc", "资料/文档/子", "资料/文档/子/d.txt"})
        EXPECT_FALSE(library.Nodes.contains(path(gone))) << gone;
    EXPECT_TRUE(library.Nodes.contains(path("资料/课件/a.swf")));
}

TEST_F(TreeActionsTest, DeleteDataFolderRootDeletesTheWholeDataFolder)
{
    rebuild();
    const auto outcome = ta::deleteNode(library, dataRoot());
    EXPECT_TRUE(outcome.removedNode);
    EXPECT_FALSE(std::filesystem::exists(native("资料")));
    ASSERT_EQ(library.Nodes.topLevel().size(), 1u);
    EXPECT_EQ(library.Nodes.first()->Text(), "网络教学资源");
}

TEST_F(TreeActionsTest, FolderDeletionStoppedHalfWayKeepsTheNodeAndDropsWhatWent)
{
    HalfDeletingFileSystem fs;
    Library lib{fs, settings, launcher};
    lib.setApplicationFolder(library.applicationFolder());
    lib.saomiao = dataRoot();
    makeFile("资料/半/one.txt");
    lib.fullRebuild();

    const auto outcome = ta::deleteNode(lib, path("资料/半"));
    EXPECT_FALSE(outcome.removedNode);
    EXPECT_EQ(outcome.failedPath, path("资料/半"));
    EXPECT_TRUE(lib.Nodes.contains(path("资料/半")));
    EXPECT_FALSE(lib.Nodes.contains(path("资料/半/one.txt")));
}

TEST_F(TreeActionsTest, CatalogueNodesLeaveTheTreeAndNothingOnDiskChanges)
{
    // The catalogue keys read as relative paths; make them name real things here.
    QTemporaryDir cwd;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    const std::string site = nativeFromPath(library.searchsite);
    std::filesystem::create_directories(site);
    std::ofstream(site + "/keep.txt") << "keep";
    rebuild();

    const auto entry = ta::deleteNode(library, entryKey("lesson1"));
    EXPECT_TRUE(entry.removedNode);
    EXPECT_FALSE(library.Nodes.contains(entryKey("lesson1")));
    EXPECT_TRUE(library.Nodes.contains(entryKey("lesson2")));

    const auto root = ta::deleteNode(library, library.searchsite);
    EXPECT_TRUE(root.removedNode);
    EXPECT_FALSE(library.Nodes.contains(entryKey("lesson2")));
    EXPECT_EQ(readAll(site + "/keep.txt"), "keep");
    EXPECT_TRUE(std::filesystem::exists(native("资料/课件/a.swf")));
    QDir::setCurrent(previous);
}

TEST_F(TreeActionsTest, SaveAsCopiesReplacesAndLeavesTheSourceItselfWhole)
{
    const QString source = path("资料/课件/a.swf");
    ASSERT_TRUE(ta::saveAs(localFs, source, path("新.swf")).ok());
    EXPECT_EQ(readAll(native("新.swf")), "movie bytes");

    makeFile("旧.swf", "an older and longer file");
    ASSERT_TRUE(ta::saveAs(localFs, source, path("旧.swf")).ok());
    EXPECT_EQ(readAll(native("旧.swf")), "movie bytes");

    // Onto itself, by its own path and through a link to it.
    std::filesystem::create_symlink(native("资料/课件/a.swf"), native("link.swf"));
    EXPECT_TRUE(ta::saveAs(localFs, source, source).ok());
    EXPECT_TRUE(ta::saveAs(localFs, source, path("link.swf")).ok());
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
}

TEST_F(TreeActionsTest, MovedFileNodeHangsBelowTheTargetWithTheScansTextTagAndImage)
{
    struct Case {
        const char* name;
        const char* text;
        const char* tag;
        int image;
    } cases[] = {
        {"a.swf", "a", "swf", 4},
        {"b.ppt", "b", "ppt", 5},
        {"x.swf_old.swf", "x_old", "swf", 4},
        {"Lesson.SWF", "Lesson", "SWF", 16},
        {"plan.doc", "plan", "doc", 6},
        {"README", "README", "DME", 16},
    };
    makeFile("资料/课件/x.swf_old.swf");
    makeFile("资料/课件/Lesson.SWF");
    makeFile("资料/课件/plan.doc");
    makeFile("资料/课件/README");
    rebuild();
    for (const auto& c : cases) {
        const QString from = path(QString("资料/课件/") + c.name);
        const QString to = path(QString("资料/空/") + c.name);
        EXPECT_EQ(drag(from, path("资料/空")), ta::DropOutcome::FileMoved) << c.name;
        EXPECT_FALSE(library.dragFlag);
        EXPECT_TRUE(std::filesystem::exists(fsFromPath(to))) << c.name;
        EXPECT_FALSE(library.Nodes.contains(from)) << c.name;
        const Node* node = library.Nodes.find(to);
        ASSERT_NE(node, nullptr) << c.name;
        EXPECT_EQ(node->parent(), library.Nodes.find(path("资料/空")));
        EXPECT_EQ(node->Text(), c.text) << c.name;
        EXPECT_EQ(node->Tag(), c.tag) << c.name;
        EXPECT_EQ(node->Image(), c.image) << c.name;
        EXPECT_EQ(library.lastnode, node);
    }
}

TEST_F(TreeActionsTest, NameClashLeavesBothFilesAndPutsTheNodeBack)
{
    makeFile("资料/空/a.swf", "other movie");
    rebuild();
    const QString before = dump(library.Nodes);
    EXPECT_EQ(drag(path("资料/课件/a.swf"), path("资料/空")), ta::DropOutcome::FileNotMoved);
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
    EXPECT_EQ(readAll(native("资料/空/a.swf")), "other movie");
    EXPECT_EQ(library.Nodes.find(path("资料/课件/a.swf"))->parent(), library.Nodes.find(path("资料/课件")));
    EXPECT_EQ(dump(library.Nodes), before);
}

TEST_F(TreeActionsTest, FolderMovesWithItsContentAndTheTreeIsRebuilt)
{
    rebuild();
    EXPECT_EQ(drag(path("资料/文档"), path("资料/空")), ta::DropOutcome::FolderMoved);
    EXPECT_EQ(readAll(native("资料/空/文档/子/d.txt")), "notes");
    EXPECT_FALSE(std::filesystem::exists(native("资料/文档")));
    EXPECT_EQ(library.Nodes.first()->Text(), "网络教学资源");
    EXPECT_TRUE(library.Nodes.contains(path("资料/空/文档/子/d.txt")));
    EXPECT_FALSE(library.Nodes.contains(path("资料/文档")));
}

TEST_F(TreeActionsTest, FolderIntoItsOwnSubFolderIsRefusedAndTheTreeComesBackUnchanged)
{
    rebuild();
    const QString before = dump(library.Nodes);
    EXPECT_EQ(drag(path("资料/文档"), path("资料/文档/子")), ta::DropOutcome::FolderNotMoved);
    EXPECT_EQ(readAll(native("资料/文档/子/d.txt")), "notes");
    EXPECT_EQ(dump(library.Nodes), before);
}

TEST_F(TreeActionsTest, RefusedDropsMoveNothing)
{
    makeFile("资料/课件/文档/e.txt");  // a folder with the same text as 资料/文档
    struct Case {
        const char* what;
        QString source;
        QString target;
        ta::DropOutcome outcome;
    } cases[] = {
        {"onto itself", path("资料/文档"), path("资料/文档"), ta::DropOutcome::Refused},
        {"onto a file node", path("资料/课件/a.swf"), path("资料/文档/c.doc"), ta::DropOutcome::Refused},
        {"onto a catalogue entry", path("资料/课件/a.swf"), entryKey("lesson1"), ta::DropOutcome::Refused},
        {"onto the catalogue root", path("资料/课件/a.swf"), library.searchsite, ta::DropOutcome::Refused},
        {"onto a folder of the same text", path("资料/文档"), path("资料/课件/文档"), ta::DropOutcome::Refused},
        {"onto empty space", path("资料/课件/a.swf"), QString(), ta::DropOutcome::NoTarget},
        {"a catalogue entry onto a folder", entryKey("lesson1"), path("资料/空"), ta::DropOutcome::CatalogueKept},
        {"the catalogue root onto a folder", library.searchsite, path("资料/空"), ta::DropOutcome::CatalogueKept},
    };
    rebuild();
    const QString before = dump(library.Nodes);
    for (const auto& c : cases) {
        EXPECT_EQ(drag(c.source, c.target), c.outcome) << c.what;
        EXPECT_FALSE(library.dragFlag) << c.what;
        EXPECT_EQ(dump(library.Nodes), before) << c.what;
        EXPECT_EQ(ta::clearsHighlight(c.outcome), c.outcome != ta::DropOutcome::Refused) << c.what;
    }
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
    EXPECT_TRUE(std::filesystem::is_empty(native("资料/空")));
}

TEST_F(TreeActionsTest, LeavingTheTreeEndsTheDragAndALaterDropMovesNothing)
{
    rebuild();
    EXPECT_FALSE(ta::mouseMove(library));  // no press: no drag
    press(path("资料/课件/a.swf"));
    EXPECT_TRUE(ta::mouseMove(library));
    EXPECT_EQ(ta::dragOver(library, 2), ta::Hover::Highlight);
    EXPECT_EQ(ta::dragOver(library, 1), ta::Hover::EndDrag);
    EXPECT_FALSE(library.dragFlag);
    EXPECT_EQ(ta::dragOver(library, 0), ta::Hover::Ignore);
    EXPECT_EQ(ta::dropOnto(library, path("资料/空")), ta::DropOutcome::NotDragging);
    EXPECT_FALSE(ta::clearsHighlight(ta::DropOutcome::NotDragging));
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
    EXPECT_FALSE(ta::mouseMove(library));
}

TEST_F(TreeActionsTest, MoveThatFailsHalfWayAcrossFileSystemsLeavesTheSourceWhole)
{
    CrossDeviceFileSystem fs;
    Library lib{fs, settings, launcher};
    lib.setApplicationFolder(library.applicationFolder());
    lib.saomiao = dataRoot();
    makeFile("资料/文档/子/big.txt", std::string(100000, 'z'));
    lib.fullRebuild();
    const QString before = dump(lib.Nodes);

    // A file whose copy breaks off.
    fs.failOn = "a.swf";
    lib.pressedKey = path("资料/课件/a.swf");
    lib.dragFlag = true;
    EXPECT_EQ(ta::dropOnto(lib, path("资料/空")), ta::DropOutcome::FileNotMoved);
    EXPECT_EQ(readAll(native("资料/课件/a.swf")), "movie bytes");
    EXPECT_FALSE(std::filesystem::exists(native("资料/空/a.swf")));
    EXPECT_EQ(dump(lib.Nodes), before);

    // A folder whose second file's copy breaks off.
    fs.failOn = "big.txt";
    lib.pressedKey = path("资料/文档");
    lib.dragFlag = true;
    EXPECT_EQ(ta::dropOnto(lib, path("资料/空")), ta::DropOutcome::FolderNotMoved);
    EXPECT_EQ(readAll(native("资料/文档/子/big.txt")), std::string(100000, 'z'));
    EXPECT_EQ(readAll(native("资料/文档/c.doc")), "words");
    EXPECT_FALSE(std::filesystem::exists(native("资料/空/文档")));
    EXPECT_EQ(dump(lib.Nodes), before);

    // The same move with a copy that completes goes through.
    fs.failOn.clear();
    lib.pressedKey = path("资料/文档");
    lib.dragFlag = true;
    EXPECT_EQ(ta::dropOnto(lib, path("资料/空")), ta::DropOutcome::FolderMoved);
    EXPECT_EQ(readAll(native("资料/空/文档/子/big.txt")), std::string(100000, 'z'));
    EXPECT_FALSE(std::filesystem::exists(native("资料/文档")));
}
