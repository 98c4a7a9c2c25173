#include "app/support/main_window_fixture.h"
#include "settings/folder_list.h"
#include "settings/frm_set.h"
#include "settings/settings_apply.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace veskor;
using namespace veskor::testing;

namespace {

struct SettingsDialogTest : MainWindowFixture {
    std::unique_ptr<frmMain> w;
    std::unique_ptr<frmset> dialog;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        w = loadedWindow();
        dialog = std::make_unique<frmset>(w.get(), w->library(), settings, dialogs);
        settings.writes.clear();
    }
    Library& lib() { return w->library(); }
    void apply(const QString& path)
    {
        dialog->Text1->setText(path);
        dialog->Command1->click();
    }
};

TEST_F(SettingsDialogTest, OpensInDataFolderModeWithTheDataFolder)
{
    EXPECT_EQ(dialog->modekey, QStringLiteral("saomiao"));
    EXPECT_EQ(dialog->Text1->text(), dataFolder);
    EXPECT_EQ(dialog->Labeltip->text(), kDataFolderTip);
    EXPECT_EQ(dialog->Labelsaomiao->palette().color(QPalette::Window), dialog->palette().color(QPalette::Highlight));
    EXPECT_EQ(dialog->Labeljiaocaibanben->palette().color(QPalette::Window), dialog->palette().color(QPalette::Button));
}

TEST_F(SettingsDialogTest, ExistingFolderRebuildsTheTreeBeforeTheSettingIsStored)
{
    const QString other = temp.path() + "/other";
    writeFile(other + "/x.swf");
    QString rootWhenStored;
    settings.onWrite = [&](const QString&) { rootWhenStored = lib().Nodes.topLevel().back()->Key(); };
    apply(other);
    EXPECT_EQ(settings.writes, QStringList{"saomiao"});
    EXPECT_EQ(settings.values["saomiao"], other);
    EXPECT_EQ(rootWhenStored, other);
    EXPECT_EQ(lib().saomiao, other);
    EXPECT_EQ(lib().Nodes.first()->Text(), QStringLiteral("网络教学资源"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(SettingsDialogTest, ARelativeFolderIsStoredAbsoluteAndTheCaptionStaysBlank)
{
    const QString other = temp.path() + "/other";
    writeFile(other + "/x.swf");
    const QString working = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(temp.path()));
    apply("other/");
    QDir::setCurrent(working);
    EXPECT_EQ(settings.values["saomiao"], other);
    EXPECT_EQ(lib().saomiao, other);
    // An empty title would make the window system show the program's name.
    EXPECT_FALSE(dialog->windowTitle().isEmpty());
    EXPECT_TRUE(dialog->windowTitle().trimmed().isEmpty());
}

TEST_F(SettingsDialogTest, MissingFolderShowsTheMessageAndKeepsTheOldOne)
{
    for (const QString& bad : {temp.path() + "/nope", dataFolder + "/notes.doc", QString()}) {
        dialogs.messages.clear();
        apply(bad);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("不是文件夹或者资料文件夹不存在，请重新设定"));
    }
    EXPECT_TRUE(settings.writes.isEmpty());
    EXPECT_EQ(lib().saomiao, dataFolder);
    w->close();
    EXPECT_EQ(settings.values["saomiao"], dataFolder);
}

TEST_F(SettingsDialogTest, CatalogueNeedsAnExistingFileEndingInLowerCaseTxt)
{
    writeFile(temp.path() + "/upper.TXT", "甲\r\n");
    dialog->Labeljiaocaibanben_Click();
    EXPECT_EQ(dialog->modekey, QStringLiteral("jiaocaibanben"));
    EXPECT_EQ(dialog->Text1->text(), appFolder + "/软件支持") << "the lists move to the support folder";
    EXPECT_EQ(dialog->Labeltip->text(), kCatalogueTip);
    const size_t before = lib().Nodes.size();
    apply(temp.path() + "/upper.TXT");
    apply(temp.path() + "/missing.txt");
    EXPECT_TRUE(settings.writes.isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(lib().Nodes.size(), before);
}

TEST_F(SettingsDialogTest, CatalogueIsStoredBeforeTheRebuildAndShownExpanded)
{
    const QString catalogue = temp.path() + "/人教版.txt";
    writeFile(catalogue, "甲\r\n乙\r\n丙\r\n");
    int nodesWhenStored = -1;
    settings.onWrite = [&](const QString&) { nodesWhenStored = static_cast<int>(lib().Nodes.size()); };
    dialog->Labeljiaocaibanben_Click();
    apply(catalogue);
    EXPECT_EQ(settings.writes, QStringList{"jiaocaibanben"});
    EXPECT_EQ(settings.values["jiaocaibanben"], catalogue);
    EXPECT_GT(nodesWhenStored, 0) << "stored while the old tree stood";
    Node* root = lib().Nodes.first();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->children().size(), 3u);
    EXPECT_TRUE(root->Expanded());
    EXPECT_TRUE(lib().Nodes.topLevel().back()->Expanded());
}

TEST_F(SettingsDialogTest, FileClickFillsThePathOnlyInCatalogueMode)
{
    dialog->Text1->setText("typed");
    dialog->File1_Click("a.txt");
    EXPECT_EQ(dialog->Text1->text(), QStringLiteral("typed"));
    dialog->Labeljiaocaibanben_Click();
    dialog->File1_Click("目录.txt");
    EXPECT_EQ(dialog->Text1->text(), appFolder + "/软件支持/目录.txt");
    ASSERT_TRUE(dialog->Dir1->setPath("/").ok());
    dialog->File1_Click("a.txt");
    EXPECT_EQ(dialog->Text1->text(), QStringLiteral("/a.txt")) << "a root gives a single separator";
}

TEST_F(SettingsDialogTest, BackToDataFolderModeKeepsTheCataloguePath)
{
    dialog->Labeljiaocaibanben_Click();
    dialog->File1_Click("目录.txt");
    dialog->Labelsaomiao_Click();
    EXPECT_EQ(dialog->Text1->text(), appFolder + "/软件支持/目录.txt");
    dialog->Command1->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, kNotAFolderMessage);
}

TEST_F(SettingsDialogTest, OpeningAFolderPutsItsPathInTheBox)
{
    ASSERT_TRUE(dialog->Dir1->setPath(dataFolder + "/unit").ok());
    EXPECT_EQ(dialog->Text1->text(), dataFolder + "/unit");
    EXPECT_FALSE(dialog->Dir1->setPath(temp.path() + "/nope").ok());
    EXPECT_EQ(dialog->Dir1->path(), dataFolder + "/unit");
}

TEST_F(SettingsDialogTest, MainWindowOpensTheDialogModallyAndAfresh)
{
    QStringList modes;
    dialogs.onExec = [&](QDialog& d) { modes << static_cast<frmset&>(d).modekey; static_cast<frmset&>(d).Labeljiaocaibanben_Click(); };
    w->menusoftset_Click();
    w->menusoftset_Click();
    EXPECT_EQ(modes, (QStringList{"saomiao", "saomiao"}));
}

} // namespace
