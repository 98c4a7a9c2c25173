#include "settings/settings_apply.h"

namespace veskor {

SettingsApplyResult applySettingsPath(const QString& modekey, const QString& path, Library& lib,
                                      SettingsStore& settings)
{
    if (modekey == kModeDataFolder) {
        if (!lib.fsys.FolderExists(path))
            return {false, kNotAFolderMessage};
        lib.saomiao = path;
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
