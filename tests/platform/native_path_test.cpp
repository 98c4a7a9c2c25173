#include "platform/native_path.h"

#include <gtest/gtest.h>

using namespace veskor;

TEST(NativePath, RoundTripsEveryByteSequence)
{
    const std::string cases[] = {
        "/home/老师/课件/第2课.swf",
        std::string("/tmp/bad\xff\xfe name.swf"),
        std::string("/tmp/\xc3\x28 half"),        // a lead byte without its continuation
        std::string("/tmp/\xed\xa0\x80 surrogate"), // an encoded surrogate is not UTF-8
        std::string("/tmp/\xf0\x9f\x98\x80 emoji"),
        std::string("/tmp/tail\xe4\xb8"),         // truncated at the end
    };
    for (const auto& bytes : cases)
        EXPECT_EQ(nativeFromPath(pathFromNative(bytes)), bytes) << bytes;
}

TEST(NativePath, ValidUtf8IsPlainText)
{
    EXPECT_EQ(pathFromNative("/课件/a b.swf"), QString::fromUtf8("/课件/a b.swf"));
    EXPECT_EQ(displayText(pathFromNative(std::string("a\xff"))), QString::fromUtf8("a\xef\xbf\xbd"));
}

TEST(NativePath, Gb18030NamesAreShownDecodedPartByPart)
{
    // 第一课 in GB18030; "\xda\xa1" alone would pass for UTF-8, the whole part does not.
    const std::string gb = "\xb5\xda\xd2\xbb\xbf\xce\xda\xa1";
    const QString path = pathFromNative("/课件/" + gb + "/x\xff.swf");
    EXPECT_EQ(displayText(path), QString::fromUtf8("/课件/第一课\xe5\x87\x87/x\xef\xbf\xbd.swf"));
    EXPECT_EQ(nativeFromPath(path), "/课件/" + gb + "/x\xff.swf");
}
