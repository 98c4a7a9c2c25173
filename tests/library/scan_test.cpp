#include "library/limits.h"
#include "library/resource_tree_model.h"
#include "library/support/library_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <set>

using namespace veskor;
using namespace veskor::testing;

namespace {

// Fails the listing of chosen folders, as access rights would for a user who is not root.
class UnreadableFoldersFileSystem : public LocalFileSystem {
public:
    std::set<QString> unreadable;
    Result<FolderListing> listFolder(const QString& folderPath) const override
    {
        if (unreadable.count(folderPath))
            return makeError("permission denied");
        return LocalFileSystem::listFolder(folderPath);
    }
};

// Folders named "d" inside each other, `levels` deep, below the folder open as
// `base`. No path longer than a few characters is ever named: each step moves
// the chain built so far into a fresh folder, so the depth is not bounded by
// the system's path length.
void buildFolderChain(int base, int levels)
{
    ASSERT_EQ(::mkdirat(base, "d", 0700), 0);
    for (int i = 1; i < levels; ++i) {
        ASSERT_EQ(::mkdirat(base, "n", 0700), 0);
        ASSERT_EQ(::renameat(base, "d", base, "n/d"), 0);
        ASSERT_EQ(::renameat(base, "n", base, "d"), 0);
    }
}

// Takes such a chain apart the same way, from the top.
void removeFolderChain(int base)
{
    while (::renameat(base, "d/d", base, "n") == 0) {
        ::unlinkat(base, "d", AT_REMOVEDIR);
        ::renameat(base, "n", base, "d");
    }
    ::unlinkat(base, "d", AT_REMOVEDIR);
}

} // namespace

TEST_F(LibraryTest, FileNodesTakeTextTagAndImageFromTheExtensionAsFound)
{
    struct Case {
        const char* name;
        const char* text;
        const char* tag;
        int image;
    } cases[] = {
        {"Lesson.SWF", "Lesson", "SWF", 16},
        {"a.swf.swf", "a", "swf", 4},
        {"x.swf_old.swf", "x_old", "swf", 4},
        {"notes.docx", "notes.docx", "ocx", 16},
        {"README", "README", "DME", 16},
        {"plan.doc", "plan", "doc", 6},
        {"show.ppt", "show", "ppt", 5},
    };
    for (const auto& c : cases)
        makeFile(QString("资料/") + c.name);
    ASSERT_TRUE(library.additem().ok());
    for (const auto& c : cases) {
        const Node* node = library.Nodes.find(path(QString("资料/") + c.name));
        ASSERT_NE(node, nullptr) << c.name;
        EXPECT_EQ(node->Text(), c.text) << c.name;
        EXPECT_EQ(node->Tag(), c.tag) << c.name;
        EXPECT_EQ(node->Image(), c.image) << c.name;
    }
}

TEST_F(LibraryTest, ThreeLevelsAreListedCollapsedBelowTheExpandedRootInAlphabeticalOrder)
{
    makeFile("资料/第10课/练习/a.swf");
    makeFile("资料/第2课/b.ppt");
    makeFile("资料/C.doc");
    makeFile("资料/a.txt");
    ASSERT_TRUE(library.additem().ok());

    const Node* root = library.Nodes.find(dataRoot());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Text(), "资料");
    EXPECT_EQ(library.rootname, "资料");
    EXPECT_TRUE(root->Expanded());
    EXPECT_TRUE(root->Sorted());
    EXPECT_EQ(root->Tag(), "folder");
    // Alphabetical, case-insensitive, numbers as numbers; where Han and Latin meet is the
    // locale's affair.
    const QStringList shown = texts(root);
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown.indexOf("a") + 1, shown.indexOf("C"));
    EXPECT_EQ(shown.indexOf("第2课") + 1, shown.indexOf("第10课"));
    const Node* deep = library.Nodes.find(path("资料/第10课/练习"));
    ASSERT_NE(deep, nullptr);
    EXPECT_FALSE(deep->Expanded());
    EXPECT_EQ(deep->Tag(), "folder");
    EXPECT_EQ(deep->Image(), 14);
    EXPECT_EQ(deep->parent(), library.Nodes.find(path("资料/第10课")));
    EXPECT_EQ(texts(deep), QStringList{"a"});
    EXPECT_EQ(library.Nodes.size(), 8u);
}

TEST_F(LibraryTest, EmptyDataFolderGivesTheRootAlone)
{
    ASSERT_TRUE(library.additem().ok());
    ASSERT_EQ(library.Nodes.size(), 1u);
    EXPECT_TRUE(library.Nodes.first()->Expanded());
    EXPECT_EQ(library.lastnode, library.Nodes.first());
}

TEST_F(LibraryTest, TypeFilterKeepsEveryFolderAndOnlyExactExtensions)
{
    makeFile("资料/a.swf");
    makeFile("资料/B.SWF");
    makeFile("资料/c.doc");
    makeFile("资料/only-docs/d.doc");
    makeFolder("资料/empty");
    library.filetype = "swf";
    ASSERT_TRUE(library.additem().ok());
    EXPECT_TRUE(library.Nodes.find(path("资料/a.swf")));
    EXPECT_FALSE(library.Nodes.find(path("资料/B.SWF")));
    EXPECT_FALSE(library.Nodes.find(path("资料/c.doc")));
    EXPECT_TRUE(library.Nodes.find(path("资料/only-docs")));
    EXPECT_TRUE(library.Nodes.find(path("资料/empty")));
    EXPECT_EQ(library.Nodes.size(), 4u);
}

