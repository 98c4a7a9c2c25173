#include "library/tree_actions.h"

#include "platform/fs_paths.h"

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

DropOutcome moveFile(Library& lib, const QString& sourceKey, const QString& targetKey)
{
    lib.Nodes.remove(sourceKey);
    auto file = lib.fsys.GetFile(sourceKey);
    if (!file.ok())
        return DropOutcome::FileNotMoved;  // nothing on disk to move, and so no node
    auto moved = lib.fsys.Move(file->Path, targetKey + QLatin1Char('/'));
    if (moved.ok()) {
        // No node for the new parent folder (its key differs from the path the file
        // system reports): the file has moved, it just gets no node.
        (void)addFileNode(lib, *moved);
        return DropOutcome::FileMoved;
    }
    // The file stays where it is (a half-done move is undone by the file system); if
    // a copy did reach the target folder as well, it is shown too.
    showFileIfThere(lib, file->Path);
    showFileIfThere(lib, fs_paths::join(targetKey, file->Name));
    return DropOutcome::FileNotMoved;
}

DropOutcome moveFolder(Library& lib, const QString& sourceKey, const QString& targetKey)
{
    lib.Nodes.remove(sourceKey);
    bool moved = false;
    if (auto folder = lib.fsys.GetFolder(sourceKey); folder.ok())
        moved = lib.fsys.Move(folder->Path, targetKey + QLatin1Char('/')).ok();
    lib.fullRebuild();
    return moved ? DropOutcome::FolderMoved : DropOutcome::FolderNotMoved;
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

DropOutcome dropOnto(Library& lib, const QString& targetKey)
{
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
    if (pressed->Tag() != TagFolder)
        return moveFile(lib, sourceKey, destination);
    return moveFolder(lib, sourceKey, destination);
}

} // namespace veskor::tree_actions
