// Embedded video: a stream's pictures shown by the frame number its placement
// carries, decoded forward and from the start again when the movie goes
// back, scaled to the size the stream declares; damaged pictures keep the last
// good one.

#include "support/assembled.h"
#include "swf/format/bitmaps.h"
#include "swf/format/movie_builder.h"
#include "swf/format/video.h"
#include "swf/format/writer.h"
#include "swf/player.h"
#include "swf/runtime/trace_run.h"
#include "swf/video/video_decoder.h"

#include <QImage>
#include <gtest/gtest.h>

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
