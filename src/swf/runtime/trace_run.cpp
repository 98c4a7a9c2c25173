#include "swf/runtime/trace_run.h"

#include "common/failure.h"
#include "swf/movie/character_dictionary.h"
#include "swf/render/font_library.h"

#include <algorithm>

namespace swf::runtime {

namespace {

// Hands one event of the input to the runtime. A press or a release somewhere
// else than the pointer is moves the pointer there first, as a hand would.
void deliver(MovieRuntime& runtime, const Movie& movie, const InputEvent& event)
{
    const Rect& stage = movie.header.frameSize;
    const double x = event.x * 20 + stage.xMin.get();
    const double y = event.y * 20 + stage.yMin.get();
    const bool moved = x != runtime.mouseX() || y != runtime.mouseY();
    switch (event.kind) {
    case InputEvent::Kind::Wait: break;
    case InputEvent::Kind::MouseMove: runtime.mouseMove(x, y); break;
    case InputEvent::Kind::MouseDown:
    case InputEvent::Kind::MouseUp: {
        if (moved)
            runtime.mouseMove(x, y);
        const bool down = event.kind == InputEvent::Kind::MouseDown;
        if (event.button != 1)
            runtime.mouseButtonKey(event.button, down);
        else if (down)
            runtime.mouseDown();
        else
            runtime.mouseUp();
        break;
    }
    case InputEvent::Kind::MouseWheel: runtime.mouseWheel(event.wheelLines); break;
    case InputEvent::Kind::KeyDown: runtime.keyDown(event.keyCode, event.ascii); break;
    case InputEvent::Kind::KeyUp: runtime.keyUp(event.keyCode, event.ascii); break;
    case InputEvent::Kind::TextInput: runtime.textInput(event.character); break;
    case InputEvent::Kind::TextControl: runtime.textControl(event.control); break;
    case InputEvent::Kind::SetClipboard: runtime.setClipboardText(event.text); break;
    }
}

// A server that follows a script: each turn it goes through the steps it
// can take now, and stops at one that waits for the movie. Bytes other than
// those a Receive step expects stop it for good, as a test's server would.
class ScriptedServer final : public SocketPeer {
public:
    explicit ScriptedServer(std::vector<SocketStep> steps)
        : m_steps(std::move(steps))
    {
    }
    void receive(const std::string& bytes) override { m_received += bytes; }
    void movieClosed() override { m_movieClosed = true; }
    Turn turn() override
    {
        Turn turn;
        while (m_next < m_steps.size()) {
            const SocketStep& step = m_steps[m_next];
            switch (step.kind) {
            case SocketStep::Kind::Receive:
                if (m_received.size() < step.bytes.size())
                    return turn;
                if (m_received.compare(0, step.bytes.size(), step.bytes) != 0) {
                    m_next = m_steps.size();
                    return turn;
                }
                m_received.erase(0, step.bytes.size());
                break;
            case SocketStep::Kind::Send: turn.sent.push_back(step.bytes); break;
            case SocketStep::Kind::Close:
                ++m_next;
                turn.closes = true;
                return turn;
            case SocketStep::Kind::AwaitClose:
                if (!m_movieClosed)
                    return turn;
                break;
            }
            ++m_next;
        }
        return turn;
    }

private:
    std::vector<SocketStep> m_steps;
    std::size_t m_next = 0;
    std::string m_received;
    bool m_movieClosed = false;
};

} // namespace

Trace traceMovie(const Movie& movie, const TraceOptions& options)
{
    Trace trace;
    trace.failure = veskor::failureOf([&] {
        movie::CharacterDictionary dictionary(movie.tags);
        // Text is measured with the fonts it would be drawn with, as in the player.
        MovieRuntime runtime(movie, dictionary, options.randomSeed, render::collectFonts(movie.tags));
        if (!options.moviePath.empty())
            runtime.setFiles(FileAccess(options.moviePath, options.movieAddress));
        // A runaway script could trace without end; a few megabytes is plenty.
        const auto write = [&trace](const std::string& lines) {
            if (trace.output.size() < (8u << 20))
                trace.output += lines;
        };
        runtime.traceSink = [&write](const std::string& line) { write(line + '\n'); };
        if (options.describeUrl) {
            runtime.urlSink = [&write, &options](const std::string& url, const std::string& window) {
                write(options.describeUrl(url, window));
            };
        }
        if (options.describeRequest) {
            runtime.requestSink = [&write, &options](const script::OutgoingRequest& request) {
                write(options.describeRequest(request));
            };
        }
        runtime.socketPeers = [&write, &options](const std::string& server, int port) -> std::unique_ptr<SocketPeer> {
            if (options.describeSocket)
                write(options.describeSocket(server, port));
            if (!options.socketServer)
                return nullptr;
            return std::make_unique<ScriptedServer>(*options.socketServer);
        };
        runtime.setViewportSize(options.viewportWidth, options.viewportHeight);
        runtime.start();
        // A movie whose rate is 0 moves on once in that time, as the original player did.
        const int frames = movie.header.frameRate() <= 0 ? std::min(options.frames, 1) : options.frames;
        int played = 0;
        for (const InputEvent& event : options.input) {
            if (event.kind != InputEvent::Kind::Wait) {
                deliver(runtime, movie, event);
                continue;
            }
            if (played == frames)
                break;
            runtime.advance();
            ++played;
        }
        for (; played < frames; ++played)
            runtime.advance();
        if (options.lastFrameTime)
            runtime.idleThroughFrame();
        if (options.describeDisplayList)
            trace.displayList = movie::describeTree(runtime.rootState());
    });
    return trace;
}

std::string recordedNavigation(const std::string& url, const std::string& window)
{
    return "Navigator::navigate_to_url:\n  URL: " + url + "\n  Target: " + window + "\n";
}

std::string recordedRequest(const script::OutgoingRequest& request)
{
    std::string body;
    if (request.binary) {
        static const char* const kHex = "0123456789ABCDEF";
        body = "[";
        for (std::size_t i = 0; i < request.body.size(); ++i) {
            const auto byte = std::uint8_t(request.body[i]);
            if (i > 0)
                body += ", ";
            body += kHex[byte >> 4];
            body += kHex[byte & 15];
        }
        body += "]";
    } else {
        body = request.body;
    }
    return "Navigator::fetch:\n  URL: " + request.url + "\n  Method: " + request.method + "\n  Mime-Type: " +
           request.contentType + "\n  Body: " + body + "\n";
}

std::string recordedSocket(const std::string& server, int port)
{
    return "Navigator::connect_socket\n    Host: " + server + "; Port: " + std::to_string(port) + "\n";
}

} // namespace swf::runtime
