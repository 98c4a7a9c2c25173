#pragma once

// The settings dialog: choose the data folder or the catalogue file. Two clickable
// labels switch between the modes; the root chooser, folder list and file list fill
// the path box, which the user may also type into; "确定" applies it.

#include "settings/root_choices.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace veskor {

class Dialogs;
class FileList;
class FolderList;
class Library;
class SettingsStore;

class frmset : public QDialog {
public:
    frmset(QWidget* owner, Library& lib, SettingsStore& settings, Dialogs& dialogs);

    QString modekey;

    QGroupBox* Frame1 = nullptr;
    QLabel* Labelsaomiao = nullptr;
    QLabel* Labeljiaocaibanben = nullptr;
    QComboBox* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Labeltip = nullptr;

    void Form_Load();
    void Labelsaomiao_Click();
    void Labeljiaocaibanben_Click();
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click(const QString& fileName);
    void Command1_Click();

    // The roots the chooser offers; tests may set their own before choosing.
    void setRoots(const QList<RootChoice>& roots);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMode(QLabel* active, QLabel* other);

    Library& m_lib;
    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    QList<RootChoice> m_roots;
    int m_rootIndex = -1;
};

inline const QString kDataFolderTip =
    QStringLiteral("提示：在上面的文本框内是你选定或者直接输入的资料文件夹的位置，确定后会自动跟新");
inline const QString kCatalogueTip =
    QStringLiteral("提示：在上面的文本框内是你选定或者直接输入的不同版本教材目录的TXT文件位置，确定后会自动跟新");

} // namespace veskor
