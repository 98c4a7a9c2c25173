// Embedded video: a stream's pictures shown by the frame number its placement
// carries, decoded forward and from the start again when the movie goes
// back, scaled to the size the stream declares; damaged pictures keep the last
// good one.

#include "support/assembled.h"
#include "swf/format/bitmaps.h"
#include "swf/format/flv.h"
#include "swf/format/movie_builder.h"
#include "swf/format/video.h"
#include "swf/format/writer.h"
#include "swf/player.h"
#include "swf/runtime/trace_run.h"
#include "swf/video/video_decoder.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>

namespace swf {
namespace {

constexpr int kSide = 32;

// One Screen Video picture of a single colour: a 32x32 image in one 32x32
// block, its pixels BGR and zlib-compressed. An empty block keeps the
// pixels of the picture before.
Bytes screenVideoPicture(std::optional<QRgb> colour)
{
    Bytes out;
    auto u16 = [&out](unsigned v) {
        out.push_back(std::uint8_t(v >> 8));
        out.push_back(std::uint8_t(v));
    };
    u16((1u << 12) | kSide); // block width 32, image width 32
    u16((1u << 12) | kSide);
    if (!colour) {
        u16(0);
        return out;
    }
    Bytes pixels;
    for (int i = 0; i < kSide * kSide; ++i)
        pixels.insert(pixels.end(), {std::uint8_t(qBlue(*colour)), std::uint8_t(qGreen(*colour)), std::uint8_t(qRed(*colour))});
    const Bytes packed = deflateBytes(pixels);
    u16(unsigned(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

PlaceObject placement(std::uint16_t ratio, bool move)
{
    PlaceObject p;
    p.depth = 1;
    p.isMove = move;
    if (!move) {
        p.characterId = 1;
        p.matrix = Matrix::translation(Twips::fromPixels(10), Twips::fromPixels(10));
    }
    p.ratio = ratio;
    return p;
}

TEST(VideoTest, PlacementRatioPicksThePictureAndGoingBackDecodesAgain)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12);
    b.setBackground({255, 255, 255});
    // Declared at twice the coded size: the picture is scaled to 64x64.
    b.define([](std::uint16_t id) {
        DefineVideoStream stream{id, 4, 2 * kSide, 2 * kSide, 0, false, std::uint8_t(VideoCodec::ScreenVideo)};
        return writeDefineVideoStream(stream);
    });
    const Bytes red = screenVideoPicture(qRgb(255, 0, 0));
    const Bytes blue = screenVideoPicture(qRgb(0, 0, 255));
    const Bytes same = screenVideoPicture(std::nullopt);
    const Bytes damaged = {0xFF, 0x13, 0x00};
    b.add(writeVideoFrame(1, 0, red)).add(Tag(placement(0, false))).showFrame();
    b.add(writeVideoFrame(1, 1, blue)).add(Tag(placement(1, true))).showFrame();
    b.add(writeVideoFrame(1, 2, same)).add(Tag(placement(2, true))).showFrame();
    b.add(writeVideoFrame(1, 3, damaged)).add(Tag(placement(3, true))).showFrame();
    b.add(Tag(placement(0, true))).showFrame();

    auto player = Player::fromBytes(writeMovie(b.movie()));
    ASSERT_TRUE(player.ok()) << player.error().message;
    const QRgb expected[] = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(255, 0, 0)};
    for (int frame = 0; frame < 5; ++frame) {
        SCOPED_TRACE(frame);
        if (frame > 0)
            (*player)->advance();
        const QImage image = (*player)->renderImage();
        ASSERT_EQ(image.size(), QSize(100, 100));
        EXPECT_EQ(image.pixel(12, 12), expected[frame]);
        EXPECT_EQ(image.pixel(72, 72), expected[frame]);
        EXPECT_EQ(image.pixel(76, 76), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
    }
}

TEST(VideoTest, AHugeOrEmptyDeclaredSizeDrawsWithinTheStage)
{
    for (std::uint16_t side : {std::uint16_t(0), std::uint16_t(65535)}) {
        SCOPED_TRACE(side);
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12);
        b.setBackground({255, 255, 255});
        b.define([side](std::uint16_t id) {
            return writeDefineVideoStream({id, 1, side, side, 0, true, std::uint8_t(VideoCodec::ScreenVideo)});
        });
        b.add(writeVideoFrame(1, 0, screenVideoPicture(qRgb(0, 255, 0)))).add(Tag(placement(0, false))).showFrame();
        auto player = Player::fromBytes(writeMovie(b.movie()));
        ASSERT_TRUE(player.ok());
        const QImage image = (*player)->renderImage();
        EXPECT_EQ(image.pixel(50, 50), side ? qRgb(0, 255, 0) : qRgb(255, 255, 255));
    }
}

TEST(VideoTest, DecoderSkipsMissingAndUnknownPictures)
{
    const Bytes red = screenVideoPicture(qRgb(255, 0, 0));
    // Frame 0 has no picture: nothing shows until frame 1.
    video::VideoDecoder decoder(std::uint8_t(VideoCodec::ScreenVideo), {{}, red});
    EXPECT_TRUE(decoder.picture(0).isNull());
    EXPECT_EQ(decoder.picture(1).pixel(0, 0), qRgb(255, 0, 0));
    // Past the last picture the last one stays.
    EXPECT_EQ(decoder.picture(7).size(), QSize(kSide, kSide));
    EXPECT_TRUE(decoder.picture(-1).isNull());

    video::VideoDecoder unknown(9, {red});
    EXPECT_FALSE(unknown.supported());
    EXPECT_TRUE(unknown.picture(0).isNull());

    // Damaged H.263 and VP6 data decode to nothing rather than fail.
    const Bytes junk(64, 0x5A);
    for (VideoCodec codec : {VideoCodec::SorensonH263, VideoCodec::Vp6, VideoCodec::Vp6Alpha, VideoCodec::ScreenVideo2}) {
        video::VideoDecoder broken(std::uint8_t(codec), {junk, junk});
        EXPECT_NO_FATAL_FAILURE(broken.picture(1));
    }
}

TEST(VideoTest, ScriptsSeeATimelineVideoAsAVideoObject)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.define([](std::uint16_t id) {
        return writeDefineVideoStream({id, 1, 40, 30, 0, false, std::uint8_t(VideoCodec::ScreenVideo)});
    });
    b.place(1, 1, Matrix::scale(2, 1), {}, "v");
    b.add(DoAction{script::test::assembled(R"(
push "v"
GetVariable
TypeOf
Trace
push "v"
GetVariable
push "Video"
GetVariable
InstanceOf
Trace
push "v"
GetVariable
push "width"
GetMember
push "v"
GetVariable
push "height"
GetMember
Add2
Trace
push "v"
GetVariable
push "_width"
GetMember
Trace
)")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "object\ntrue\n70\n80\n");
}

// A Flash Video file of four Screen Video pictures a tenth of a second
// apart (red, blue, green as a key picture, then the green again), its
// metadata at the start and a cue point beside the green picture.
Bytes squareClip()
{
    auto video = [](std::uint8_t frameType, const Bytes& picture) {
        Bytes tag = {std::uint8_t(frameType << 4 | std::uint8_t(VideoCodec::ScreenVideo))};
        tag.insert(tag.end(), picture.begin(), picture.end());
        return tag;
    };
    flv::AmfValue meta = flv::AmfValue::ofType(flv::AmfValue::Type::EcmaArray);
    meta.members.emplace_back("duration", flv::AmfValue::ofNumber(0.4));
    flv::AmfValue cue = flv::AmfValue::ofType(flv::AmfValue::Type::Object);
    cue.members.emplace_back("name", flv::AmfValue::ofString("green"));
    Bytes file = flv::writeHeader(false, true);
    flv::appendTag(file, 18, 0, flv::writeScriptData("onMetaData", meta));
    flv::appendTag(file, 9, 0, video(1, screenVideoPicture(qRgb(255, 0, 0))));
    flv::appendTag(file, 9, 100, video(2, screenVideoPicture(qRgb(0, 0, 255))));
    flv::appendTag(file, 9, 200, video(1, screenVideoPicture(qRgb(0, 255, 0))));
    flv::appendTag(file, 18, 200, flv::writeScriptData("onCuePoint", cue));
    flv::appendTag(file, 9, 300, video(2, screenVideoPicture(std::nullopt)));
    return file;
}

// nc.connect(null); ns = new NetStream(nc); each status traced with the
// stream's time and the video's width, the metadata with its duration and
// its length (an ECMA array's declared count); v.attachVideo(ns);
// ns.play(file).
std::string playScript(const std::string& file)
{
    return R"(
push "nc", 0, "NetConnection"
NewObject
SetVariable
push null, 1, "nc"
GetVariable
push "connect"
CallMethod
Pop
push "ns", "nc"
GetVariable
push 1, "NetStream"
NewObject
SetVariable
push "ns"
GetVariable
push "onStatus"
function - info
  push "info"
  GetVariable
  push "code"
  GetMember
  push " "
  Add2
  push "ns"
  GetVariable
  push "time"
  GetMember
  Add2
  push " "
  Add2
  push "v"
  GetVariable
  push "width"
  GetMember
  Add2
  Trace
end
SetMember
push "ns"
GetVariable
push "onMetaData"
function - info
  push "meta "
  push "info"
  GetVariable
  push "duration"
  GetMember
  Add2
  push " "
  Add2
  push "info"
  GetVariable
  push "length"
  GetMember
  Add2
  Trace
end
SetMember
push "ns"
GetVariable
push "onCuePoint"
function - info
  push "cue "
  push "info"
  GetVariable
  push "name"
  GetMember
  Add2
  Trace
end
SetMember
push "ns"
GetVariable
push 1, "v"
GetVariable
push "attachVideo"
CallMethod
Pop
push ")" + file + R"(", 1, "ns"
GetVariable
push "play"
CallMethod
Pop
)";
}

// A movie at ten frames a second with a 64x64 video "v" at (10, 10), the
// script above and `afterPlay` on its first frame and `later` on the frames
// after it.
Movie streamMovie(const std::string& file, const std::vector<std::string>& later = {}, const std::string& afterPlay = {})
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 10, 8);
    b.setBackground({255, 255, 255});
    b.define([](std::uint16_t id) {
        return writeDefineVideoStream({id, 0, 2 * kSide, 2 * kSide, 0, false, std::uint8_t(VideoCodec::ScreenVideo)});
    });
    b.place(1, 1, Matrix::translation(Twips::fromPixels(10), Twips::fromPixels(10)), {}, "v");
    b.add(DoAction{script::test::assembled(playScript(file) + afterPlay)}).showFrame();
    for (const std::string& code : later)
        b.add(DoAction{script::test::assembled(code)}).showFrame();
    return b.movie();
}

