// Every movie of the shared test data reads, writes back to the same records,
// and survives being cut short or having bytes flipped.

#include "swf/format/container.h"
#include "swf/format/reader.h"
#include "swf/format/writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

using namespace swf;

namespace {

std::vector<std::filesystem::path> corpus()
{
    std::vector<std::filesystem::path> movies;
    for (const char* dir : {"../shared/testdata/swf-image", "../shared/testdata/swf-trace", "../shared/testdata/swf-sound"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.path().extension() == ".swf")
                movies.push_back(entry.path());
    }
    std::sort(movies.begin(), movies.end());
    return movies;
}

// Movies of the test data that are broken on purpose.
bool brokenOnPurpose(const std::filesystem::path& p) { return p.filename().string().find("truncated") != std::string::npos; }

} // namespace

TEST(Corpus, EveryMovieReadsAndWritesBackToTheSameRecords)
{
    const auto movies = corpus();
    ASSERT_GT(movies.size(), 1500u) << "the shared test data is missing";
    int read = 0, withWarnings = 0;
    for (const auto& path : movies) {
        auto movie = readMovie(path);
        ASSERT_TRUE(movie.ok()) << path << ": " << movie.error().message;
        ++read;
        if (brokenOnPurpose(path))
            continue;
        withWarnings += !movie->warnings.empty();
        EXPECT_TRUE(movie->warnings.empty()) << path << ": " << movie->warnings.front();
        EXPECT_FALSE(movie->truncated) << path;
        const Bytes again = writeMovie(*movie, Compression::None);
        auto back = readMovie(std::span<const std::uint8_t>(again));
        ASSERT_TRUE(back.ok()) << path;
        std::vector<Tag> expected = movie->tags;
        if (expected.empty() || !std::holds_alternative<End>(expected.back()))
            expected.push_back(End{});
        EXPECT_TRUE(back->tags == expected) << path;
    }
    EXPECT_EQ(read, int(movies.size()));
    EXPECT_EQ(withWarnings, 0);
}

TEST(Corpus, CutAndFlippedMoviesLoadOrFailCleanly)
{
    const auto movies = corpus();
    std::mt19937 random(20261207);
    int loaded = 0, failed = 0;
    for (std::size_t i = 0; i < movies.size(); i += 2) {
        const Bytes original = readFileBytes(movies[i]).valueOr({});
        if (original.size() < 16)
            continue;
        // Damage the file as stored and, to reach the tag readers of
        // compressed movies, the same movie uncompressed.
        std::vector<Bytes> sources{original};
        if (auto movie = readMovie(std::span<const std::uint8_t>(original)))
            sources.push_back(writeMovie(*movie, Compression::None));
        for (const Bytes& source : sources) {
            for (int round = 0; round < 8; ++round) {
                Bytes damaged = source;
                if (round % 2 == 0) {
                    damaged.resize(std::uniform_int_distribution<std::size_t>(0, source.size() - 1)(random));
                } else {
                    const int flips = std::uniform_int_distribution<int>(1, 8)(random);
                    for (int f = 0; f < flips; ++f) {
                        const auto at = std::uniform_int_distribution<std::size_t>(8, damaged.size() - 1)(random);
                        damaged[at] ^= std::uint8_t(1u << std::uniform_int_distribution<int>(0, 7)(random));
                    }
                }
                auto movie = readMovie(std::span<const std::uint8_t>(damaged));
                if (movie.ok()) {
                    ++loaded;
                    // What loads also writes and reads again.
                    const Bytes again = writeMovie(*movie);
                    EXPECT_TRUE(readMovie(std::span<const std::uint8_t>(again)).ok()) << movies[i];
                } else {
                    ++failed;
                    EXPECT_FALSE(movie.error().message.empty());
                }
            }
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(failed, 0);
}
