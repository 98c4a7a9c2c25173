#include "platform/file_system.h"
#include "platform/native_path.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sys/stat.h>

using namespace veskor;
namespace fs = std::filesystem;

namespace {

class FileSystemTest : public ::testing::Test {
protected:
    QString path(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    fs::path native(const QString& relative) const { return fsFromPath(path(relative)); }

    void makeFile(const QString& relative, const std::string& content = "data")
    {
        fs::create_directories(native(relative).parent_path());
        std::ofstream(native(relative), std::ios::binary) << content;
    }
    void makeFolder(const QString& relative) { fs::create_directories(native(relative)); }
    std::string contentOf(const QString& relative) const
    {
        std::ifstream in(native(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool exists(const QString& relative) const { return fs::exists(fs::symlink_status(native(relative))); }

    QTemporaryDir m_dir;
    LocalFileSystem m_fsys;
};

QStringList namesOf(const std::vector<FsItem>& items)
{
    QStringList names;
    for (const auto& item : items)
        names << item.Name;
    names.sort();
    return names;
}

// Renames fail as between two file systems, so every move takes the copying path; the
// copy of one chosen file fails when asked.
class CrossDeviceFileSystem : public LocalFileSystem {
public:
    std::string failOnFile;
    int filesCopied = 0;

protected:
    int renameItem(const fs::path&, const fs::path&) override { return EXDEV; }
    Result<void> copyRegularFile(const fs::path& from, const fs::path& to) override
    {
        if (!failOnFile.empty() && from.filename() == failOnFile)
            return makeError("disk full");
        ++filesCopied;
        return LocalFileSystem::copyRegularFile(from, to);
    }
};

} // namespace

TEST_F(FileSystemTest, ExistenceTestsTellFoldersFromFiles)
{
    makeFile("a.txt");
    makeFolder("sub");
    fs::create_directory_symlink(native("sub"), native("link"));
    struct Case {
        QString path;
        bool folder;
        bool file;
    } cases[] = {
        {QString(), false, false},
        {path("a.txt"), false, true},
        {path("sub"), true, false},
        {path("sub/"), true, false},
        {path("link"), true, false},
        {path("missing"), false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_fsys.FolderExists(c.path), c.folder) << c.path.toStdString();
        EXPECT_EQ(m_fsys.FileExists(c.path), c.file) << c.path.toStdString();
    }
}

TEST_F(FileSystemTest, GetFolderReportsPathNameAndParentWithoutFinalSeparator)
{
    makeFolder("课件/第1课");
    auto folder = m_fsys.GetFolder(path("课件/第1课/"));
    ASSERT_TRUE(folder.ok());
    EXPECT_EQ(folder->Path, path("课件/第1课"));
    EXPECT_EQ(folder->Name, QStringLiteral("第1课"));
    EXPECT_EQ(folder->parentPath, path("课件"));
    EXPECT_TRUE(folder->isFolder);

    auto root = m_fsys.GetFolder(QStringLiteral("/"));
    ASSERT_TRUE(root.ok());
    EXPECT_EQ(root->Path, QStringLiteral("/"));
    EXPECT_TRUE(root->Name.isEmpty());

    EXPECT_FALSE(m_fsys.GetFolder(path("missing")).ok());
    makeFile("f.swf");
    EXPECT_FALSE(m_fsys.GetFolder(path("f.swf")).ok());
    EXPECT_FALSE(m_fsys.GetFile(path("课件")).ok());
    EXPECT_TRUE(m_fsys.GetFile(path("f.swf")).ok());
}

TEST_F(FileSystemTest, ListingSeparatesFoldersFromFilesAndFollowsFolderLinks)
{
    makeFile("a.swf");
    makeFile("b.doc");
    makeFolder("one");
    makeFolder("two");
    fs::create_directory_symlink(native("one"), native("toOne"));
    fs::create_symlink(native("a.swf"), native("toA"));
    fs::create_symlink(native("nowhere"), native("dangling"));

    auto listing = m_fsys.listFolder(path(""));
    ASSERT_TRUE(listing.ok());
    EXPECT_EQ(namesOf(listing->subFolders), (QStringList{"one", "toOne", "two"}));
    EXPECT_EQ(namesOf(listing->files), (QStringList{"a.swf", "b.doc", "dangling", "toA"}));
    for (const auto& item : listing->files) {
        EXPECT_EQ(item.parentPath, m_dir.path());
        EXPECT_EQ(item.Path, path(item.Name));
    }
    // A link to a folder carries the identity of the folder it leads to.
    const auto one = std::find_if(listing->subFolders.begin(), listing->subFolders.end(), [](auto& i) { return i.Name == "one"; });
    const auto link = std::find_if(listing->subFolders.begin(), listing->subFolders.end(), [](auto& i) { return i.Name == "toOne"; });
    EXPECT_EQ(one->inode, link->inode);
    EXPECT_EQ(one->device, link->device);

    auto subFolders = m_fsys.subFolders(path(""));
    ASSERT_TRUE(subFolders.ok());
    EXPECT_EQ(subFolders->size(), 3u);
    EXPECT_FALSE(m_fsys.listFolder(path("missing")).ok());
}

TEST_F(FileSystemTest, MoveIntoFolderKeepsTheNameAndReportsTheNewPlace)
{
    makeFile("a.ppt", "slides");
    makeFolder("target");
    auto moved = m_fsys.Move(path("a.ppt"), path("target") + "/");
    ASSERT_TRUE(moved.ok()) << moved.error().message;
    EXPECT_EQ(moved->Path, path("target/a.ppt"));
    EXPECT_EQ(moved->parentPath, path("target"));
    EXPECT_FALSE(exists("a.ppt"));
    EXPECT_EQ(contentOf("target/a.ppt"), "slides");

    makeFolder("box/inner");
    makeFile("box/inner/x.swf");
    auto folder = m_fsys.Move(path("box"), path("target") + "/");
    ASSERT_TRUE(folder.ok());
    EXPECT_TRUE(folder->isFolder);
    EXPECT_TRUE(exists("target/box/inner/x.swf"));
}

TEST_F(FileSystemTest, MoveFailsOnNameClashAndIntoItselfLeavingBothSides)
{
    makeFile("a.swf", "mine");
    makeFile("target/a.swf", "theirs");
    EXPECT_FALSE(m_fsys.Move(path("a.swf"), path("target") + "/").ok());
    EXPECT_EQ(contentOf("a.swf"), "mine");
    EXPECT_EQ(contentOf("target/a.swf"), "theirs");

    makeFile("folder/sub/f.doc");
    EXPECT_FALSE(m_fsys.Move(path("folder"), path("folder") + "/").ok());
    EXPECT_FALSE(m_fsys.Move(path("folder"), path("folder/sub") + "/").ok());
    // Through a link the destination still lies inside the folder.
    fs::create_directory_symlink(native("folder/sub"), native("subLink"));
    EXPECT_FALSE(m_fsys.Move(path("folder"), path("subLink") + "/").ok());
    EXPECT_TRUE(exists("folder/sub/f.doc"));
    // A file moved into its own folder meets itself.
    EXPECT_FALSE(m_fsys.Move(path("a.swf"), m_dir.path() + "/").ok());
    EXPECT_TRUE(exists("a.swf"));
    EXPECT_FALSE(m_fsys.Move(path("missing"), path("target") + "/").ok());
}

TEST_F(FileSystemTest, MoveAcrossFileSystemsCopiesVerifiesAndRemovesTheSource)
{
    makeFile("lesson/a.swf", std::string(100000, 'x'));
    makeFile("lesson/deep/b.doc", "doc");
    makeFolder("lesson/empty");
    makeFolder("target");
    CrossDeviceFileSystem fsys;
    auto moved = fsys.Move(path("lesson"), path("target") + "/");
    ASSERT_TRUE(moved.ok()) << moved.error().message;
    EXPECT_FALSE(exists("lesson"));
    EXPECT_EQ(contentOf("target/lesson/a.swf"), std::string(100000, 'x'));
    EXPECT_EQ(contentOf("target/lesson/deep/b.doc"), "doc");
    EXPECT_TRUE(exists("target/lesson/empty"));
}

TEST_F(FileSystemTest, FailedCrossDeviceMoveKeepsTheSourceWholeAndRemovesThePartialCopy)
{
    makeFile("lesson/1.swf", "one");
    makeFile("lesson/2.swf", "two");
    makeFile("lesson/3.swf", "three");
    makeFolder("target");
    CrossDeviceFileSystem fsys;
    fsys.failOnFile = "2.swf";
    EXPECT_FALSE(fsys.Move(path("lesson"), path("target") + "/").ok());
    EXPECT_EQ(contentOf("lesson/1.swf"), "one");
    EXPECT_EQ(contentOf("lesson/2.swf"), "two");
    EXPECT_EQ(contentOf("lesson/3.swf"), "three");
    EXPECT_FALSE(exists("target/lesson"));

    fsys.failOnFile = "single.ppt";
    makeFile("single.ppt", "p");
    EXPECT_FALSE(fsys.Move(path("single.ppt"), path("target") + "/").ok());
    EXPECT_EQ(contentOf("single.ppt"), "p");
    EXPECT_FALSE(exists("target/single.ppt"));
}

TEST_F(FileSystemTest, DeleteWithoutForceLeavesAReadOnlyFile)
{
    makeFile("ro.doc");
    fs::permissions(native("ro.doc"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(m_fsys.DeleteFile(path("ro.doc"), false).ok());
    EXPECT_TRUE(exists("ro.doc"));
    EXPECT_TRUE(m_fsys.DeleteFile(path("ro.doc"), true).ok());
    EXPECT_FALSE(exists("ro.doc"));

    makeFile("rw.doc");
    EXPECT_TRUE(m_fsys.DeleteFile(path("rw.doc"), false).ok());
    EXPECT_FALSE(exists("rw.doc"));
    EXPECT_FALSE(m_fsys.DeleteFile(path("rw.doc"), false).ok());
    makeFolder("dir");
    EXPECT_FALSE(m_fsys.DeleteFile(path("dir"), true).ok());
}

TEST_F(FileSystemTest, DeleteFolderRemovesEverythingUnlessAReadOnlyFileStopsIt)
{
    makeFile("f/a/b/c.swf");
    makeFile("f/d.doc");
    fs::permissions(native("f/a/b/c.swf"), fs::perms::owner_read);
    EXPECT_FALSE(m_fsys.DeleteFolder(path("f"), false).ok());
    EXPECT_TRUE(exists("f/d.doc"));
    EXPECT_TRUE(m_fsys.DeleteFolder(path("f"), true).ok());
    EXPECT_FALSE(exists("f"));
    EXPECT_FALSE(m_fsys.DeleteFolder(path("f"), true).ok());
}

TEST_F(FileSystemTest, CopyFileReplacesTheTargetAndLeavesAFileCopiedOntoItself)
{
    makeFile("a.swf", "new");
    makeFile("b.swf", "old content");
    EXPECT_TRUE(m_fsys.copyFile(path("a.swf"), path("b.swf")).ok());
    EXPECT_EQ(contentOf("b.swf"), "new");
    EXPECT_TRUE(m_fsys.copyFile(path("a.swf"), path("a.swf")).ok());
    EXPECT_EQ(contentOf("a.swf"), "new");
    EXPECT_FALSE(m_fsys.copyFile(path("missing"), path("c.swf")).ok());
    makeFolder("dir");
    EXPECT_FALSE(m_fsys.copyFile(path("dir"), path("c.swf")).ok());
}

TEST_F(FileSystemTest, NamesThatAreNotUtf8ReachTheVeryFile)
{
    const std::string badName = "bad\xff\xfe name.swf";
    const fs::path file = fsFromPath(m_dir.path()) / badName;
    std::ofstream(file) << "movie";
    std::ofstream(fsFromPath(m_dir.path()) / "bad\xef\xbf\xbd\xef\xbf\xbd name.swf") << "decoy";

    auto listing = m_fsys.listFolder(m_dir.path());
    ASSERT_TRUE(listing.ok());
    const auto it = std::find_if(listing->files.begin(), listing->files.end(),
        [&](const FsItem& item) { return nativeFromPath(item.Name) == badName; });
    ASSERT_NE(it, listing->files.end());
    EXPECT_TRUE(m_fsys.FileExists(it->Path));
    makeFolder("target");
    auto moved = m_fsys.Move(it->Path, path("target") + "/");
    ASSERT_TRUE(moved.ok());
    EXPECT_EQ(nativeFromPath(moved->Name), badName);
    EXPECT_TRUE(m_fsys.DeleteFile(moved->Path, false).ok());
    EXPECT_TRUE(fs::exists(fsFromPath(m_dir.path()) / "bad\xef\xbf\xbd\xef\xbf\xbd name.swf"));
}
