#pragma once

// Text operations on the program's "/"-separated paths, shared by the file system and
// the library scan. They never touch the disk.

#include <QString>

namespace veskor::fs_paths {

// "/a/b/" -> "/a/b"; the root "/" stays "/".
QString withoutTrailingSeparator(const QString& path);
// The last component: "/a/b" -> "b"; "/" -> "".
QString nameOf(const QString& path);
// Everything before the last component: "/a/b" -> "/a"; "/a" -> "/"; "/" and "b" -> "".
QString parentOf(const QString& path);
// "/a" + "b" -> "/a/b"; "/" + "b" -> "/b".
QString join(const QString& folder, const QString& name);
// True when `path` is `folder` itself or lies below it (text comparison of clean paths).
bool isSameOrBelow(const QString& path, const QString& folder);

} // namespace veskor::fs_paths
