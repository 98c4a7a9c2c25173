#include "app/frm_about.h"

#include "ui/app_fonts.h"
#include "ui/icon_library.h"
#include "ui/screen_scale.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace veskor {

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("frmAbout");
    setWindowTitle(QStringLiteral("版权说明"));
    setWindowIcon(applicationIcon());
    setModal(true);
    setFont(songti(10.5));
    const TwipsScale scale = screenScale(owner);
    setFixedSize(scale.pixels(5865_tw), scale.pixels(3525_tw));

    picIcon = new QLabel(this);
    picIcon->setGeometry(scale.rect({240_tw, 240_tw, 540_tw, 540_tw}));
    picIcon->setPixmap(applicationIcon().pixmap(picIcon->size()));

    lblTitle = new QLabel(this);
    lblTitle->setGeometry(scale.rect({1050_tw, 240_tw, 4092_tw, 480_tw}));
    lblTitle->setFont(songti(16, true));
    lblTitle->setStyleSheet("color: black");

    lblVersion = new QLabel(this);
    lblVersion->setGeometry(scale.rect({1050_tw, 780_tw, 4092_tw, 225_tw + 60_tw}));

    lblDescription = new QLabel(this);
    lblDescription->setGeometry(scale.rect({1050_tw, 1125_tw, 4092_tw, 1170_tw}));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setFont(songti(9));
    lblDescription->setStyleSheet("color: black");

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setGeometry(scale.rect({1920_tw, 2745_tw, 1467_tw, 345_tw}));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

    Form_Load();
    if (owner)
        move(owner->geometry().center() - rect().center());
}

void frmAbout::Form_Load()
{
    lblTitle->setText(QStringLiteral("Veskor"));
    lblVersion->setText(QStringLiteral("免费版"));
    lblDescription->setText(kAboutDescription);
}

void frmAbout::cmdOK_Click() { accept(); }

void frmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The etched separator: a grey line with a white one just below it.
    const TwipsScale scale = screenScale(this);
    QPainter painter(this);
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.drawLine(scale.pixels(225_tw), scale.pixels(2430_tw), scale.pixels(5657_tw), scale.pixels(2430_tw));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(scale.pixels(240_tw), scale.pixels(2445_tw) + 1, scale.pixels(5657_tw), scale.pixels(2445_tw) + 1);
}

} // namespace veskor
