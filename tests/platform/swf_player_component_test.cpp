// The working player as the main window drives it: loading real movies, the frame
// counter, seeking, and failures that must come back as errors.

#include "platform/movie_loader.h"
#include "platform/native_path.h"
#include "platform/player_widget.h"
#include "platform/support/bitmap_movie.h"
#include "platform/swf_player_component.h"
#include "swf/format/movie_builder.h"
#include "swf/format/sounds.h"
#include "swf/player.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <optional>

namespace veskor {
namespace {

const QString kImages = QStringLiteral("../shared/testdata/swf-image/");

struct Fixture : ::testing::Test {
    QWidget window;
    std::unique_ptr<PlayerComponent> player = createSwfPlayer(&window);
};

using SwfPlayerComponentTest = Fixture;

TEST_F(SwfPlayerComponentTest, ReportsFrameCountsOfRealMovies)
{
    struct Case {
        const char* file;
        int frames;
    };
    const Case cases[] = {
        {"background-5.swf", 366},          // zlib-compressed
        {"crash-0.6.4-huge-image-8.swf", 27},
        {"clip-change-forward-5.swf", 2},   // uncompressed
        {"replace-movie-shape-6.swf", 3},
        {"blend-mode-15-7.swf", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(player->setMovie(kImages + c.file).ok());
        EXPECT_EQ(player->TotalFrames().valueOr(-1), c.frames);
        EXPECT_EQ(player->FrameNum().valueOr(-1), 0);
        EXPECT_TRUE(player->Playing());
        EXPECT_EQ(player->Movie(), kImages + c.file);
    }
}

TEST_F(SwfPlayerComponentTest, FrameCounterAdvancesAtTheMovieRateWhilePlaying)
{
    // 30 frames a second: after a third of a second about ten frames have passed.
    ASSERT_TRUE(player->setMovie(kImages + "background-5.swf").ok());
    QTest::qWait(340);
    const int frame = player->FrameNum().valueOr(-1);
    EXPECT_GE(frame, 7);
    EXPECT_LE(frame, 12);
}

TEST_F(SwfPlayerComponentTest, StopPlayHoldsTheFrameAndPlayResumes)
{
    ASSERT_TRUE(player->setMovie(kImages + "background-5.swf").ok());
    ASSERT_TRUE(player->setPlaying(false).ok());
    ASSERT_TRUE(player->setFrameNum(100).ok());
    QTest::qWait(120);
    EXPECT_EQ(player->FrameNum().valueOr(-1), 100);
    ASSERT_TRUE(player->Play().ok());
    QTest::qWait(150);
    EXPECT_GT(player->FrameNum().valueOr(-1), 100);
    ASSERT_TRUE(player->StopPlay().ok());
    EXPECT_FALSE(player->Playing());
}

TEST_F(SwfPlayerComponentTest, SeekingClampsPastTheEndAndRefusesNegativeFrames)
{
    ASSERT_TRUE(player->setMovie(kImages + "crash-0.6.4-huge-image-8.swf").ok());
    ASSERT_TRUE(player->StopPlay().ok());
    ASSERT_TRUE(player->setFrameNum(20).ok());
    EXPECT_EQ(player->FrameNum().valueOr(-1), 20);
    ASSERT_TRUE(player->setFrameNum(26 + 10).ok());
    EXPECT_EQ(player->FrameNum().valueOr(-1), 26);
    EXPECT_FALSE(player->setFrameNum(-1).ok());
    EXPECT_EQ(player->FrameNum().valueOr(-1), 26);
    ASSERT_TRUE(player->Back().ok());
    EXPECT_EQ(player->FrameNum().valueOr(-1), 25);
    ASSERT_TRUE(player->Rewind().ok());
    EXPECT_EQ(player->FrameNum().valueOr(-1), 0);
    ASSERT_TRUE(player->Back().ok());
    EXPECT_EQ(player->FrameNum().valueOr(-1), 0);
}

TEST_F(SwfPlayerComponentTest, CallsWithoutAMovieFail)
{
    EXPECT_FALSE(player->Play().ok());
    EXPECT_FALSE(player->StopPlay().ok());
    EXPECT_FALSE(player->Rewind().ok());
    EXPECT_FALSE(player->Back().ok());
    EXPECT_FALSE(player->FrameNum().ok());
    EXPECT_FALSE(player->setFrameNum(0).ok());
    EXPECT_FALSE(player->TotalFrames().ok());
    EXPECT_FALSE(player->setPlaying(true).ok());
    EXPECT_FALSE(player->Playing());
}

TEST_F(SwfPlayerComponentTest, UnreadableFilesFailToLoadAndLeaveThePlayerWithoutAMovie)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile source(kImages + "replace-movie-shape-6.swf");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray movie = source.readAll();
    QByteArray corrupt = movie;
    corrupt[0] = 'X';
    QByteArray compressedCorrupt;
    {
        QFile cws(kImages + "background-5.swf");
        ASSERT_TRUE(cws.open(QIODevice::ReadOnly));
        compressedCorrupt = cws.readAll();
        for (int i = 12; i < compressedCorrupt.size(); i += 7)
            compressedCorrupt[i] = char(compressedCorrupt[i] ^ 0x5A);
    }
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty.swf", QByteArray()},
        {"text.swf", QByteArray("this is a lesson plan, not a movie\n")},
        {"truncated.swf", movie.left(movie.size() / 2)},
        {"header-only.swf", movie.left(10)},
        {"bad-signature.swf", corrupt},
        {"damaged-zlib.swf", compressedCorrupt},
    };
    const auto loadsNot = [&](const QString& path) {
        ASSERT_TRUE(player->setMovie(kImages + "clip-change-forward-5.swf").ok());
        ASSERT_EQ(player->TotalFrames().valueOr(-1), 2);
        EXPECT_FALSE(player->setMovie(path).ok());
        // The movie that was there went when another was asked for, as on the original control.
        EXPECT_FALSE(player->TotalFrames().ok());
        EXPECT_TRUE(player->Movie().isEmpty());
        EXPECT_FALSE(player->Playing());
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        loadsNot(path);
    }
    loadsNot(dir.filePath("missing.swf"));
    loadsNot(dir.path());
}

TEST_F(SwfPlayerComponentTest, ScaleModeAndMenuAreKept)
{
    EXPECT_EQ(player->ScaleMode(), 0);
    ASSERT_TRUE(player->setScaleMode(2).ok());
    EXPECT_EQ(player->ScaleMode(), 2);
    EXPECT_FALSE(player->setScaleMode(7).ok());
    EXPECT_EQ(player->ScaleMode(), 2);
    player->setMenu(true);
    EXPECT_TRUE(player->Menu());
    ASSERT_NE(player->widget(), nullptr);
    EXPECT_EQ(player->widget()->parentWidget(), &window);
}

TEST_F(SwfPlayerComponentTest, TheWidgetPaintsTheMovieInEitherScaleMode)
{
    // A 40x20 stage: red left half, blue right half, on green.
    swf::MovieBuilder b(swf::Twips(800), swf::Twips(400), 12);
    b.setBackground({0, 255, 0});
    const auto red = b.defineRectangle({swf::Twips(0), swf::Twips(400), swf::Twips(0), swf::Twips(400)},
                                       swf::solidFill({255, 0, 0}));
    const auto blue = b.defineRectangle({swf::Twips(400), swf::Twips(800), swf::Twips(0), swf::Twips(400)},
                                        swf::solidFill({0, 0, 255}));
    b.place(1, red).place(2, blue).showFrame();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("两色.swf"));
    ASSERT_TRUE(b.save(fsFromPath(path)).ok());
    ASSERT_TRUE(player->setMovie(path).ok());
    QWidget* view = player->widget();
    view->resize(80, 80);
    auto colour = [](const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; };

