// Qt's own texts come in the Chinese of the user's languages, zh_CN when they name none.

#include "ui/qt_translations.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veskor;

TEST(QtTranslations, TheUsersChineseElseSimplifiedChinese)
{
    EXPECT_EQ(qtTranslationLocale({"en-US", "en"}), "zh_CN");
    EXPECT_EQ(qtTranslationLocale({}), "zh_CN");
    EXPECT_EQ(qtTranslationLocale({"de-DE", "zh-CN"}), "zh_CN");
    EXPECT_EQ(qtTranslationLocale({"zh-TW"}), "zh_TW");
    EXPECT_EQ(qtTranslationLocale({"zh-Hant-HK"}), "zh_TW");
    EXPECT_EQ(qtTranslationLocale({"zh-Hans-SG"}), "zh_CN");
}

TEST(QtTranslations, MessageBoxButtonsAndTheFileDialogsTypesReadInChinese)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + "/qtbase_zh_CN.qm"))
        GTEST_SKIP() << "Qt's translations are not installed (qt6-translations-l10n)";
    EXPECT_TRUE(installQtTranslations(*qApp, {"nowhere"}, QStringLiteral("/nonexistent")).isEmpty());
    ASSERT_EQ(installQtTranslations(*qApp, {"en-GB"}), "zh_CN");
    QMessageBox box(QMessageBox::NoIcon, "t", "x", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    // The type column of the open and save dialogs, which Qt's translation leaves English.
    QTemporaryDir lessons;
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(lessons.path())), QStringLiteral("文件夹"));
    // Qt's own texts are still Qt's.
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "no such text"), QStringLiteral("no such text"));
}
