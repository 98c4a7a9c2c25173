#include "platform/window_style.h"

#include <QWidget>

namespace veskor {

namespace {

void setFrameless(QWidget* window, bool frameless)
{
    if (!window || window->windowFlags().testFlag(Qt::FramelessWindowHint) == frameless)
        return;
    // Changing the flags of a shown window hides it; show it again in the same state.
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::FramelessWindowHint, frameless);
    if (wasVisible)
        window->show();
}

} // namespace

void removeCaptionAndFrame(QWidget* window) { setFrameless(window, true); }

void restoreCaptionAndFrame(QWidget* window) { setFrameless(window, false); }

bool hasCaptionAndFrame(const QWidget* window)
{
    return window && !window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

} // namespace veskor
