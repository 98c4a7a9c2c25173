// Flash Video files: the tag stream with its timestamps, the first bytes of
// audio and video tags, and the AMF0 values of script data tags; cut or
// damaged data ends the reading where it breaks.

#include "swf/format/flv.h"
#include "support/byte_list.h"

#include <gtest/gtest.h>

namespace swf::flv {
namespace {

using Type = AmfValue::Type;

using swf::test::bytes;

TEST(Flv, TagsKeepTheirTypesTimestampsAndDataAndACutFileKeepsWhatCameBefore)
{
    Bytes file = writeHeader(true, true);
    const Bytes picture = bytes({0x12, 1, 2, 3});
    const Bytes sound = bytes({0x2E, 9});
    appendTag(file, 9, 0, picture);
    appendTag(file, 8, 40, sound);
    // The extended byte holds the timestamp's top eight bits.
    appendTag(file, 9, 0x01000010, picture);

    const auto read = readFile(file);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->hasAudio);
    EXPECT_TRUE(read->hasVideo);
    EXPECT_FALSE(read->truncated);
    ASSERT_EQ(read->tags.size(), 3u);
    EXPECT_EQ(read->tags[1].type, 8);
    EXPECT_EQ(read->tags[1].timestamp, 40u);
    EXPECT_EQ(read->tags[2].timestamp, 0x01000010u);
    EXPECT_EQ(Bytes(read->tags[0].data.begin(), read->tags[0].data.end()), picture);

    const auto video = readVideoPacket(read->tags[0].data);
    ASSERT_TRUE(video);
    EXPECT_TRUE(video->keyFrame());
    EXPECT_EQ(video->codec, 2);
    EXPECT_EQ(video->picture.size(), 3u);
    const auto audio = readAudioPacket(read->tags[1].data);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->format, 2);
    EXPECT_EQ(audio->rateCode, 3);
    EXPECT_TRUE(audio->sixteenBit);
    EXPECT_FALSE(audio->stereo);

    // Cut inside the last tag's data: the two before stay.
    Bytes cut(file.begin(), file.end() - 6);
    const auto partial = readFile(cut);
    ASSERT_TRUE(partial);
    EXPECT_TRUE(partial->truncated);
    EXPECT_EQ(partial->tags.size(), 2u);
    // A tag declaring far more data than there is stops there too.
    Bytes huge = writeHeader(false, true);
    appendTag(huge, 9, 0, picture);
    huge[13 + 1] = 0xFF;
    const auto none = readFile(huge);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->tags.empty());

    EXPECT_FALSE(readFile(bytes({'F', 'L', 'V', 1})));
    EXPECT_FALSE(readFile(bytes({'F', 'W', 'S', 1, 5, 0, 0, 0, 9})));
    // A header size past the end of the data.
    EXPECT_FALSE(readFile(bytes({'F', 'L', 'V', 1, 5, 0x7F, 0, 0, 0})));
}

TEST(Flv, VideoPacketsOfVp6DropTheirCropByteAndVp6AlphaKeepsItsAlphaOffset)
{
    const auto vp6 = readVideoPacket(bytes({0x14, 0x3A, 7, 8}));
    ASSERT_TRUE(vp6);
    EXPECT_EQ(vp6->cropRight, 3);
    EXPECT_EQ(vp6->cropBottom, 10);
    EXPECT_EQ(vp6->picture.size(), 2u);
    const auto alpha = readVideoPacket(bytes({0x25, 0x00, 0, 0, 1, 7, 8}));
    ASSERT_TRUE(alpha);
    EXPECT_FALSE(alpha->keyFrame());
    EXPECT_EQ(alpha->picture.size(), 5u);
    EXPECT_FALSE(readVideoPacket(bytes({0x14})));
    EXPECT_FALSE(readVideoPacket({}));
}