std::filesystem::path writeClip(const QTemporaryDir& dir)
{
    const std::filesystem::path path = std::filesystem::path(dir.path().toStdString()) / "clip.flv";
    const Bytes clip = squareClip();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(clip.data()), std::streamsize(clip.size()));
    return path;
}

// The stream starts at the end of the frame that called play() (the file
// arrives as loaded files do), fills its buffer at once (or flushes it when
// the file is shorter than bufferTime), calls the handlers its script data
// tags name as their time comes, stops after its last tag and runs empty a
// frame later. The video's width is its picture's once one shows.
TEST(NetStreamTest, PlayingReportsTheStatusesInOrderOnTheMoviesClock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto clip = writeClip(dir);
    const Movie movie = streamMovie("clip.flv");
    const auto moviePath = clip.parent_path() / "movie.swf";
    EXPECT_EQ(runtime::traceMovie(movie, {.frames = 8, .moviePath = moviePath}).output,
              "NetStream.Play.Start 0 0\n"
              "NetStream.Buffer.Full 0 0\n"
              "meta 0.4 1\n"
              "cue green\n"
              "NetStream.Play.Stop 0.3 32\n"
              "NetStream.Buffer.Empty 0.3 32\n");
    // A file that is not there.
    EXPECT_EQ(runtime::traceMovie(streamMovie("none.flv"), {.frames = 3, .moviePath = moviePath}).output,
              "NetStream.Play.StreamNotFound 0 0\n");
    // A file cut inside its third picture plays the two before it; bytes
    // that are no Flash Video play as an empty stream.
    Bytes cut = squareClip();
    cut.resize(cut.size() / 2 + 20);
    const Bytes junk(300, 0xFF);
    for (const auto& [name, bytes] : {std::pair{"cut.flv", cut}, std::pair{"junk.flv", junk}}) {
        std::ofstream(clip.parent_path() / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    EXPECT_EQ(runtime::traceMovie(streamMovie("cut.flv"), {.frames = 4, .moviePath = moviePath}).output,
              "NetStream.Play.Start 0 0\nNetStream.Buffer.Full 0 0\nmeta 0.4 1\n"
              "NetStream.Play.Stop 0.1 32\nNetStream.Buffer.Empty 0.1 32\n");
    EXPECT_EQ(runtime::traceMovie(streamMovie("junk.flv"), {.frames = 4, .moviePath = moviePath}).output,
              "NetStream.Play.Start 0 0\nNetStream.Buffer.Flush 0 0\nNetStream.Play.Stop 0 0\n"
              "NetStream.Buffer.Empty 0 0\n");
}

// seek() goes to the last key picture at or before the time asked for and
// reports it with the next step (once the file is there); a paused stream
// stays where it is and reports nothing of its pausing.
TEST(NetStreamTest, SeekGoesToTheKeyPictureBeforeAndPauseHoldsTheTime)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto clip = writeClip(dir);
    const std::string seek = R"(
push 0.28, 1, "ns"
GetVariable
push "seek"
CallMethod
Pop
push true, 1, "ns"
GetVariable
push "pause"
CallMethod
Trace
)";
    const std::string later = R"(
push "later "
push "ns"
GetVariable
push "time"
GetMember
Add2
Trace
Stop
)";
    const Movie movie = streamMovie("clip.flv", {"", seek, later});
    EXPECT_EQ(runtime::traceMovie(movie, {.frames = 8, .moviePath = clip.parent_path() / "movie.swf"}).output,
              "NetStream.Play.Start 0 0\n"
              "NetStream.Buffer.Full 0 0\n"
              "meta 0.4 1\n"
              "undefined\n"
              "NetStream.Seek.Notify 0.2 32\n"
              "cue green\n"
              "later 0.2\n");
    // A seek before the file arrived is done once it is there.
    const std::string early = "push 0.25, 1, \"ns\"\nGetVariable\npush \"seek\"\nCallMethod\nPop\n";
    EXPECT_EQ(runtime::traceMovie(streamMovie("clip.flv", {}, early),
                                  {.frames = 4, .moviePath = clip.parent_path() / "movie.swf"})
                  .output,
              "NetStream.Play.Start 0.2 0\n"
              "NetStream.Seek.Notify 0.2 0\n"
              "NetStream.Buffer.Full 0.2 0\n"
              "cue green\n"
              "NetStream.Play.Stop 0.3 32\n"
              "NetStream.Buffer.Empty 0.3 32\n");
    // Paused before the file arrived (with a buffer longer than the file):
    // what is at the start shows, and the buffer's report waits for
    // pause(false).
    const std::string hold = "push 1, 1, \"ns\"\nGetVariable\npush \"setBufferTime\"\nCallMethod\nPop\n"
                             "push true, 1, \"ns\"\nGetVariable\npush \"pause\"\nCallMethod\nPop\n";
    const std::string resume = "push false, 1, \"ns\"\nGetVariable\npush \"pause\"\nCallMethod\nPop\nStop\n";
    const std::string showTime = later.substr(0, later.rfind("Stop"));
    EXPECT_EQ(runtime::traceMovie(streamMovie("clip.flv", {"", showTime, resume}, hold),
                                  {.frames = 8, .moviePath = clip.parent_path() / "movie.swf"})
                  .output,
              "NetStream.Play.Start 0 0\n"
              "meta 0.4 1\n"
              "later 0\n"
              "NetStream.Buffer.Flush 0 32\n"
              "cue green\n"
              "NetStream.Play.Stop 0.3 32\n"
              "NetStream.Buffer.Empty 0.3 32\n");
}

