#pragma once

// The splash window shown while the main window loads: the product name, the version
// caption and a note that the program is starting and scanning. A key press, or a
// click on the frame itself (not on its labels or pictures), closes it.

#include <QWidget>

class QLabel;

namespace veskor {

class frmSplash : public QWidget {
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QWidget* Frame1 = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* lblCompanyProduct = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblWarning = nullptr;

    void Form_Load();
    void Form_KeyPress(int keyCode);
    void Frame1_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace veskor
