#pragma once

// A movie that runs its scripts. The display tree is the movie layer's, changed
// only through its one placement path (movie::TimelineRunner), whose hooks tell
// this runtime what arrives and leaves: every sprite, button and text field on
// it has an object scripts see (kept here, by the display object's id), frame
// scripts and events run through one queue in the original player's order, and
// scripts move the playheads, place and remove clips and change what is drawn.
//
// Like the timeline player it is clock-free: advance() plays one frame, and
// the movie's own clock (GetTime, timers) moves by one frame's time with it.

#include "swf/format/records.h"
#include "swf/movie/character_dictionary.h"
#include "swf/movie/display_list.h"
#include "swf/movie/timeline_runner.h"
#include "swf/runtime/event_queue.h"
#include "swf/runtime/file_access.h"
#include "swf/runtime/input_state.h"
#include "swf/runtime/script_index.h"
#include "swf/runtime/shape_hits.h"
#include "swf/script/host.h"
#include "swf/script/interpreter.h"
#include "swf/sound/mixer.h"

#include <QRectF>
#include <QTransform>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace swf::render {
class FontLibrary;
}

namespace swf::runtime {

// A movie (or a picture, as a movie of one frame) loaded into a clip or a
// level: its records, characters and scripts, kept for the whole session.
struct LoadedMovie {
    Movie movie;
    std::unique_ptr<movie::CharacterDictionary> dictionary;
    std::unique_ptr<ScriptIndex> scripts;
    std::shared_ptr<const movie::Timeline> timeline;
    movie::Character character; // what the clip it arrived in plays: its root timeline
    std::vector<bool> initDone;
    std::filesystem::path folder; // where its relative addresses start
    std::string url;
    std::size_t bytes = 0;
    bool picture = false; // a JPEG, PNG or GIF file: it has no SWF version
    // Its own fonts, which its text fields measure and are hit with.
    std::shared_ptr<const render::FontLibrary> fonts;
    text::TextMeasurer measurer;
};

// Where an object of the display tree is; the script object's hostData.
struct Instance {
    movie::DisplayObject* object = nullptr; // null once it left the stage
    Instance* parent = nullptr;             // null for the root
    int depth = 0;                          // key in the parent's display list
    // Set while the clip is kept for its unload event: the key it left. Clips
    // kept from one depth all report the same depth below it, though each
    // holds its own key.
    std::optional<int> leftDepth;
    // The selection of its static texts that its snapshots share.
    std::shared_ptr<std::vector<bool>> textSelection;
    bool isRoot = false; // the root of a level
    std::uint64_t born = 0; // when it arrived, counted over the whole run
    int level = 0;       // which, for a level's root
    // The loaded movie this object is part of; null for the opened movie's.
    LoadedMovie* movie = nullptr;
    // The address a load into this clip asked for and could not have: the
    // clip reports it as its _url until a movie arrives.
    std::string failedUrl;
    // A movie was loaded into this clip: it plays that movie's root timeline.
    bool movieRoot = false;
    // An attached bitmap, kept as a clip that draws it: like a shape, it has
    // no script object of its own, and the clip holding it answers for it.
    bool isBitmap = false;
    // For the root of a movie: the furthest frame (from 0) its timeline came to.
    int furthestFrame = 0;
    // The object scripts see; kept after the instance left the stage, for its unload events.
    script::Object* self = nullptr;
    // A text field's state once the field left the stage: scripts still
    // running this frame may hold it.
    movie::Box<text::TextFieldState> removedText;
    std::string removedName; // its name when it left the stage
    std::string firstPath;   // the path it arrived at, where references lead once it has left
    bool unloading = false;  // its unload event runs: it keeps its path meanwhile
    bool loadsWhenConstructed = false; // its load event waits for its class's constructor
    bool constructing = false; // its construct events and constructor run
    bool answersToName = true; // false once a timeline took it off before it was constructed
    bool framesEnded = false;  // inside a clip a script removed: it runs no more frame scripts
    bool unloadHeard = false; // its unload event ran before it left the stage
    // The clip actions of the placement that created it, and the events that
    // placement declares it answers. The player sends a clip only the events
    // declared there, so an action runs for an event only when both name it.
    const std::vector<ClipAction>* clipActions = nullptr;
    std::uint32_t clipEvents = 0;
    // Calls f with each clip action that runs for any of these events.
    template <typename F>
    void forClipActions(std::uint32_t events, F&& f) const
    {
        if (!clipActions)
            return;
        for (const ClipAction& action : *clipActions) {
            if (action.eventFlags & events & clipEvents)
                f(action);
        }
    }
    bool answers(std::uint32_t events) const
    {
        bool found = false;
        forClipActions(events, [&](const ClipAction&) { found = true; });
        return found;
    }
    // setMask links, both ways, so that either side leaving the stage undoes them.
    Instance* mask = nullptr;
    Instance* maskedBy = nullptr;
    // Display properties a script set, kept apart so that none is lost in the
    // matrix. `skew` is the angle from the x axis to the y axis less a right
    // angle: 180 for a clip flipped on one axis, which a new scale or rotation
    // must keep flipped.
    bool hasScriptTransform = false;
    double xScale = 100, yScale = 100, rotation = 0, skew = 0;
    // Keeps them apart from the matrix as it is now, unless they are already:
    // from then on a new matrix leaves them as they are.
    void keepScriptTransform();
    // _focusrect set on this object (SWF 6 on); without it the movie's applies.
    std::optional<bool> focusRect;
    // tabIndex a script gave this clip or button; none until then.
    std::optional<std::int32_t> tabIndex;
    // _lockroot: the clip is the _root of what it holds.
    bool lockRoot = false;
    // What scripts of later players set on a clip and read back.
    bool cacheAsBitmap = false;
    bool forceSmoothing = false;
    std::optional<QRectF> scale9Grid; // in pixels
    // Where a drag of this clip last had it over (_droptarget), a slash path.
    std::string dropTarget;
};

// Clip event bits of PlaceObject2/3 clip actions.
namespace ClipEvent {
constexpr std::uint32_t Load = 1u << 0;
constexpr std::uint32_t EnterFrame = 1u << 1;
constexpr std::uint32_t Unload = 1u << 2;
constexpr std::uint32_t MouseMove = 1u << 3;
constexpr std::uint32_t MouseDown = 1u << 4;
constexpr std::uint32_t MouseUp = 1u << 5;
constexpr std::uint32_t KeyDown = 1u << 6;
constexpr std::uint32_t KeyUp = 1u << 7;
constexpr std::uint32_t Data = 1u << 8;
constexpr std::uint32_t Initialize = 1u << 9;
constexpr std::uint32_t Press = 1u << 10;
constexpr std::uint32_t Release = 1u << 11;
constexpr std::uint32_t ReleaseOutside = 1u << 12;
constexpr std::uint32_t RollOver = 1u << 13;
constexpr std::uint32_t RollOut = 1u << 14;
constexpr std::uint32_t DragOver = 1u << 15;
constexpr std::uint32_t DragOut = 1u << 16;
constexpr std::uint32_t KeyPress = 1u << 17;
constexpr std::uint32_t Construct = 1u << 18;
} // namespace ClipEvent

// The seed of Math.random unless another is given: every run of a movie then
// draws the same numbers, as tests and the command-line tools want.
inline constexpr std::uint32_t kRepeatableSeed = 20061010;
// The player version scripts see in $version.
inline constexpr const char* kPlayerVersion = "LNX 9,0,999,0";

// Editing commands for the focused text field, as a platform's text input
// sends them apart from the characters typed.
enum class TextControl { MoveLeft, MoveRight, MoveLeftLine, MoveRightLine, Backspace, Delete, SelectAll, Enter, Copy, Cut, Paste };

// What moved the keyboard focus: its events differ a little.
// Removal: the focused object, or a clip holding it, leaves the stage.
enum class FocusCause { Script, Keyboard, Mouse, Removal };

// The far end of a socket a movie opens. The player reaches no network on
// its own: whoever plays the movie may stand for a server (a test's scripted
// one), or leave every connection to fail.
class SocketPeer {
public:
    virtual ~SocketPeer() = default;
    // What the movie sent, in the order it sent it.
    virtual void receive(const std::string& bytes) = 0;
    // The movie closed its end.
    virtual void movieClosed() = 0;
    // Once a frame while the connection is open: what the peer sends now,
    // and whether it closes its end after that.
    struct Turn {
        std::vector<std::string> sent;
        bool closes = false;
    };
    virtual Turn turn() = 0;
};

struct TabStop;

class MovieRuntime final : public script::ScriptHost, private movie::DisplayHooks {
public:
    // `movie` and `dictionary` must outlive the runtime. `fonts` lays out text
    // fields; without it the runtime collects the movie's own.
    MovieRuntime(const Movie& movie, const movie::CharacterDictionary& dictionary,
                 std::uint32_t randomSeed = kRepeatableSeed, std::shared_ptr<const render::FontLibrary> fonts = nullptr);
    ~MovieRuntime() override;
    MovieRuntime(const MovieRuntime&) = delete;
    MovieRuntime& operator=(const MovieRuntime&) = delete;

