#pragma once

// The main window's status bar: five sunken panels side by side, numbered from 1.
// Panels 1 to 4 have fixed widths; panel 5 takes what is left. The slider is not a
// part of the bar: the window lays it over panel 3.

#include <QString>
#include <QWidget>
#include <array>

namespace veskor {

class PanelStatusBar : public QWidget {
public:
    static constexpr int kPanels = 5;

    explicit PanelStatusBar(QWidget* parent = nullptr);

    // Panel numbers run from 1 to 5; others are ignored or give empty values.
    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;
    // A text that ends in a file's path: where room is short, the folder part is
    // shortened in its middle while the prefix and the file name stay whole, and the
    // panel's tool tip gives the whole path. panelText is prefix + path.
    void setPanelPath(int panel, const QString& prefix, const QString& path);
    // What the panel shows in its present width.
    QString shownText(int panel) const;

    // Widths in pixels of the fixed panels 1 to 4.
    void setPanelWidth(int panel, int pixels);
    int panelWidth(int panel) const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect panelRect(int panel) const;

    std::array<QString, kPanels> m_texts;
    std::array<QString, kPanels> m_paths;  // the path at the end of a panel's text, if any
    std::array<int, kPanels> m_widths{};
};

} // namespace veskor
