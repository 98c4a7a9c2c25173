#pragma once

// The engine as a whole: a loaded movie, its play position, and its picture.
//
// The player is clock-free: advance() plays exactly one frame, and whoever shows the
// movie decides when. Frames count from 0. Nothing here throws; loading returns an
// error value for anything that is not a readable movie, and a movie that fails while
// it plays (the machine has no memory left for it) stops and says so in failed().

#include "common/result.h"

#include <QColor>
#include <QPointF>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace swf {

struct Movie;
namespace render {
class StageRenderer;
}

// How the stage fills a target rectangle.
enum class ScaleMode {
    ShowAll = 0,  // the whole stage at its own proportions, centred, margins in the background colour
    ExactFit = 2, // stretched to the target
};

// How a movie plays, beyond what the movie itself says.
struct PlayOptions {
    // Math.random draws from this seed. Unset, every run draws the same numbers (tests
    // and tools); the program passes Player::seedFromClock() so that a shuffled quiz
    // differs each time.
    std::optional<std::uint32_t> randomSeed;
    // Past this much time a frame's remaining scripts are dropped, so that a window
    // showing the movie keeps repainting. 0 bounds frames by instructions alone: what
    // tests and tools see then never depends on the machine's speed.
    int maxFrameMilliseconds = 0;
    // Pictures of shapes and text drawn alike from frame to frame are kept and
    // copied rather than drawn anew. Off, every frame is drawn from the shapes,
    // which tests compare the kept pictures with.
    bool keepPictures = true;
    // Decodes every bitmap while loading rather than when first drawn, so that
    // a program loading on a worker thread leaves no decoding to the thread
    // that draws.
    bool decodeBitmapsAtLoad = false;
    // The size, in pixels, of the window the movie plays in. A movie that
    // asks not to be scaled sees it as the stage's size. Empty: the movie's own.
    QSizeF viewport = {};
};

class Player {
public:
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The path is a byte path: Linux file names need not be text.
    static veskor::Result<std::unique_ptr<Player>> fromFile(const std::filesystem::path& path,
                                                            const PlayOptions& options = {});
    static veskor::Result<std::unique_ptr<Player>> fromBytes(std::vector<std::uint8_t> bytes,
                                                             const PlayOptions& options = {});
    static std::uint32_t seedFromClock();
    // What a program showing the movie in a window uses: the window repaints at
    // least twice a second whatever the movie's scripts do.
    static constexpr int kWindowFrameMilliseconds = 500;

    // The stage in pixels, as the header gives it (at least 1x1).
    QSize stageSize() const;
    double frameRate() const;
    int frameCount() const;
    QColor backgroundColor() const;
    int swfVersion() const;

    int currentFrame() const;
    // Shows `frame` exactly as playing from the start up to it would; clamped to the movie.
    void gotoFrame(int frame);
    // Plays one frame; after the last frame the movie continues at frame 0.
    void advance();
    // Starts or stops the main timeline, as the movie's own play() and stop()
    // on its root do: a stopped movie stays on its frame while its clips,
    // their events and the scripts' timers go on with each advance(). (A
    // movie without scripts stands still as a whole.)
    void setTimelinePlaying(bool playing);

    // Whether the movie failed while playing: from then on advance(), gotoFrame() and
    // input do nothing and the picture is the background. The message says why.
    bool failed() const;
    const std::string& errorMessage() const;

    // Whether the movie runs scripts (frame scripts, buttons, clip events).
    bool runsScripts() const;
    // Where the movie's trace output and the web addresses it opens go.
    void setTraceHandler(std::function<void(const std::string&)> handler);
    void setUrlHandler(std::function<void(const std::string& url, const std::string& window)> handler);
    // Where fscommand(command, arguments) goes ("quit" too, after the movie stopped).
    void setCommandHandler(std::function<void(const std::string& command, const std::string& arguments)> handler);

