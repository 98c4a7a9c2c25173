#include "library/tree_actions.h"

#include "platform/fs_paths.h"
#include "platform/native_path.h"

#include <unistd.h>

namespace veskor::tree_actions {

namespace {

bool existsOnDisk(const FileSystem& fsys, const QString& path)
{
    // GetFile also finds a dangling link, which is still an entry on disk.
    return fsys.GetFile(path).ok() || fsys.GetFolder(path).ok();
}

void collectVanished(const FileSystem& fsys, const Node* node, QStringList& keys)
{
    for (const Node* child : node->children()) {
        if (!existsOnDisk(fsys, child->Key()))
            keys.append(child->Key());
        else if (child->Tag() == TagFolder)
            collectVanished(fsys, child, keys);
    }
}

// After a deletion that stopped half way: the nodes of what did go leave the tree.
void removeVanishedBelow(Library& lib, const QString& key)
{
    const Node* node = lib.Nodes.find(key);
    if (!node)
        return;
    QStringList vanished;
    collectVanished(lib.fsys, node, vanished);
    for (const QString& gone : std::as_const(vanished))
        lib.Nodes.remove(gone);
}

// A file that is on disk at `path` gets its node back, unless it has one already.
void showFileIfThere(Library& lib, const QString& path)
{
    if (path.isEmpty() || lib.Nodes.contains(path))
        return;
    if (auto file = lib.fsys.GetFile(path); file.ok())
        (void)addFileNode(lib, *file);
}

bool writable(const QString& folder) { return ::access(nativeFromPath(folder).c_str(), W_OK) == 0; }

// Why moving `source` into the folder `targetKey` failed, judged from what is on disk
// before the attempt (a name clash) and after it.
MoveFailure whyNotMoved(const FileSystem& fsys, const QString& source, const QString& targetKey, bool nameTaken)
{
    if (nameTaken)
        return MoveFailure::NameTaken;
    if (fsys.GetFolder(source).ok() && fs_paths::isSameOrBelow(targetKey, source))
        return MoveFailure::IntoItself;
    if (!writable(targetKey) || !writable(fs_paths::parentOf(source)))
        return MoveFailure::NotPermitted;
    return MoveFailure::Other;
}

DropOutcome moveFile(Library& lib, const QString& sourceKey, const QString& targetKey, DropDetails& details)
{
    lib.Nodes.remove(sourceKey);
    auto file = lib.fsys.GetFile(sourceKey);
    if (!file.ok()) {
        details.failure = MoveFailure::Other;
        return DropOutcome::FileNotMoved;  // nothing on disk to move, and so no node
    }
    const bool nameTaken = existsOnDisk(lib.fsys, fs_paths::join(targetKey, file->Name));
    auto moved = lib.fsys.Move(file->Path, targetKey + QLatin1Char('/'));
    if (moved.ok()) {
        // No node for the new parent folder (its key differs from the path the file
        // system reports): the file has moved, it just gets no node.
        (void)addFileNode(lib, *moved);
        details.movedKey = moved->Path;
        return DropOutcome::FileMoved;
    }
    details.failure = whyNotMoved(lib.fsys, file->Path, targetKey, nameTaken);
    // The file stays where it is (a half-done move is undone by the file system); if
    // a copy did reach the target folder as well, it is shown too.
    showFileIfThere(lib, file->Path);
    showFileIfThere(lib, fs_paths::join(targetKey, file->Name));
    return DropOutcome::FileNotMoved;
}

DropOutcome moveFolder(Library& lib, const QString& sourceKey, const QString& targetKey, DropDetails& details)
{
    // The open folders, taken before the moved folder's nodes go.
    QStringList expanded = lib.Nodes.expandedKeys();
    lib.Nodes.remove(sourceKey);
    details.failure = MoveFailure::Other;
    if (auto folder = lib.fsys.GetFolder(sourceKey); folder.ok()) {
        const bool nameTaken = existsOnDisk(lib.fsys, fs_paths::join(targetKey, folder->Name));
        if (auto moved = lib.fsys.Move(folder->Path, targetKey + QLatin1Char('/')); moved.ok()) {
            details.movedKey = moved->Path;
            details.failure = MoveFailure::None;
            // The folders that were open inside the moved one stay open in its new place.
            for (QString& key : expanded) {
                if (fs_paths::isSameOrBelow(key, folder->Path))
                    key = moved->Path + key.mid(folder->Path.size());
            }
        } else {
            details.failure = whyNotMoved(lib.fsys, folder->Path, targetKey, nameTaken);
        }
    }
    lib.rescan(expanded);
    return details.failure == MoveFailure::None ? DropOutcome::FolderMoved : DropOutcome::FolderNotMoved;
}

} // namespace

bool isCatalogueNode(const Library& lib, const Node& node)
{
    if (node.Tag() == TagSearch)
        return true;
    const Node* top = &node;
    while (top->parent())
        top = top->parent();
    return top->Key() == lib.searchsite;
}

Result<Node*> addFileNode(Library& lib, const FsItem& file)
{
    lib.fileext = file.Path.right(3);
    Node* node = TRY(lib.Nodes.addChild(file.parentPath, file.Path, veskor::fileNodeText(file.Name, lib.fileext),
                                        imageForExtension(lib.fileext)));
    lib.lastnode = node;
    node->setTag(lib.fileext);
    return node;
}

DeleteOutcome deleteNode(Library& lib, const QString& key)
{
    DeleteOutcome outcome;
    const Node* node = lib.Nodes.find(key);
    if (!node)
        return outcome;
    if (isCatalogueNode(lib, *node)) {
        outcome.removedNode = lib.Nodes.remove(key);
        return outcome;
    }

    const bool folder = node->Tag() == TagFolder;
    const Result<void> deleted = folder ? lib.fsys.DeleteFolder(key, false) : lib.fsys.DeleteFile(key, false);
    // A failure for an item that is gone all the same (deleted meanwhile) leaves
    // nothing for the node to show.
    if (deleted.ok() || !existsOnDisk(lib.fsys, key)) {
        outcome.removedNode = lib.Nodes.remove(key);
        return outcome;
    }
    outcome.failedPath = key;
    if (folder)
        removeVanishedBelow(lib, key);
    return outcome;
}

SaveAsSource saveAsSource(const Library& lib, const Node* node)
{
    if (!node || node->Key().isEmpty())
        return SaveAsSource::None;
    if (node->Tag() == TagFolder || isCatalogueNode(lib, *node))
        return SaveAsSource::NotAFile;
    return SaveAsSource::File;
}

Result<void> saveAs(FileSystem& fsys, const QString& source, const QString& target)
{
    if (target.isEmpty())
        return makeError("no file name chosen");
    // The same path needs no look at the disk; another path to the same file (a link)
    // is recognised by the copy itself, which then leaves the file alone.
    if (fs_paths::withoutTrailingSeparator(source) == fs_paths::withoutTrailingSeparator(target))
        return {};
    return fsys.copyFile(source, target);
}

ShowRequest showRequest(const Library& lib, const QString& key)
{
    const Node* node = lib.Nodes.find(key);
    if (!node || node->Key().isEmpty() || isCatalogueNode(lib, *node))
        return {};
    if (node->Tag() == TagFolder)
        return {ShowRequest::Kind::Folder, node->Key()};
    return {ShowRequest::Kind::File, node->Key()};
}

bool mouseMove(Library& lib)
{
    if (lib.dragFlag)
        return true;
    lib.dragFlag = false;
    return false;
}

Hover dragOver(Library& lib, int state)
{
    if (state == 1) {
        lib.dragFlag = false;
        return Hover::EndDrag;
    }
    return lib.dragFlag ? Hover::Highlight : Hover::Ignore;
}

DropOutcome dropOnto(Library& lib, const QString& targetKey, DropDetails* details)
{
    DropDetails ignored;
    DropDetails& out = details ? *details : ignored;
    out = {};
    if (!lib.dragFlag)
        return DropOutcome::NotDragging;
    lib.dragFlag = false;

    const Node* target = targetKey.isEmpty() ? nullptr : lib.Nodes.find(targetKey);
    if (!target)
        return DropOutcome::NoTarget;
    const Node* pressed = lib.Nodes.find(lib.pressedKey);
    // The catalogue root carries the folder tag too, but its key is a web address.
    if (!pressed || target->Tag() != TagFolder || isCatalogueNode(lib, *target) || target->Text() == pressed->Text())
        return DropOutcome::Refused;
    if (isCatalogueNode(lib, *pressed))
        return DropOutcome::CatalogueKept;

    // Copies: the nodes go away during the move.
    const QString sourceKey = pressed->Key();
    const QString destination = target->Key();
    out.sourcePath = sourceKey;
    if (pressed->Tag() != TagFolder)
        return moveFile(lib, sourceKey, destination, out);
    return moveFolder(lib, sourceKey, destination, out);
}

} // namespace veskor::tree_actions
