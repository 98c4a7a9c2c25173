#pragma once

// What the script machine needs from the movie around it. The movie layer
// implements this on its display list; tests use TestHost.

#include "swf/format/types.h"
#include "swf/script/value.h"
#include "swf/text/text_field.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace swf::script {

class Interpreter;
class Object;

// GetProperty / SetProperty index table.
enum class ClipProperty : int {
    X = 0,
    Y,
    XScale,
    YScale,
    CurrentFrame,
    TotalFrames,
    Alpha,
    Visible,
    Width,
    Height,
    Rotation,
    Target,
    FramesLoaded,
    Name,
    DropTarget,
    Url,
    HighQuality,
    FocusRect,
    SoundBufTime,
    Quality,
    XMouse,
    YMouse,
};
constexpr int kClipPropertyCount = 22;
// The names of the table above, "_x" to "_ymouse".
const char* clipPropertyName(int index);

// The number of a level's name, "_level0" to "_level99999" or the older
// "_flash0" (lower case), or -1. With digitsFirst what follows the digits is
// passed over.
int levelNumber(const std::string& name, bool digitsFirst = false);

// A request a movie sends with a body: a form loadVariables posts, the
// remote call of a NetConnection. The address is as the movie gave it.
struct OutgoingRequest {
    std::string url;
    std::string method; // "POST"
    std::string contentType;
    std::string body;
    // The body is binary data rather than text.
    bool binary = false;
};

// A bitmap of a movie's library as BitmapData.loadBitmap takes it: its
// pixels 0xAARRGGBB (not premultiplied) row by row, and whether it has an
// alpha channel.
struct LibraryBitmap {
    int width = 0;
    int height = 0;
    bool transparent = false;
    std::vector<std::uint32_t> argb;
};

// What the far end of a socket a movie opened (XMLSocket) does, told on a
// later frame than the call that caused it.
struct SocketEvents {
    // The connection was made (true) or could not be (false).
    std::function<void(bool made)> connected;
    // Bytes arrived, as they came: one message may arrive in parts.
    std::function<void(const std::string& bytes)> received;
    // The far end closed the connection.
    std::function<void()> closed;
};

// A character of a clip's static texts, in the clip's space, in pixels: the
// font, colour and size it shows in, the matrix that places its origin, and
// the corners of its box (left and right on the descent line, then right
// and left on the ascent line).
struct StaticTextGlyph {
    std::string font;
    std::uint32_t color = 0;
    double height = 0;
    double matrix[6] = {1, 0, 0, 1, 0, 0}; // a, b, c, d, tx, ty
    double corners[8] = {};
};

