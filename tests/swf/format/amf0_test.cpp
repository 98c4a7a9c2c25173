// AMF0 as written: the markers of each kind, an ECMA array's declared
// length, references, the remote call envelope and the shared object file;
// and what reading makes of references that lead back into their object.

#include "swf/format/amf0.h"
#include "support/byte_list.h"

#include <gtest/gtest.h>

namespace swf::amf0 {
namespace {

using Type = AmfValue::Type;

using swf::test::bytes;

AmfValue withMember(Type type, const char* name, AmfValue value)
{
    AmfValue v = AmfValue::ofType(type);
    v.members.emplace_back(name, std::move(value));
    return v;
}

TEST(Amf0, EachKindIsWrittenWithItsMarker)
{
    AmfValue typed = withMember(Type::TypedObject, "a", AmfValue::ofBoolean(true));
    typed.string = "C";
    EXPECT_EQ(write(typed), bytes({16, 0, 1, 'C', 0, 1, 'a', 1, 1, 0, 0, 9}));
    AmfValue xml = AmfValue::ofType(Type::Xml);
    xml.string = "<a/>";
    EXPECT_EQ(write(xml), bytes({15, 0, 0, 0, 4, '<', 'a', '/', '>'}));
    AmfValue date = AmfValue::ofType(Type::Date);
    date.number = 1;
    EXPECT_EQ(write(date), bytes({11, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0}));
    AmfValue reference = AmfValue::ofType(Type::Reference);
    reference.number = 258;
    EXPECT_EQ(write(reference), bytes({7, 1, 2}));
    // An ECMA array declares its length, which need not count its members.
    AmfValue ecma = withMember(Type::EcmaArray, "x", AmfValue::ofType(Type::Null));
    ecma.declaredLength = 7;
    EXPECT_EQ(write(ecma), bytes({8, 0, 0, 0, 7, 0, 1, 'x', 5, 0, 0, 9}));
    // Strings past 65535 bytes are long strings.
    EXPECT_EQ(write(AmfValue::ofString(std::string(65535, 'a')))[0], 2);
    const Bytes longString = write(AmfValue::ofString(std::string(65536, 'a')));
    EXPECT_EQ(Bytes(longString.begin(), longString.begin() + 5), bytes({12, 0, 1, 0, 0}));
}

TEST(Amf0, ReadingGivesBackWhatWasWritten)
{
    AmfValue typed = withMember(Type::TypedObject, "n", AmfValue::ofNumber(2));
    typed.string = "com.C";
    AmfValue xml = AmfValue::ofType(Type::Xml);
    xml.string = "<a/>";
    AmfValue list = AmfValue::ofType(Type::StrictArray);
    list.items = {typed, xml, AmfValue::ofType(Type::Reference)};
    list.items[2].number = 1; // the typed object
    const auto back = readValues(write(list));
    ASSERT_EQ(back.size(), 1u);
    ASSERT_EQ(back[0].items.size(), 3u);
    EXPECT_EQ(back[0].items[0].type, Type::TypedObject);
    EXPECT_EQ(back[0].items[0].string, "com.C");
    EXPECT_EQ(back[0].items[1].type, Type::Xml);
    EXPECT_EQ(back[0].items[1].string, "<a/>");
    EXPECT_EQ(back[0].items[2].member("n")->number, 2);
}

TEST(Amf0, AReferenceInsideItsOwnObjectMayNameObjectsThatFollow)
{
    // {self: <ref 0>, later: <ref 1>}, then object 1 after it: read again
    // inside itself, the first object names the second, not yet read.
    AmfValue self = AmfValue::ofType(Type::Reference);
    AmfValue later = AmfValue::ofType(Type::Reference);
    later.number = 1;
    AmfValue first = withMember(Type::Object, "self", self);
    first.members.emplace_back("later", later);
    Bytes data = write(first);
    append(data, withMember(Type::Object, "k", AmfValue::ofNumber(5)));
    const auto back = readValues(data);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].member("later")->member("k")->number, 5);
    EXPECT_EQ(back[0].member("self")->member("later")->member("k")->number, 5);
    // A reference to nothing ends the reading.
    EXPECT_TRUE(readValues(bytes({7, 0, 3})).empty());
}

TEST(Amf0, ARemoteCallAndASharedObjectFileFrameTheirValues)
{
    AmfValue arguments = AmfValue::ofType(Type::StrictArray);
    arguments.items = {AmfValue::ofType(Type::Null)};
    EXPECT_EQ(writeRemoteCall("m", "/3", arguments),
              bytes({0, 0, 0, 0, 0, 1, 0, 1, 'm', 0, 2, '/', '3', 0, 0, 0, 6, 10, 0, 0, 0, 1, 5}));
    EXPECT_EQ(writeSharedObjectFile("so", {{"k", AmfValue::ofBoolean(false)}}),
              bytes({0, 0xBF, 0, 0, 0, 24, 'T', 'C', 'S', 'O', 0, 4, 0, 0, 0, 0, 0, 2, 's', 'o', 0, 0, 0, 0, 0, 1, 'k', 1, 0, 0}));
}

} // namespace
} // namespace swf::amf0
