#pragma once

// Indexes into the tree's image list (counted from 1, as the toolbar shares them), and
// the tags that tell node kinds apart.

#include <QString>

namespace veskor {

inline constexpr int ImageSwf = 4;
inline constexpr int ImagePpt = 5;
inline constexpr int ImageDoc = 6;
inline constexpr int ImageFolder = 14;
inline constexpr int ImageOpenFolder = 15;
inline constexpr int ImageOtherFile = 16;

inline const QString TagFolder = QStringLiteral("folder");
inline const QString TagSearch = QStringLiteral("iesearch");

// The image of a file node by its three-character extension; the match is exact.
inline int imageForExtension(const QString& fileext)
{
    if (fileext == QLatin1String("swf"))
        return ImageSwf;
    if (fileext == QLatin1String("doc"))
        return ImageDoc;
    if (fileext == QLatin1String("ppt"))
        return ImagePpt;
    return ImageOtherFile;
}

} // namespace veskor
