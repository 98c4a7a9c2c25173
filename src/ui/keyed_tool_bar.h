#pragma once

// The main window's toolbar: a row of icon buttons, each known by a key. Clicking a
// button reports its key; the first button ("隐藏") is two-state and keeps its pressed
// state between clicks. Other widgets (the search box and its buttons) may sit in the
// same row as children of the bar.

#include <QString>
#include <QWidget>

class QToolButton;

namespace veskor {

struct ToolbarButtonSpec {
    const char* key;
    const char* toolTip;
};

class KeyedToolBar : public QWidget {
    Q_OBJECT
public:
    explicit KeyedToolBar(QWidget* parent = nullptr);

    // The 13 buttons from left to right.
    static const QList<ToolbarButtonSpec>& buttonSpecs();

    QToolButton* button(const QString& key) const;
    QList<QToolButton*> buttons() const { return m_buttons; }

    // 1 while the button is pressed (two-state buttons only), else 0.
    int Value(const QString& key) const;
    // Presses (1) or releases (0) a two-state button without reporting a click.
    void setValue(const QString& key, int value);

    // Places the buttons from the left edge, each side pixels square.
    void setButtonSize(int side);

signals:
    void ButtonClick(const QString& key);

private:
    QList<QToolButton*> m_buttons;
};

} // namespace veskor
