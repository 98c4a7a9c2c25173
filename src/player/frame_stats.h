#pragma once

// A diagnostic for checking playback speed on a real display: it counts the
// frames the player window shows (each tick of the movie's clock that drew a
// new frame) and the window's repaints, and sums them up in one line such as
// "frames shown: 120 in 10.0 s (12.0 fps), movie rate 12 fps, window 1920x1080, repaints 118".

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QTimer>
#include <functional>

class QCoreApplication;

namespace veskor {

class PlayerWidget;

class FrameStats : public QObject {
    Q_OBJECT
public:
    // `nowMs` gives the time in milliseconds; by default a monotonic clock.
    explicit FrameStats(std::function<double()> nowMs = {}, QObject* parent = nullptr);

    // Counts for every player widget the application shows from now on, and
    // prints the total to stderr as the application quits.
    void watch(QCoreApplication& app);
    // Also prints each period's line to stderr every `seconds` (none when not positive).
    void reportEvery(double seconds);

    // The line for the frames since the last period began, and a new period begins.
    QString takePeriod();
    // The line for everything counted since counting began.
    QString total() const;

    int framesShown() const { return m_total.frames; }
    int repaints() const { return m_total.repaints; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tally {
        double startMs = 0;
        int frames = 0;
        int repaints = 0;
    };
    void onFrameShown();
    QString describe(const Tally& tally) const;

    std::function<double()> m_nowMs;
    Tally m_total;
    Tally m_period;
    QTimer m_reportTimer;
    QPointer<PlayerWidget> m_widget;  // the last one that showed a frame
};

} // namespace veskor
