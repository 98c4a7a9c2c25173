// Full-screen playback: how long one frame's work (advance and drawing, as the
// program draws) takes against the movie's own frame interval, for every movie
// of the real-courseware sample at 1920x1080 and 1024x768. Each movie plays in
// `veskor-render --timing`, a process of its own, so that its peak memory is its
// own too.
//
// Run from the project root (the sample is ../shared/testdata/realworld):
//   build/bench/bench_fullscreen_bench [--frames N] [--size WxH]... [--fresh] [--only TEXT]
// --fresh draws every frame whole and anew (the drawing without damage
// tracking), for the figures to compare with.

#include "common/percentile.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>
#include <cstdio>
#include <vector>

namespace {

struct Result {
    QString movie;
    double medianRatio = 0;
    double p95Ratio = 0;
    double medianMs = 0;
    double p95Ms = 0;
    double intervalMs = 0;
    double peakMb = 0;
};

std::optional<Result> timeMovie(const QString& tool, const QString& path, const QString& size, int frames, bool fresh)
{
    QStringList args{path, "--size", size, "--advance", QString::number(frames), "--timing"};
    if (fresh)
        args << "--fresh";
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(900'000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    static const QRegularExpression line(
        "timing: frames=(\\d+) median_ms=([\\d.]+) p95_ms=([\\d.]+) max_ms=([\\d.]+) interval_ms=([\\d.]+)\\s*$");
    const auto match = line.match(out);
    if (!match.hasMatch())
        return std::nullopt;
    Result r;
    r.movie = QFileInfo(path).fileName();
    r.medianMs = match.captured(2).toDouble();
    r.p95Ms = match.captured(3).toDouble();
    r.intervalMs = match.captured(5).toDouble();
    r.medianRatio = r.medianMs / r.intervalMs;
    r.p95Ratio = r.p95Ms / r.intervalMs;
    static const QRegularExpression memory("peak_rss_mb=([\\d.]+)");
    if (const auto m = memory.match(err); m.hasMatch())
        r.peakMb = m.captured(1).toDouble();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int frames = 100;
    bool fresh = false;
    QString only;
    QStringList sizes;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--frames" && i + 1 < args.size())
            frames = std::max(1, args[++i].toInt());
        else if (args[i] == "--size" && i + 1 < args.size())
            sizes << args[++i];
        else if (args[i] == "--only" && i + 1 < args.size())
            only = args[++i];
        else if (args[i] == "--fresh")
            fresh = true;
    }
    if (sizes.isEmpty())
        sizes = {"1920x1080", "1024x768"};
    const QString tool = QDir(app.applicationDirPath()).filePath("../bin/veskor-render");
    const QDir corpus(QStringLiteral("../shared/testdata/realworld"));
    QStringList movies = corpus.entryList({"*.swf"}, QDir::Files, QDir::Name);
    if (!only.isEmpty())
        movies = movies.filter(only);

    std::printf("frame work (advance and drawing%s) against the frame interval, first frame and %d more\n",
                fresh ? ", every frame whole and anew" : ", only what changed", frames);
    for (const QString& size : sizes) {
        std::vector<Result> results;
        for (const QString& name : movies) {
            const auto r = timeMovie(tool, corpus.filePath(name), size, frames, fresh);
            if (!r) {
                std::printf("  %-44s %s: no timing (the movie failed or timed out)\n", qPrintable(name), qPrintable(size));
                continue;
            }
            std::printf("  %-44s %s  median %8.2f ms  p95 %8.2f ms  interval %6.1f ms  ratios %.3f / %.3f  peak %.0f MB\n",
                        qPrintable(name), qPrintable(size), r->medianMs, r->p95Ms, r->intervalMs, r->medianRatio,
                        r->p95Ratio, r->peakMb);
            std::fflush(stdout);
            results.push_back(*r);
        }
        if (results.empty())
            continue;
        std::vector<double> medians, p95s;
        for (const Result& r : results) {
            medians.push_back(r.medianRatio);
            p95s.push_back(r.p95Ratio);
        }
        std::printf("%s, %zu movies: median_ms/interval: median %.3f, 95th percentile %.3f (target: median <= 0.25)\n",
                    qPrintable(size), results.size(), veskor::percentile(medians, 0.5), veskor::percentile(medians, 0.95));
        std::printf("%s, %zu movies: p95_ms/interval: median %.3f, 95th percentile %.3f (target: 95th percentile <= 0.5)\n",
                    qPrintable(size), results.size(), veskor::percentile(p95s, 0.5), veskor::percentile(p95s, 0.95));
        std::printf("%s: movies that keep their frame rate (p95 within the interval): %zu of %zu\n", qPrintable(size),
                    std::size_t(std::count_if(p95s.begin(), p95s.end(), [](double v) { return v <= 1.0; })),
                    results.size());
        std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) { return a.p95Ratio > b.p95Ratio; });
        std::printf("%s: the worst ten by p95_ms/interval:\n", qPrintable(size));
        for (std::size_t i = 0; i < std::min<std::size_t>(10, results.size()); ++i)
            std::printf("  %-44s median %.3f  p95 %.3f\n", qPrintable(results[i].movie), results[i].medianRatio,
                        results[i].p95Ratio);
        const auto heaviest = std::max_element(results.begin(), results.end(),
                                               [](const Result& a, const Result& b) { return a.peakMb < b.peakMb; });
        std::printf("%s: highest peak memory %.0f MB (%s)\n", qPrintable(size), heaviest->peakMb,
                    qPrintable(heaviest->movie));
    }
    return 0;
}
