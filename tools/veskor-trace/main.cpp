// veskor-trace MOVIE.swf [--frames N] [--seed N] [--input FILE.json] [--socket FILE.json] [--display] [--log-fetch]
//
// Plays a movie without a window for its first frame and N more (10 unless
// told), on the movie's own clock and as fast as the machine allows, and
// prints each trace() call of its scripts on a line of its own. Math.random
// draws from a fixed seed, so every run prints the same; --seed picks another.
// --input plays a list of mouse and keyboard events into the movie between
// its frames (see input_script.h). --log-fetch also prints the web addresses
// the movie opens, the requests it sends and the sockets it connects, as the
// second test suite's recordings show them. --socket answers the movie's
// sockets with a scripted server (see socket_script.h); without it every
// connection fails.

#include "headless_app.h"
#include "input_script.h"
#include "socket_script.h"
#include "swf/format/imports.h"
#include "swf/format/reader.h"
#include "swf/runtime/trace_run.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

const char* const kUsage = "usage: veskor-trace MOVIE.swf [--frames N] [--seed N] [--input FILE.json] [--socket FILE.json]\n"
                           "                    [--display] [--log-fetch]\n"
                           "  --frames N         frames played after the first (default 10)\n"
                           "  --seed N           seed of Math.random, 0 to 4294967295 (default: the same on every run)\n"
                           "  --input FILE.json  mouse and keyboard events played between the frames; each\n"
                           "                     {\"type\":\"Wait\"} plays one of the frames\n"
                           "  --socket FILE.json a scripted server that answers the movie's sockets\n"
                           "  --display          then describe the display list, an object a line\n"
                           "  --log-fetch        also print the addresses opened, the requests sent and\n"
                           "                     the sockets connected\n";

template <typename Number>
std::optional<Number> parseNumber(const char* text)
{
    Number value{};
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    const char* path = nullptr;
    const char* inputPath = nullptr;
    const char* socketPath = nullptr;
    swf::runtime::TraceOptions options;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--frames") == 0 && hasValue) {
            const auto frames = parseNumber<int>(argv[++i]);
            if (!frames || *frames < 0) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            options.frames = *frames;
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue) {
            const auto seed = parseNumber<std::uint32_t>(argv[++i]);
            if (!seed) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            options.randomSeed = *seed;
        } else if (std::strcmp(argv[i], "--display") == 0) {
            options.describeDisplayList = true;
        } else if (std::strcmp(argv[i], "--log-fetch") == 0) {
            options.describeUrl = swf::runtime::recordedNavigation;
            options.describeRequest = swf::runtime::recordedRequest;
            options.describeSocket = swf::runtime::recordedSocket;
        } else if (std::strcmp(argv[i], "--input") == 0 && hasValue) {
            inputPath = argv[++i];
        } else if (std::strcmp(argv[i], "--socket") == 0 && hasValue) {
            socketPath = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (!path) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const auto app = veskor::tools::headlessApplication(argv[0]);
    if (inputPath) {
        auto input = veskor::tools::readInputScript(std::filesystem::path(inputPath));
        if (!input.ok()) {
            std::fprintf(stderr, "veskor-trace: %s: %s\n", inputPath, input.error().message.c_str());
            return 1;
        }
        for (const auto& [why, count] : input->skipped)
            std::fprintf(stderr, "veskor-trace: %s: skipped %d event(s), %s\n", inputPath, count, why.c_str());
        options.input = std::move(input->events);
    }
    if (socketPath) {
        auto server = veskor::tools::readSocketScript(std::filesystem::path(socketPath));
        if (!server.ok()) {
            std::fprintf(stderr, "veskor-trace: %s: %s\n", socketPath, server.error().message.c_str());
            return 1;
        }
        options.socketServer = std::move(*server);
    }
    auto movie = swf::loadMovie(std::filesystem::path(path));
    if (!movie.ok()) {
        std::fprintf(stderr, "veskor-trace: %s: %s\n", path, movie.error().message.c_str());
        return 1;
    }
    options.moviePath = path;
    const swf::runtime::Trace trace = swf::runtime::traceMovie(*movie, options);
    std::fwrite(trace.output.data(), 1, trace.output.size(), stdout);
    if (options.describeDisplayList)
        std::fprintf(stdout, "-- display list --\n%s", trace.displayList.c_str());
    std::fflush(stdout);
    if (!trace.failure.empty()) {
        std::fprintf(stderr, "veskor-trace: %s: %s\n", path, trace.failure.c_str());
        return 1;
    }
    return 0;
}
