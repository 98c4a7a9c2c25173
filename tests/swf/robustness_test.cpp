// No file makes the engine crash, hang or run out of memory: every movie of the
// shared test data, cut short at random points and with random bytes flipped,
// either loads and plays a few frames or fails with an error. The seed is fixed so
// a failure reproduces; the time is bounded by the number of variants per movie.

#include "swf/format/reader.h"
#include "swf/format/writer.h"
#include "swf/player.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <random>

namespace swf {
namespace {

std::vector<std::uint8_t> readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

// Loads, plays and draws a little at a small size; what matters is getting through.
void exercise(std::vector<std::uint8_t> bytes)
{
    auto player = Player::fromBytes(std::move(bytes));
    if (!player.ok()) {
        EXPECT_FALSE(player.error().message.empty());
        return;
    }
    Player& p = **player;
    EXPECT_GE(p.frameCount(), 1);
    (void)p.renderImage(QSize(64, 48));
    for (int i = 0; i < 3; ++i)
        p.advance();
    p.gotoFrame(p.frameCount() - 1);
    (void)p.renderImage(QSize(64, 48));
}

TEST(RobustnessTest, DamagedMoviesLoadOrFailCleanly)
{
    std::mt19937 random(20261207);
    QStringList files;
    for (const char* folder : {"swf-image", "swf-trace", "swf-sound"}) {
        const QDir dir(QStringLiteral("../shared/testdata/") + folder);
        // Every image and sound movie; a sample of the many script movies.
        QStringList names = dir.entryList({"*.swf"}, QDir::Files, QDir::Name);
        const int step = QString(folder) == "swf-trace" ? 12 : 1;
        for (int i = 0; i < names.size(); i += step)
            files << dir.filePath(names[i]);
    }
    ASSERT_FALSE(files.isEmpty());
    QElapsedTimer timer;
    timer.start();
    int variants = 0;
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        const std::vector<std::uint8_t> original = readAll(path);
        if (original.empty())
            continue;
        std::uniform_int_distribution<size_t> position(0, original.size() - 1);
        for (int cut = 0; cut < 2; ++cut) {
            std::vector<std::uint8_t> truncated(original.begin(), original.begin() + static_cast<long>(position(random)));
            exercise(std::move(truncated));
            ++variants;
        }
        // Flipped bits in compressed data mostly stop the inflater; damage the
        // uncompressed movie instead, so the damage reaches the tags.
        std::vector<std::uint8_t> plain = original;
        if (auto movie = readMovie(std::span<const std::uint8_t>(original)); movie.ok())
            plain = writeMovie(*movie, Compression::None);
        std::uniform_int_distribution<size_t> plainPosition(0, plain.size() - 1);
        for (int damage = 0; damage < 4; ++damage) {
            std::vector<std::uint8_t> flipped = damage == 0 ? original : plain;
            const int flips = 1 + damage * 3;
            for (int i = 0; i < flips; ++i) {
                const size_t at = damage == 0 ? position(random) : plainPosition(random);
                flipped[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            }
            exercise(std::move(flipped));
            ++variants;
        }
    }
    std::printf("%d damaged variants of %lld movies in %.1f s\n", variants, static_cast<long long>(files.size()),
                timer.nsecsElapsed() / 1e9);
}

} // namespace
} // namespace swf
