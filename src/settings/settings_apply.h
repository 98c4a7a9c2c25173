#pragma once

// What "确定" in the settings dialog does with the path box, apart from the window:
// in data-folder mode an existing folder becomes the data folder (tree rebuilt, then
// the setting stored); in catalogue mode an existing file whose name ends in "txt"
// becomes the catalogue (setting stored first, since the catalogue builder reads it,
// then the tree rebuilt with the catalogue root expanded).

#include "library/library.h"
#include "platform/settings_store.h"

#include <QString>

namespace veskor {

inline const QString kModeDataFolder = QStringLiteral("saomiao");
inline const QString kModeCatalogue = QStringLiteral("jiaocaibanben");
inline const QString kNotAFolderMessage = QStringLiteral("不是文件夹或者资料文件夹不存在，请重新设定");

struct SettingsApplyResult {
    bool applied = false;
    QString message;  // a text to show the user, or empty
};

// The path is taken as typed: nothing trimmed, no separator added or removed; a data
// folder given relative to the working folder (or to "~") is stored as absolute.
SettingsApplyResult applySettingsPath(const QString& modekey, const QString& path, Library& lib,
                                      SettingsStore& settings);

} // namespace veskor
