#include "settings/root_choices.h"

#include <QDir>
#include <QStorageInfo>

namespace veskor {

namespace {

bool isSystemMount(const QString& mountPoint, const QByteArray& type)
{
    static const QStringList systemPrefixes = {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib"};
    for (const QString& prefix : systemPrefixes)
        if (mountPoint == prefix || mountPoint.startsWith(prefix + '/'))
            return !mountPoint.startsWith(QStringLiteral("/run/media/"));
    static const QList<QByteArray> pseudoTypes = {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2",
                                                  "securityfs", "pstore", "debugfs", "tracefs", "mqueue",
                                                  "hugetlbfs", "configfs", "fusectl", "binfmt_misc", "autofs",
                                                  "bpf", "efivarfs", "squashfs", "nsfs"};
    return pseudoTypes.contains(type);
}

bool holds(const QString& root, const QString& path)
{
    if (root == QStringLiteral("/"))
        return path.startsWith('/');
    return path == root || path.startsWith(root + '/');
}

} // namespace

QList<RootChoice> rootChoices()
{
    QList<RootChoice> roots = {{QStringLiteral("/ (根目录)"), QStringLiteral("/")}};
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QStringLiteral("/"))
        roots.append({QStringLiteral("%1 (主文件夹)").arg(home), home});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString mountPoint = volume.rootPath();
        if (!volume.isValid() || mountPoint.isEmpty() || isSystemMount(mountPoint, volume.fileSystemType()))
            continue;
        bool known = false;
        for (const RootChoice& r : roots)
            known = known || r.path == mountPoint;
        if (!known)
            roots.append({volume.displayName() == mountPoint ? mountPoint
                                                             : QStringLiteral("%1 (%2)").arg(mountPoint, volume.displayName()),
                          mountPoint});
    }
    return roots;
}

int rootIndexFor(const QList<RootChoice>& roots, const QString& path)
{
    int best = -1;
    for (int i = 0; i < roots.size(); ++i)
        if (holds(roots[i].path, path) && (best < 0 || roots[i].path.size() > roots[best].path.size()))
            best = i;
    return best;
}

} // namespace veskor
