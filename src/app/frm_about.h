#pragma once

// The about box "版权说明": product name, edition and what the program is for. "确定"
// is both the default and the cancel button, so Enter and Esc close the box too.

#include <QDialog>

class QLabel;
class QPushButton;

namespace veskor {

inline const QString kAboutDescription = QStringLiteral(
    "本软件用于管理和播放教学资料,可直接播放(swf格式)课件。资源树整理你的课件、演示文稿和文档，双击即可打开，"
    "还能在网上查找更多教学资源!");

class frmAbout : public QDialog {
public:
    explicit frmAbout(QWidget* owner);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;

    void Form_Load();
    void cmdOK_Click();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace veskor
