#include "swf/format/actions.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace swf;

TEST(ActionDecoding, PushKeepsEveryOperandType)
{
    std::vector<PushValue> values(10);
    values[0].type = PushValue::Type::String;
    values[0].string = "text";
    values[1].type = PushValue::Type::Float;
    values[1].number = 1.5;
    values[2].type = PushValue::Type::Null;
    values[3].type = PushValue::Type::Undefined;
    values[4].type = PushValue::Type::Register;
    values[4].index = 3;
    values[5].type = PushValue::Type::Boolean;
    values[5].boolean = true;
    values[6].type = PushValue::Type::Double;
    values[6].number = 0.1;
    values[7].type = PushValue::Type::Integer;
    values[7].number = -7;
    values[8].type = PushValue::Type::Constant8;
    values[8].index = 200;
    values[9].type = PushValue::Type::Constant16;
    values[9].index = 4000;
    auto actions = decodeActions(ActionWriter().push(values).bytes(), 7);
    ASSERT_TRUE(actions.ok()) << actions.error().message;
    ASSERT_EQ(actions->size(), 2u);
    EXPECT_EQ((*actions)[0].code, ActionCode::Push);
    EXPECT_EQ((*actions)[0].values, values);
    EXPECT_EQ((*actions)[1].code, ActionCode::End);
}

TEST(ActionDecoding, DoublesUseTheSwappedWordOrder)
{
    // 1.0 is 0x3FF0000000000000: high word first, each word little-endian.
    auto actions = decodeActions({0x96, 0x09, 0x00, 0x06, 0x00, 0x00, 0xF0, 0x3F, 0x00, 0x00, 0x00, 0x00}, 5);
    ASSERT_TRUE(actions.ok());
    EXPECT_EQ((*actions)[0].values.at(0).number, 1.0);
}

TEST(ActionDecoding, JumpsResolveToActionIndexes)
{
    auto bytes = ActionWriter()
                     .label("top")
                     .op(ActionCode::Play)
                     .pushBool(true)
                     .ifTrue("end")
                     .jump("top")
                     .label("end")
                     .op(ActionCode::Stop)
                     .bytes();
    auto actions = decodeActions(bytes, 6);
    ASSERT_TRUE(actions.ok());
    ASSERT_EQ(actions->size(), 6u);
    EXPECT_EQ((*actions)[2].code, ActionCode::If);
    EXPECT_EQ((*actions)[2].target, 4u);
    EXPECT_EQ((*actions)[3].target, 0u);
}

TEST(ActionDecoding, FunctionAndTryBodiesBecomeIndexRanges)
{
    auto bytes = ActionWriter()
                     .beginFunction2("f", 4, FunctionFlag::PreloadThis | FunctionFlag::SuppressSuper, {{1, "a"}, {0, "b"}})
                     .op(ActionCode::Play)
                     .op(ActionCode::Stop)
                     .endFunction()
                     .beginTry("e")
                     .op(ActionCode::Play)
                     .beginCatch()
                     .op(ActionCode::Stop)
                     .op(ActionCode::Stop)
                     .beginFinally()
                     .op(ActionCode::NextFrame)
                     .endTry()
                     .bytes();
    auto actions = decodeActions(bytes, 7);
    ASSERT_TRUE(actions.ok()) << actions.error().message;
    const FunctionInfo& f = (*actions)[0].function;
    EXPECT_TRUE(f.isFunction2);
    EXPECT_EQ(f.name, "f");
    EXPECT_EQ(f.registerCount, 4);
    EXPECT_EQ(f.flags, FunctionFlag::PreloadThis | FunctionFlag::SuppressSuper);
    EXPECT_EQ(f.params, (std::vector<FunctionParam>{{1, "a"}, {0, "b"}}));
    EXPECT_EQ(f.bodyBegin, 1u);
    EXPECT_EQ(f.bodyEnd, 3u);
    const TryInfo& t = (*actions)[3].tryBlock;
    EXPECT_TRUE(t.hasCatch);
    EXPECT_TRUE(t.hasFinally);
    EXPECT_EQ(t.catchName, "e");
    EXPECT_EQ(t.tryBegin, 4u);
    EXPECT_EQ(t.tryEnd, 5u);
    EXPECT_EQ(t.catchEnd, 7u);
    EXPECT_EQ(t.finallyEnd, 8u);
}