class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    // The clip "_root" / "_level0" names for a script running in `base`.
    virtual Object* root(Object* base) = 0;
    // The root of level `number` (_level0, _level1...), or nullptr when
    // nothing was loaded there.
    virtual Object* level(int number) { return number == 0 ? root(nullptr) : nullptr; }
    // A clip's parent, or nullptr at the top.
    virtual Object* parent(Object* clip) = 0;
    // Whether a clip is still on the stage (a removed one keeps its object).
    virtual bool onStage(Object* clip) { return clip != nullptr; }
    // The SWF version of the movie a clip belongs to (one loaded into
    // another has its own); 0 when the host does not know.
    virtual int clipSwfVersion(Object* clip)
    {
        (void)clip;
        return 0;
    }
    // A reference to a clip is a path: once the clip left the stage, it leads
    // to the clip now at that path, or to nothing. A clip still running its
    // unload event is itself.
    virtual Object* relocate(Object* clip) { return clip; }
    // A named child clip (slash paths step through these), or nullptr.
    virtual Object* child(Object* clip, const std::string& name) = 0;
    // "_level0/a/b" style path of a clip, as TargetPath returns (dot form from SWF 5 on).
    virtual std::string targetPath(Object* clip, bool slashSyntax) = 0;

    // Timeline control on a clip. Frames are 0-based.
    virtual void gotoFrame(Object* clip, int frame, bool play) = 0;
    virtual bool gotoLabel(Object* clip, const std::string& label, bool play) = 0;
    virtual void play(Object* clip) = 0;
    virtual void stop(Object* clip) = 0;
    virtual void nextFrame(Object* clip) = 0;
    virtual void prevFrame(Object* clip) = 0;
    // WaitForFrame: whether the frame (0-based) has loaded.
    virtual bool frameLoaded(Object* clip, int frame) = 0;

    virtual Value getProperty(Object* clip, int index) = 0;
    virtual void setProperty(Object* clip, int index, const Value& value) = 0;

    // `depth` as the action gives it: counted from the bottom of the display
    // list, where the clip methods' depth 0 is 16384.
    virtual void cloneClip(Object* source, const std::string& name, int depth) = 0;
    virtual void removeClip(Object* clip) = 0;
    virtual void startDrag(Object* clip, bool lockCenter, bool constrain, double x1, double y1, double x2, double y2) = 0;
    virtual void stopDrag() = 0;

    // GetURL / GetURL2: method 0 none, 1 GET, 2 POST.
    virtual void getUrl(Object* clip, const std::string& url, const std::string& window, int method, bool loadTarget, bool loadVariables) = 0;
    // A request with a body goes out. This player has no server to send it
    // to; the host may note it.
    virtual void sendRequest(const OutgoingRequest& request) { (void)request; }
    // The bitmap the library of `asker`'s movie exports under `name`, or
    // nothing when it exports no bitmap by that name.
    virtual std::optional<LibraryBitmap> exportedBitmap(Object* asker, const std::string& name)
    {
        (void)asker, (void)name;
        return std::nullopt;
    }
    // XMLSocket.connect: a connection to `server` (empty: the server the
    // movie came from) at `port`, which reports through `events`. Its id, or
    // 0 when it is refused outright. `keep` stays alive while it is open.
    virtual std::uint64_t openSocket(const std::string& server, int port, Object* keep, SocketEvents events)
    {
        (void)server, (void)port, (void)keep, (void)events;
        return 0;
    }
    // Bytes for the far end of an open socket; nothing once it is closed.
    virtual void sendOnSocket(std::uint64_t id, const std::string& bytes) { (void)id, (void)bytes; }
    // The movie closes its end: nothing more arrives, and no close is reported.
    virtual void closeSocket(std::uint64_t id) { (void)id; }
    // Whether the host reads files at all. One that does not (a machine
    // without a movie around it) has every load fail on the next frame, as
    // an unreachable address does, without asking it.
    virtual bool readsFiles() const { return false; }
    // A file a script asks for (LoadVars, XML, loadVariables, a sound, a
    // style sheet), its address relative to the movie `asker` comes from. The
    // host reads it under its rules and, on a later frame, hands over its
    // bytes, or nothing when the address cannot or may not be read; `keep`
    // stays alive until then. With `atOnce` a file that is at hand is handed
    // over before the call returns (one that is not still fails later).
    // False when the request is refused outright.
    using LoadDone = std::function<void(const std::optional<std::string>& bytes)>;
    virtual bool loadFile(Object* asker, const std::string& url, Object* keep, bool atOnce, LoadDone done)
    {
        (void)asker;
        (void)url;
        (void)keep;
        (void)atOnce;
        (void)done;
        return false;
    }
    // A movie or picture for the clip or level (a number) `target` names,
    // its address relative to the movie `asker` comes from; it arrives on a
    // later frame, and `loader` (a MovieClipLoader, or null) hears how it goes
    // through its broadcastMessage. False when `target` names nothing to load into.
    virtual bool loadMovie(Object* asker, const std::string& url, const Value& target, Object* loader)
    {
        (void)asker;
        (void)url;
        (void)target;
        (void)loader;
        return false;
    }
    // Empties the clip or level `target` names of what was loaded into it.
    virtual bool unloadMovie(const Value& target)
    {
        (void)target;
        return false;
    }
    // How much of what the clip or level `target` names has arrived; false
    // when it names none.
    virtual bool loadProgress(const Value& target, double& loaded, double& total)
    {
        (void)target;
        (void)loaded;
        (void)total;
        return false;
    }
    virtual void stopSounds() = 0;
    virtual void toggleQuality() = 0;

    // The Sound object. Its sounds belong to `owner`: a clip, another object
    // (a loaded sound plays apart), or null for the movie as a whole. A sound
    // is named by its linkage name in the library of the movie `owner` is part
    // of, or by the name adoptSound() gave it.
    // Its length in milliseconds; negative when no such sound exists.
    virtual double soundLength(Object* owner, const std::string& name)
    {
        (void)owner;
        (void)name;
        return -1;
    }
    // Starts it, from `offsetSeconds`, `loops` times; `done` runs once it has
    // played to its end, and `keep` stays alive until then. An id for
    // soundPosition(), or 0 when nothing started.
    virtual std::uint64_t startSound(Object* owner, const std::string& name, double offsetSeconds, int loops,
                                     Object* keep, std::function<void()> done)
    {
        (void)owner, (void)name, (void)offsetSeconds, (void)loops, (void)keep, (void)done;
        return 0;
    }
    // Stops `owner`'s sounds, or those named `name` only.
    virtual void stopSound(Object* owner, const std::string& name)
    {
        (void)owner;
        (void)name;
    }
    // Milliseconds a started sound has played of its current loop; negative once it ended.
    virtual double soundPosition(std::uint64_t id)
    {
        (void)id;
        return -1;
    }
    // The volume and the four channel gains (percent) of `owner`'s sounds.
    virtual void setSoundTransform(Object* owner, double volume, double ll, double lr, double rl, double rr)
    {
        (void)owner, (void)volume, (void)ll, (void)lr, (void)rl, (void)rr;
    }
    // Takes an MP3 file (loadSound) as a sound; its name for the calls above,
    // or "" when it holds no sound.
    virtual std::string adoptSound(const std::string& bytes)
    {
        (void)bytes;
        return {};
    }

    // Runs `call` once the scripts the movie is running now, and those
    // waiting their turn in this frame, have run: what a dialog the player
    // shows answers. `keep` stays alive until then. A host without such a
    // queue runs it at once.
    virtual void afterScripts(Object* keep, std::function<void()> call)
    {
        (void)keep;
        call();
    }
    // A function called from the body of the outermost script has returned.
    virtual void scriptCallReturned() {}

    // One Trace action or trace() call, already formatted.
    virtual void trace(const std::string& line) = 0;
    // An exception no script caught, as text: the debugging player logged it
    // among the trace lines.
    virtual void uncaughtException(const std::string& thrown) { trace("Warning: Uncaught exception, " + thrown); }
    // Milliseconds since the movie started (GetTime, timers).
    virtual double movieTime() = 0;
    // Wall clock for Date: milliseconds since 1970 UTC, and the local zone's offset in minutes east of UTC.
    virtual double wallClock() = 0;
    virtual int timeZoneOffsetMinutes(double utcMilliseconds) = 0;
    // A random integer in [0, max) for RandomNumber and Math.random.
    virtual std::uint32_t random(std::uint32_t max) = 0;
    // The script stopped: too many instructions, too deep recursion, a broken block.
    virtual void scriptAborted(const std::string& reason) = 0;
    // Objects the host keeps (clips on the display list, pending events):
    // Interpreter::collectGarbage keeps them and what they reach.
    virtual void addGarbageRoots(std::vector<Object*>& roots) { (void)roots; }
    // A second set of globals was made (for movies on the other side of
    // SWF 7 from the opened one); the machine's global() is it while this
    // runs, and the host adds its own classes to it.
    virtual void installGlobals() {}

    // The stage and input, for Stage, Key, Mouse, Selection and Color. The
    // defaults describe a host without a stage or input devices.
    // Lays text out with the movie's fonts, as its text fields are, for the
    // measures scripts ask of formats; none leaves them an estimate.
    virtual text::TextMeasurer textMeasurer() { return {}; }
    virtual double stageWidth() { return 0; }  // pixels
    virtual double stageHeight() { return 0; } // pixels
    virtual std::string stageScaleMode() { return "showAll"; }
    virtual void setStageScaleMode(const std::string& mode) { (void)mode; }
    virtual std::string stageAlign() { return ""; }
    virtual void setStageAlign(const std::string& align) { (void)align; }
    // Key codes as Key.getCode reports them (Key.LEFT is 37...).
    virtual bool keyIsDown(int keyCode) { (void)keyCode; return false; }
    virtual int lastKeyCode() { return 0; }
    virtual int lastKeyAscii() { return 0; }
    virtual void setMouseVisible(bool visible) { (void)visible; }
    // A clip's colour transform (Color objects); false when `clip` is not one.
    virtual bool clipColorTransform(Object* clip, swf::ColorTransform& out) { (void)clip; (void)out; return false; }
    virtual void setClipColorTransform(Object* clip, const swf::ColorTransform& transform) { (void)clip; (void)transform; }
    // Keyboard focus (Selection): a text field or button object, or nullptr.
    virtual Object* focus() { return nullptr; }
    virtual bool setFocus(Object* object) { (void)object; return false; }

    // The Call action: the action bytes of the DoAction blocks of one frame of
    // a clip, the frame given as written ("3" is the third frame, anything
    // else a label). The machine runs them at once on that clip. None by default.
    virtual std::vector<std::vector<std::uint8_t>> frameScripts(Object* clip, const std::string& frame)
    {
        (void)clip;
        (void)frame;
        return {};
    }

    // The characters of the static texts a clip holds directly, in depth
    // order, a line at a time (TextSnapshot); none when `clip` is not a clip
    // on the stage.
    virtual std::optional<std::vector<std::u32string>> staticText(Object* clip)
    {
        (void)clip;
        return std::nullopt;
    }
    // Each of those characters as TextSnapshot.getTextRunInfo reports it.
    virtual std::vector<StaticTextGlyph> staticTextGlyphs(Object* clip)
    {
        (void)clip;
        return {};
    }
    // Which of those characters are selected: one selection per clip, which
    // every snapshot of it shares. None when the host keeps none.
    virtual std::shared_ptr<std::vector<bool>> staticTextSelection(Object* clip)
    {
        (void)clip;
        return nullptr;
    }
};

} // namespace swf::script
