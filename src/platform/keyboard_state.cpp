#include "platform/keyboard_state.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace veskor {

KeyboardState& KeyboardState::instance()
{
    static KeyboardState state;
    return state;
}

void KeyboardState::install(QCoreApplication* app)
{
    if (!app || m_installedOn == app)
        return;
    app->installEventFilter(this);
    m_installedOn = app;
}

void KeyboardState::setDown(int qtKey, bool down)
{
    if (down) {
        m_down.insert(qtKey);
        m_pressed.insert(qtKey);
    }
    else {
        m_down.remove(qtKey);
    }
}

bool KeyboardState::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        setDown(static_cast<QKeyEvent*>(event)->key(), true);
        break;
    case QEvent::KeyRelease:
        // An auto-repeated release is followed at once by another press: the key stays down.
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
            setDown(static_cast<QKeyEvent*>(event)->key(), false);
        break;
    case QEvent::ApplicationDeactivate:
        // A key released while another program has the keyboard sends us no release.
        releaseAll();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace veskor
