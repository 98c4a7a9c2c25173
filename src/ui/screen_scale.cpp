#include "ui/screen_scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace veskor {

TwipsScale screenScale(const QWidget* widget)
{
    const QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return TwipsScale(screen ? screen->logicalDotsPerInch() : 96.0);
}

} // namespace veskor
