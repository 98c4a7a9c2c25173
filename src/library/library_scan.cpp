// `additem` and `scanfolder`: the data folder as the library branch of the tree.
// Depth first, each folder's sub-folders (with all their content) before its own files,
// everything in the order the file system lists it; the Sorted flag of every folder node
// then shows children alphabetically.

#include "library/catalogue_reader.h"
#include "library/library.h"
#include "platform/fs_paths.h"
#include "web/search_urls.h"

#include <unordered_set>

namespace veskor {

struct Library::ScanState {
    struct Identity {
        std::uint64_t device;
        std::uint64_t inode;
        bool operator==(const Identity&) const = default;
    };
    struct IdentityHash {
        size_t operator()(const Identity& id) const { return std::hash<std::uint64_t>()(id.device * 0x9E3779B97F4A7C15ull ^ id.inode); }
    };

    // Folders listed so far: a folder link that leads back into the tree is not walked
    // again, so a link cycle cannot make the scan endless.
    std::unordered_set<Identity, IdentityHash> visited;
    bool filtering = false;
};

namespace {

// Runs the window's busy hooks around the scan, also when it ends early.
class BusyPointer {
public:
    BusyPointer(const std::function<void()>& start, const std::function<void()>& end)
        : m_end(end)
    {
        if (start)
            start();
    }
    ~BusyPointer()
    {
        if (m_end)
            m_end();
    }

private:
    const std::function<void()>& m_end;
};

} // namespace

Result<void> Library::additem()
{
    // A typed trailing "/" would make the root's key differ from the parent path the
    // listing reports for its children.
    QString path = fs_paths::withoutTrailingSeparator(saomiao);
    if (!fsys.FolderExists(path))
        path = applicationFolder();
    const FsItem folder = TRY(fsys.GetFolder(path));
    rootname = catalogue::trimSpaces(folder.Name);

    ResourceTree::Batch batch(Nodes);
    Node* root = TRY(Nodes.add(path, rootname, ImageFolder));
    setLastnode(root);
    root->setExpanded(true);
    root->setTag(TagFolder);
    root->setSorted(true);

    BusyPointer busy(onBusyStart, onBusyEnd);
    ScanState state;
    state.filtering = isTypeValue(filetype);
    return scanfolder(path, state);
}

Result<void> Library::scanfolder(const QString& path, ScanState& state)
{
    // A folder that cannot be listed keeps its node, empty, and the scan goes on.
    auto listing = fsys.listFolder(path);
    if (!listing.ok())
        return {};
    const FsItem& self = listing->folder;
    if ((self.device != 0 || self.inode != 0) && !state.visited.insert({self.device, self.inode}).second)
        return {};

    for (const FsItem& sub : listing->subFolders) {
        Node* node = TRY(Nodes.addChild(sub.parentPath, sub.Path, sub.Name, ImageFolder));
        setLastnode(node);
        node->setTag(TagFolder);
        node->setSorted(true);
        TRY_VOID(scanfolder(sub.Path, state));
    }

    for (const FsItem& file : listing->files) {
        fileext = file.Path.right(3);
        const int image = imageForExtension(fileext);
        if (state.filtering && fileext != filetype)
            continue;
        QString text = file.Name;
        text.replace(QLatin1Char('.') + fileext, QString());
        Node* node = TRY(Nodes.addChild(file.parentPath, file.Path, text, image));
        setLastnode(node);
        node->setTag(fileext);
    }
    return {};
}

} // namespace veskor
