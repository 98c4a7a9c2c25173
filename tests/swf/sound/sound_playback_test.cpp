// Movies the writer makes with tones of known frequency: what the player
// mixes has each tone at its frame, at its pitch, for its length, its loops
// and its envelope, in every codec; streams play in step with their frames.

#include "support/assembled.h"
#include "support/button.h"
#include "swf/format/actions.h"
#include "swf/format/movie_builder.h"
#include "swf/player.h"
#include "swf/runtime/trace_run.h"
#include "swf/sound/decoder.h"
#include "swf/sound/support/tones.h"

#include <cmath>
#include <gtest/gtest.h>

namespace swf {
namespace {

using test::analyse;

constexpr double kRate = 10; // frames a second: 4410 output pairs a frame
constexpr std::size_t kPerFrame = 4410;

// The first frame and `more` after it, mixed as the program pulls them.
std::vector<std::int16_t> play(const MovieBuilder& b, int more)
{
    auto player = Player::fromBytes(b.bytes());
    EXPECT_TRUE(player.ok());
    if (!player.ok())
        return {};
    std::vector<std::int16_t> out((std::size_t(more) + 1) * kPerFrame * 2);
    for (int f = 0; f <= more; ++f) {
        if (f > 0)
            (*player)->advance();
        (*player)->mixAudio(out.data() + std::size_t(f) * kPerFrame * 2, kPerFrame);
    }
    return out;
}

std::uint16_t defineTone(MovieBuilder& b, const SoundFormat& format, double frequency, std::size_t frames,
                         Bytes& keep)
{
    keep = test::encodeSound(format, test::sineTone(frequency, format.rate(), frames, format.channels()));
    return b.define([&](std::uint16_t id) {
        return writeDefineSound(DefineSound{id, format, std::uint32_t(frames), keep});
    });
}

TEST(SoundPlaybackTest, TonesOfEveryCodecPlayAtTheirFrameWithTheirPitchAndLength)
{
    struct Case {
        const char* name;
        SoundFormat format;
        std::size_t frames; // samples a channel: the length
        std::size_t slack;  // output pairs a codec's delay may shift the tone by
    };
    using C = SoundCodec;
    const Case cases[] = {
        {"pcm 16-bit mono 5.5 kHz", {std::uint8_t(C::PcmLittle), 0, true, false}, 2756, 0},
        {"pcm 8-bit stereo 22 kHz", {std::uint8_t(C::PcmNative), 2, false, true}, 11025, 0},
        {"pcm 16-bit stereo 44 kHz", {std::uint8_t(C::PcmLittle), 3, true, true}, 22050, 0},
        {"adpcm mono 11 kHz", {std::uint8_t(C::Adpcm), 1, true, false}, 4096, 0},
        {"adpcm stereo 22 kHz", {std::uint8_t(C::Adpcm), 2, true, true}, 4096, 0},
        {"nellymoser 16 kHz", {std::uint8_t(C::Nellymoser16k), 0, true, false}, 8192, 600},
        {"nellymoser 22 kHz", {std::uint8_t(C::Nellymoser), 2, true, false}, 11264, 600},
        {"mp3 stereo 44 kHz", {std::uint8_t(C::Mp3), 3, true, true}, 22050, 1200},
        {"mp3 mono 11 kHz", {std::uint8_t(C::Mp3), 1, true, false}, 5512, 1200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), kRate);
        Bytes data;
        const std::uint16_t id = defineTone(b, c.format, 440, c.frames, data);
        ASSERT_FALSE(data.empty());
        b.showFrame(2);
        b.add(writeStartSound(StartSound{id, {}, {}}));
        b.showFrame(10);
        const auto out = play(b, 11);
        const auto left = analyse(out, 0);
        const double seconds = double(c.frames) / c.format.rate();
        // Starts with the third frame, lasts its samples, at its pitch.
        EXPECT_NEAR(double(left.start), 2.0 * kPerFrame, double(c.slack) + 20);
        EXPECT_NEAR(double(left.end - left.start), seconds * 44100, double(c.slack) + 40);
        EXPECT_NEAR(left.frequency, 440, 4.4);
        if (c.format.stereo && c.format.codec != std::uint8_t(C::Mp3)) {
            // The right channel holds its own samples: half the left's level.
            const auto right = analyse(out, 1);
            EXPECT_NEAR(right.rms / left.rms, 0.5, 0.05);
        } else if (!c.format.stereo) {
            EXPECT_NEAR(analyse(out, 1).rms / left.rms, 1.0, 0.01);
        }
    }
}

TEST(SoundPlaybackTest, SoundInfoSetsLoopsPointsEnvelopeAndRepeats)
{
    const SoundFormat format{std::uint8_t(SoundCodec::PcmLittle), 3, true, false};
    struct Case {
        const char* name;
        SoundInfo info;
        double seconds; // how long it sounds
    };
    SoundInfo loops;
    loops.loops = 3;
    SoundInfo cut;
    cut.inPoint = 4410;
    cut.outPoint = 8820;
    cut.loops = 2;
    const Case cases[] = {{"three loops", loops, 0.6}, {"in and out points, twice", cut, 0.2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), kRate);
        Bytes data;
        const std::uint16_t id = defineTone(b, format, 1000, 8820, data);
        b.add(writeStartSound(StartSound{id, {}, c.info}));
        b.showFrame(10);
        const auto a = analyse(play(b, 9), 0);
        EXPECT_LE(a.start, 3u); // a sine starts at 0
        EXPECT_NEAR(double(a.end), c.seconds * 44100, 30);
        EXPECT_NEAR(a.frequency, 1000, 10);
    }