    // Shows the first frame, running its scripts.
    void start();
    // The size (pixels) of the window the movie plays in; an empty size is the
    // movie's own. A movie that does not scale sees it as the stage's size and
    // hears Stage.onResize when it changes.
    void setViewportSize(double width, double height);
    double viewportWidth() const { return m_viewportWidth; }
    // Plays one frame: enterFrame events, every playing timeline, then due timers.
    void advance();
    // Lets one frame's time pass without a new frame: due timers, loads and
    // streams, as the player does while it shows the last frame.
    void idleThroughFrame();
    // Moves the root to a frame (0-based) as a goto from outside would, and stops it there.
    void gotoRootFrame(int frame);

    const movie::ClipState& rootState() const { return *m_root.clip; }
    // Where _level0 sits on the stage (scripts move and turn it like a clip).
    const Matrix& rootMatrix() const { return m_root.matrix; }
    int currentFrame() const { return m_root.clip->frame; }
    int frameCount() const;
    double frameRate() const;
    script::Interpreter& interpreter() { return *m_vm; }

    // Where trace output and web addresses go.
    std::function<void(const std::string&)> traceSink;
    std::function<void(const std::string& url, const std::string& window)> urlSink;
    // Requests the movie sends with a body (they reach no server).
    std::function<void(const script::OutgoingRequest&)> requestSink;
    // Answers a movie's socket connection to `server` at `port`: the peer
    // that stands for the server, or null when none does (the connection
    // fails). Unset, every connection fails.
    std::function<std::unique_ptr<SocketPeer>(const std::string& server, int port)> socketPeers;
    // fscommand(command, arguments) other than quit, for the program around the player.
    std::function<void(const std::string& command, const std::string& arguments)> commandSink;
    // What the movie may read: the files beside the movie opened. Without
    // it every load fails. Set it before start().
    void setFiles(FileAccess files) { m_files = std::move(files); }
    // Roots of the levels above _level0, lowest first, for drawing.
    std::vector<const movie::DisplayObject*> upperLevels() const;