    // Pointer and keys. Positions are in the coordinates of a `target` drawn
    // with `mode` (as render() was called); key codes are the movie's own
    // (Key.LEFT is 37...), `ascii` the character typed or 0.
    void mouseMove(QPointF position, const QRectF& target, ScaleMode mode);
    // The window the movie plays in changed size (pixels, as PlayOptions::viewport).
    void setViewportSize(QSizeF size);
    void mousePress();
    void mouseRelease();
    // The wheel turned by `lines` (up when positive).
    void mouseWheel(int lines);
    void keyPress(int keyCode, int ascii);
    void keyRelease(int keyCode, int ascii = 0);
    // Text typed (after the key press that typed it), and the editing keys
    // (backspace, delete, the arrows, home and end, by their key codes) for
    // the focused text field.
    void typeText(const QString& text);
    void editText(int keyCode);
    // Select All, Copy, Cut and Paste in the focused text field, with the
    // desktop's clipboard. Whether the field takes `command` now: Select All
    // and Copy in any field that holds the focus, Cut and Paste only in an
    // input field.
    enum class FieldCommand { SelectAll, Copy, Cut, Paste };
    bool takesFieldCommand(FieldCommand command) const;
    // Runs `command` on the focused field. Copy and Cut give the text they
    // took for the clipboard, empty when they took none (nothing selected, a
    // password field); Paste types `clipboard` in as far as the field's
    // restrict and maxChars allow. The others give nothing.
    QString fieldCommand(FieldCommand command, const QString& clipboard = {});
    // Whether the pointer is over a button or another clip that reacts to it.
    bool pointerOverButton() const;

    // Sound, at kAudioRate in 16-bit stereo pairs. Each frame played mixes
    // its share of the movie's sound (kAudioRate / frameRate() pairs, counted
    // from the first frame); mixAudio() hands over the next `frames` pairs of
    // what is mixed and not yet taken, silence past it, and says how many
    // pairs it took. A paused movie (no advance) is silent.
    static constexpr int kAudioRate = 44100;
    std::size_t mixAudio(std::int16_t* out, std::size_t frames);
    // Stops every sound, as the movie's stopAllSounds() does, and drops what waits.
    void stopSounds();
    // Whether a stream sound (of the main timeline or a clip's) played in the
    // last frame: whoever paces the frames then keeps them in step with it.
    bool streamPlaying() const;

    // Draws the current frame into `target` (device coordinates of the painter).
    void render(QPainter& painter, const QRectF& target, ScaleMode mode) const;
    // The current frame as an image of the given size (the stage size when empty).
    QImage renderImage(QSize size = {}, ScaleMode mode = ScaleMode::ShowAll) const;
    // The current frame as a window shows it: the picture kept from the call
    // before, drawn afresh only where something changed since (all of it the
    // first time and when the size or mode changes). Its pixels are those of
    // renderImage(); the reference stays valid until the next call.
    const QImage& renderFrame(QSize size = {}, ScaleMode mode = ScaleMode::ShowAll);
    // The rectangles of the picture the last renderFrame() drew afresh.
    const std::vector<QRect>& lastDamage() const;
    // The bytes of the pictures kept for drawing (PlayOptions::keepPictures),
    // within their budget.
    std::int64_t keptPictureBytes() const;

private:
    // `location`: the file it came from, whose folder it may load from.
    static veskor::Result<std::unique_ptr<Player>> fromMovie(Movie movie, const PlayOptions& options,
                                                             const std::filesystem::path& location = {});
    // The current frame drawn, for renderImage().
    QImage paintFrame(QSize size, ScaleMode mode) const;
    // What a frame draws at a size (where the stage goes, the trees, the
    // focus frame), gathered once for every part of the picture.
    struct Scene;
    Scene scene(QSize size, ScaleMode mode) const;
    // Draws `area` of `image` afresh with `renderer`: background, levels and focus frame.
    void drawArea(render::StageRenderer& renderer, QImage& image, const QRegion& area, const Scene& scene,
                  bool cull) const;
    // renderFrame() without the guard.
    void composeFrame(QSize size, ScaleMode mode);
    // Where the stage lands in `target`.
    QRectF stageViewport(const QRectF& target, ScaleMode mode) const;

    struct Impl;
    explicit Player(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

} // namespace swf
