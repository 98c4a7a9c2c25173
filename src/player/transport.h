#pragma once

// The working player and everything that follows its position: loading a movie from
// the File menu or the tree, the transport commands, the slider and the tracking
// timer's tick, the frame counter and file panels. Plain state over the player
// interface, so tests drive it with a fake player; the main window shows the state.
//
// Frames: the player counts from 0, the slider and every text from 1.

#include "common/result.h"
#include "platform/player_component.h"

#include <QString>
#include <functional>
#include <memory>

namespace veskor {

inline const QString kOpenFailedMessage =
    QStringLiteral("不能打开此文件，可能是系统不支持此格式，请升级你的系统或试试打开别的.swf文件");
inline const QString kOpenFailedCaption = QStringLiteral("提示");

// Sliderswf as the logic sees it. Like the slider control, a range whose minimum passes
// its maximum pulls the other end along, and the value always lies in the range.
struct SliderState {
    int Min = 1;
    int Max = 100;
    int Value = 1;
    bool Enabled = true;
    QString ToolTipText;

    void setMax(int max);
    void setMin(int min);
    void setValue(int value);
};

// Panel 5's text for the movie at `path`.
QString playingText(const QString& path);

class Transport {
public:
    explicit Transport(PlayerFactory factory);
    ~Transport();

    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Element 1 of the player array; null until the window creates it.
    PlayerComponent* player() const { return m_player.get(); }

    // Puts a fresh instance in place of the working player, made visible inside the
    // parent. On failure the old instance stays.
    Result<void> createWorkingPlayer(QWidget* parent);

    // Transport commands (toolbar). A failing player call ends the command.
    // Play; after a stop it also switches tracking back on for a movie of more than
    // one frame.
    Result<void> playswf();
    Result<void> pauseswf();
    Result<void> stopswf();
    Result<void> fastforwardswf();
    Result<void> fastbackswf();
    Result<void> stepbackswf();

    // The user moved the slider to value; the movie follows.
    void Sliderswf_Scroll(int value);
    // The tracking timer's tick: slider, tool tip and frame counter follow the movie.
    void Timerswf_Timer();

    // Starts frame tracking for a movie just loaded; path shows in the file panel.
    Result<void> trackswf(const QString& path);
    // File menu, after the dialog gave a name: same instance, tracking on.
    Result<void> openMovie(const QString& fileName);
    // Tree: a fresh instance, stopped at its start, in the chosen scale mode. layout
    // runs last (the window's resize layout). The caller shows the failure message.
    Result<void> loadswf(const QString& path, QWidget* playerParent, const std::function<void()>& layout);

    SliderState slider;
    bool timerEnabled = true;  // Timerswf.Enabled: on from the start
    QString totaltext;         // "共N帧"
    QString frametext;         // "第N帧"
    QString panel4;            // frame counter panel
    QString panel5;            // file panel
    int displaymode = 0;       // scale mode for movies loaded from the tree: 0 or 2
    QString swfpath;           // the movie last opened from the File menu

    // Called after a fresh instance replaced the working player.
    std::function<void(PlayerComponent*)> onPlayerReplaced;

private:
    Result<PlayerComponent*> working() const;
    // Tracking off and the panels and tool tip empty: no movie is shown yet.
    void forgetMovie();

    PlayerFactory m_factory;
    std::unique_ptr<PlayerComponent> m_player;
};

} // namespace veskor