TEST(ActionDecoding, MalformedRecordsAreErrorsNotCrashes)
{
    const std::vector<std::vector<std::uint8_t>> broken = {
        {0x96, 0x05, 0x00, 0x00, 'a'},             // length past the end
        {0x96, 0x02, 0x00, 0x00, 'a'},             // string without terminator
        {0x96, 0x02, 0x00, 0x06, 0x00},            // double cut short
        {0x88, 0x03, 0x00, 0x05, 0x00, 0x00},      // constant pool promises more strings
        {0x8E, 0x02, 0x00, 'f', 0x00},             // function header cut short
        {0x99, 0x01},                              // header cut off
    };
    for (const auto& bytes : broken)
        EXPECT_FALSE(decodeActions(bytes, 7).ok()) << bytes.size();
}

TEST(ActionDecoding, OutOfRangeTargetsEndTheBlock)
{
    // Jump +0x7FFF, a With and a function whose sizes run past the end.
    auto jump = decodeActions({0x99, 0x02, 0x00, 0xFF, 0x7F, 0x07}, 7);
    ASSERT_TRUE(jump.ok());
    EXPECT_EQ((*jump)[0].target, jump->size());
    auto with = decodeActions({0x94, 0x02, 0x00, 0x40, 0x00, 0x07}, 7);
    ASSERT_TRUE(with.ok());
    EXPECT_EQ((*with)[0].target, with->size());
    // A jump into the middle of a record does not land anywhere.
    auto middle = decodeActions({0x99, 0x02, 0x00, 0x01, 0x00, 0x96, 0x02, 0x00, 0x05, 0x01}, 7);
    ASSERT_TRUE(middle.ok());
    EXPECT_EQ((*middle)[0].target, middle->size());
}

TEST(ActionDecoding, PushStopsAtAValueOfUnknownTypeWithUndefined)
{
    // 0x42 is no value type: it reads as undefined and the bytes after it,
    // though they would read as values, are skipped. An empty push pushes
    // nothing, and the actions after both still run.
    auto actions = decodeActions({0x96, 0x04, 0x00, 0x42, 0x03, 0x05, 0x01, 0x96, 0x00, 0x00, 0x26, 0x00}, 7);
    ASSERT_TRUE(actions.ok());
    ASSERT_EQ(actions->size(), 4u);
    ASSERT_EQ((*actions)[0].values.size(), 1u);
    EXPECT_EQ((*actions)[0].values[0].type, PushValue::Type::Undefined);
    EXPECT_TRUE((*actions)[1].values.empty());
    EXPECT_EQ((*actions)[2].code, ActionCode::Trace);
}

TEST(ActionDecoding, UnknownActionsAreSkippedByTheirLength)
{
    auto actions = decodeActions({0xF0, 0x02, 0x00, 0xAA, 0xBB, 0x06, 0x00}, 7);
    ASSERT_TRUE(actions.ok());
    ASSERT_EQ(actions->size(), 3u);
    EXPECT_EQ((*actions)[1].code, ActionCode::Play);
}

TEST(ActionDecoding, ActionsAfterTheEndAreThereForJumps)
{
    // Jump +1 (over the End) to a Trace that follows it.
    auto past = decodeActions({0x99, 0x02, 0x00, 0x01, 0x00, 0x00, 0x26}, 7);
    ASSERT_TRUE(past.ok());
    ASSERT_EQ(past->size(), 3u);
    EXPECT_EQ((*past)[0].target, 2u);
    EXPECT_EQ((*past)[2].code, ActionCode::Trace);
    // What does not read as actions after the End is left out.
    auto padded = decodeActions({0x07, 0x00, 0x96, 0x05, 0x00}, 7);
    ASSERT_TRUE(padded.ok());
    EXPECT_EQ(padded->size(), 2u);
}