    // The sound the movie plays. Each frame played mixes its share (at
    // sound::kOutputRate, in stereo pairs), which waits here for whoever
    // plays it: takeAudio() hands over up to `frames` pairs and says how many.
    // Nobody taking them, the oldest go past a few seconds.
    std::size_t takeAudio(std::int16_t* out, std::size_t frames);
    // Stops every sound and drops what waits to be played.
    void silence();
    // Whether a timeline's stream sound played in the last frame: its
    // timeline then keeps pace with the sound.
    bool streamPlaying() const { return m_streamPlaying; }

    // Input, in stage twips.
    void mouseMove(double x, double y);
    void mouseDown();
    void mouseUp();
    // The wheel turned by `lines` (up when positive) with the pointer where it is.
    void mouseWheel(int lines);
    // A mouse button as Key.isDown sees it: 1 left, 2 right, 4 middle. The
    // right and middle buttons reach scripts only this way; mouseDown and
    // mouseUp press and release the left one.
    void mouseButtonKey(int keyCode, bool down);
    void keyDown(int keyCode, int ascii);
    void keyUp(int keyCode, int ascii);
    // A character typed (after its keyDown): it works the buttons and clips
    // waiting for it, or else goes into the focused input field, as far as
    // the field's restrict and maxChars allow.
    void textInput(char32_t character);
    void textControl(TextControl control);
    // What Copy and Cut leave for Paste: the platform's clipboard text.
    void setClipboardText(std::u32string text) { m_clipboard = std::move(text); }
    const std::u32string& clipboardText() const { return m_clipboard; }
    // Whether the mouse is over something that reacts to it (a button, a clip with handlers).
    bool hoversButton() const { return m_pointer.hover != nullptr; }

