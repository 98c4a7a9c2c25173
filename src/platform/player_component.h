#pragma once

// The embedded Flash player as the program sees it: the members the windows call,
// nothing more. The working player behind it is the project's own engine (src/swf);
// tests put a fake in its place.
//
// Calls on a player without a movie, or with a frame outside the movie, may fail;
// they return an error and change nothing.

#include "common/result.h"

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace veskor {

// What setMovie() returns when another request took its place while it loaded.
inline constexpr const char* kMovieSuperseded = "another movie was asked for while this one loaded";
inline bool isSuperseded(const Error& error) { return error.message == kMovieSuperseded; }

class PlayerComponent {
public:
    virtual ~PlayerComponent() = default;

    // Movie: loads the file and starts it playing. A file that cannot be loaded leaves
    // the player without a movie: the previous one is let go as soon as another is asked for.
    // A player may run the window's event loop while it loads; a call made meanwhile
    // that asks for another movie, or replaces the player, wins, and this call then
    // returns kMovieSuperseded having changed nothing.
    virtual Result<void> setMovie(const QString& path) = 0;
    virtual QString Movie() const = 0;

    virtual Result<void> Play() = 0;      // plays from the current frame
    virtual Result<void> StopPlay() = 0;  // stops and stays on the current frame
    virtual Result<void> Rewind() = 0;    // goes to the first frame
    virtual Result<void> Back() = 0;      // goes one frame back

    // The current frame, counted from 0; writing it moves the movie to that frame.
    virtual Result<int> FrameNum() const = 0;
    virtual Result<void> setFrameNum(int frame) = 0;
    virtual Result<int> TotalFrames() const = 0;

    virtual bool Playing() const = 0;
    virtual Result<void> setPlaying(bool playing) = 0;  // false stops playback at once

    // 0: the whole movie at its own proportions, centred; 2: stretched to the player.
    virtual int ScaleMode() const = 0;
    virtual Result<void> setScaleMode(int mode) = 0;

    // true: the full right-click menu; false: a short one.
    virtual bool Menu() const = 0;
    virtual void setMenu(bool full) = 0;

    // The widget that shows the movie: placement, visibility and z-order go through it.
    virtual QWidget* widget() = 0;

    // Where the movie's fscommand(command, arguments) go; none by default.
    using CommandHandler = std::function<void(const QString& command, const QString& arguments)>;
    virtual void setCommandHandler(CommandHandler handler) { (void)handler; }
};

// Creates a fresh player instance inside the given parent widget.
using PlayerFactory = std::function<std::unique_ptr<PlayerComponent>(QWidget* parent)>;

} // namespace veskor