    ASSERT_TRUE(player->setScaleMode(0).ok());
    const QImage whole = view->grab().toImage();
    EXPECT_EQ(colour(whole, 40, 5), 0x00FF00u); // margin in the background colour
    EXPECT_EQ(colour(whole, 20, 40), 0xFF0000u);
    EXPECT_EQ(colour(whole, 60, 40), 0x0000FFu);

    ASSERT_TRUE(player->setScaleMode(2).ok());
    const QImage stretched = view->grab().toImage();
    EXPECT_EQ(colour(stretched, 20, 5), 0xFF0000u);
    EXPECT_EQ(colour(stretched, 60, 75), 0x0000FFu);
}

TEST_F(SwfPlayerComponentTest, AMovieAskedForWhileAnotherLoadsIsTheOneShown)
{
    QTemporaryDir dir;
    const QString large = dir.filePath(QStringLiteral("large.swf"));
    const QString small = dir.filePath(QStringLiteral("small.swf"));
    const auto write = [](const QString& path, const swf::Bytes& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly)
               && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
    };
    ASSERT_TRUE(write(large, bitmapMovie(4, 1200)));
    ASSERT_TRUE(write(small, bitmapMovie(1, 8)));
    // The window's loop runs while the large movie loads: a timer there asks for the small one.
    std::optional<Result<void>> second;
    bool emptyMeanwhile = false;
    QTimer::singleShot(0, [&] {
        emptyMeanwhile = player->Movie().isEmpty() && !player->TotalFrames().ok();
        second.emplace(player->setMovie(small));
    });
    const Result<void> first = player->setMovie(large);
    ASSERT_TRUE(second.has_value());
    EXPECT_TRUE(emptyMeanwhile);
    EXPECT_TRUE(second->ok());
    ASSERT_FALSE(first.ok());
    EXPECT_EQ(first.error().message, kMovieSuperseded);
    EXPECT_EQ(player->Movie(), small);
    EXPECT_EQ(player->TotalFrames().valueOr(-1), 1);
    EXPECT_TRUE(player->Playing());
}

