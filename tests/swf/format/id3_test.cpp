// The text frames and comments of an MP3 file's ID3 tag, in their encodings;
// a tag cut short gives the frames before the cut.

#include "swf/format/id3.h"

#include <gtest/gtest.h>

namespace swf {
namespace {

std::vector<std::uint8_t> frame(const char* id, std::vector<std::uint8_t> body)
{
    std::vector<std::uint8_t> out(id, id + 4);
    const auto size = std::uint32_t(body.size());
    out.insert(out.end(), {std::uint8_t(size >> 24), std::uint8_t(size >> 16), std::uint8_t(size >> 8),
                           std::uint8_t(size), 0, 0});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(Id3Test, TextFramesAndCommentsReadInTheirEncodings)
{
    std::vector<std::uint8_t> frames;
    for (const auto& f : {frame("TIT2", {0, 'T', 0xE9}),                                 // Latin-1
                          frame("TPE1", {1, 0xFF, 0xFE, 'A', 0, 0x2C, 0x4E, 0, 0}),      // UTF-16, its mark
                          frame("COMM", {0, 'e', 'n', 'g', 'd', 0, 'h', 'i'}),           // language, description
                          frame("WOAR", {'h', 't', 't', 'p'}),                            // no text frame
                          frame("TYER", {3, '2', '0', '0', '1'})}) {                     // UTF-8
        frames.insert(frames.end(), f.begin(), f.end());
    }
    const auto size = std::uint32_t(frames.size());
    std::vector<std::uint8_t> file{'I', 'D', '3', 3, 0, 0, std::uint8_t(size >> 21 & 0x7F), std::uint8_t(size >> 14 & 0x7F),
                                   std::uint8_t(size >> 7 & 0x7F), std::uint8_t(size & 0x7F)};
    file.insert(file.end(), frames.begin(), frames.end());
    file.insert(file.end(), {0xFF, 0xFB, 0x90, 0x00});

    const auto tags = readId3(file);
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_EQ(tags[0].id, "TIT2");
    EXPECT_EQ(tags[0].text, "T\xC3\xA9");
    EXPECT_EQ(tags[1].text, "A\xE4\xB8\xAC");
    EXPECT_EQ(tags[2].id, "COMM");
    EXPECT_EQ(tags[2].text, "hi");
    EXPECT_EQ(tags[3].text, "2001");

    // Cut inside the third frame: the first two remain. No tag: nothing.
    file.resize(10 + 13 + 19 + 5);
    EXPECT_EQ(readId3(file).size(), 2u);
    EXPECT_TRUE(readId3(std::vector<std::uint8_t>{0xFF, 0xFB, 0x90, 0x00}).empty());
}

} // namespace
} // namespace swf