    // An envelope that fades the left channel out and the right in.
    MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), kRate);
    Bytes data;
    const std::uint16_t id = defineTone(b, format, 1000, 8820, data);
    SoundInfo fade;
    fade.envelope = {{0, 32768, 0}, {8820, 0, 32768}};
    b.add(writeStartSound(StartSound{id, {}, fade}));
    b.showFrame(3);
    const auto out = play(b, 2);
    EXPECT_GT(analyse(out, 0, 0, 1000, 0).rms, 8 * analyse(out, 1, 0, 1000, 0).rms);
    EXPECT_GT(analyse(out, 1, 7800, 8800, 0).rms, 8 * analyse(out, 0, 7800, 8800, 0).rms);

    // No-multiple does not start a second instance over the first; stop ends it.
    MovieBuilder m(Twips::fromPixels(40), Twips::fromPixels(40), kRate);
    const std::uint16_t tone = defineTone(m, format, 1000, 44100, data);
    SoundInfo once;
    once.noMultiple = true;
    SoundInfo stop;
    stop.stop = true;
    m.add(writeStartSound(StartSound{tone, {}, {}})).showFrame();
    m.add(writeStartSound(StartSound{tone, {}, once})).showFrame();
    m.add(writeStartSound(StartSound{tone, {}, stop})).showFrame(5);
    const auto mixed = play(m, 6);
    const auto first = analyse(mixed, 0, 0, kPerFrame);
    const auto second = analyse(mixed, 0, kPerFrame, 2 * kPerFrame);
    EXPECT_NEAR(second.rms / first.rms, 1.0, 0.02);
    EXPECT_EQ(analyse(mixed, 0).end, 2 * kPerFrame);
}

// A stream of 10 seconds in blocks, one a frame, in the movie and in a sprite:
// 10 seconds of tone in step with the frames, without gaps at the blocks.
TEST(SoundPlaybackTest, StreamsPlayInStepWithTheirFrames)
{
    const SoundFormat format{std::uint8_t(SoundCodec::PcmLittle), 1, true, false};
    // 11025 Hz at 10 frames a second: blocks of 1102 and 1103 samples in turn.
    const auto tone = test::sineTone(500, 11025, 110250, 1);
    auto blockStart = [](std::size_t f) { return std::ptrdiff_t(f * 11025 / 10); };
    std::vector<Bytes> blocks;
    for (std::size_t f = 0; f < 100; ++f)
        blocks.push_back(test::encodeSound(
            format, std::vector<std::int16_t>(tone.begin() + blockStart(f), tone.begin() + blockStart(f + 1))));
    const SoundStreamHead head{2, format, format, 1102, 0};
    for (const bool inSprite : {false, true}) {
        SCOPED_TRACE(inSprite ? "sprite" : "movie");
        MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), kRate);
        Timeline stream;
        Timeline& t = inSprite ? stream : b;
        t.add(writeSoundStreamHead(head));
        for (const Bytes& block : blocks)
            t.add(writeSoundStreamBlock(block)).showFrame();
        if (inSprite) {
            b.place(1, b.defineSprite(stream));
            b.showFrame(100);
        }
        const auto out = play(b, 99);
        const auto whole = analyse(out, 0);
        EXPECT_LE(whole.start, 8u);
        EXPECT_NEAR(double(whole.end), 100 * kPerFrame, 60);
        EXPECT_NEAR(whole.frequency, 500, 1);
        // Every frame sounds: the blocks follow each other without a gap.
        for (std::size_t f = 0; f + 1 < 100; ++f)
            ASSERT_GT(analyse(out, 0, f * kPerFrame, (f + 1) * kPerFrame).rms, 8000) << "frame " << f;
    }
}

