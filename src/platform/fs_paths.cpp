#include "platform/fs_paths.h"

namespace veskor::fs_paths {

QString withoutTrailingSeparator(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    return end == path.size() ? path : path.left(end);
}

QString nameOf(const QString& path)
{
    const QString clean = withoutTrailingSeparator(path);
    if (clean == QLatin1String("/"))
        return QString();
    return clean.mid(clean.lastIndexOf(QLatin1Char('/')) + 1);
}

QString parentOf(const QString& path)
{
    const QString clean = withoutTrailingSeparator(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (clean == QLatin1String("/") || slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : clean.left(slash);
}

QString join(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool isSameOrBelow(const QString& path, const QString& folder)
{
    if (path == folder)
        return true;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix);
}

} // namespace veskor::fs_paths
