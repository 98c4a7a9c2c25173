// Renders every movie of the reference corpus that has a picture, the way the
// pictures were taken (first frame, then ten more), and compares pixels. One
// line per movie and a summary go to the output; the test fails when fewer
// movies pass than the floor below, which is raised as the renderer improves.

#include "swf/format/reader.h"
#include "swf/player.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace swf {
namespace {

const std::filesystem::path kImages = "../shared/testdata/swf-image";

// Movies passing today; only ever raised.
constexpr int kPassFloor = 121;

// A pixel matches when every channel is within this of the reference.
constexpr int kTolerance = 16;
constexpr int kExactTolerance = 3;
// A movie passes when this share of its pixels match.
constexpr double kPassShare = 0.99;

struct Comparison {
    double matching = 0; // share of pixels within kTolerance
    double exact = 0;    // share within kExactTolerance
};

Comparison compare(const QImage& rendered, const QImage& reference)
{
    const QImage a = rendered.convertToFormat(QImage::Format_RGB32);
    const QImage b = reference.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size() || a.isNull())
        return {};
    std::int64_t matching = 0;
    std::int64_t exact = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d = std::max({std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                                    std::abs(qBlue(p[x]) - qBlue(q[x]))});
            matching += d <= kTolerance;
            exact += d <= kExactTolerance;
        }
    }
    const double total = double(a.width()) * a.height();
    return {matching / total, exact / total};
}

bool hasScript(const std::vector<Tag>& tags)
{
    for (const Tag& tag : tags) {
        if (std::holds_alternative<DoAction>(tag) || std::holds_alternative<DoInitAction>(tag))
            return true;
        if (const auto* place = std::get_if<PlaceObject>(&tag); place && !place->clipActions.empty())
            return true;
        if (const auto* button = std::get_if<DefineButton>(&tag);
            button && (!button->actions.empty() || !button->condActions.empty()))
            return true;
        if (const auto* sprite = std::get_if<DefineSprite>(&tag); sprite && hasScript(sprite->tags))
            return true;
        if (const auto* unknown = std::get_if<UnknownTag>(&tag); unknown && unknown->code == 82)
            return true;
    }
    return false;
}

TEST(RenderCorpusTest, ReferencePicturesMatchAtLeastTheFloor)
{
    std::vector<std::filesystem::path> movies;
    for (const auto& entry : std::filesystem::directory_iterator(kImages)) {
        const auto path = entry.path();
        if (path.extension() == ".swf" && std::filesystem::exists(path.string() + ".png"))
            movies.push_back(path);
    }
    std::sort(movies.begin(), movies.end());
    ASSERT_FALSE(movies.empty()) << "no reference pictures under " << kImages;

    // Where to write the rendered pictures, for looking at them side by side.
    const char* dumpDirectory = std::getenv("VESKOR_RENDER_DUMP");

    int passes = 0;
    int exactPasses = 0;
    int timelineMovies = 0;
    int timelinePasses = 0;
    for (const auto& path : movies) {
        const std::string name = path.filename().string();
        auto movie = readMovie(path);
        const bool scripted = !movie.ok() || hasScript(movie->tags);
        timelineMovies += !scripted;

        auto player = Player::fromFile(path);
        if (!player.ok()) {
            std::printf("FAIL  %-48s %s  (does not load: %s)\n", name.c_str(), scripted ? "script" : "timeline",
                        player.error().message.c_str());
            continue;
        }
        for (int i = 0; i < 10; ++i)
            (*player)->advance();
        const QImage rendered = (*player)->renderImage();
        const QImage reference(QString::fromStdString(path.string() + ".png"));
        const Comparison result = compare(rendered, reference);
        const bool pass = result.matching >= kPassShare;
        const bool exact = result.exact >= 1.0;
        passes += pass;
        exactPasses += exact;
        timelinePasses += pass && !scripted;
        std::printf("%s  %-48s %s  %6.2f%% within %d, %6.2f%% within %d\n", pass ? (exact ? "EXACT" : "pass ") : "FAIL ",
                    name.c_str(), scripted ? "script  " : "timeline", result.matching * 100, kTolerance,
                    result.exact * 100, kExactTolerance);
        if (dumpDirectory)
            rendered.save(QString::fromUtf8(dumpDirectory) + QLatin1Char('/') + QString::fromStdString(name) + ".png");
    }
    std::printf("\n%d of %zu movies pass (%d exactly); %d of %d timeline-only movies pass\n", passes, movies.size(),
                exactPasses, timelinePasses, timelineMovies);
    EXPECT_GE(passes, kPassFloor);
}

} // namespace
} // namespace swf