    // ScriptHost.
    script::Object* root(script::Object* base) override;
    script::Object* level(int number) override;
    script::Object* parent(script::Object* clip) override;
    script::Object* child(script::Object* clip, const std::string& name) override;
    bool onStage(script::Object* clip) override { return instanceOf(clip) != nullptr; }
    int clipSwfVersion(script::Object* clip) override;
    script::Object* relocate(script::Object* clip) override;
    std::string targetPath(script::Object* clip, bool slashSyntax) override;
    void gotoFrame(script::Object* clip, int frame, bool play) override;
    bool gotoLabel(script::Object* clip, const std::string& label, bool play) override;
    void play(script::Object* clip) override;
    void stop(script::Object* clip) override;
    void nextFrame(script::Object* clip) override;
    void prevFrame(script::Object* clip) override;
    bool frameLoaded(script::Object* clip, int frame) override;
    script::Value getProperty(script::Object* clip, int index) override;
    void setProperty(script::Object* clip, int index, const script::Value& value) override;
    void cloneClip(script::Object* source, const std::string& name, int depth) override;
    void removeClip(script::Object* clip) override;
    void startDrag(script::Object* clip, bool lockCenter, bool constrain, double x1, double y1, double x2, double y2) override;
    void stopDrag() override;
    void getUrl(script::Object* clip, const std::string& url, const std::string& window, int method, bool loadTarget,
                bool loadVariables) override;
    double soundLength(script::Object* owner, const std::string& name) override;
    std::uint64_t startSound(script::Object* owner, const std::string& name, double offsetSeconds, int loops,
                             script::Object* keep, std::function<void()> done) override;
    void stopSound(script::Object* owner, const std::string& name) override;
    double soundPosition(std::uint64_t id) override { return m_sound.position(id); }
    void setSoundTransform(script::Object* owner, double volume, double ll, double lr, double rl, double rr) override;
    std::string adoptSound(const std::string& bytes) override;
    // A NetStream began playing: it moves on with the movie's clock each
    // frame until it stops or closes (net_streams.cpp).
    void streamStarted(script::Object* stream);
    // A NetStream's sound: its audio tags as the blocks of a stream of the
    // mixer's, the stream object its owner; `continues` as for a timeline's.
    void streamSound(script::Object* stream, const SoundStreamHead& head, std::span<const std::uint8_t> block,
                     bool continues);
    void stopStreamSound(script::Object* stream);
    // A clip's attachAudio: the stream's sound joins the clip's sounds (a
    // null stream: whatever stream it heard sounds on its own again).
    void attachStreamAudio(script::Object* clip, script::Object* stream);
    void sendRequest(const script::OutgoingRequest& request) override
    {
        if (requestSink)
            requestSink(request);
    }
    std::optional<script::LibraryBitmap> exportedBitmap(script::Object* asker, const std::string& name) override;
    std::uint64_t openSocket(const std::string& server, int port, script::Object* keep,
                             script::SocketEvents events) override;
    void sendOnSocket(std::uint64_t id, const std::string& bytes) override;
    void closeSocket(std::uint64_t id) override;
    bool readsFiles() const override { return true; }
    bool loadFile(script::Object* asker, const std::string& url, script::Object* keep, bool atOnce,
                  LoadDone done) override;
    void stopSounds() override { m_sound.stopAll(); }
    void afterScripts(script::Object* keep, std::function<void()> call) override;
    void scriptCallReturned() override;
    void toggleQuality() override;
    void trace(const std::string& line) override;
    void uncaughtException(const std::string& thrown) override;
    double movieTime() override { return m_time; }
    double wallClock() override;
    int timeZoneOffsetMinutes(double utcMilliseconds) override;
    std::uint32_t random(std::uint32_t max) override;
    void scriptAborted(const std::string& reason) override;
    void addGarbageRoots(std::vector<script::Object*>& roots) override;
    void installGlobals() override;
    text::TextMeasurer textMeasurer() override;
    double stageWidth() override;
    double stageHeight() override;
    std::string stageScaleMode() override { return m_scaleMode; }
    void setStageScaleMode(const std::string& mode) override;
    std::string stageAlign() override { return m_align; }
    void setStageAlign(const std::string& align) override { m_align = align; }
    bool keyIsDown(int keyCode) override;
    int lastKeyCode() override { return m_keys.lastCode; }
    int lastKeyAscii() override { return m_keys.lastAscii; }
    bool clipColorTransform(script::Object* clip, swf::ColorTransform& out) override;
    void setClipColorTransform(script::Object* clip, const swf::ColorTransform& transform) override;
    script::Object* focus() override { return m_focus; }
    bool setFocus(script::Object* object) override;

