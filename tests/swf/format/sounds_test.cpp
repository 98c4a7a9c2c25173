// The sound tags read back as they were written, and cut-short bodies give nothing.

#include "swf/format/sounds.h"

#include <gtest/gtest.h>

namespace swf {
namespace {

const UnknownTag& body(const Tag& tag)
{
    return std::get<UnknownTag>(tag);
}

TEST(SoundsTest, RecordsRoundTripAndShortBodiesAreRefused)
{
    const Bytes data{1, 2, 3, 4, 5};
    const DefineSound sound{7, {std::uint8_t(SoundCodec::Mp3), 2, true, true}, 1152, data};
    const Tag defineTag = writeDefineSound(sound);
    const auto readSound = readDefineSound(body(defineTag));
    ASSERT_TRUE(readSound);
    EXPECT_EQ(readSound->id, 7);
    EXPECT_EQ(readSound->format, sound.format);
    EXPECT_EQ(readSound->sampleCount, 1152u);
    EXPECT_TRUE(std::ranges::equal(readSound->data, data));
    EXPECT_DOUBLE_EQ(readSound->format.rate(), 22050);

    StartSound start{7, {}, {}};
    start.info.noMultiple = true;
    start.info.inPoint = 100;
    start.info.outPoint = 200000;
    start.info.loops = 3;
    start.info.envelope = {{0, 32768, 0}, {44100, 0, 32768}};
    EXPECT_EQ(readStartSound(body(writeStartSound(start))), start);
    StartSound byName{0, "Tune", {}};
    byName.info.stop = true;
    const Tag named = writeStartSound(byName);
    EXPECT_EQ(named.code(), std::uint16_t(TagCode::StartSound2));
    EXPECT_EQ(readStartSound(body(named)), byName);

    const SoundStreamHead head{2, {0, 3, true, true}, {std::uint8_t(SoundCodec::Mp3), 3, true, true}, 1152, -529};
    EXPECT_EQ(readSoundStreamHead(body(writeSoundStreamHead(head))), head);

    ButtonSounds buttons;
    buttons.buttonId = 3;
    buttons.transitions[2] = {7, start.info};
    EXPECT_EQ(readButtonSounds(body(writeButtonSounds(buttons))), buttons);

    // Every prefix of a start with an envelope is refused, not misread.
    Bytes cut = body(writeStartSound(start)).data;
    for (std::size_t n = 0; n < cut.size(); ++n)
        EXPECT_FALSE(readStartSound(UnknownTag{15, Bytes(cut.begin(), cut.begin() + std::ptrdiff_t(n))})) << n;
    EXPECT_FALSE(readDefineSound(UnknownTag{14, {7, 0, 0x22}}));
    // Nellymoser's 8 kHz variant has its rate in the codec.
    EXPECT_DOUBLE_EQ((SoundFormat{std::uint8_t(SoundCodec::Nellymoser8k), 3, true, false}.rate()), 8000);
}

} // namespace
} // namespace swf
