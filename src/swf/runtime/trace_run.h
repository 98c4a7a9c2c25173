#pragma once

// Plays a movie headless and collects what its scripts trace: the first frame
// and `frames` more, on the movie's own clock, with scripted mouse and
// keyboard input played in between.

#include "swf/format/records.h"
#include "swf/runtime/movie_runtime.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace swf::runtime {

// One step of scripted input: a frame passes (Wait), or the mouse or the
// keyboard acts between two frames.
struct InputEvent {
    enum class Kind { Wait, MouseMove, MouseDown, MouseUp, MouseWheel, KeyDown, KeyUp, TextInput, TextControl, SetClipboard };
    Kind kind = Kind::Wait;
    // Where the pointer is, in stage pixels (mouse events).
    double x = 0;
    double y = 0;
    // The button pressed or released, as Key.isDown knows it: 1 left, 2 right, 4 middle.
    int button = 1;
    // The lines the wheel turned (MouseWheel): up when positive.
    int wheelLines = 0;
    // The movie's key code (Key.getCode) and the character typed (Key.getAscii, 0 for none).
    int keyCode = 0;
    int ascii = 0;
    // The character typed (TextInput) and the editing command (TextControl).
    char32_t character = 0;
    TextControl control = TextControl::MoveRight;
    // The text the platform's clipboard holds from now on (SetClipboard).
    std::u32string text = {};
};

// One step of a scripted server at the far end of the movie's sockets, taken
// in order: it waits for bytes from the movie, sends bytes, closes its end,
// or waits for the movie to close its end.
struct SocketStep {
    enum class Kind { Receive, Send, Close, AwaitClose };
    Kind kind = Kind::Send;
    std::string bytes = {};
};

struct TraceOptions {
    int frames = 10;
    // The run ends when the last frame's time is up, not when it is shown:
    // the timers and loads due meanwhile still run.
    bool lastFrameTime = false;
    std::uint32_t randomSeed = kRepeatableSeed;
    // Played in order after the first frame; each Wait plays one of the
    // `frames`, and the frames left when the list ends play after it. Waits
    // beyond `frames` play nothing: the events after them never happen.
    std::vector<InputEvent> input = {};
    // Also describe the display list as the run left it (Trace::displayList).
    bool describeDisplayList = false;
    // The file the movie was read from: it may load what lies in its folder.
    // Empty: it loads nothing.
    std::filesystem::path moviePath = {};
    // The address the movie is known by (_url), when not its file's: the
    // files it loads are then known by addresses beside it.
    std::string movieAddress = {};
    // The window the movie plays in, in pixels; 0: the movie's own size.
    double viewportWidth = 0;
    double viewportHeight = 0;
    // The lines a web address the movie opens in a window adds to the
    // output, in turn with its traces; none: such addresses leave no line.
    std::function<std::string(const std::string& url, const std::string& window)> describeUrl = {};
    // The same for a request the movie sends with a body (a posted form, a
    // remote call), written as it goes out.
    std::function<std::string(const script::OutgoingRequest&)> describeRequest = {};
    // The same for a socket connection the movie asks for.
    std::function<std::string(const std::string& server, int port)> describeSocket = {};
    // The server that answers each socket the movie opens, every one from
    // its first step; none: no connection is made.
    std::optional<std::vector<SocketStep>> socketServer = {};
};

// How the recordings of the second test suite show a web address opened in
// a window, a request sent with a body (its bytes listed when binary) and a
// socket connection: "Navigator::navigate_to_url:", "Navigator::fetch:" or
// "Navigator::connect_socket", then the details on indented lines.
std::string recordedNavigation(const std::string& url, const std::string& window);
std::string recordedRequest(const script::OutgoingRequest& request);
std::string recordedSocket(const std::string& server, int port);

struct Trace {
    std::string output;
    // Why the movie stopped early (it ran out of memory); empty when it played through.
    std::string failure;
    std::string displayList;
};

Trace traceMovie(const Movie& movie, const TraceOptions& options = {});

} // namespace swf::runtime
