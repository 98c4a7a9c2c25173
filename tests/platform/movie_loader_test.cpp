#include "platform/movie_loader.h"

#include "platform/native_path.h"
#include "platform/support/bitmap_movie.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

namespace veskor {
namespace {

swf::PlayOptions decodingAtLoad()
{
    swf::PlayOptions options;
    options.decodeBitmapsAtLoad = true;
    return options;
}

class MovieLoaderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // Loads that were superseded finish on their own; none outlives the test.
        MovieLoader::waitForLoads();
    }
    std::filesystem::path save(const swf::Bytes& bytes, const QString& name)
    {
        const std::filesystem::path path = fsFromPath(dir.filePath(name));
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    QTemporaryDir dir;
    MovieLoader loader;
};

TEST_F(MovieLoaderTest, AMovieLoadedOnTheWorkerIsTheMovieLoadedDirectly)
{
    const auto path = save(bitmapMovie(3, 32), QStringLiteral("图.swf"));
    MovieLoader::Loaded loaded = loader.loadAndWait(path, decodingAtLoad());
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    auto direct = swf::Player::fromFile(path);
    ASSERT_TRUE(direct.ok());
    EXPECT_EQ((*loaded)->frameCount(), (*direct)->frameCount());
    EXPECT_EQ((*loaded)->stageSize(), (*direct)->stageSize());
    const QImage picture = (*direct)->renderImage();
    EXPECT_EQ((*loaded)->renderImage(), picture);
    // Drawn the way a window draws, from the bitmaps decoded at load.
    EXPECT_EQ((*loaded)->renderFrame(), picture);
    EXPECT_FALSE(loader.isLoading());
}

TEST_F(MovieLoaderTest, AFailedLoadGivesTheEngineMessage)
{
    const auto path = save(swf::Bytes{'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'}, QStringLiteral("bad.swf"));
    const auto direct = swf::Player::fromFile(path);
    ASSERT_FALSE(direct.ok());
    const MovieLoader::Loaded loaded = loader.loadAndWait(path, {});
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().message, direct.error().message);
    const MovieLoader::Loaded missing = loader.loadAndWait(path.parent_path() / "missing.swf", {});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, swf::Player::fromFile(path.parent_path() / "missing.swf").error().message);
}

TEST_F(MovieLoaderTest, ASecondLoadSupersedesTheFirst)
{
    const auto big = save(bitmapMovie(4, 1024), QStringLiteral("big.swf"));
    const auto small = save(bitmapMovie(1, 16), QStringLiteral("small.swf"));
    std::optional<MovieLoader::Loaded> first;
    loader.load(big, {}, [&](MovieLoader::Loaded loaded) { first.emplace(std::move(loaded)); });
    EXPECT_TRUE(loader.isLoading());
    // The first hears at once that it was superseded, and nothing more.
    const MovieLoader::Loaded second = loader.loadAndWait(small, {});
    ASSERT_TRUE(first.has_value());
    ASSERT_FALSE(first->ok());
    EXPECT_EQ(first->error().message, kMovieSuperseded);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ((*second)->renderImage(), (*swf::Player::fromFile(small))->renderImage());
    MovieLoader::waitForLoads();
    QCoreApplication::processEvents();
    EXPECT_FALSE(first->ok());
    EXPECT_FALSE(loader.isLoading());
}

TEST_F(MovieLoaderTest, TheEventLoopKeepsRunningWhileALargeMovieLoads)
{
    // Tens of megabytes of bitmaps to inflate and premultiply.
    const auto path = save(bitmapMovie(6, 1600), QStringLiteral("large.swf"));
    QTimer ticker;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    QElapsedTimer clock;
    clock.start();
    const MovieLoader::Loaded loaded = loader.loadAndWait(path, decodingAtLoad());
    const qint64 took = clock.elapsed();
    ASSERT_TRUE(loaded.ok());
    // Loading on this thread would have let the timer fire not once.
    EXPECT_GT(ticks, 0) << "load took " << took << " ms";
}

} // namespace
} // namespace veskor