    // For the MovieClip methods.
    Instance* instanceOf(script::Object* o) const;
    // Places a library symbol (by linkage name) or an empty clip on a clip at a script depth.
    script::Object* attach(Instance* parent, std::uint16_t characterId, const std::string& name, int depth,
                           script::Object* init);
    script::Object* createEmpty(Instance* parent, const std::string& name, int depth);
    // attachBitmap: a script's pixels shown at `depth` of `parent`, one
    // bitmap pixel to a pixel of the clip, as they are whenever drawn.
    void attachBitmap(Instance* parent, std::shared_ptr<const movie::LiveBitmap> bitmap, int depth, bool smoothing);
    script::Object* createTextField(Instance* parent, const std::string& name, int depth, double x, double y,
                                    double width, double height);
    script::Object* duplicate(Instance* source, const std::string& name, int depth, script::Object* init);
    // A script's removal: the RemoveSprite action reaches fewer depths than the methods.
    void remove(Instance* inst, bool byAction = false);
    bool hasUnloadHandler(Instance* inst);
    void collectUnloadListeners(Instance* inst, std::vector<Instance*>& out, int nesting);
    bool isKeptLeaving(const Instance* inst) const;
    void queueUnload(Instance* inst, bool removeAfter);
    bool swapDepths(Instance* inst, int depth);
    // A level's root moved among the levels: it becomes level `number`, and a
    // level there takes its old number. _level0 neither moves nor is moved.
    bool swapLevel(Instance* root, int number);
    int nextHighestDepth(Instance* parent) const;
    // The object's bounds in its own space, in twips; empty (xMin > xMax) if nothing is drawn.
    QRectF localBounds(const movie::DisplayObject& object) const;
    // The same bounds in another space: `toSpace` maps the object's own.
    QRectF boundsIn(const movie::DisplayObject& object, const QTransform& toSpace) const;
    // Maps between an instance's space and the stage's (twips).
    QTransform toStage(const Instance* inst) const;
    // The same map as the player keeps it for converting points: each level's
    // product held in 16.16 fixed point with whole-twip translation, and its
    // inverse with whole-twip translation.
    QTransform pointsToStage(const Instance* inst) const;
    QTransform pointsToLocal(const Instance* inst, bool* invertible = nullptr) const;
    // The scripts of the movie `inst` is part of.
    const ScriptIndex& scripts(const Instance* inst) const { return inst && inst->movie ? *inst->movie->scripts : *m_index; }
    // The character a linkage name exports in the movie `inst` is part of
    // (null: the opened movie), once that movie's root came to its frame.
    std::uint16_t exported(const Instance* inst, const std::string& name) const;
    const movie::CharacterDictionary& dictionaryOf(const Instance* inst) const
    {
        return inst && inst->movie ? *inst->movie->dictionary : m_dictionary;
    }
    // Loading (movie_loading.cpp). A movie or picture into a clip, or into
    // level `level` (`clip` null): it arrives on a later frame. `loader`, a
    // MovieClipLoader, hears how it goes (`target` as it was given to it).
    // False when there is nothing to load into.
    bool requestMovie(Instance* clip, int level, const std::string& url, script::Object* loader,
                      const script::Value& target);
    // Empties a clip a movie was loaded into, or removes a level.
    void unloadMovie(Instance* clip);
    bool loadMovie(script::Object* asker, const std::string& url, const script::Value& target,
                   script::Object* loader) override;
    bool unloadMovie(const script::Value& target) override;
    bool loadProgress(const script::Value& target, double& loaded, double& total) override;
    // Form variables from a file into a clip (or a level's root), on a later frame.
    // `method` as GetURL2 gives it: 2 (POST) first sends the variables of
    // `sender` (the clip asking) as a form.
    void loadVariables(Instance* clip, int level, const std::string& url, int method = 0, script::Object* sender = nullptr);
    double bytesLoaded(const Instance* inst) const;
    double bytesTotal(const Instance* inst) const;
    int swfVersionOf(const Instance* inst) const;
    // The corner getBounds gives a clip that has no bounds, in pixels: the
    // largest twip count, until a movie of SWF 8 or later started the show or
    // asked for any clip's bounds (code of `callerVersion`); from then on it
    // is a twip more, for good. Code of SWF 8 asking in `otherSpace` (another clip's)
    // gets the larger one at once. Bounds asked for without a space (`named`
    // false) are never carried into one: they keep the largest twip count.
    double emptyBoundsCorner(int callerVersion, bool named, bool otherSpace);
    // The version whose globals a clip's objects come from.
    int globalsVersionOf(const Instance* inst) const;
    std::string urlOf(const Instance* inst) const;
    const movie::CharacterDictionary& dictionary() const { return m_dictionary; }
    // setMask: `inst` shows only inside `mask` (none: unmasked).
    void setMask(Instance* inst, Instance* mask);
    // A clip a script masks, or masks another clip with, stops masking the
    // layers above it on its timeline: it is drawn as a clip of its own.
    void endLayerMasking(Instance* inst);
    // The yellow frame around a focused clip or button: its bounds on the
    // stage in twips, or an empty rectangle.
    QRectF focusRect() const;
    // Whether the focus of `inst` is shown (its _focusrect, or the movie's).
    bool focusShown(const Instance* inst) const;
    // The movie's embedded fonts, for laying out text fields.
    const std::shared_ptr<const render::FontLibrary>& fonts() const { return m_fonts; }
    // The instance of a display object on the stage, or null.
    Instance* instanceFor(const movie::DisplayObject& object) const;
    const std::shared_ptr<script::ObjectExtension>& clipExtension() const { return m_clipExtension; }
    std::vector<std::vector<std::uint8_t>> frameScripts(script::Object* clip, const std::string& frame) override;
    std::optional<std::vector<std::u32string>> staticText(script::Object* clip) override;
    std::shared_ptr<std::vector<bool>> staticTextSelection(script::Object* clip) override;
    std::vector<script::StaticTextGlyph> staticTextGlyphs(script::Object* clip) override;
    double mouseX() const { return m_pointer.x; }
    double mouseY() const { return m_pointer.y; }
    // The instance of the display object whose area holds the stage point (for hitTest and buttons).
    // `byScript`: MovieClip.hitTest, which finds a clip's shapes whether or not
    // the clip is visible, and none of a clip that masks another by script.
    bool hitTest(const Instance* inst, double stageX, double stageY, bool shapeOnly, bool byScript = false) const;
    // Whether a point in a character's own twips is on what it draws: shapes
    // exactly, other characters by their bounds. `pixel` is how long a pixel
    // of the stage is in those twips.
    bool characterCovers(const movie::DisplayObject& object, QPointF local,
                         const movie::CharacterDictionary& dictionary, double pixel = 20) const;
    // The fonts of the movie whose characters `dictionary` holds.
    const render::FontLibrary& fontsOf(const movie::CharacterDictionary& dictionary) const;
    // The loaded movie whose characters `dictionary` holds, or null (the opened movie's).
    const LoadedMovie* loadedMovieOf(const movie::CharacterDictionary& dictionary) const;

private:
    // DisplayHooks: the display list's changes, as the runner makes them.
    void placed(movie::DisplayObject& parent, int depth, movie::DisplayObject& object, const PlaceObject* record) override;
    void enteringFrame(movie::DisplayObject& clip, int frame) override;
    void frameProgress(movie::DisplayObject& clip, int frame, int applied) override;
    void advancing(movie::DisplayObject& clip) override;
    void started(movie::DisplayObject& clip) override;
    void removing(movie::DisplayObject& object) override;
    bool keepsLeaving(movie::DisplayObject& object) override;
    void keptLeaving(movie::DisplayObject& parent, int from, int depth, movie::DisplayObject& object) override;
    void placeRefused(movie::DisplayObject& parent, int depth) override;

