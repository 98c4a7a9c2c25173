// Drawing only what changed gives the picture a full redraw gives: real
// courseware and reference movies played frame by frame (with the pointer
// wandering over their buttons), each frame composed over the one before and
// compared pixel for pixel with the same frame drawn whole and anew.
//
// Equal means equal but for antialiased lines one pixel wide, which may come
// out one step apart in a channel: Qt steps such a line from where it enters
// the clip, and a band's clip cuts it elsewhere than the whole picture's.
//
// VESKOR_DAMAGE_ALL=1 runs every movie of both folders instead of the sample
// (VESKOR_DAMAGE_ONLY=text: those whose name holds it).

#include "swf/player.h"
#include "swf/render/damage.h"

#include <QDir>
#include <QImage>
#include <QRegion>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace swf {
namespace {

// Where two pictures differ by more than a step in a channel (the box around
// the differences, their pixels and the largest difference of a channel), or
// nothing.
std::optional<std::string> difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return "sizes differ";
    QRect box;
    int pixels = 0;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* lineA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lineB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (lineA[x] == lineB[x])
                continue;
            ++pixels;
            box |= QRect(x, y, 1, 1);
            for (int shift = 0; shift < 32; shift += 8)
                largest = std::max(largest, std::abs(int((lineA[x] >> shift) & 0xFF) - int((lineB[x] >> shift) & 0xFF)));
        }
    }
    if (largest <= 1)
        return std::nullopt;
    return std::to_string(pixels) + " pixels in " + std::to_string(box.x()) + "," + std::to_string(box.y()) + " "
        + std::to_string(box.width()) + "x" + std::to_string(box.height()) + ", up to " + std::to_string(largest);
}

// Plays `frames` frames of the movie at `size`; fails at the first frame whose
// composed picture differs from a fresh one. Returns how many frames were
// composed from less than the whole picture.
int checkMovie(const QString& path, QSize size, int frames)
{
    auto loaded = Player::fromFile(path.toStdString());
    if (!loaded.ok())
        return 0;
    Player& player = **loaded;
    int partial = 0;
    for (int frame = 0; frame <= frames; ++frame) {
        if (frame > 0) {
            // The pointer crosses the stage now and then, over buttons and off them.
            if (frame % 7 == 0) {
                const double t = (frame % 21) / 21.0;
                player.mouseMove(QPointF(size.width() * t, size.height() * (1 - t)), QRectF(QPointF(), QSizeF(size)),
                                 ScaleMode::ShowAll);
            }
            player.advance();
        }
        const QImage& composed = player.renderFrame(size);
        const QImage fresh = player.renderImage(size);
        const auto differs = difference(composed, fresh);
        EXPECT_FALSE(differs) << path.toStdString() << " frame " << frame << " differs: " << *differs;
        const auto& damage = player.lastDamage();
        if (differs) {
            for (const QRect& r : damage)
                ADD_FAILURE() << "drawn afresh: " << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
            if (const QByteArray out = qgetenv("VESKOR_CORPUS_OUT"); !out.isEmpty()) {
                composed.save(QString::fromLocal8Bit(out) + "/composed.png");
                fresh.save(QString::fromLocal8Bit(out) + "/fresh.png");
            }
            return partial;
        }
        partial += damage.empty() || damage.front() != composed.rect() ? 1 : 0;
    }
    return partial;
}

struct Sample {
    const char* folder;
    std::vector<const char*> movies;
};

