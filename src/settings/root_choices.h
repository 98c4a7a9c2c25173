#pragma once

// The places the settings dialog's root chooser offers instead of drive letters: the
// file-system root, the home folder, and the mounted volumes a user keeps files on
// (system mounts such as /proc, /sys and /dev are left out).

#include <QList>
#include <QString>

namespace veskor {

struct RootChoice {
    QString label;
    QString path;
};

QList<RootChoice> rootChoices();

// The choice whose path holds the given path, the longest such; -1 if none.
int rootIndexFor(const QList<RootChoice>& roots, const QString& path);

} // namespace veskor
