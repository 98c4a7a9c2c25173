#pragma once

// What the tree's file commands ("删除", "另存为", "资源管理器") and drag-and-drop moving
// do to the library: the rules, the disk changes and the tree's changes, apart from any
// window so that tests drive them with real folders. The window asks its questions
// (the confirmation, the save dialog), shows the messages, runs the drag and paints the
// drop highlight; it hands the answers and the highlighted node's key to these calls.
//
// These are the only commands that change the user's files. Two rules hold throughout:
// a catalogue node's key is a web address and never reaches the file system, and the
// tree shows what is on disk after every command, also after a failure.

#include "common/result.h"
#include "library/library.h"

#include <QString>

namespace veskor::tree_actions {

// A node of the catalogue branch: its root (keyed by the site name) or an entry (keyed
// by a search address).
bool isCatalogueNode(const Library& lib, const Node& node);

// Adds the node of a file found on disk under its folder's node, as the scan builds it
// (text, image and tag by the extension); sets `fileext` and `lastnode`.
Result<Node*> addFileNode(Library& lib, const FsItem& file);

// ---- Delete

struct DeleteOutcome {
    bool removedNode = false;
    // The file or folder that is still on disk after a failed deletion; its node stays.
    QString failedPath;
};

// Deletes the file or folder behind the node with `key` for good, never forced (a
// read-only file stays), and removes its node with everything below it. A catalogue
// node only leaves the tree. When the deletion fails the node stays, and nodes below it
// whose items did vanish are removed.
DeleteOutcome deleteNode(Library& lib, const QString& key);

// ---- Save as

enum class SaveAsSource {
    None,      // no node, or a node without a key
    File,      // a file node: the dialog may open
    NotAFile,  // a folder or a catalogue node: only files are saved under another name
};
SaveAsSource saveAsSource(const Library& lib, const Node* node);

// Copies the file to the chosen name, replacing a file of that name. A target that is
// the source itself (by any path to it) is left untouched.
Result<void> saveAs(FileSystem& fsys, const QString& source, const QString& target);

// ---- Showing a node's folder

struct ShowRequest {
    enum class Kind { Nothing, Folder, File };
    Kind kind = Kind::Nothing;
    QString path;
};
// A folder node shows itself, a file node its folder with the file selected; the
// catalogue branch has no folder to show.
ShowRequest showRequest(const Library& lib, const QString& key);

// ---- Drag-and-drop moving
//
// A press on a node arms the drag (pressedKey and dragFlag, set by the press handler).

// A mouse move over the tree: true when a drag begins (the drag flag alone decides).
bool mouseMove(Library& lib);

enum class Hover {
    EndDrag,    // the drag left the tree: the flag is cleared and the drag ends
    Highlight,  // the node under the pointer becomes the drop highlight
    Ignore,     // no drag of ours is under way
};
// State 0: the drag enters the tree, 1: it leaves, 2: it moves over the tree.
Hover dragOver(Library& lib, int state);

enum class DropOutcome {
    NotDragging,     // no drag was under way
    NoTarget,        // dropped on empty space
    Refused,         // not onto a library folder, or onto one with the dragged node's text
    CatalogueKept,   // a catalogue node was dragged: nothing moves, its node stays
    FileMoved,
    FileNotMoved,    // the file stays where it was and its node is back under its folder
    FolderMoved,     // the tree was rebuilt
    FolderNotMoved,  // the tree was rebuilt and shows the disk unchanged
};

// Why a move that was tried did not happen, so the window can say it.
enum class MoveFailure {
    None,
    NameTaken,     // the target folder holds an item of the same name
    IntoItself,    // a folder onto itself or a folder below it
    NotPermitted,  // the source's folder or the target folder cannot be written
    Other,         // the file system refused for another reason
};

struct DropDetails {
    QString movedKey;  // after a move: the key of the item in its new place
    QString sourcePath;
    MoveFailure failure = MoveFailure::None;
};

// The drop onto the drop-highlighted node (`targetKey`, empty for none). Clears the
// drag flag. `details`, when given, says where the item went or why it stayed.
DropOutcome dropOnto(Library& lib, const QString& targetKey, DropDetails* details = nullptr);
// A refused target keeps its highlight until the next press, and a drop without a drag
// changes nothing; after any other drop the window clears the highlight.
inline bool clearsHighlight(DropOutcome outcome)
{
    return outcome != DropOutcome::Refused && outcome != DropOutcome::NotDragging;
}

} // namespace veskor::tree_actions
