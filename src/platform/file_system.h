#pragma once

// The program's file-system object `fsys`: existence tests, folder listings, move, delete
// and copy. Paths are QString holding the escaped bytes of native paths (native_path.h),
// "/" separated, reported without a final separator except the root "/". Every access
// goes through the byte path, so a name that is not UTF-8 still reaches the very file.
//
// FileSystem is the interface the library and the windows call; its operations are
// virtual so tests can inject failures. LocalFileSystem is the real one.

#include "common/result.h"

#include <QString>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace veskor {

struct FsItem {
    QString Path;
    QString Name;
    QString parentPath;
    bool isFolder = false;
    // Identity of the item on disk (of the link's target for a link): the scan uses it to
    // visit no folder twice. Zero when the lister did not look it up.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// One folder's direct content in a single pass, with the folder's own identity.
struct FolderListing {
    FsItem folder;
    std::vector<FsItem> subFolders;
    std::vector<FsItem> files;
};

class FileSystem {
public:
    virtual ~FileSystem();

    // False for "", a file, a missing path. A link to a folder counts as a folder.
    virtual bool FolderExists(const QString& path) const;
    // True for anything at the path that is not a folder.
    virtual bool FileExists(const QString& path) const;
    virtual Result<FsItem> GetFolder(const QString& path) const;
    virtual Result<FsItem> GetFile(const QString& path) const;
    // Direct sub-folders and files, in the order the file system lists them.
    virtual Result<std::vector<FsItem>> subFolders(const QString& folderPath) const;
    virtual Result<std::vector<FsItem>> files(const QString& folderPath) const;
    // Both of the above from one read of the folder, with the folder's device and inode.
    virtual Result<FolderListing> listFolder(const QString& folderPath) const;

    // Moves a file or folder. A destination ending in "/" means "into that folder under
    // the item's own name". Returns the item at its new place.
    virtual Result<FsItem> Move(const QString& sourcePath, const QString& destination);
    // With force false a read-only file (owner write bit off) is left and the call fails.
    virtual Result<void> DeleteFile(const QString& path, bool force);
    // Deletes the folder with everything in it. With force false a read-only file inside
    // stops the deletion.
    virtual Result<void> DeleteFolder(const QString& path, bool force);
    // Replaces the target. Copying a file onto itself leaves it untouched and succeeds.
    virtual Result<void> copyFile(const QString& source, const QString& target);
};

class LocalFileSystem : public FileSystem {
public:
    bool FolderExists(const QString& path) const override;
    bool FileExists(const QString& path) const override;
    Result<FsItem> GetFolder(const QString& path) const override;
    Result<FsItem> GetFile(const QString& path) const override;
    Result<std::vector<FsItem>> subFolders(const QString& folderPath) const override;
    Result<std::vector<FsItem>> files(const QString& folderPath) const override;
    Result<FolderListing> listFolder(const QString& folderPath) const override;
    Result<FsItem> Move(const QString& sourcePath, const QString& destination) override;
    Result<void> DeleteFile(const QString& path, bool force) override;
    Result<void> DeleteFolder(const QString& path, bool force) override;
    Result<void> copyFile(const QString& source, const QString& target) override;

protected:
    // The steps of a move, separate so a test can make them fail on purpose.
    // renameItem returns 0 or the errno of rename(2); EXDEV sends the move through
    // copying. copyRegularFile copies one file's bytes during such a move.
    virtual int renameItem(const std::filesystem::path& from, const std::filesystem::path& to);
    virtual Result<void> copyRegularFile(const std::filesystem::path& from, const std::filesystem::path& to);

private:
    Result<void> copyTree(const std::filesystem::path& from, const std::filesystem::path& to);
};

} // namespace veskor
