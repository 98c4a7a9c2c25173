#pragma once

// The program's own pictures: the tree's images by their image-list index, the
// toolbar's button icons by button key, and the application icon. All are SVG
// drawings in a resource, so they stay sharp at 16 pixels and on high-DPI screens.

#include <QIcon>
#include <QString>

namespace veskor {

// Image-list indexes the tree uses: 4 movie, 5 presentation, 6 document, 14 folder,
// 15 open folder, 16 any other file. Other indexes give a null icon.
QIcon treeImage(int image);

// Icon of the toolbar button with the given key ("隐藏", "打开", "播放", ...).
QIcon toolbarIcon(const QString& key);

QIcon applicationIcon();

} // namespace veskor
