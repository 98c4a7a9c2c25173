// The changing operations of LocalFileSystem: move, delete, copy.

#include "platform/file_system.h"

#include "platform/fs_paths.h"
#include "platform/native_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace veskor {

namespace fs = std::filesystem;

namespace {

Error failure(const char* what, const QString& path, int code)
{
    return makeError(std::string(what) + " " + nativeFromPath(path) + ": " + std::strerror(code));
}

Error failure(const char* what, const fs::path& path, const std::error_code& ec)
{
    return makeError(std::string(what) + " " + path.native() + ": " + ec.message());
}

bool below(const std::string& path, const std::string& folder)
{
    if (path == folder)
        return true;
    const std::string prefix = folder.size() > 0 && folder.back() == '/' ? folder : folder + '/';
    return path.compare(0, prefix.size(), prefix) == 0;
}

// Byte-for-byte comparison, read in blocks so a large file costs little memory.
bool sameContent(const fs::path& a, const fs::path& b)
{
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    if (!fa || !fb)
        return false;
    std::vector<char> ba(1 << 16), bb(1 << 16);
    for (;;) {
        fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
        fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
        const auto na = fa.gcount();
        const auto nb = fb.gcount();
        if (na != nb || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(na)) != 0)
            return false;
        if (na == 0 || !fa || !fb)
            return !fa.bad() && !fb.bad() && fa.eof() == fb.eof();
    }
}

// The copy of a tree is whole when every folder holds the same names and every file has
// the same size and bytes as its original.
bool copyIsWhole(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    const auto fromStatus = fs::symlink_status(from, ec);
    if (ec)
        return false;
    const auto toStatus = fs::symlink_status(to, ec);
    if (ec || fromStatus.type() != toStatus.type())
        return false;
    if (fs::is_symlink(fromStatus))
        return fs::read_symlink(from, ec) == fs::read_symlink(to, ec) && !ec;
    if (fs::is_regular_file(fromStatus)) {
        const auto sizeA = fs::file_size(from, ec);
        if (ec)
            return false;
        const auto sizeB = fs::file_size(to, ec);
        return !ec && sizeA == sizeB && sameContent(from, to);
    }
    if (!fs::is_directory(fromStatus))
        return false;
    size_t count = 0;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        ++count;
        if (!copyIsWhole(it->path(), to / it->path().filename()))
            return false;
    }
    if (ec)
        return false;
    size_t copied = 0;
    for (fs::directory_iterator it(to, ec), end; !ec && it != end; it.increment(ec))
        ++copied;
    return !ec && copied == count;
}

// Finds a file inside the tree without owner write permission, which a deletion without
// force must leave alone.
bool holdsReadOnlyFile(const fs::path& folder)
{
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto status = it->symlink_status(ec);
        if (ec)
            return false;
        if (fs::is_regular_file(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none)
            return true;
    }
    return false;
}

} // namespace

int LocalFileSystem::renameItem(const fs::path& from, const fs::path& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

Result<void> LocalFileSystem::copyRegularFile(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec)
        return failure("cannot copy", from, ec);
    return {};
}

// Copies a file, a link (as a link) or a folder with everything in it. `to` must not
// exist yet.
Result<void> LocalFileSystem::copyTree(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    const auto status = fs::symlink_status(from, ec);
    if (ec)
        return failure("cannot read", from, ec);
    if (fs::is_symlink(status)) {
        const auto target = fs::read_symlink(from, ec);
        if (!ec)
            fs::create_symlink(target, to, ec);
        if (ec)
            return failure("cannot copy link", from, ec);
        return {};
    }
    if (fs::is_regular_file(status))
        return copyRegularFile(from, to);
    if (!fs::is_directory(status))
        return makeError("cannot copy special file " + from.native());
    fs::create_directory(to, from, ec);
    if (ec)
        return failure("cannot create folder", to, ec);
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
        TRY_VOID(copyTree(it->path(), to / it->path().filename()));
    if (ec)
        return failure("cannot list", from, ec);
    return {};
}

