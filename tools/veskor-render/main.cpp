// veskor-render MOVIE.swf -o OUT.png: a picture of one frame of a movie;
// --audio OUT.wav: the sound of the frames it played.

#include "common/percentile.h"
#include "headless_app.h"
#include "render_options.h"
#include "swf/player.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include <sys/resource.h>

namespace {

// A 44-byte RIFF header and the samples, 16-bit stereo little-endian.
bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, int rate)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    auto u32 = [&](std::uint32_t v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out.write(b, 4);
    };
    auto u16 = [&](std::uint16_t v) {
        const char b[2] = {char(v), char(v >> 8)};
        out.write(b, 2);
    };
    const std::uint32_t bytes = std::uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(2);
    u32(std::uint32_t(rate));
    u32(std::uint32_t(rate) * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (const std::int16_t s : samples)
        u16(std::uint16_t(s));
    return bool(out);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace veskor::render_tool;
    // Arguments stay bytes: a movie's path need not be text.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto app = veskor::tools::headlessApplication(argv[0]);

    const auto options = parseOptions(args);
    if (!options.ok()) {
        std::fprintf(stderr, "veskor-render: %s\n%s", options.error().message.c_str(), usage());
        return 2;
    }
    auto player = swf::Player::fromFile(options->movie, {.randomSeed = options->seed});
    if (!player.ok()) {
        std::fprintf(stderr, "veskor-render: %s\n", player.error().message.c_str());
        return 1;
    }
    swf::Player& movie = **player;
    // Each frame played adds its share of the sound, counted from the first
    // so that the file lasts exactly the frames' time at the movie's rate.
    std::vector<std::int16_t> sound;
    int played = 0;
    auto takeSound = [&] {
        ++played;
        if (options->audio.empty())
            return;
        const auto until = std::size_t(std::llround(played * double(swf::Player::kAudioRate) / movie.frameRate()));
        const std::size_t have = sound.size() / 2;
        if (until <= have)
            return;
        sound.resize(until * 2);
        movie.mixAudio(sound.data() + have * 2, until - have);
    };
    if (options->frame) {
        // What the first frame started is not part of the frames asked for.
        if (*options->frame > 1)
            movie.stopSounds();
        movie.gotoFrame(*options->frame - 1);
        // A goto from outside stops the movie there; the sound asked for is
        // that of the movie playing on from the frame.
        if (!options->audio.empty())
            movie.setTimelinePlaying(true);
    }
    takeSound();
    const QSize size = options->width > 0 ? QSize(options->width, options->height) : movie.stageSize();
    const auto mode = options->scaleMode == 2 ? swf::ScaleMode::ExactFit : swf::ScaleMode::ShowAll;
    // Each frame's work as the program does it: play the frame, then draw it.
    std::vector<double> times;
    auto draw = [&] {
        if (options->fresh)
            (void)movie.renderImage(size, mode);
        else
            (void)movie.renderFrame(size, mode);
    };
    if (options->timing)
        draw(); // the first frame, as the window shows it on opening
    // Where the time goes: playing the frame and drawing it.
    std::vector<double> advanceTimes;
    std::vector<double> drawTimes;
    QElapsedTimer timer;
    for (int i = 0; i < options->advance; ++i) {
        timer.start();
        movie.advance();
        if (options->timing) {
            const qint64 played = timer.nsecsElapsed();
            draw();
            const qint64 total = timer.nsecsElapsed();
            times.push_back(double(total) / 1e6);
            advanceTimes.push_back(double(played) / 1e6);
            drawTimes.push_back(double(total - played) / 1e6);
        }
        takeSound();
    }
    if (!options->audio.empty() && !writeWav(options->audio, sound, swf::Player::kAudioRate)) {
        std::fprintf(stderr, "veskor-render: cannot write %s\n", options->audio.c_str());
        return 1;
    }
    if (options->timing) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::fprintf(stderr, "memory: peak_rss_mb=%.1f kept_pictures_mb=%.1f\n", double(usage.ru_maxrss) / 1024.0,
                     double(movie.keptPictureBytes()) / (1024.0 * 1024.0));
        using veskor::percentile;
        std::fprintf(stderr, "phases: advance median_ms=%.3f p95_ms=%.3f, drawing median_ms=%.3f p95_ms=%.3f\n",
                     percentile(advanceTimes, 0.5), percentile(advanceTimes, 0.95), percentile(drawTimes, 0.5),
                     percentile(drawTimes, 0.95));
        const double longest = times.empty() ? 0.0 : *std::max_element(times.begin(), times.end());
        std::printf("timing: frames=%zu median_ms=%.3f p95_ms=%.3f max_ms=%.3f interval_ms=%.3f\n", times.size(),
                    percentile(times, 0.5), percentile(times, 0.95), longest,
                    1000.0 / movie.frameRate());
    }
    if (options->output.empty()) {
        if (movie.failed()) {
            std::fprintf(stderr, "veskor-render: %s\n", movie.errorMessage().c_str());
            return 1;
        }
        return 0;
    }

    const QImage image = movie.renderImage(size, mode).convertToFormat(QImage::Format_ARGB32);

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        std::fprintf(stderr, "veskor-render: the picture could not be encoded\n");
        return 1;
    }
    std::ofstream out(options->output, std::ios::binary | std::ios::trunc);
    out.write(png.constData(), png.size());
    if (!out) {
        std::fprintf(stderr, "veskor-render: cannot write %s\n", options->output.c_str());
        return 1;
    }
    // The picture of a movie that failed is its background, written all the same.
    if (movie.failed()) {
        std::fprintf(stderr, "veskor-render: %s\n", movie.errorMessage().c_str());
        return 1;
    }
    return 0;
}
