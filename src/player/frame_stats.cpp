#include "player/frame_stats.h"

#include "platform/player_widget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

namespace veskor {

namespace {

void printLine(const QString& line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

FrameStats::FrameStats(std::function<double()> nowMs, QObject* parent) : QObject(parent), m_nowMs(std::move(nowMs))
{
    if (!m_nowMs) {
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        m_nowMs = [clock] { return static_cast<double>(clock->nsecsElapsed()) / 1e6; };
    }
    m_total.startMs = m_period.startMs = m_nowMs();
    connect(&m_reportTimer, &QTimer::timeout, this, [this] { printLine(takePeriod()); });
}

void FrameStats::watch(QCoreApplication& app)
{
    app.installEventFilter(this);
    connect(&app, &QCoreApplication::aboutToQuit, this, [this] { printLine(QStringLiteral("total ") + total()); });
}

void FrameStats::reportEvery(double seconds)
{
    m_reportTimer.stop();
    if (!(seconds > 0))
        return;
    m_reportTimer.start(static_cast<int>(std::min(seconds, 3600.0) * 1000));
}

bool FrameStats::eventFilter(QObject* watched, QEvent* event)
{
    // Player widgets are found as they first show; the filter never consumes an event.
    if (event->type() == QEvent::Show || event->type() == QEvent::Paint) {
        if (auto* widget = qobject_cast<PlayerWidget*>(watched)) {
            connect(widget, &PlayerWidget::frameChanged, this, &FrameStats::onFrameShown, Qt::UniqueConnection);
            if (!m_widget)
                m_widget = widget;
            if (event->type() == QEvent::Paint) {
                ++m_total.repaints;
                ++m_period.repaints;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void FrameStats::onFrameShown()
{
    if (auto* widget = qobject_cast<PlayerWidget*>(sender()))
        m_widget = widget;
    ++m_total.frames;
    ++m_period.frames;
}

QString FrameStats::takePeriod()
{
    const QString line = describe(m_period);
    m_period = Tally{m_nowMs(), 0, 0};
    return line;
}

QString FrameStats::total() const
{
    return describe(m_total);
}

QString FrameStats::describe(const Tally& tally) const
{
    const double seconds = std::max(0.0, m_nowMs() - tally.startMs) / 1000.0;
    const double fps = seconds > 0 ? tally.frames / seconds : 0.0;
    const double rate = m_widget ? m_widget->frameRate() : 0.0;
    const QSize size = m_widget ? m_widget->size() : QSize();
    return QStringLiteral("frames shown: %1 in %2 s (%3 fps), movie rate %4 fps, window %5x%6, repaints %7")
        .arg(tally.frames)
        .arg(seconds, 0, 'f', 1)
        .arg(fps, 0, 'f', 1)
        .arg(rate, 0, 'g', 4)
        .arg(size.width())
        .arg(size.height())
        .arg(tally.repaints);
}

} // namespace veskor