TEST_F(LibraryTest, TrailingSeparatorOnTheDataFolderIsDropped)
{
    makeFile("资料/sub/a.swf");
    library.saomiao = dataRoot() + "//";
    ASSERT_TRUE(library.additem().ok());
    EXPECT_EQ(library.Nodes.first()->Key(), dataRoot());
    EXPECT_TRUE(library.Nodes.find(path("资料/sub/a.swf")));
}

TEST_F(LibraryTest, MissingDataFolderFallsBackToTheApplicationFolder)
{
    library.saomiao = path("gone");
    std::ofstream(fsFromPath(m_app.path() + "/veskor")) << "program";
    ASSERT_TRUE(library.additem().ok());
    EXPECT_EQ(library.Nodes.first()->Key(), m_app.path());
    EXPECT_TRUE(library.Nodes.find(m_app.path() + "/veskor"));
    library.Nodes.clear();
    library.saomiao.clear();
    ASSERT_TRUE(library.additem().ok());
    EXPECT_EQ(library.Nodes.first()->Key(), m_app.path());
}

TEST_F(LibraryTest, FolderLinksAreFollowedButACycleIsWalkedOnce)
{
    makeFile("资料/a/x.swf");
    std::filesystem::create_directory_symlink(native("资料"), native("资料/a/back"));
    makeFile("外面/y.swf");
    std::filesystem::create_directory_symlink(native("外面"), native("资料/out"));
    ASSERT_TRUE(library.additem().ok());
    EXPECT_TRUE(library.Nodes.find(path("资料/out/y.swf")));
    const Node* back = library.Nodes.find(path("资料/a/back"));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->children().empty());
    EXPECT_EQ(library.Nodes.size(), 6u);
}

TEST_F(LibraryTest, AFolderTreeDeeperThanAnyPathCanNameIsListedToTheDepthLimit)
{
    // 2,500 levels of two characters each: 5,000 characters, more than any path may hold.
    const int base = ::open(native("资料").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(base, 0);
    buildFolderChain(base, 2'500);
    const Result<void> scanned = library.additem();
    int depth = 0;
    for (const Node* node = library.Nodes.first(); node && !node->children().empty(); node = node->children().front())
        ++depth;
    // The deepest folder node is there, empty; taking the branch away frees it all.
    const bool removed = library.Nodes.remove(path("资料/d"));
    const size_t left = library.Nodes.size();
    removeFolderChain(base);
    ::close(base);
    ASSERT_TRUE(scanned.ok()) << scanned.error().message;
    EXPECT_EQ(depth, kMaxScanDepth + 1);
    EXPECT_TRUE(removed);
    EXPECT_EQ(left, 1u);
}

TEST_F(LibraryTest, FileNameThatIsNotUtf8KeysTheVeryFile)
{
    const std::string bad = "第1课\xb5\xda.swf";
    std::ofstream(native("资料") / bad) << "movie";
    ASSERT_TRUE(library.additem().ok());
    ASSERT_EQ(library.Nodes.first()->children().size(), 1u);
    const Node* node = library.Nodes.first()->children().front();
    EXPECT_EQ(nativeFromPath(node->Key()), (native("资料") / bad).native());
    EXPECT_EQ(node->Tag(), "swf");
    EXPECT_TRUE(library.fsys.DeleteFile(node->Key(), false).ok());
    EXPECT_FALSE(std::filesystem::exists(native("资料") / bad));
}

TEST(LibraryScan, UnreadableFoldersStayEmptyAndTheScanGoesOn)
{
    QTemporaryDir dir;
    const auto make = [&](const QString& relative) {
        std::filesystem::create_directories(fsFromPath(dir.path() + "/" + relative).parent_path());
        std::ofstream(fsFromPath(dir.path() + "/" + relative)) << "x";
    };
    make("closed/secret.swf");
    make("open/a.swf");
    make("b.swf");
    UnreadableFoldersFileSystem fsys;
    fsys.unreadable.insert(dir.path() + "/closed");
    MemorySettingsStore settings;
    RecordingLauncher launcher;
    Library library(fsys, settings, launcher);
    library.saomiao = dir.path();
    ASSERT_TRUE(library.additem().ok());
    ASSERT_TRUE(library.Nodes.find(dir.path() + "/closed"));
    EXPECT_TRUE(library.Nodes.find(dir.path() + "/closed")->children().empty());
    // Marked, so that the tree does not show it as an empty folder.
    EXPECT_TRUE(library.Nodes.find(dir.path() + "/closed")->Unreadable());
    EXPECT_FALSE(library.Nodes.find(dir.path() + "/open")->Unreadable());
    ResourceTreeModel model(library.Nodes);
    const QModelIndex closed = model.indexOf(library.Nodes.find(dir.path() + "/closed"));
    EXPECT_TRUE(model.data(closed, Qt::ToolTipRole).toString().contains(QStringLiteral("不能读取")));
    EXPECT_TRUE(library.Nodes.find(dir.path() + "/open/a.swf"));
    EXPECT_TRUE(library.Nodes.find(dir.path() + "/b.swf"));

    library.Nodes.clear();
    fsys.unreadable.insert(dir.path());
    ASSERT_TRUE(library.additem().ok());
    EXPECT_EQ(library.Nodes.size(), 1u);
}

TEST_F(LibraryTest, BusyPointerSurroundsTheScanAndADuplicateRootIsAnError)
{
    QStringList events;
    library.onBusyStart = [&] { events << "start"; };
    library.onBusyEnd = [&] { events << "end"; };
    makeFile("资料/a.swf");
    ASSERT_TRUE(library.additem().ok());
    EXPECT_EQ(events, (QStringList{"start", "end"}));
    EXPECT_EQ(library.fileext, "swf");
    EXPECT_FALSE(library.additem().ok());
}
