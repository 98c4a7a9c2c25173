// The sound corpus: each movie of the shared test data plays its first frame
// and ten more, and what it sounds must equal the original player's
// recordings of its sounds (NAME.swf.F.N.raw: the N-th sound started at frame
// F, 16-bit stereo at 5512.5 Hz, each pair the last of eight output pairs).
// The movies that match are listed beside this test (sound_corpus.passing).

#include "support/ratchet.h"
#include "swf/player.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <fstream>
#include <gtest/gtest.h>

namespace swf {
namespace {

const QString kCorpus = QStringLiteral("../shared/testdata/swf-sound");
constexpr int kFramesPlayed = 11;
constexpr int kDecimation = 8; // 44100 / 5512.5

std::vector<std::int16_t> readRaw(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::int16_t> samples;
    char b[2];
    while (in.read(b, 2))
        samples.push_back(std::int16_t(std::uint8_t(b[0]) | (std::uint8_t(b[1]) << 8)));
    return samples;
}

TEST(SoundCorpusTest, SoundsEqualTheOriginalPlayersRecordings)
{
    const QDir dir(kCorpus);
    ASSERT_TRUE(dir.exists()) << "missing " << kCorpus.toStdString();
    const QStringList movies = dir.entryList({"*.swf"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(movies.isEmpty());
    std::set<std::string> passing;
    for (const QString& name : movies) {
        const std::string file = name.toStdString();
        const std::filesystem::path path = std::filesystem::path(kCorpus.toStdString()) / file;
        auto player = Player::fromFile(path);
        if (!player.ok()) {
            std::printf("  %s: %s\n", file.c_str(), player.error().message.c_str());
            continue;
        }
        Player& movie = **player;
        const double perFrame = Player::kAudioRate / movie.frameRate();
        const auto total = std::size_t(std::llround(kFramesPlayed * perFrame));
        std::vector<std::int16_t> mixed(total * 2);
        std::size_t done = 0;
        for (int frame = 1; frame <= kFramesPlayed; ++frame) {
            if (frame > 1)
                movie.advance();
            const auto until = std::size_t(std::llround(frame * perFrame));
            movie.mixAudio(mixed.data() + done * 2, until - done);
            done = until;
        }
        // What the recordings add up to, each from the start of its frame.
        const std::size_t pairs = total / kDecimation;
        std::vector<int> expected(pairs * 2, 0);
        for (const QString& raw : dir.entryList({name + ".*.raw"}, QDir::Files, QDir::Name)) {
            const QStringList parts = raw.mid(name.size() + 1).split('.');
            const int frame = std::max(1, parts.value(0).toInt());
            const auto at = std::size_t(std::llround((frame - 1) * perFrame)) / kDecimation;
            const auto samples = readRaw(std::filesystem::path(kCorpus.toStdString()) / raw.toStdString());
            for (std::size_t i = 0; i < samples.size() && at * 2 + i < expected.size(); ++i)
                expected[at * 2 + i] += samples[i];
        }
        std::size_t differing = 0;
        std::size_t first = pairs;
        for (std::size_t i = 0; i < pairs; ++i) {
            const std::size_t out = i * kDecimation + kDecimation - 1;
            for (int c = 0; c < 2; ++c) {
                if (mixed[out * 2 + std::size_t(c)] != std::clamp(expected[i * 2 + std::size_t(c)], -32768, 32767)) {
                    ++differing;
                    first = std::min(first, i);
                }
            }
        }
        if (differing == 0)
            passing.insert(file);
        else
            std::printf("  %s: %zu samples differ, the first at %zu\n", file.c_str(), differing, first);
    }
    EXPECT_TRUE(veskor::test::checkRatchet("tests/swf/sound/sound_corpus.passing", passing, "passing").lost.empty());
}

} // namespace
} // namespace swf