TEST(FrameClockTest, FramesFallDueOnAFixedScheduleWithoutDrift)
{
    FrameClock clock;
    clock.start(0, 40);
    EXPECT_EQ(clock.takeDueFrames(39), 0);
    EXPECT_DOUBLE_EQ(clock.msUntilNextFrame(39), 1);
    // A late tick catches up by frames and the next one stays on the original grid.
    EXPECT_EQ(clock.takeDueFrames(95), 2);
    EXPECT_DOUBLE_EQ(clock.msUntilNextFrame(95), 25);
    long long total = 2;
    for (double now = 96; now < 40'000; now += 13)
        total += clock.takeDueFrames(now);
    EXPECT_EQ(total, 40'000 / 40 - 1);
}

TEST(FrameClockTest, FramesPutBackFallDueAgainAtOnce)
{
    FrameClock clock;
    clock.start(0, 40);
    EXPECT_EQ(clock.takeDueFrames(130), 3);
    clock.putBack(2);
    EXPECT_DOUBLE_EQ(clock.msUntilNextFrame(131), 0);
    EXPECT_EQ(clock.takeDueFrames(131), 2);
    EXPECT_DOUBLE_EQ(clock.msUntilNextFrame(131), 29);
}

TEST(FrameClockTest, AStallRestartsTheScheduleInsteadOfRacing)
{
    FrameClock clock;
    clock.start(0, 100);
    EXPECT_EQ(clock.takeDueFrames(5000), 1);
    EXPECT_EQ(clock.takeDueFrames(5050), 0);
    EXPECT_EQ(clock.takeDueFrames(5100), 1);
}

// A movie of 30 frames a second whose every frame holds a block of a steady
// stream sound (or none), played on a fake clock by a window whose drawing
// takes `drawMs` a tick: the frames played by `untilMs` and the sound they made.
struct Paced {
    int frames = 0;
    std::size_t pairs = 0;
    double endMs = 0;
};

Paced playWithSlowDrawing(bool stream, double drawMs, double untilMs)
{
    constexpr int kFrames = 300;
    swf::MovieBuilder b(swf::Twips::fromPixels(40), swf::Twips::fromPixels(40), 30);
    if (stream) {
        const swf::SoundFormat format{std::uint8_t(swf::SoundCodec::PcmLittle), 1, true, false};
        b.add(swf::writeSoundStreamHead({2, format, format, 368, 0}));
        const std::vector<std::uint8_t> block(368 * 2, 0x20);
        for (int f = 0; f < kFrames; ++f)
            b.add(swf::writeSoundStreamBlock(block)).showFrame();
    } else {
        b.showFrame(kFrames);
    }
    auto player = swf::Player::fromBytes(b.bytes());
    EXPECT_TRUE(player.ok());
    Paced paced;
    if (!player.ok())
        return paced;
    FrameClock clock;
    clock.start(0, 1000.0 / 30);
    double now = 0;
    std::vector<std::int16_t> sound(4096 * 2);
    while (now < untilMs) {
        const int played = playDueFrames(clock, **player, [&] { return now; });
        paced.frames += played;
        for (std::size_t got = 1; got > 0;)
            paced.pairs += got = (*player)->mixAudio(sound.data(), 4096);
        // Playing costs nothing here; drawing what was played costs `drawMs`.
        now += played > 0 ? drawMs : std::max(1.0, clock.msUntilNextFrame(now));
    }
    paced.endMs = now;
    return paced;
}

// Drawing that takes longer than several frames: a movie with a stream sound
// plays every frame due and draws the last, in step with its sound; a movie
// without one restarts its schedule after each late tick, as before.
TEST(FrameClockTest, AStreamSoundKeepsTheFramesInStepWhenDrawingIsSlow)
{
    const Paced stream = playWithSlowDrawing(true, 350, 9000);
    const double due = stream.endMs * 30 / 1000;
    EXPECT_NEAR(stream.frames, due, 12);
    EXPECT_NEAR(double(stream.pairs), stream.frames * 1470.0, 1470);

    const Paced silent = playWithSlowDrawing(false, 350, 9000);
    EXPECT_LT(silent.frames, 40);

    // Fast drawing: both keep the movie's rate.
    EXPECT_NEAR(playWithSlowDrawing(true, 5, 9000).frames, 270, 2);
    EXPECT_NEAR(playWithSlowDrawing(false, 5, 9000).frames, 270, 2);
}

TEST(FrameClockTest, AStreamFollowsItsSoundUntilARealStall)
{
    FrameClock clock;
    clock.start(0, 100);
    EXPECT_EQ(clock.takeStreamFrames(1500), 15);
    EXPECT_EQ(clock.takeStreamFrames(1500 + FrameClock::kStreamStallMs + 200), 1);
    EXPECT_EQ(clock.takeStreamFrames(1500 + FrameClock::kStreamStallMs + 250), 0);
}

} // namespace
} // namespace veskor
