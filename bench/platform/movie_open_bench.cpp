// Opening a movie in the program: the longest time the window's thread is
// kept from its event loop. The baseline loads on that thread, as a plain
// Player::fromFile does, and draws the first frame there (decoding its bitmaps
// as it draws); the figure loads through the MovieLoader, whose worker
// decodes the bitmaps and draws the first frame too, while a 1 ms timer on the
// window's thread measures the longest gap between its ticks; the window's
// first drawing then finds the picture made.
//
// Run from the project root (the sample is ../shared/testdata/realworld):
//   build/bench/bench_movie_open_bench [--movie PATH] [--runs N] [--size WxH]
// Without --movie it takes the largest movie of the sample.

#include "common/percentile.h"
#include "platform/movie_loader.h"
#include "platform/native_path.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using veskor::MovieLoader;

struct Stall {
    double loadMs = 0;     // the longest the thread was kept from its loop while loading
    double firstFrameMs = 0; // drawing the first frame at the chosen size
    double total() const { return std::max(loadMs, firstFrameMs); }
};

double msSince(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e6; }

Stall onTheWindowThread(const std::filesystem::path& path, QSize size)
{
    Stall stall;
    QElapsedTimer clock;
    clock.start();
    swf::PlayOptions options;
    options.maxFrameMilliseconds = swf::Player::kWindowFrameMilliseconds;
    auto player = swf::Player::fromFile(path, options);
    stall.loadMs = msSince(clock);
    if (!player.ok())
        return stall;
    clock.restart();
    (*player)->renderFrame(size);
    stall.firstFrameMs = msSince(clock);
    return stall;
}

Stall throughTheLoader(const std::filesystem::path& path, QSize size)
{
    Stall stall;
    MovieLoader loader;
    QTimer ticker;
    QElapsedTimer sinceTick;
    sinceTick.start();
    double longest = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, msSince(sinceTick));
        sinceTick.restart();
    });
    loader.setFirstFrame(size, swf::ScaleMode::ShowAll);
    ticker.start(1);
    sinceTick.restart();
    swf::PlayOptions options;
    options.maxFrameMilliseconds = swf::Player::kWindowFrameMilliseconds;
    options.decodeBitmapsAtLoad = true;
    MovieLoader::Loaded player = loader.loadAndWait(path, options);
    // The stretch from the last tick to the hand-over counts too.
    stall.loadMs = std::max(longest, msSince(sinceTick));
    ticker.stop();
    if (!player.ok())
        return stall;
    QElapsedTimer clock;
    clock.start();
    (*player)->renderFrame(size);
    stall.firstFrameMs = msSince(clock);
    return stall;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString movie;
    int runs = 5;
    QSize size(1920, 1080);
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--movie")
            movie = args[++i];
        else if (args[i] == "--runs")
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == "--size") {
            const QStringList parts = args[++i].split('x');
            if (parts.size() == 2)
                size = QSize(parts[0].toInt(), parts[1].toInt());
        }
    }
    if (movie.isEmpty()) {
        const QFileInfoList files = QDir(QStringLiteral("../shared/testdata/realworld"))
                                        .entryInfoList({QStringLiteral("*.swf")}, QDir::Files, QDir::Size);
        if (files.isEmpty()) {
            std::fprintf(stderr, "no movies in ../shared/testdata/realworld (run from the project root)\n");
            return 1;
        }
        movie = files.first().filePath();
    }
    const std::filesystem::path path = veskor::fsFromPath(movie);
    std::vector<double> before, after, beforeLoad, afterLoad;
    for (int run = 0; run < runs; ++run) {
        const Stall old = onTheWindowThread(path, size);
        const Stall now = throughTheLoader(path, size);
        before.push_back(old.total());
        after.push_back(now.total());
        beforeLoad.push_back(old.loadMs);
        afterLoad.push_back(now.loadMs);
    }
    MovieLoader::waitForLoads();
    const double baseline = veskor::percentile(before, 0.5);
    const double figure = veskor::percentile(after, 0.5);
    std::printf("movie: %s at %dx%d, %d runs (medians)\n", qPrintable(movie), size.width(), size.height(), runs);
    std::printf("baseline (load and first frame on the window's thread): longest stall %.1f ms (load %.1f ms)\n",
                baseline, veskor::percentile(beforeLoad, 0.5));
    std::printf("loader (worker load and first frame, then the window's first drawing): longest stall %.1f ms (while loading %.1f ms)\n", figure,
                veskor::percentile(afterLoad, 0.5));
    std::printf("stall ratio: %.3f\n", baseline > 0 ? figure / baseline : 0.0);
    return 0;
}