TEST(Flv, ScriptDataReadsEveryAmfTypeAndReferencesReadTheirObjectAgain)
{
    AmfValue info = AmfValue::ofType(Type::EcmaArray);
    info.members.emplace_back("duration", AmfValue::ofNumber(2.5));
    info.members.emplace_back("stereo", AmfValue::ofBoolean(true));
    info.members.emplace_back("encoder", AmfValue::ofString("x"));
    info.members.emplace_back("none", AmfValue::ofType(Type::Null));
    info.members.emplace_back("gone", AmfValue::ofType(Type::Undefined));
    AmfValue times = AmfValue::ofType(Type::StrictArray);
    times.items = {AmfValue::ofNumber(0), AmfValue::ofNumber(1)};
    AmfValue keyframes = AmfValue::ofType(Type::Object);
    keyframes.members.emplace_back("times", times);
    info.members.emplace_back("keyframes", keyframes);
    AmfValue date = AmfValue::ofType(Type::Date);
    date.number = 1e12;
    info.members.emplace_back("created", date);
    info.members.emplace_back("long", AmfValue::ofString(std::string(70000, 'a')));

    const auto read = readScriptData(writeScriptData("onMetaData", info));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->name, "onMetaData");
    ASSERT_EQ(read->values.size(), 1u);
    const AmfValue& v = read->values[0];
    EXPECT_EQ(v.type, Type::EcmaArray);
    ASSERT_EQ(v.members.size(), 8u);
    EXPECT_EQ(v.number, 8);
    EXPECT_EQ(v.member("duration")->number, 2.5);
    EXPECT_TRUE(v.member("stereo")->boolean);
    EXPECT_EQ(v.member("none")->type, Type::Null);
    EXPECT_EQ(v.member("gone")->type, Type::Undefined);
    EXPECT_EQ(v.member("keyframes")->member("times")->items[1].number, 1);
    EXPECT_EQ(v.member("created")->type, Type::Date);
    EXPECT_EQ(v.member("long")->string.size(), 70000u);

    // An object, then a reference to it (index 0) as a second value, and a
    // reference to an object that was never there.
    Bytes data = writeAmf(AmfValue::ofString("onCuePoint"));
    const Bytes object = writeAmf(keyframes);
    data.insert(data.end(), object.begin(), object.end());
    data.insert(data.end(), {7, 0, 0});
    data.insert(data.end(), {7, 0, 9});
    const auto refs = readScriptData(data);
    ASSERT_TRUE(refs);
    ASSERT_EQ(refs->values.size(), 2u) << "the bad reference ends the list";
    EXPECT_EQ(refs->values[1].type, Type::Object);
    EXPECT_EQ(refs->values[1].member("times")->items.size(), 2u);
}

TEST(Flv, DamagedScriptDataStopsWithoutGivingOut)
{
    // Not starting with a name.
    EXPECT_FALSE(readScriptData(bytes({0, 0, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_FALSE(readScriptData({}));
    // A strict array declaring four billion items, a string longer than the
    // data, an unknown marker: each ends the values there.
    for (const Bytes& tail : {bytes({10, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}), bytes({2, 0xFF, 0xFF, 'a'}),
                              bytes({0x42}), bytes({3, 0, 1, 'a', 0})}) {
        Bytes data = writeAmf(AmfValue::ofString("onMetaData"));
        data.insert(data.end(), tail.begin(), tail.end());
        const auto read = readScriptData(data);
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->values.empty());
    }
    // Objects nested past any sensible depth.
    Bytes deep = writeAmf(AmfValue::ofString("onMetaData"));
    for (int i = 0; i < 100000; ++i)
        deep.insert(deep.end(), {3, 0, 1, 'a'});
    EXPECT_TRUE(readScriptData(deep)->values.empty());
    // An object that refers to itself, over and over: its copies end at the
    // depth bound, or where the budget for copies runs out.
    Bytes loop = writeAmf(AmfValue::ofString("onMetaData"));
    loop.insert(loop.end(), {3, 0, 1, 'a', 7, 0, 0, 0, 1, 'b', 7, 0, 0, 0, 0, 9});
    const auto looped = readScriptData(loop);
    ASSERT_EQ(looped->values.size(), 1u);
    int depth = 0;
    for (const AmfValue* v = &looped->values[0]; v->type == Type::Object; v = v->member("a"))
        ++depth;
    EXPECT_LE(depth, amf0::kMaxDepth + 1);
}

} // namespace
} // namespace swf::flv