// An MP3 stream, its frames in the blocks of the movie's frames as they fall
// due, the encoder's delay in the first block's seek samples: a steady tone
// from the first frame on, without gaps where blocks meet.
TEST(SoundPlaybackTest, Mp3StreamsPlayOnAcrossTheirBlocks)
{
    const auto tone = test::sineTone(500, 22050, 22050 * 3, 1);
    int delay = 0;
    const auto frames = test::encodeMp3Frames(22050, 1, tone, delay);
    ASSERT_FALSE(frames.empty());
    const SoundFormat format{std::uint8_t(SoundCodec::Mp3), 2, true, false};
    MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), kRate);
    b.add(writeSoundStreamHead({2, format, format, 2205, 0}));
    std::size_t next = 0;
    for (std::size_t f = 0; f < 25; ++f) {
        // The frames whose samples start before the frame's end (after the delay).
        const std::int16_t seek = std::int16_t(f == 0 ? delay : 0);
        Bytes block{0x9D, 0x08, std::uint8_t(seek & 0xFF), std::uint8_t(std::uint16_t(seek) >> 8)};
        for (; next < frames.size() && next * 576 < (f + 1) * 2205 + std::size_t(delay); ++next)
            block.insert(block.end(), frames[next].begin(), frames[next].end());
        b.add(writeSoundStreamBlock(block)).showFrame();
    }
    const auto out = play(b, 24);
    EXPECT_LE(analyse(out, 0).start, 30u);
    EXPECT_NEAR(analyse(out, 0).frequency, 500, 2);
    for (std::size_t f = 0; f < 24; ++f)
        ASSERT_GT(analyse(out, 0, f * kPerFrame, (f + 1) * kPerFrame, 0).rms, 8000) << "frame " << f;
}

// A button sounds on its transitions: the pointer coming over it plays the
// up-to-over sound in the frame the move falls in, pressing it the
// over-to-down sound.
TEST(SoundPlaybackTest, ButtonsSoundOnTheirTransitions)
{
    const SoundFormat format{std::uint8_t(SoundCodec::PcmLittle), 3, true, false};
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), kRate, 8);
    Bytes overData, downData;
    const std::uint16_t over = defineTone(b, format, 500, 2205, overData);
    const std::uint16_t down = defineTone(b, format, 2000, 2205, downData);
    const auto square = b.defineRectangle(Rect{Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(100)},
                                          solidFill({0, 0, 255, 255}));
    const auto button = test::defineButton(b, square);
    ButtonSounds sounds;
    sounds.buttonId = button;
    sounds.transitions[1].soundId = over;
    sounds.transitions[2].soundId = down;
    b.add(writeButtonSounds(sounds));
    b.place(1, button);
    b.showFrame(10);
    auto player = Player::fromBytes(b.bytes());
    ASSERT_TRUE(player.ok());
    Player& p = **player;
    std::vector<std::int16_t> out(6 * kPerFrame * 2);
    p.mixAudio(out.data(), kPerFrame);
    p.mouseMove(QPointF(50, 50), QRectF(0, 0, 100, 100), ScaleMode::ShowAll);
    p.advance();
    p.mixAudio(out.data() + kPerFrame * 2, kPerFrame);
    p.advance();
    p.mixAudio(out.data() + 2 * kPerFrame * 2, kPerFrame);
    p.mousePress();
    for (int f = 3; f < 6; ++f) {
        p.advance();
        p.mixAudio(out.data() + std::size_t(f) * kPerFrame * 2, kPerFrame);
    }
    EXPECT_EQ(analyse(out, 0, 0, kPerFrame).end, 0u); // silent until the pointer comes
    const auto overTone = analyse(out, 0, kPerFrame, 2 * kPerFrame);
    EXPECT_NEAR(overTone.frequency, 500, 5);
    EXPECT_NEAR(double(overTone.end - overTone.start), 2205, 20);
    const auto downTone = analyse(out, 0, 3 * kPerFrame, 4 * kPerFrame);
    EXPECT_NEAR(downTone.frequency, 2000, 20);
}

