#include "ui/app_fonts.h"
#include "ui/icon_library.h"
#include "ui/keyed_tool_bar.h"

#include <QFontInfo>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace veskor;

namespace {

// A drawing that rendered leaves some pixels opaque.
bool drawsSomething(const QIcon& icon, int side)
{
    const QImage image = icon.pixmap(QSize(side, side)).toImage();
    if (image.isNull())
        return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

TEST(IconsTest, TreeImagesDrawAtSixteenPixelsAndLarger)
{
    for (int image : {4, 5, 6, 14, 15, 16}) {
        EXPECT_TRUE(drawsSomething(treeImage(image), 16)) << image;
        EXPECT_TRUE(drawsSomething(treeImage(image), 48)) << image;
    }
    EXPECT_TRUE(treeImage(7).isNull());
}

TEST(IconsTest, EveryToolbarKeyAndTheApplicationHaveAnIcon)
{
    for (const ToolbarButtonSpec& entry : KeyedToolBar::buttonSpecs())
        EXPECT_TRUE(drawsSomething(toolbarIcon(QString::fromUtf8(entry.key)), 16)) << entry.key;
    EXPECT_TRUE(drawsSomething(applicationIcon(), 32));
}

TEST(FontsTest, SongtiMapsToAnInstalledCjkFont)
{
    const QString family = installFontSubstitutions();
    if (family == QStringLiteral("宋体"))
        GTEST_SKIP() << "no CJK font installed";
    EXPECT_TRUE(QFont::substitutes(QStringLiteral("宋体")).contains(family, Qt::CaseInsensitive));
    const QFontInfo info(songti(12, true));
    EXPECT_EQ(info.family(), family);
}

} // namespace
