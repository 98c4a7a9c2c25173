// The command-line tools as a user runs them: without a display, on a movie with
// a text field, with Math.random repeating unless --seed picks another sequence.

#include "swf/format/actions.h"
#include "swf/format/movie_builder.h"
#include "swf/format/sounds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace swf {
namespace {

QString binDir()
{
    const char* dir = std::getenv("VESKOR_BIN_DIR");
    return QString::fromLocal8Bit(dir ? dir : "build/bin");
}

struct ToolRun {
    int exitCode = -1;
    QString out;
};

// Runs a tool as on a machine without any display.
ToolRun runTool(const char* tool, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QDir(binDir()).filePath(QString::fromLatin1(tool)), args);
    if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

// A text field on the stage whose text the script sets and whose width it
// traces (laying the text out needs fonts), then four random numbers.
veskor::Result<void> saveTextFieldMovie(const QString& path)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(100), 12, 8);
    const auto text = b.define([](std::uint16_t id) {
        DefineEditText edit;
        edit.id = id;
        edit.bounds = Rect{Twips(0), Twips::fromPixels(180), Twips(0), Twips::fromPixels(40)};
        edit.height = Twips::fromPixels(16);
        edit.color = Rgba{0, 0, 0, 255};
        return Tag(edit);
    });
    b.place(1, text, {}, {}, std::string("field"));
    ActionWriter script;
    script.pushString("field").op(ActionCode::GetVariable).pushString("text").pushString("Hello, class");
    script.op(ActionCode::SetMember);
    script.pushString("field").op(ActionCode::GetVariable).pushString("textWidth").op(ActionCode::GetMember);
    script.op(ActionCode::Trace);
    for (int i = 0; i < 4; ++i)
        script.pushInt(1'000'000).op(ActionCode::RandomNumber).op(ActionCode::Trace);
    b.add(DoAction{script.bytes()});
    b.showFrame();
    return b.save(path.toStdString());
}

TEST(CommandLineTools, RunAMovieWithATextFieldWithoutADisplayAndDrawFromTheirSeed)
{
    const QString bin = binDir();
    if (!QFileInfo::exists(bin + "/veskor-trace") || !QFileInfo::exists(bin + "/veskor-render"))
        GTEST_SKIP() << "the tools have not been built in " << bin.toStdString();
    QTemporaryDir dir;
    const QString movie = dir.filePath(QStringLiteral("field.swf"));
    ASSERT_TRUE(saveTextFieldMovie(movie).ok());

    const ToolRun fixed = runTool("veskor-trace", {movie, "--frames", "0"});
    ASSERT_EQ(fixed.exitCode, 0);
    const QStringList lines = fixed.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_GT(lines[0].toDouble(), 0); // the text was laid out with a real font
    EXPECT_EQ(runTool("veskor-trace", {movie, "--frames", "0"}).out, fixed.out);
    const ToolRun seeded = runTool("veskor-trace", {movie, "--frames", "0", "--seed", "7"});
    EXPECT_EQ(seeded.out.section('\n', 0, 0), lines[0]);
    EXPECT_NE(seeded.out, fixed.out);
    EXPECT_EQ(runTool("veskor-trace", {movie, "--seed", "4294967296"}).exitCode, 2);

    const QString picture = dir.filePath(QStringLiteral("field.png"));
    ASSERT_EQ(runTool("veskor-render", {movie, "-o", picture, "--seed", "7"}).exitCode, 0);
    EXPECT_EQ(QImage(picture).size(), QSize(200, 100));

    // Timing ends with one line of figures, a picture optional.
    const ToolRun timed = runTool("veskor-render", {movie, "--size", "320x200", "--advance", "3", "--timing"});
    ASSERT_EQ(timed.exitCode, 0);
    EXPECT_TRUE(QRegularExpression("timing: frames=3 median_ms=[0-9.]+ p95_ms=[0-9.]+ max_ms=[0-9.]+ interval_ms=83.333\\n$")
                    .match(timed.out)
                    .hasMatch())
        << timed.out.toStdString();
}

// A click of 0.05 s at full level in frame 3 of a movie at 10 frames a
// second: the export of frame 1 and nine more lasts exactly one second, 16-bit
// stereo at 44.1 kHz, with the click where frame 3 starts.
TEST(CommandLineTools, RenderExportsTheSoundOfTheFramesPlayed)
{
    const QString bin = binDir();
    if (!QFileInfo::exists(bin + "/veskor-render"))
        GTEST_SKIP() << "veskor-render has not been built in " << bin.toStdString();
    QTemporaryDir dir;
    MovieBuilder b(Twips::fromPixels(20), Twips::fromPixels(20), 10, 8);
    Bytes pcm;
    for (int i = 0; i < 2205; ++i) {
        const std::int16_t v = i % 2 ? 20000 : -20000;
        pcm.push_back(std::uint8_t(v & 0xFF));
        pcm.push_back(std::uint8_t(std::uint16_t(v) >> 8));
    }
    const auto click = b.define([&](std::uint16_t id) {
        return writeDefineSound(DefineSound{id, {std::uint8_t(SoundCodec::PcmLittle), 3, true, false}, 2205, pcm});
    });
    b.showFrame(2);
    b.add(writeStartSound(StartSound{click, {}, {}}));
    b.showFrame(20);
    const QString movie = dir.filePath("click.swf");
    ASSERT_TRUE(b.save(movie.toStdString()).ok());
    const QString wav = dir.filePath("click.wav");
    ASSERT_EQ(runTool("veskor-render", {movie, "--audio", wav, "--frame", "1", "--advance", "9"}).exitCode, 0);
    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 44 + 44100 * 4);
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ");
    auto sample = [&](int pair, int channel) {
        const int at = 44 + pair * 4 + channel * 2;
        return std::int16_t(std::uint8_t(bytes[at]) | (std::uint8_t(bytes[at + 1]) << 8));
    };
    int first = -1, last = -1;
    for (int i = 0; i < 44100; ++i) {
        if (sample(i, 0) != 0) {
            first = first < 0 ? i : first;
            last = i;
        }
        ASSERT_EQ(sample(i, 0), sample(i, 1));
    }
    EXPECT_EQ(first, 2 * 4410);
    EXPECT_EQ(last, 2 * 4410 + 2204);
    EXPECT_EQ(sample(first, 0), -20000);
}

} // namespace
} // namespace swf
