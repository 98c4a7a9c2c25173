#include "ui/panel_status_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace veskor {

namespace {
constexpr int kGap = 2;
bool validPanel(int panel) { return panel >= 1 && panel <= PanelStatusBar::kPanels; }
}

PanelStatusBar::PanelStatusBar(QWidget* parent) : QWidget(parent)
{
    m_widths = {120, 120, 120, 120, 0};
}

void PanelStatusBar::setPanelText(int panel, const QString& text)
{
    if (!validPanel(panel) || m_texts[panel - 1] == text)
        return;
    m_texts[panel - 1] = text;
    update(panelRect(panel));
}

QString PanelStatusBar::panelText(int panel) const { return validPanel(panel) ? m_texts[panel - 1] : QString(); }

void PanelStatusBar::setPanelWidth(int panel, int pixels)
{
    if (!validPanel(panel) || panel == kPanels)
        return;
    m_widths[panel - 1] = std::max(0, pixels);
    update();
}

int PanelStatusBar::panelWidth(int panel) const
{
    if (!validPanel(panel))
        return 0;
    if (panel == kPanels)
        return panelRect(kPanels).width();
    return m_widths[panel - 1];
}

QSize PanelStatusBar::sizeHint() const
{
    return QSize(400, fontMetrics().height() + 8);
}

QRect PanelStatusBar::panelRect(int panel) const
{
    int left = 0;
    for (int i = 1; i < panel; ++i)
        left += m_widths[i - 1] + kGap;
    const int width = panel == kPanels ? std::max(0, this->width() - left) : m_widths[panel - 1];
    return QRect(left, 1, width, height() - 2);
}

void PanelStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette pal = palette();
    for (int panel = 1; panel <= kPanels; ++panel) {
        const QRect r = panelRect(panel);
        if (r.width() <= 0)
            continue;
        // A sunken panel: dark edge top-left, light edge bottom-right.
        painter.setPen(pal.color(QPalette::Dark));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(pal.color(QPalette::Light));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        const QRect textRect = r.adjusted(4, 1, -4, -1);
        painter.setPen(pal.color(QPalette::WindowText));
        const QString shown = fontMetrics().elidedText(m_texts[panel - 1], Qt::ElideMiddle, textRect.width());
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, shown);
    }
}

} // namespace veskor
