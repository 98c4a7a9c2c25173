#include "render_options.h"

#include <charconv>

namespace veskor::render_tool {

namespace {

template <typename Number>
std::optional<Number> parseNumber(const std::string& text, Number min, Number max)
{
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<int> parseInt(const std::string& text, int min, int max) { return parseNumber(text, min, max); }

} // namespace

const char* usage()
{
    return "usage: veskor-render MOVIE.swf [-o OUT.png] [--audio OUT.wav] [--frame N] [--advance N] [--size WxH]\n"
           "                     [--scale-mode 0|2] [--seed N] [--timing [--fresh]]\n"
           "  --audio FILE    write the sound of the frames played (44.1 kHz 16-bit stereo WAV); the\n"
           "                  movie plays on from --frame\n"
           "  --frame N       show frame N (counted from 1)\n"
           "  --advance N     then play N more frames\n"
           "  --size WxH      picture size in pixels (default: the movie's stage size)\n"
           "  --scale-mode M  0: whole movie at its own proportions, 2: stretched\n"
           "  --seed N        seed of Math.random, 0 to 4294967295 (default: the same on every run)\n"
           "  --timing        draw every frame played at --size as the program does (only what changed)\n"
           "                  and print the time of each (advance and drawing) as a last line:\n"
           "                  timing: frames=N median_ms=M p95_ms=P max_ms=X interval_ms=I\n"
           "  --fresh         with --timing, draw every frame whole and anew instead\n"
           "Without --frame and --advance: the first frame and ten more frames of play.\n";
}

Result<Options> parseOptions(const std::vector<std::string>& args)
{
    Options options;
    bool advanceGiven = false;
    bool movieGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == "-o" || arg == "--output") {
            const auto v = value();
            if (!v)
                return makeError("-o needs a file name");
            options.output = *v;
        } else if (arg == "--audio") {
            const auto v = value();
            if (!v)
                return makeError("--audio needs a file name");
            options.audio = *v;
        } else if (arg == "--frame") {
            const auto v = value();
            const auto n = v ? parseInt(*v, 1, 1'000'000) : std::nullopt;
            if (!n)
                return makeError("--frame needs a frame number from 1");
            options.frame = *n;
        } else if (arg == "--advance") {
            const auto v = value();
            const auto n = v ? parseInt(*v, 0, 1'000'000) : std::nullopt;
            if (!n)
                return makeError("--advance needs a number of frames");
            options.advance = *n;
            advanceGiven = true;
        } else if (arg == "--size") {
            const auto v = value();
            const size_t x = v ? v->find('x') : std::string::npos;
            const auto w = x != std::string::npos ? parseInt(v->substr(0, x), 1, 16384) : std::nullopt;
            const auto h = x != std::string::npos ? parseInt(v->substr(x + 1), 1, 16384) : std::nullopt;
            if (!w || !h)
                return makeError("--size needs WIDTHxHEIGHT in pixels");
            options.width = *w;
            options.height = *h;
        } else if (arg == "--scale-mode") {
            const auto v = value();
            if (!v || (*v != "0" && *v != "2"))
                return makeError("--scale-mode is 0 or 2");
            options.scaleMode = *v == "0" ? 0 : 2;
        } else if (arg == "--seed") {
            const auto v = value();
            const auto n = v ? parseNumber<std::uint32_t>(*v, 0, UINT32_MAX) : std::nullopt;
            if (!n)
                return makeError("--seed needs a number from 0 to 4294967295");
            options.seed = *n;
        } else if (arg == "--timing") {
            options.timing = true;
        } else if (arg == "--fresh") {
            options.fresh = true;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return makeError("unknown option " + arg);
        } else if (!movieGiven) {
            options.movie = arg;
            movieGiven = true;
        } else {
            return makeError("more than one movie given");
        }
    }
    if (!movieGiven)
        return makeError("no movie given");
    if (options.fresh && !options.timing)
        return makeError("--fresh goes with --timing");
    if (options.output.empty() && options.audio.empty() && !options.timing)
        return makeError("no output file given (-o OUT.png, --audio OUT.wav or --timing)");
    if (options.frame && !advanceGiven)
        options.advance = 0;
    return options;
}

} // namespace veskor::render_tool
