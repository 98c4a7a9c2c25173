#pragma once

// The widget that shows a movie: it owns the engine's player, the play clock and the
// right-click menu. The engine itself is clock-free; time lives here.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace swf {
class Player;
enum class ScaleMode;
}

namespace veskor {

class AudioOutput;

// Frame schedule of a playing movie: frames fall due at fixed multiples of the frame
// interval from the moment play started, so late timer ticks never add up to drift.
// Pure arithmetic on milliseconds, so tests drive it without waiting.
class FrameClock {
public:
    // Starts a schedule at `nowMs` with frames every `intervalMs` (clamped to a sane range).
    void start(double nowMs, double intervalMs);
    // How many frames have fallen due since the last call; at most `maxCatchUp`. When more
    // were due (the machine stalled), the schedule restarts at `nowMs` instead of racing.
    int takeDueFrames(double nowMs, int maxCatchUp = 8);
    // The same while a stream sound plays: the timeline keeps to the sound, so
    // every frame due is taken however late drawing left it (the picture skips,
    // the sound never waits). Only a stall longer than kStreamStallMs (a
    // suspended process) restarts the schedule.
    int takeStreamFrames(double nowMs);
    static constexpr double kStreamStallMs = 2000;
    // Hands back frames taken but not played: they are due again at once.
    void putBack(int frames);
    // Milliseconds from `nowMs` until the next frame falls due (0 when one already has).
    double msUntilNextFrame(double nowMs) const;
    double interval() const { return m_interval; }

private:
    double m_origin = 0;
    double m_interval = 1000.0 / 12;
    long long m_framesTaken = 0;
};

// One tick of a movie's clock: plays the frames of `player` due on `clock` at
// the time `nowMs()` gives and says how many it played (the caller draws the
// last). While a stream sound plays the frames keep to it however late the
// tick is. Frames are never skipped: past kTickWorkMs of work the rest are
// handed back to the clock, due again at once.
int playDueFrames(FrameClock& clock, swf::Player& player, const std::function<double()>& nowMs);
constexpr double kTickWorkMs = 100;

class PlayerWidget : public QWidget {
    Q_OBJECT
public:
    explicit PlayerWidget(QWidget* parent = nullptr);
    ~PlayerWidget() override;

    // Takes a loaded movie (or none) and shows its current frame; its timeline
    // stands still until setPlaying(true), while its clock runs.
    void setPlayer(std::unique_ptr<swf::Player> player);
    swf::Player* player() const { return m_player.get(); }
    // The loaded movie's frame rate in frames per second (0 without a movie).
    double frameRate() const;

    // Whether the movie's main timeline plays, as the user last asked.
    bool isPlaying() const { return m_playing; }
    void setPlaying(bool playing);

    // Moves to a frame of the movie (clamped to the movie) and repaints.
    void showFrame(int frame);

    int scaleMode() const { return m_scaleMode; }
    void setScaleMode(int mode);

    // The picture as the engine draws it: its size in device pixels and how the stage fills it.
    QSize frameSize() const;
    swf::ScaleMode drawMode() const;

    bool fullMenu() const { return m_fullMenu; }
    void setFullMenu(bool full) { m_fullMenu = full; }

signals:
    void frameChanged(int frame);
    // The movie's fscommand, delivered after the frame that gave it; after
    // "quit" the movie has stopped playing.
    void movieCommand(const QString& command, const QString& arguments);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The pointer and the keys go to the movie's buttons and scripts.
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The Select All and clipboard keys of a focused text field in the movie
    // win over the window's shortcuts on the same keys.
    bool event(QEvent* event) override;

private:
    void onTick();
    // Draws the current frame and repaints the part of the window it changed.
    void refresh();
    void restartClock();
    void scheduleNextTick();
    void stepForward();
    void stepBack();
    void afterInput();
    // A movie that failed stops its clock and shows why.
    void stopIfFailed();
    // Plays the sound the frames just played made (heard only while the
    // movie plays); the output opens with the first sound.
    void playSound();
    void silence();

    std::unique_ptr<swf::Player> m_player;
    bool m_playing = false;
    int m_scaleMode = 0;
    bool m_fullMenu = false;
    // Wheel turns short of a notch, kept for the next turn (eighths of a degree).
    int m_wheelEighths = 0;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    FrameClock m_clock;
    std::unique_ptr<AudioOutput> m_audio;
};

} // namespace veskor
