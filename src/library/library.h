#pragma once

// The main window's library: the resource tree `Nodes` with the state that its builders
// and commands share, the builders of its two branches (`addnetsearch` for the search
// catalogue, `additem` for the data folder) and the type-filter commands.

#include "common/result.h"
#include "library/node_images.h"
#include "library/resource_tree.h"
#include "platform/file_system.h"
#include "platform/settings_store.h"
#include "web/launcher.h"

#include <QString>
#include <functional>

namespace veskor {

class Library {
public:
    Library(FileSystem& fsys, SettingsStore& settings, Launcher& launcher);

    ResourceTree Nodes;
    FileSystem& fsys;

    QString saomiao;      // the data folder
    QString apppath;      // the application folder, ending in "/"
    QString filetype;     // the type filter: "", "swf", "ppt" or "doc"
    QString searchsite;   // the search site's name, key of the catalogue root
    QString rootname;     // text of the data-folder root
    Node* lastnode = nullptr;
    QString fileext;

    // The pressed node is kept by key, so a node removed since is never dereferenced.
    QString pressedKey;
    bool dragFlag = false;

    // The busy pointer around the scan; the window sets them.
    std::function<void()> onBusyStart;
    std::function<void()> onBusyEnd;
    // Called when the scan inside a full rebuild fails; the window reports it.
    std::function<void(const Error&)> onScanFailed;

    // The folder of the executable, as the platform reports it. Setting it also sets
    // `apppath` (tests point it at a folder of their own).
    QString applicationFolder() const { return m_applicationFolder; }
    void setApplicationFolder(const QString& folder);
    // apppath + "软件支持/目录.txt"
    QString defaultCatalogue() const;
    // The data folder before the user chose one: the application folder, as beside a
    // program unpacked into a folder of its own; for an installed program, whose
    // folder the user cannot write, the user's Documents folder (else the home folder).
    QString defaultDataFolder() const;

    // Appends the catalogue branch "网络教学资源". Every failing step is skipped.
    void addnetsearch();
    // Appends the library branch for `saomiao` (or the application folder when that is
    // no folder). A folder that cannot be listed keeps its node, empty, and the scan goes
    // on; an error comes back only when the tree refuses a node (a duplicate key).
    Result<void> additem();
    // Clear, catalogue, library; a scan failure goes to onScanFailed.
    void fullRebuild();
    // The same after a change on disk (a folder moved, files added from outside): the
    // folders that were open and are still there open again, so the user stays where
    // they were.
    void rescan() { rescan(Nodes.expandedKeys()); }
    // The same, opening the folders with these keys.
    void rescan(const QStringList& expandedKeys);

    void mnuswfkejian_Click();
    void mnupptkejian_Click();
    void mnudocwendang_Click();
    void showall();

private:
    struct ScanState;
    Result<void> scanfolder(const QString& path, Node* folderNode, ScanState& state);
    void applyFilter(const QString& type, const QString& address);
    void setLastnode(Node* node);

    SettingsStore& m_settings;
    Launcher& m_launcher;
    QString m_applicationFolder;
};

// The folder holding the running executable, read from /proc/self/exe as bytes.
QString executableFolder();

// A file node's text: the name less every "." + extension (Lesson.swf -> Lesson,
// x.swf_old.swf -> x_old). The drag-and-drop move builds its node text the same way.
QString fileNodeText(const QString& name, const QString& fileext);

} // namespace veskor