    // A request of a script, answered once the frame that made it is over.
    struct PendingLoad {
        enum class Kind { File, Movie, Variables };
        Kind kind = Kind::File;
        std::string url;
        std::filesystem::path folder; // of the movie that asked
        // File: the object the answer is for, and what to do with it.
        script::Object* keep = nullptr;
        LoadDone done;
        // Movie, Variables: the clip it goes into, or else level `level`.
        script::Object* clip = nullptr;
        int level = -1;
        // Movie: the MovieClipLoader that hears how it goes, and the target as it was given.
        script::Object* loader = nullptr;
        script::Value target;
        // Answered at the end of this frame. A MovieClipLoader's request waits
        // for the end of the next one.
        bool due = true;
        // Movie: the clip was unloaded meanwhile; the loader hears only that it started.
        bool cancelled = false;
        // Movie: into a level, asked for by code of a movie before SWF 9: the
        // level's loader hears onLoadProgress twice and onLoadInit a frame
        // after the movie's first frame; one asked for in the opened movie's
        // first frame comes a frame later.
        bool levelOfOldMovie = false;
    };
    void installHostObjects();
    // Movie loading (movie_loading.cpp).
    void deliverLoads();
    // Moves the playing streams on by `elapsed` milliseconds.
    void playStreams(double elapsed);
    void addLoadRoots(std::vector<script::Object*>& roots) const;
    // The clip or level (`level`, with no clip) a loader's target names.
    Instance* loadTarget(script::Object* asker, const script::Value& target, int& level);
    void deliver(PendingLoad& load);
    std::unique_ptr<LoadedMovie> readLoadedMovie(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) const;
    Instance* placeLoadedMovie(PendingLoad& load, LoadedMovie* loaded);
    Instance* levelRoot(int number) const;
    // Whether a movie can be loaded into `inst`: a clip or a level, not a button or a text field.
    bool holdsMovies(const Instance* inst) const;
    // The root of the level `inst` is on.
    Instance* topOf(Instance* inst) const;
    std::filesystem::path folderOf(script::Object* clip) const;
    const TimelineScripts* scriptsFor(const Instance* inst) const;
    script::Object* makeObject(Instance* inst, const movie::Character* character);
    Instance* newInstance(Instance* parent, int depth, movie::DisplayObject& object);
    Instance* placeByScript(Instance* parent, int depth, movie::DisplayObject fresh);
    void setupClip(Instance* inst, bool dynamic, script::Object* init);
    // Copies an init object's properties onto a new clip; false when that
    // removed the clip.
    bool applyInitObject(Instance* inst, script::Object* init);
    void attachTextFieldObject(Instance* inst);
    void removeAt(Instance* parent, int depth);
    void detach(Instance* inst);
    void gotoInstance(Instance* inst, int frame, bool play);
    void gotoFromScript(Instance* inst, int frame, bool play);
    void queueFrameScripts(Instance* inst, int frame);
    // A frame's blocks wait for the placements the stream has before them.
    struct PendingFrameScripts {
        int frame = 0;
        std::size_t next = 0; // the first block not queued yet
    };
    std::unordered_map<Instance*, PendingFrameScripts> m_pendingFrameScripts;
    void queueFrameScriptsUpTo(Instance* inst, int applied, bool all);
    void queueInitActions(Instance* inst, int frame, int applied, bool all);
    void flushFrameScripts(Instance* inst);
    void queueEvent(Instance* inst, std::uint32_t clipEvent, const char* handler, Priority priority = Priority::Normal);
    void queueCode(Instance* inst, script::ActionList code, Priority priority = Priority::Normal, bool evenIfRemoved = false);
    void runQueue();
    void runJob(Job& job);
    // What follows a frame's timelines: its time passes (timers, streams, loads).
    void passFrameTime();
    // Gives a clip its registered class and runs its constructors; whether it has a class.
    bool construct(Instance* inst);
    // Gives a clip the prototype of the class registered for its symbol;
    // that class's constructor, or null.
    script::Object* adoptClass(Instance* inst);
    // The clips of a tree in depth order, each before its children.
    void collectClips(Instance* inst, std::vector<Instance*>& out) const;
    void broadcast(const char* object, const char* message, const std::vector<script::Value>& args = {});
    std::vector<Instance*> clipsForInput() const;
    void updateButtons(bool pressed, bool released);
    void pointerLoses(Instance* inst);
    void resumeLeftButton();
    // After a frame: what lies under a pointer that did not move may have changed.
    void pointerStill();
    void runButtonActions(Instance* button, std::uint16_t conditionMask);
    Instance* buttonForKey(int code) const;
    bool runKeyPress(int code);
    bool tracksAsMenu(Instance* inst) const;
    Instance* dropTargetIn(Instance* inst, double x, double y) const;
    // The slash path of what the dragged clip lies over, kept as its _droptarget.
    void updateDropTarget();
    void setButtonState(Instance* button, int state);
    Instance* findMouseTarget(Instance* inst, double x, double y) const;
    void settleTextFields();
    // Sound (sounds.cpp): what a frame of a clip's timeline starts, and a button's transition.
    void frameSounds(movie::DisplayObject& clip, int frame);
    void buttonSound(Instance* button, int from, int to);
    // Mixes the share of the frame just shown, then tells the Sound objects
    // whose sounds ended.
    void playFrameSound();
    sound::Owner soundOwner(script::Object* owner) const;
    // Where a NetStream's sound plays: the clip it is attached to, or its own.
    sound::Owner streamSoundOwner(script::Object* stream) const;
    std::shared_ptr<const sound::Pcm> namedSound(script::Object* owner, const std::string& name);
    // Stops the sounds scripts started from a loaded movie's library.
    void stopSoundsOf(const LoadedMovie* movie);
    // The focus (focus.cpp).
    bool changeFocus(script::Object* object, FocusCause cause);
    void collectTabStops(Instance* inst, std::vector<TabStop>& out) const;
    void tabFocus(bool backwards);
    Instance* textFieldAt(Instance* inst, double x, double y, bool selectableOnly = true) const;
    void followLink();
    bool focusByMouse();
    void selectAllOf(Instance* inst);
    // A button or clip that gains or loses the focus hears of it as of the pointer entering or leaving.
    void rollByFocus(Instance* inst, bool over);

