#include "platform/file_system.h"

#include "platform/fs_paths.h"
#include "platform/native_path.h"

#include "common/utf8.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veskor {

namespace {

Error notAvailable() { return makeError("no file system behind this object"); }

Error systemError(const char* what, const QString& path, int code)
{
    return makeError(std::string(what) + " " + nativeFromPath(path) + ": " + std::strerror(code));
}

bool statFollow(const std::string& native, struct stat& st) { return ::stat(native.c_str(), &st) == 0; }
bool statLink(const std::string& native, struct stat& st) { return ::lstat(native.c_str(), &st) == 0; }

FsItem itemFor(const QString& path, const struct stat& st)
{
    FsItem item;
    item.Path = path;
    item.Name = fs_paths::nameOf(path);
    item.parentPath = fs_paths::parentOf(path);
    item.isFolder = S_ISDIR(st.st_mode);
    item.device = static_cast<std::uint64_t>(st.st_dev);
    item.inode = static_cast<std::uint64_t>(st.st_ino);
    return item;
}

// A listed name as text: almost every name is UTF-8 and converts in one go; the others
// keep their bytes as escapes.
QString nameFromNative(const char* name)
{
    const size_t length = std::strlen(name);
    if (veskor::isValidUtf8(std::string_view(name, length)))
        return QString::fromUtf8(name, static_cast<qsizetype>(length));
    return pathFromNative(std::string(name, length));
}

// Closes the listed folder on every way out.
struct FileCloser {
    int fd;
    ~FileCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

// ---- FileSystem: every operation fails unless a subclass provides it ----

FileSystem::~FileSystem() = default;

bool FileSystem::FolderExists(const QString&) const { return false; }
bool FileSystem::FileExists(const QString&) const { return false; }
Result<FsItem> FileSystem::GetFolder(const QString&) const { return notAvailable(); }
Result<FsItem> FileSystem::GetFile(const QString&) const { return notAvailable(); }

Result<std::vector<FsItem>> FileSystem::subFolders(const QString& folderPath) const
{
    auto listing = TRY(listFolder(folderPath));
    return std::move(listing.subFolders);
}

Result<std::vector<FsItem>> FileSystem::files(const QString& folderPath) const
{
    auto listing = TRY(listFolder(folderPath));
    return std::move(listing.files);
}

Result<FolderListing> FileSystem::listFolder(const QString&) const { return notAvailable(); }
Result<FsItem> FileSystem::Move(const QString&, const QString&) { return notAvailable(); }
Result<void> FileSystem::DeleteFile(const QString&, bool) { return notAvailable(); }
Result<void> FileSystem::DeleteFolder(const QString&, bool) { return notAvailable(); }
Result<void> FileSystem::copyFile(const QString&, const QString&) { return notAvailable(); }

// ---- LocalFileSystem: queries ----

bool LocalFileSystem::FolderExists(const QString& path) const
{
    if (path.isEmpty())
        return false;
    struct stat st;
    return statFollow(nativeFromPath(path), st) && S_ISDIR(st.st_mode);
}

bool LocalFileSystem::FileExists(const QString& path) const
{
    if (path.isEmpty())
        return false;
    struct stat st;
    return statFollow(nativeFromPath(path), st) && !S_ISDIR(st.st_mode);
}

Result<FsItem> LocalFileSystem::GetFolder(const QString& path) const
{
    const QString clean = fs_paths::withoutTrailingSeparator(path);
    struct stat st;
    if (clean.isEmpty() || !statFollow(nativeFromPath(clean), st))
        return systemError("no folder at", path, clean.isEmpty() ? ENOENT : errno);
    if (!S_ISDIR(st.st_mode))
        return makeError("not a folder: " + nativeFromPath(path));
    return itemFor(clean, st);
}

Result<FsItem> LocalFileSystem::GetFile(const QString& path) const
{
    const QString clean = fs_paths::withoutTrailingSeparator(path);
    const std::string native = nativeFromPath(clean);
    struct stat st;
    // A dangling link is still a file entry that can be moved or deleted.
    if (clean.isEmpty() || (!statFollow(native, st) && !statLink(native, st)))
        return systemError("no file at", path, clean.isEmpty() ? ENOENT : errno);
    if (S_ISDIR(st.st_mode))
        return makeError("not a file: " + nativeFromPath(path));
    return itemFor(clean, st);
}

Result<std::vector<FsItem>> LocalFileSystem::subFolders(const QString& folderPath) const
{
    return FileSystem::subFolders(folderPath);
}

Result<std::vector<FsItem>> LocalFileSystem::files(const QString& folderPath) const
{
    return FileSystem::files(folderPath);
}

// One pass over the directory, read with getdents64 straight into a buffer: the entry
// type comes from d_type, so only links and file systems that leave the type unknown
// cost a stat, and a folder costs four system calls (open, fstat, read, close) besides
// the reads of its entries.
Result<FolderListing> LocalFileSystem::listFolder(const QString& folderPath) const
{
    const QString clean = fs_paths::withoutTrailingSeparator(folderPath);
    if (clean.isEmpty())
        return makeError("no folder at an empty path");
    FileCloser fd{::open(nativeFromPath(clean).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (fd.fd < 0)
        return systemError("cannot list", clean, errno);
    struct stat self;
    if (::fstat(fd.fd, &self) != 0)
        return systemError("cannot list", clean, errno);

    FolderListing listing;
    listing.folder = itemFor(clean, self);
    const QString prefix = clean == QLatin1String("/") ? clean : clean + QLatin1Char('/');
    thread_local std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t filled = ::getdents64(fd.fd, buffer.data(), buffer.size());
        if (filled < 0)
            return systemError("cannot list", clean, errno);
        if (filled == 0)
            break;
        for (ssize_t offset = 0; offset < filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + offset);
            if (entry->d_reclen == 0)
                return makeError("corrupt folder listing of " + nativeFromPath(clean));
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;

            FsItem item;
            item.device = static_cast<std::uint64_t>(self.st_dev);
            item.inode = static_cast<std::uint64_t>(entry->d_ino);
            switch (entry->d_type) {
            case DT_DIR:
                item.isFolder = true;
                break;
            case DT_REG:
                break;
            case DT_LNK:
            case DT_UNKNOWN: {
                struct stat st;
                if (::fstatat(fd.fd, name, &st, 0) == 0) {
                    item.isFolder = S_ISDIR(st.st_mode);
                    item.device = static_cast<std::uint64_t>(st.st_dev);
                    item.inode = static_cast<std::uint64_t>(st.st_ino);
                }
                break;
            }
            default:
                break;
            }
            item.Name = nameFromNative(name);
            item.Path = prefix + item.Name;
            item.parentPath = clean;
            (item.isFolder ? listing.subFolders : listing.files).push_back(std::move(item));
        }
    }
    return listing;
}

} // namespace veskor