// An attached stream's pictures fill the video's own size, from the frame
// the file arrives in; clear() blanks the video until its next picture or
// attachment, attachVideo(null) detaches it.
TEST(NetStreamTest, AnAttachedVideoShowsTheStreamsPicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto clip = writeClip(dir);
    const auto moviePath = clip.parent_path() / "movie.swf";
    auto attach = [](const std::string& stream) {
        return stream + "push 1, \"v\"\nGetVariable\npush \"attachVideo\"\nCallMethod\nPop\n";
    };
    const std::string clear = "push 0, \"v\"\nGetVariable\npush \"clear\"\nCallMethod\nPop\n";
    ASSERT_TRUE(writeMovieFile(streamMovie("clip.flv", {"", "", "", clear, attach("push \"ns\"\nGetVariable\n"),
                                                        attach("push null\n") + "Stop\n"}),
                               moviePath)
                    .ok());
    auto player = Player::fromFile(moviePath);
    ASSERT_TRUE(player.ok()) << player.error().message;
    const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);
    const QRgb expected[] = {red, blue, green, green, white, green, white};
    for (int frame = 0; frame < 7; ++frame) {
        SCOPED_TRACE(frame);
        if (frame > 0)
            (*player)->advance();
        const QImage image = (*player)->renderImage();
        EXPECT_EQ(image.pixel(12, 12), expected[frame]);
        EXPECT_EQ(image.pixel(72, 72), expected[frame]);
        EXPECT_EQ(image.pixel(76, 76), white);
    }
}

