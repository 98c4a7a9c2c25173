// `additem` and `scanfolder`: the data folder as the library branch of the tree.
// Depth first, each folder's sub-folders (with all their content) before its own files,
// everything in the order the file system lists it; the Sorted flag of every folder node
// then shows children alphabetically. The walk keeps its folders on a list of its own,
// not on the native stack, and stops at kMaxScanDepth, so no folder tree can exhaust it.

#include "library/catalogue_reader.h"
#include "library/library.h"
#include "library/limits.h"
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

    // Extensions seen so far: tags of files with the same extension share one string.
    std::vector<QString> extensions;
    const QString& extensionOf(const QString& path)
    {
        const QStringView ext = QStringView(path).right(3);
        for (const QString& known : extensions) {
            if (known == ext)
                return known;
        }
        if (extensions.size() >= 64)
            extensions.pop_back();
        extensions.insert(extensions.begin(), ext.toString());
        return extensions.front();
    }
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

QString fileNodeText(const QString& name, const QString& fileext)
{
    // Every occurrence of "." followed by the extension goes, case-sensitively.
    const QChar dotted[] = {QLatin1Char('.'), fileext.size() > 0 ? fileext.at(0) : QChar(),
                            fileext.size() > 1 ? fileext.at(1) : QChar(), fileext.size() > 2 ? fileext.at(2) : QChar()};
    const QStringView pattern(dotted, 1 + std::min<qsizetype>(fileext.size(), 3));
    qsizetype found = name.indexOf(pattern);
    if (found < 0)
        return name;
    QString text;
    text.reserve(name.size());
    qsizetype from = 0;
    while (found >= 0) {
        text.append(QStringView(name).mid(from, found - from));
        from = found + pattern.size();
        found = name.indexOf(pattern, from);
    }
    text.append(QStringView(name).mid(from));
    return text;
}

Result<void> Library::additem()
{
    // A typed trailing "/" would make the root's key differ from the parent path the
    // listing reports for its children.
    QString path = fs_paths::withoutTrailingSeparator(saomiao);
    if (!fsys.FolderExists(path))
        path = defaultDataFolder();
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
    return scanfolder(path, root, state);
}

Result<void> Library::scanfolder(const QString& path, Node* folderNode, ScanState& state)
{
    // The folders being walked, outermost first, each with the next sub-folder to visit.
    struct Walk {
        FolderListing listing;
        Node* node;
        int depth;
        size_t nextSub = 0;
    };
    std::vector<Walk> walks;
    // A folder that cannot be listed, or was listed already (a link leading back into
    // the tree), keeps its node, empty, and the scan goes on.
    auto enter = [&](const QString& folderPath, Node* node, int depth) {
        auto listing = fsys.listFolder(folderPath);
        if (!listing.ok()) {
            node->setUnreadable(true);
            return;
        }
        const FsItem& self = listing->folder;
        if ((self.device != 0 || self.inode != 0) && !state.visited.insert({self.device, self.inode}).second)
            return;
        Nodes.reserveChildren(node, listing->subFolders.size() + listing->files.size());
        walks.push_back(Walk{std::move(listing).value(), node, depth});
    };
    enter(path, folderNode, 0);

    while (!walks.empty()) {
        Walk& walk = walks.back();
        if (walk.nextSub < walk.listing.subFolders.size()) {
            const FsItem sub = walk.listing.subFolders[walk.nextSub++];
            const int depth = walk.depth + 1;
            // The listing reports `path` as every child's parent, so the folder's own node
            // is the node keyed by the parent path.
            Node* node = TRY(Nodes.addChild(walk.node, sub.Path, sub.Name, ImageFolder));
            setLastnode(node);
            node->setTag(TagFolder);
            node->setSorted(true);
            if (depth <= kMaxScanDepth)
                enter(sub.Path, node, depth);
            continue;
        }
        for (const FsItem& file : walk.listing.files) {
            fileext = state.extensionOf(file.Path);
            const int image = imageForExtension(fileext);
            if (state.filtering && fileext != filetype)
                continue;
            Node* node = TRY(Nodes.addChild(walk.node, file.Path, fileNodeText(file.Name, fileext), image));
            setLastnode(node);
            node->setTag(fileext);
        }
        walks.pop_back();
    }
    return {};
}

} // namespace veskor
