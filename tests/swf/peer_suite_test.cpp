// The second ActionScript suite: movies other people wrote to probe the
// player, each in a folder with test.swf, test.toml (num_frames = N: the
// first frame and N-1 more) and output.txt, what the original player traced.
// Tests that script the mouse or the keyboard have an input.json, played
// between the frames as veskor-trace --input plays it; they are counted on a
// line of their own.
// The movies that trace exactly are listed beside this test
// (peer_suite.passing): none of them may fail.
//
// VESKOR_PEER_FILTER=text runs only tests whose folder contains it and prints
// both outputs of each that differs.

#include "support/ratchet.h"
#include "veskor-trace/input_script.h"
#include "veskor-trace/socket_script.h"
#include "swf/format/imports.h"
#include "swf/format/reader.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

namespace fs = std::filesystem;

namespace {

// The recordings come from a log that ends a line at each carriage return a
// script traced (a traced "a\rb" is two lines there) and whose own line ends may
// carry carriage returns: the engine's carriage returns become line feeds, the
// recording's go, and both sides end with one newline.
std::string normalised(std::string text, bool traced)
{
    if (traced)
        std::replace(text.begin(), text.end(), '\r', '\n');
    std::erase(text, '\r');
    if (text.empty() || text.back() != '\n')
        text += '\n';
    return text;
}

struct TestSettings {
    int frames = 1;
    // The window the test played in; empty: the movie's own size.
    double viewportWidth = 0;
    double viewportHeight = 0;
    // log_fetch: the addresses the movie opens and the requests it sends
    // are part of the recording.
    bool logsUrls = false;
};

// What test.toml says of a run: the frames (num_frames or num_ticks, 1 when it
// says nothing), the viewport's width and height, and whether opened
// addresses are logged.
TestSettings settingsOf(const fs::path& toml)
{
    TestSettings settings;
    std::ifstream in(toml);
    const auto numberAfter = [](const std::string& text, const std::string& key) {
        const std::size_t at = text.find(key);
        return at == std::string::npos ? 0.0 : std::atof(text.c_str() + at + key.size());
    };
    for (std::string text; std::getline(in, text);) {
        // "key = value", spaces optional.
        std::erase_if(text, [](unsigned char c) { return std::isspace(c); });
        for (const std::string key : {"num_frames=", "num_ticks="}) {
            if (text.starts_with(key))
                settings.frames = std::clamp(std::atoi(text.c_str() + key.size()), 1, 100'000);
        }
        if (text == "log_fetch=true")
            settings.logsUrls = true;
        if (text.starts_with("viewport_dimensions=")) {
            settings.viewportWidth = numberAfter(text, "{width=");
            settings.viewportHeight = numberAfter(text, ",height=");
        }
    }
    return settings;
}

} // namespace

TEST(PeerSuite, TraceOutputMatchesTheOriginalPlayer)
{
    const fs::path root = "../shared/testdata/peer-suite";
    if (!fs::exists(root))
        GTEST_SKIP() << "no peer suite at " << root;
    setenv("TZ", "UTC", 1);
    tzset();
    std::vector<fs::path> folders;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::path folder = entry.path().parent_path();
        if (entry.path().filename() == "test.swf" && fs::exists(folder / "output.txt"))
            folders.push_back(folder);
    }
    std::sort(folders.begin(), folders.end());
    const char* filter = std::getenv("VESKOR_PEER_FILTER");
    int total = 0;
    int withInput = 0;
    int passingWithInput = 0;
    std::set<std::string> passing;
    std::set<std::string> ran;
    for (std::size_t index = 0; index < folders.size(); ++index) {
        const fs::path& folder = folders[index];
        const std::string name = folder.lexically_relative(root).generic_string();
        if (!veskor::test::sampled(index))
            continue;
        ran.insert(name);
        if (filter && name.find(filter) == std::string::npos)
            continue;
        swf::runtime::TraceOptions options;
        const TestSettings settings = settingsOf(folder / "test.toml");
        options.frames = settings.frames - 1;
        // The recordings ran for that many frames' time.
        options.lastFrameTime = true;
        options.viewportWidth = settings.viewportWidth;
        options.viewportHeight = settings.viewportHeight;
        if (settings.logsUrls) {
            options.describeUrl = swf::runtime::recordedNavigation;
            options.describeRequest = swf::runtime::recordedRequest;
            options.describeSocket = swf::runtime::recordedSocket;
        }
        options.moviePath = folder / "test.swf";
        // The recordings were made with the test's folder as the root of the file system.
        options.movieAddress = "file:///test.swf";
        const bool scripted = fs::exists(folder / "input.json");
        if (scripted) {
            auto input = veskor::tools::readInputScript(folder / "input.json");
            EXPECT_TRUE(input.ok()) << name << ": " << input.error().message;
            if (input.ok())
                options.input = std::move(input->events);
        }
        // socket.json: the server that answers the movie's sockets.
        if (fs::exists(folder / "socket.json")) {
            auto server = veskor::tools::readSocketScript(folder / "socket.json");
            EXPECT_TRUE(server.ok()) << name << ": " << server.error().message;
            if (server.ok())
                options.socketServer = std::move(*server);
        }
        auto movie = swf::loadMovie(folder / "test.swf");
        const std::string out = normalised(movie.ok() ? swf::runtime::traceMovie(*movie, options).output : std::string(), true);
        const std::string expected = normalised(veskor::test::readText(folder / "output.txt"), false);
        const bool match = out == expected;
        if (match)
            passing.insert(name);
        (scripted ? withInput : total) += 1;
        if (scripted && match)
            ++passingWithInput;
        std::cout << (match ? "PASS " : "FAIL ") << name << "\n";
        if (filter && !match)
            std::cout << "=== got\n" << out << "=== expected\n" << expected << "=== end\n";
    }
    std::cout << passing.size() - passingWithInput << " of " << total
              << " tests trace exactly as in the original player\n"
              << "with input: " << passingWithInput << " of " << withInput << " pass\n";
    if (!filter) {
        EXPECT_TRUE(veskor::test::checkRatchet("tests/swf/peer_suite.passing", passing, "matching",
                                               veskor::test::sampling() ? &ran : nullptr).lost.empty());
    }
}
