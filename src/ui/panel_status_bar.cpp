#include "ui/panel_status_bar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
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
    if (!validPanel(panel) || (m_texts[panel - 1] == text && m_paths[panel - 1].isEmpty()))
        return;
    m_texts[panel - 1] = text;
    m_paths[panel - 1].clear();
    update(panelRect(panel));
}

void PanelStatusBar::setPanelPath(int panel, const QString& prefix, const QString& path)
{
    if (!validPanel(panel))
        return;
    m_texts[panel - 1] = prefix + path;
    m_paths[panel - 1] = path;
    update(panelRect(panel));
}

QString PanelStatusBar::shownText(int panel) const
{
    if (!validPanel(panel))
        return QString();
    const int width = panelRect(panel).adjusted(4, 1, -4, -1).width();
    const QFontMetrics metrics = fontMetrics();
    const QString& text = m_texts[panel - 1];
    const QString& path = m_paths[panel - 1];
    if (path.isEmpty() || metrics.horizontalAdvance(text) <= width)
        return metrics.elidedText(text, Qt::ElideMiddle, width);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString prefix = text.left(text.size() - path.size());
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    const int least = metrics.horizontalAdvance(QStringLiteral("……"));
    const int room = width - metrics.horizontalAdvance(name);
    if (room - metrics.horizontalAdvance(prefix) >= least)
        return prefix + metrics.elidedText(folder, Qt::ElideMiddle, room - metrics.horizontalAdvance(prefix)) + name;
    if (room >= least)
        return metrics.elidedText(prefix + folder, Qt::ElideMiddle, room) + name;
    // Too narrow even for the name: the name is cut in its middle, as a last resort, so
    // that its end (a version, the file type) still tells it from its neighbours.
    return metrics.elidedText(name, Qt::ElideMiddle, width);
}

bool PanelStatusBar::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const QPoint at = static_cast<QHelpEvent*>(event)->pos();
        for (int panel = 1; panel <= kPanels; ++panel) {
            if (panelRect(panel).contains(at) && !m_paths[panel - 1].isEmpty()) {
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), m_paths[panel - 1], this);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
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
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, shownText(panel));
    }
}

} // namespace veskor
