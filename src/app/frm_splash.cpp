#include "app/frm_splash.h"

#include "ui/app_fonts.h"
#include "ui/icon_library.h"
#include "ui/screen_scale.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace veskor {

namespace {

QLabel* picture(QWidget* parent, const QIcon& icon, int side)
{
    auto* label = new QLabel(parent);
    label->setPixmap(icon.pixmap(QSize(side, side)));
    label->resize(side, side);
    return label;
}

QLabel* caption(QWidget* parent, const QString& text, const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->adjustSize();
    return label;
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName("frmSplash");
    setAttribute(Qt::WA_DeleteOnClose, false);
    const TwipsScale scale = screenScale(this);
    resize(scale.pixels(7380_tw), scale.pixels(4245_tw));
    setFont(songti(10.5));

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(scale.rect({120_tw, 120_tw, 7080_tw, 4050_tw}));
    frame->installEventFilter(this);
    Frame1 = frame;

    const auto place = [&](QWidget* w, Twips left, Twips top) { w->move(scale.pixels(left), scale.pixels(top)); };
    imgLogo = picture(Frame1, applicationIcon(), scale.pixels(720_tw));
    place(imgLogo, 600_tw, 960_tw);
    Image1 = picture(Frame1, treeImage(5), scale.pixels(480_tw));
    place(Image1, 600_tw, 2280_tw);
    Image2 = picture(Frame1, treeImage(6), scale.pixels(480_tw));
    place(Image2, 1200_tw, 2280_tw);

    lblCompanyProduct = caption(Frame1, QString(), songti(18, true));
    place(lblCompanyProduct, 2160_tw, 1200_tw);
    lblVersion = caption(Frame1, QStringLiteral("V200906"), songti(12, true));
    place(lblVersion, 5160_tw, 1320_tw);
    Label1 = caption(Frame1, QStringLiteral("正在启动、扫描中，请稍后！"), songti(18, true));
    place(Label1, 2040_tw, 2280_tw);
    lblWarning = caption(Frame1, QStringLiteral("欢迎您使用！"), font());
    place(lblWarning, 150_tw, 3660_tw);

    Form_Load();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmSplash::Form_Load()
{
    lblCompanyProduct->setText(QStringLiteral("Veskor"));
    lblCompanyProduct->adjustSize();
}

void frmSplash::Form_KeyPress(int) { close(); }

void frmSplash::Frame1_Click() { close(); }

void frmSplash::keyPressEvent(QKeyEvent* event) { Form_KeyPress(event->key()); }

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    // Only a click on the frame itself closes: the labels and pictures have no handler.
    if (watched == Frame1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && !Frame1->childAt(mouse->position().toPoint()))
            Frame1_Click();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace veskor