    const Movie& m_movie;
    const movie::CharacterDictionary& m_dictionary;
    movie::TimelineRunner m_runner;
    std::unique_ptr<ScriptIndex> m_index;
    std::unique_ptr<script::Interpreter> m_vm;
    movie::Timeline m_rootTimeline;
    movie::DisplayObject m_root;
    Instance* m_rootInstance = nullptr;
    std::deque<std::unique_ptr<Instance>> m_instances;
    std::unordered_map<std::uint32_t, Instance*> m_byId; // instances on the stage by display object id
    std::shared_ptr<script::ObjectExtension> m_clipExtension;
    movie::Character m_emptyClip;     // createEmptyMovieClip's character
    movie::Character m_textCharacter; // createTextField's character
    std::shared_ptr<movie::Timeline> m_emptyTimeline;

    FileAccess m_files;
    std::deque<std::unique_ptr<PendingLoad>> m_loads;
    std::vector<script::Object*> m_streams; // NetStreams playing or paused
    // The sockets the movie opened: each first hears whether it connected,
    // then what its peer sends, a frame at a time (sockets.cpp).
    struct Socket {
        script::Object* keep = nullptr;
        script::SocketEvents events;
        std::unique_ptr<SocketPeer> peer;
        bool announced = false;
    };
    std::map<std::uint64_t, Socket> m_sockets;
    std::uint64_t m_lastSocket = 0;
    void serveSockets();
    std::vector<std::unique_ptr<LoadedMovie>> m_loadedMovies;
    std::size_t m_loadedBytes = 0;
    struct Level {
        std::unique_ptr<movie::DisplayObject> root;
        Instance* inst = nullptr;
    };
    std::map<int, Level> m_levels; // above _level0, by number
    // Movies that arrived in this round of answers: their first frames, then
    // their load events, follow once every answer is given.
    std::vector<std::unique_ptr<Job>> m_arrived;
    // Loaders of movies that came into levels hear onLoadInit a frame after
    // the movies' first frames, as those of clips loaded a frame later do.
    std::vector<std::unique_ptr<Job>> m_lateInits;