TEST(DamageRedraw, ComposedFramesEqualFreshOnes)
{
    const bool all = qEnvironmentVariableIsSet("VESKOR_DAMAGE_ALL");
    const std::vector<Sample> samples = {
        {"../shared/testdata/realworld", {"DopplerShift2.swf", "6_CelestialSphere.swf"}},
        {"../shared/testdata/swf-image", {}},
    };
    int partial = 0;
    int movies = 0;
    for (const Sample& sample : samples) {
        const QDir folder(QString::fromLatin1(sample.folder));
        QStringList names;
        if (all) {
            names = folder.entryList({"*.swf"}, QDir::Files, QDir::Name);
            if (const QString only = qEnvironmentVariable("VESKOR_DAMAGE_ONLY"); !only.isEmpty())
                names = names.filter(only);
        } else {
            for (const char* movie : sample.movies)
                names << QString::fromLatin1(movie);
        }
        for (const QString& name : names) {
            if (!folder.exists(name))
                continue;
            ++movies;
            partial += checkMovie(folder.filePath(name), QSize(1024, 768), all ? 30 : 40);
        }
    }
    if (movies == 0)
        GTEST_SKIP() << "no test movies in ../shared/testdata";
    // Some frames must have been composed from parts, or nothing was tested.
    EXPECT_GT(partial, 0);
}

TEST(DamageRedraw, TrackerFindsWhatChanged)
{
    using render::DamageTracker;
    using render::DrawItem;
    const QRect canvas(0, 0, 400, 300);
    DamageTracker tracker;
    const DrawItem a{1, 10, QRect(0, 0, 10, 10), {}};
    const DrawItem b{2, 20, QRect(100, 100, 10, 10), {}};
    const DrawItem c{3, 30, QRect(200, 200, 10, 10), {}};
    EXPECT_EQ(tracker.update({a, b, c}, canvas, false), std::vector<QRect>{canvas}); // the first frame
    EXPECT_TRUE(tracker.update({a, b, c}, canvas, false).empty());                    // standing still

    auto covered = [](const std::vector<QRect>& rects, const QRect& r) {
        QRegion region;
        for (const QRect& rect : rects)
            region += rect;
        return region.intersected(r) == QRegion(r);
    };
    DrawItem moved = b;
    moved.bounds.translate(30, 0);
    auto damage = tracker.update({a, moved, c}, canvas, false);
    EXPECT_TRUE(covered(damage, b.bounds) && covered(damage, moved.bounds));
    EXPECT_FALSE(covered(damage, a.bounds));

    DrawItem recoloured = c;
    recoloured.signature = 31;
    damage = tracker.update({a, moved, recoloured}, canvas, false);
    EXPECT_TRUE(covered(damage, c.bounds));
    EXPECT_FALSE(covered(damage, moved.bounds));

    damage = tracker.update({recoloured, moved}, canvas, false); // a removed, c now below b
    EXPECT_TRUE(covered(damage, a.bounds));
    EXPECT_TRUE(covered(damage, moved.bounds) || covered(damage, c.bounds));
    EXPECT_EQ(tracker.update({recoloured, moved}, canvas, true), std::vector<QRect>{canvas});

    // A change beside an item painted with a gradient across its rows takes
    // in the item's width where they meet, and no more of the rows.
    DrawItem shaded{4, 40, QRect(50, 20, 200, 30), {}, true};
    tracker.update({shaded, a}, canvas, false);
    DrawItem grown = a;
    grown.bounds = QRect(0, 0, 60, 25);
    damage = tracker.update({shaded, grown}, canvas, false);
    EXPECT_TRUE(covered(damage, QRect(50, 20, 200, 5)));
    EXPECT_FALSE(covered(damage, QRect(250, 20, 10, 5)));
    EXPECT_FALSE(covered(damage, QRect(50, 26, 200, 1)));

    // Many small changes stay apart, each drawn alone; too many are gathered
    // onto a grid, covering them all.
    for (const int count : {20, 2000}) {
        std::vector<DrawItem> many;
        for (int i = 0; i < count; ++i)
            many.push_back({std::uint64_t(100 + i), 0, QRect((i * 15) % 390, (i * 37) % 290, 2, 2), {}});
        tracker.update({}, canvas, false);
        damage = tracker.update(many, canvas, false);
        EXPECT_LE(damage.size(), std::size_t(DamageTracker::kMaxRects));
        for (const DrawItem& item : many)
            EXPECT_TRUE(covered(damage, item.bounds));
        if (count == 20) {
            EXPECT_LT(damage.front().width(), 100);
        }
    }
}

} // namespace
} // namespace swf
