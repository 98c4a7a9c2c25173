#pragma once

// Which keys are down right now, kept from the key events Qt delivers to the
// application. Full screen leaves through a timer that polls the Esc key's state
// instead of handling a key event, so the state has to be kept somewhere the timer
// can read it whichever widget had the keyboard focus.

#include <QObject>
#include <QSet>

class QCoreApplication;

namespace veskor {

class KeyboardState : public QObject {
public:
    static KeyboardState& instance();

    // Watches every key event of the application from now on. Calling it again is harmless.
    void install(QCoreApplication* app);

    bool isDown(int qtKey) const { return m_down.contains(qtKey); }
    // True once for every press since the last call, so a poll slower than a quick tap
    // still sees the tap.
    bool takePressed(int qtKey) { return m_pressed.remove(qtKey); }

    // For the event filter, and for tests that press a key without a window.
    void setDown(int qtKey, bool down);
    void releaseAll()
    {
        m_down.clear();
        m_pressed.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyboardState() = default;

    QSet<int> m_down;
    QSet<int> m_pressed;
    QCoreApplication* m_installedOn = nullptr;
};

} // namespace veskor
