#include "settings/settings_apply.h"

#include <QDir>

namespace veskor {

namespace {

// A typed folder that names no root is read against the folder the dialog browses
// (the working folder), and "~" is the home folder, as in a shell; the stored setting
// is always absolute, so it names the same folder whatever folder the program starts in.
QString absoluteFolder(const QString& typed)
{
    if (typed == QStringLiteral("~") || typed.startsWith(QStringLiteral("~/")))
        return QDir::homePath() + typed.mid(1);
    if (QDir::isRelativePath(typed))
        return QDir::cleanPath(QDir::current().absoluteFilePath(typed));
    return typed;
}

} // namespace

SettingsApplyResult applySettingsPath(const QString& modekey, const QString& path, Library& lib,
                                      SettingsStore& settings)
{
    if (modekey == kModeDataFolder) {
        const QString folder = path.isEmpty() ? path : absoluteFolder(path);
        if (folder.isEmpty() || !lib.fsys.FolderExists(folder))
            return {false, kNotAFolderMessage};
        lib.saomiao = folder;
        lib.fullRebuild();
        settings.write(kModeDataFolder, lib.saomiao);
        return {true, {}};
    }
    if (modekey == kModeCatalogue) {
        // The upper-case "TXT" does not pass: the comparison is exact.
        if (!path.endsWith(QStringLiteral("txt")) || !lib.fsys.FileExists(path))
            return {};
        settings.write(kModeCatalogue, path);
        lib.Nodes.clear();
        lib.addnetsearch();
        if (Node* first = lib.Nodes.first())
            first->setExpanded(true);
        const Result<void> scanned = lib.additem();
        if (!scanned.ok() && lib.onScanFailed)
            lib.onScanFailed(scanned.error());
        return {true, {}};
    }
    return {};
}

} // namespace veskor