// A library sound started by a script's Sound object: its volume and pan
// scale the channels as set.
TEST(SoundPlaybackTest, TheSoundObjectsVolumeAndPanScaleTheChannels)
{
    const SoundFormat format{std::uint8_t(SoundCodec::PcmLittle), 3, true, false};
    struct Case {
        const char* call;
        double value;
        double left, right; // levels against the sound's own
    };
    const Case cases[] = {{"setVolume", 50, 0.5, 0.5}, {"setPan", -100, 1, 0}, {"setPan", 60, 0.4, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.value));
        MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), kRate, 8);
        Bytes data;
        const std::uint16_t id = defineTone(b, format, 1000, 22050, data);
        // ExportAssets: the sound under the linkage name "tone".
        Bytes names{1, 0, std::uint8_t(id), std::uint8_t(id >> 8), 't', 'o', 'n', 'e', 0};
        b.add(Tag(UnknownTag{56, names}));
        ActionWriter script;
        script.pushString("s").pushInt(0).pushString("Sound").op(ActionCode::NewObject).op(ActionCode::SetVariable);
        auto call = [&](const char* method, auto pushArgument) {
            pushArgument();
            script.pushInt(1).pushString("s").op(ActionCode::GetVariable).pushString(method);
            script.op(ActionCode::CallMethod).op(ActionCode::Pop);
        };
        call("attachSound", [&] { script.pushString("tone"); });
        call(c.call, [&] { script.pushNumber(c.value); });
        call("start", [&] { script.pushInt(0); });
        b.add(DoAction{script.bytes()});
        b.showFrame(5);
        const auto out = play(b, 4);
        const double full = 16000 / std::sqrt(2.0);
        EXPECT_NEAR(analyse(out, 0, 0, SIZE_MAX, 0).rms / full, c.left, 0.01);
        EXPECT_NEAR(analyse(out, 1, 0, SIZE_MAX, 0).rms / full, c.right, 0.01);
    }
}

// A Sound whose sound played to its end stays at its end: in onSoundComplete
// and after, its position is its duration, whole milliseconds.
TEST(SoundPlaybackTest, AFinishedSoundsPositionIsItsDuration)
{
    const SoundFormat format{std::uint8_t(SoundCodec::PcmLittle), 3, true, false};
    MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(40), kRate, 8);
    Bytes data;
    const std::uint16_t id = defineTone(b, format, 1000, 4454, data); // 101 ms
    Bytes names{1, 0, std::uint8_t(id), std::uint8_t(id >> 8), 't', 'o', 'n', 'e', 0};
    b.add(Tag(UnknownTag{56, names}));
    b.add(DoAction{script::test::assembled(R"(
        function done
            push "s"
            GetVariable
            push "position"
            GetMember
            push "s"
            GetVariable
            push "duration"
            GetMember
            Add2
            Trace
        end
        push "s", 0, "Sound"
        NewObject
        SetVariable
        push "s"
        GetVariable
        push "onSoundComplete", "done"
        GetVariable
        SetMember
        push "tone", 1, "s"
        GetVariable
        push "attachSound"
        CallMethod
        Pop
        push 0, "s"
        GetVariable
        push "start"
        CallMethod
        Pop
    )")});
    b.showFrame(5);
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 4}).output, "202\n");
}

// Damaged sound data decodes as far as it goes and never more than a
// sound may hold: cut short, declared in another codec, absurd counts.
TEST(SoundPlaybackTest, DamagedSoundDataNeverCrashes)
{
    const auto tone = test::sineTone(440, 22050, 4096, 2);
    for (const std::uint8_t codec : {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 15}) {
        for (const bool stereo : {false, true}) {
            SCOPED_TRACE(int(codec));
            SoundFormat format{codec, 2, true, stereo};
            Bytes data = test::encodeSound({std::uint8_t(SoundCodec::Adpcm), 2, true, true}, tone);
            for (const std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(3), data.size() / 2, data.size()}) {
                const Bytes part(data.begin(), data.begin() + std::ptrdiff_t(cut));
                for (const std::uint32_t count : {0u, 1u, 4096u, 0xFFFFFFFFu}) {
                    const sound::Pcm pcm = sound::decodeSound(DefineSound{1, format, count, part});
                    EXPECT_LE(pcm.frames(), count ? count : 44100u * 600);
                    sound::StreamDecoder stream(format);
                    std::vector<std::int16_t> out;
                    stream.decodeBlock(part, true, out);
                    stream.decodeBlock(part, false, out);
                }
            }
        }
    }
}

} // namespace
} // namespace swf
