#include "library/library.h"

#include "platform/fs_paths.h"
#include "platform/native_path.h"
#include "web/search_urls.h"

#include <QDir>
#include <QStandardPaths>
#include <climits>
#include <unistd.h>

namespace veskor {

QString executableFolder()
{
    std::string bytes(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", bytes.data(), bytes.size());
    if (length <= 0)
        return QString();
    bytes.resize(static_cast<size_t>(length));
    return fs_paths::parentOf(pathFromNative(bytes));
}

// `apppath` and `searchsite` get their values here already, so a Library is usable the
// moment it exists; the main window's load may set them again.
Library::Library(FileSystem& fileSystem, SettingsStore& settings, Launcher& launcher)
    : fsys(fileSystem)
    , m_settings(settings)
    , m_launcher(launcher)
{
    searchsite = siteName();
    setApplicationFolder(executableFolder());
}

void Library::setApplicationFolder(const QString& folder)
{
    m_applicationFolder = folder;
    apppath = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString Library::defaultDataFolder() const
{
    if (::access(nativeFromPath(m_applicationFolder).c_str(), W_OK) == 0)
        return m_applicationFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && fsys.FolderExists(documents))
        return documents;
    return QDir::homePath();
}

QString Library::defaultCatalogue() const { return apppath + QStringLiteral("软件支持/目录.txt"); }

void Library::setLastnode(Node* node) { lastnode = node; }

void Library::fullRebuild()
{
    Nodes.clear();
    lastnode = nullptr;
    addnetsearch();
    auto scanned = additem();
    if (!scanned.ok() && onScanFailed)
        onScanFailed(scanned.error());
}

void Library::rescan(const QStringList& expandedKeys)
{
    fullRebuild();
    ResourceTree::Batch batch(Nodes);
    for (const QString& key : expandedKeys) {
        if (Node* node = Nodes.find(key); node && !node->children().empty())
            node->setExpanded(true);
    }
}

void Library::applyFilter(const QString& type, const QString& address)
{
    filetype = type;
    fullRebuild();
    m_launcher.openinbrowser(address, SW_MINIMIZE);
}

void Library::mnuswfkejian_Click() { applyFilter(QStringLiteral("swf"), typeBrowse(QStringLiteral("swf"))); }
void Library::mnupptkejian_Click() { applyFilter(QStringLiteral("ppt"), typeBrowse(QStringLiteral("ppt"))); }
void Library::mnudocwendang_Click() { applyFilter(QStringLiteral("doc"), typeBrowse(QStringLiteral("doc"))); }
void Library::showall() { applyFilter(QString(), siteRoot()); }

} // namespace veskor