    EventQueue m_jobs;
    std::vector<bool> m_initDone;
    int m_nextInstanceName = 1;
    std::uint64_t m_instancesBorn = 0; // instances made so far, for their order of arrival
    std::shared_ptr<const render::FontLibrary> m_fonts;
    std::string m_scaleMode = "showAll"; // Stage.scaleMode and Stage.align, as scripts set them
    std::string m_align;
    double m_viewportWidth = 0;
    double m_viewportHeight = 0;
    bool m_quit = false; // fscommand("quit"): the movie ended
    bool m_quitAfterFrame = false; // a loader's handler quit: the next frame is the last
    double m_time = 0;
    std::optional<double> m_startDate; // the real time at movie time 0, taken when a script first asks
    std::mt19937 m_random;

    sound::Mixer m_sound;
    // The frame each clip's stream played last (by display object id): the
    // next frame continues the stream, any other restarts it there.
    std::unordered_map<std::uint32_t, int> m_streamFrames;
    std::deque<std::int16_t> m_audio; // mixed, waiting for takeAudio()
    std::uint64_t m_soundFrames = 0;  // frames whose sound was mixed
    std::uint64_t m_soundMixed = 0;   // output pairs mixed in all
    bool m_streamFed = false;         // a stream block came in the frame being played
    bool m_streamPlaying = false;     // a stream sounded in the last frame played
    struct SoundDone {
        script::Object* keep = nullptr;
        std::function<void()> done;
        const LoadedMovie* movie = nullptr; // whose library the sound came from; null: the opened movie's
    };
    std::unordered_map<std::uint64_t, SoundDone> m_soundDone; // by started sound's id
    std::uint64_t m_nextSoundId = 1;
    std::unordered_map<std::string, std::shared_ptr<const sound::Pcm>> m_adoptedSounds;

    PointerState m_pointer;
    KeyboardState m_keys;
    DragState m_drag;
    script::Object* m_focus = nullptr;
    bool m_focusRect = true; // the movie's _focusrect
    int m_quality = 2; // the movie's _quality: low, medium, high, best
    std::int32_t m_soundBufferSeconds = 5; // the movie's _soundbuftime
    bool m_emptyBoundsRounded = false; // see emptyBoundsCorner
    std::u32string m_clipboard;
    bool m_focusShown = false; // the focus came from the keyboard or a script, and the mouse has not moved since
    bool m_focusRolled = false; // the focused button or clip was rolled over by the focus, not yet out
    // Clips a timeline took off that stay, below every depth, until the next
    // frame: their unload events run first (see keepsLeaving).
    std::vector<Instance*> m_keptLeaving;
    // Shape outlines for exact hit tests, built as they are first asked for.
    mutable ShapeHits m_shapeHits;
};

} // namespace swf::runtime