Result<FsItem> LocalFileSystem::Move(const QString& sourcePath, const QString& destination)
{
    const QString source = fs_paths::withoutTrailingSeparator(sourcePath);
    const std::string sourceNative = nativeFromPath(source);
    struct stat sourceStat;
    if (source.isEmpty() || ::lstat(sourceNative.c_str(), &sourceStat) != 0)
        return failure("nothing to move at", sourcePath, source.isEmpty() ? ENOENT : errno);

    QString target;
    if (destination.endsWith(QLatin1Char('/'))) {
        const QString folder = fs_paths::withoutTrailingSeparator(destination);
        if (!FolderExists(folder))
            return makeError("no folder to move into at " + nativeFromPath(destination));
        target = fs_paths::join(folder, fs_paths::nameOf(source));
    } else {
        target = fs_paths::withoutTrailingSeparator(destination);
    }
    const std::string targetNative = nativeFromPath(target);
    struct stat existing;
    if (target.isEmpty() || ::lstat(targetNative.c_str(), &existing) == 0)
        return makeError("an item named " + targetNative + " exists already");

    if (S_ISDIR(sourceStat.st_mode)) {
        // Compare real paths, so that a link or a "/./" in the destination cannot hide
        // that the folder would end up inside itself.
        std::error_code ec;
        const auto realSource = fs::canonical(sourceNative, ec);
        const auto realTargetFolder = fs::weakly_canonical(fs::path(targetNative).parent_path(), ec);
        if (ec || below(realTargetFolder.native(), realSource.native()))
            return makeError("cannot move the folder " + sourceNative + " into itself");
    }

    const int code = renameItem(sourceNative, targetNative);
    if (code == EXDEV) {
        // Another file system: copy, check the copy, and only then remove the original.
        // Any failure on the way removes the partial copy and keeps the source whole.
        std::error_code ec;
        auto copied = copyTree(sourceNative, targetNative);
        if (!copied.ok() || !copyIsWhole(sourceNative, targetNative)) {
            fs::remove_all(targetNative, ec);
            return copied.ok() ? makeError("the copy of " + sourceNative + " differs from it") : copied.error();
        }
        fs::remove_all(sourceNative, ec);
        if (ec)
            return failure("moved, but cannot remove", fs::path(sourceNative), ec);
    } else if (code != 0) {
        return failure("cannot move", source, code);
    }

    struct stat moved;
    if (::stat(targetNative.c_str(), &moved) != 0 && ::lstat(targetNative.c_str(), &moved) != 0)
        return failure("moved item is gone:", target, errno);
    FsItem item;
    item.Path = target;
    item.Name = fs_paths::nameOf(target);
    item.parentPath = fs_paths::parentOf(target);
    item.isFolder = S_ISDIR(moved.st_mode);
    item.device = static_cast<std::uint64_t>(moved.st_dev);
    item.inode = static_cast<std::uint64_t>(moved.st_ino);
    return item;
}

Result<void> LocalFileSystem::DeleteFile(const QString& path, bool force)
{
    const std::string native = nativeFromPath(fs_paths::withoutTrailingSeparator(path));
    struct stat st;
    if (path.isEmpty() || ::lstat(native.c_str(), &st) != 0)
        return failure("no file at", path, path.isEmpty() ? ENOENT : errno);
    if (S_ISDIR(st.st_mode))
        return makeError("not a file: " + native);
    // Checked here rather than left to the system: root may delete anything.
    if (!force && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0)
        return makeError("the file is read-only: " + native);
    if (::unlink(native.c_str()) != 0)
        return failure("cannot delete", path, errno);
    return {};
}

Result<void> LocalFileSystem::DeleteFolder(const QString& path, bool force)
{
    const QString clean = fs_paths::withoutTrailingSeparator(path);
    const std::string native = nativeFromPath(clean);
    struct stat st;
    if (clean.isEmpty() || ::lstat(native.c_str(), &st) != 0)
        return failure("no folder at", path, clean.isEmpty() ? ENOENT : errno);
    if (S_ISLNK(st.st_mode)) {
        // A link to a folder: the link goes, what it points at stays.
        if (!FolderExists(clean))
            return makeError("not a folder: " + native);
        if (::unlink(native.c_str()) != 0)
            return failure("cannot delete", clean, errno);
        return {};
    }
    if (!S_ISDIR(st.st_mode))
        return makeError("not a folder: " + native);
    if (clean == QLatin1String("/"))
        return makeError("the root folder is never deleted");
    if (!force && holdsReadOnlyFile(native))
        return makeError("the folder holds a read-only file: " + native);
    std::error_code ec;
    fs::remove_all(native, ec);
    if (ec)
        return failure("cannot delete", fs::path(native), ec);
    return {};
}

Result<void> LocalFileSystem::copyFile(const QString& source, const QString& target)
{
    const std::string from = nativeFromPath(source);
    const std::string to = nativeFromPath(target);
    struct stat sourceStat;
    if (source.isEmpty() || ::stat(from.c_str(), &sourceStat) != 0)
        return failure("no file at", source, source.isEmpty() ? ENOENT : errno);
    if (!S_ISREG(sourceStat.st_mode))
        return makeError("not a file: " + from);
    if (target.isEmpty())
        return makeError("no target to copy to");
    struct stat targetStat;
    if (::stat(to.c_str(), &targetStat) == 0) {
        if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino)
            return {};
        if (S_ISDIR(targetStat.st_mode))
            return makeError("the target is a folder: " + to);
    }
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec)
        return failure("cannot copy", fs::path(from), ec);
    return {};
}

} // namespace veskor