// The stream's audio tags sound through the mixer as they come, among the
// sounds of a clip it is attached to (whose Sound object here silences
// them) or on their own; pausing silences them at once.
TEST(NetStreamTest, AudioTagsSoundWithTheClipTheyAreAttachedToAndPauseSilencesThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    // A second of linear PCM, 16-bit mono at 44.1 kHz, a tenth per tag.
    Bytes tone = flv::writeHeader(true, false);
    for (int i = 0; i < 10; ++i) {
        Bytes tag = {0x3E};
        for (int n = 0; n < 4410; ++n)
            tag.insert(tag.end(), {0x40, 0x1F}); // 8000
        flv::appendTag(tone, 8, std::uint32_t(i * 100), tag);
    }
    std::ofstream(folder / "tone.flv", std::ios::binary)
        .write(reinterpret_cast<const char*>(tone.data()), std::streamsize(tone.size()));
    // holder = _root.createEmptyMovieClip("holder", 5); holder.attachAudio(ns);
    // new Sound(holder).setVolume(0); a frame later holder.attachAudio(false).
    const std::string hook = R"(
push 5, "holder", 2, "_root"
GetVariable
push "createEmptyMovieClip"
CallMethod
Pop
push "ns"
GetVariable
push 1, "_root"
GetVariable
push "holder"
GetMember
push "attachAudio"
CallMethod
Pop
push 0, 1, "_root"
GetVariable
push "holder"
GetMember
push 1, "Sound"
NewObject
push "setVolume"
CallMethod
Pop
)";
    const std::string unhook = "push false, 1, \"_root\"\nGetVariable\npush \"holder\"\nGetMember\n"
                               "push \"attachAudio\"\nCallMethod\nPop\n";
    const std::string pause = "push 0, \"ns\"\nGetVariable\npush \"pause\"\nCallMethod\nPop\n";
    ASSERT_TRUE(writeMovieFile(streamMovie("tone.flv", {"", unhook, pause, "Stop\n"}, hook), folder / "movie.swf").ok());
    auto player = Player::fromFile(folder / "movie.swf");
    ASSERT_TRUE(player.ok()) << player.error().message;
    auto loudest = [&] {
        std::vector<std::int16_t> out(4410 * 2);
        const std::size_t got = (*player)->mixAudio(out.data(), 4410);
        int peak = 0;
        for (std::size_t i = 0; i < got * 2; ++i)
            peak = std::max(peak, std::abs(int(out[i])));
        return peak;
    };
    EXPECT_EQ(loudest(), 0);
    (*player)->advance();
    EXPECT_EQ(loudest(), 0);
    (*player)->advance();
    EXPECT_GT(loudest(), 4000);
    (*player)->advance();
    EXPECT_EQ(loudest(), 0);

    // Paused before the file arrived: the sound at the start stays silent too.
    ASSERT_TRUE(writeMovieFile(streamMovie("tone.flv", {"Stop\n"}, pause), folder / "paused.swf").ok());
    player = Player::fromFile(folder / "paused.swf");
    ASSERT_TRUE(player.ok());
    (*player)->advance();
    EXPECT_EQ(loudest(), 0);
    (*player)->advance();
    EXPECT_EQ(loudest(), 0);
}

TEST(VideoTest, StreamTagsRoundTrip)
{
    const DefineVideoStream stream{7, 30, 320, 240, 2, true, std::uint8_t(VideoCodec::Vp6)};
    const Tag tag = writeDefineVideoStream(stream);
    const auto read = readDefineVideoStream(std::get<UnknownTag>(tag));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, stream);
    const Bytes data = {1, 2, 3};
    const Tag frameTag = writeVideoFrame(7, 12, data);
    const auto frame = readVideoFrame(std::get<UnknownTag>(frameTag));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->streamId, 7);
    EXPECT_EQ(frame->frame, 12);
    EXPECT_EQ(Bytes(frame->data.begin(), frame->data.end()), data);
    // A short definition is no definition.
    EXPECT_FALSE(readDefineVideoStream(UnknownTag{60, {1, 0, 2}}));
}

} // namespace
} // namespace swf
