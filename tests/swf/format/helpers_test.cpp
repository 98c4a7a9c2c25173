// Text decoding, bitmap unpacking and the builders the other layers test with.

#include "swf/format/bitmaps.h"
#include "swf/format/movie_builder.h"
#include "swf/format/reader.h"
#include "swf/format/record_readers.h"
#include "swf/format/writer.h"
#include "swf/format/strings.h"

#include <gtest/gtest.h>

using namespace swf;

TEST(Strings, DecodeUtf8ThenGb18030ThenLatin1)
{
    struct Case {
        std::string bytes;
        QString text;
    } cases[] = {
        {"plain", "plain"},
        {"\xe8\xaf\xbe\xe4\xbb\xb6", QString::fromUtf8("课件")},   // UTF-8
        {"\xd6\xd0\xce\xc4", QString::fromUtf8("中文")},           // GB18030 (GBK range)
        {"caf\xe9", QString::fromUtf8("café")},                      // neither: Latin-1
        {"\xed\xa0\x80", QString::fromLatin1("\xed\xa0\x80")},      // an encoded surrogate is not UTF-8
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeString(c.bytes), c.text) << c.bytes;
}

TEST(Strings, UnitsOfBrokenUtf8AreThePlayers)
{
    using Units = std::vector<std::uint32_t>;
    // Valid forms decode as usual; a two- or three-byte lead takes the bytes after
    // it whatever they are; a stray continuation byte is itself; a cut-off
    // sequence at the end is dropped.
    EXPECT_EQ(stringUnits("\xC3\x84\xE7\x89\x87", 6), (Units{0xC4, 0x7247}));
    EXPECT_EQ(stringUnits("\xC4\xD6\xDC\x20-", 6), (Units{0x156, 0x6A0, '-'}));
    EXPECT_EQ(stringUnits("\x95\xD0\x89", 6), (Units{0x95, 0x409}));
    EXPECT_EQ(stringUnits("a\xDF", 6), (Units{'a'}));
    EXPECT_EQ(stringUnits("\xC0\x20", 6), (Units{0xFFA0}));
    // No UTF-8 form starts with 0xF8 or above: the string ends there.
    EXPECT_EQ(stringUnits("ab\xFF" "cd", 6), (Units{'a', 'b'}));
    EXPECT_EQ(stringLength("\xFF\xFF", 6), 0u);
}

TEST(Strings, FromVersion6ACharacterPastU10000IsTwoUnits)
{
    using Units = std::vector<std::uint32_t>;
    const std::string smiley = "\xF0\x9F\x98\x8B"; // U+1F60B
    EXPECT_EQ(stringLength(smiley, 6), 2u);
    EXPECT_EQ(stringLength("a" + smiley + "b", 6), 4u);
    EXPECT_EQ(stringLength(smiley, 5), 4u);
    const Units units = stringUnits(smiley, 6);
    EXPECT_EQ(units, (Units{0xD83D, 0xDE0B}));
    // A whole pair joins back to the four-byte character; a half keeps the
    // three-byte form of its surrogate.
    EXPECT_EQ(joinUnits(units, 0, 2, 6), smiley);
    EXPECT_EQ(joinUnits(units, 0, 1, 6), "\xED\xA0\xBD");
    // Two halves stored apart read as the same two units.
    EXPECT_EQ(stringUnits("\xED\xA0\xBD\xED\xB8\x8B", 6), units);
    // Printed, a pair is its character; a lone half is itself up to SWF 8
    // and U+FFFD from SWF 9.
    EXPECT_EQ(displayUtf8("\xED\xA0\xBD\xED\xB8\x8B", 8), smiley);
    EXPECT_EQ(displayUtf8("x\xED\xA0\xBD", 8), "x\xED\xA0\xBD");
    EXPECT_EQ(displayUtf8("x\xED\xA0\xBD", 9), "x\xEF\xBF\xBD");
    EXPECT_EQ(displayUtf8("x\xFFy", 9), "x");
}

TEST(Bitmaps, LosslessSizesIncludeTablesAndRowPadding)
{
    EXPECT_EQ(losslessDataSize({1, 1, 3, 5, 2, 4, {}}), 4u * 3 + 8u * 2);  // RGB table, rows padded to 8
    EXPECT_EQ(losslessDataSize({2, 1, 3, 4, 1, 2, {}}), 2u * 4 + 4u);      // RGBA table
    EXPECT_EQ(losslessDataSize({1, 1, 4, 3, 2, 0, {}}), 8u * 2);           // 15-bit pixels, 6 bytes padded to 8
    EXPECT_EQ(losslessDataSize({2, 1, 5, 3, 2, 0, {}}), 24u);
    EXPECT_EQ(losslessDataSize({2, 1, 9, 3, 2, 0, {}}), 0u);
}

TEST(Bitmaps, InflateChecksSizeBothWays)
{
    const Bytes pixels(3 * 2 * 4, 0x7F);
    DefineBitsLossless b{2, 1, 5, 3, 2, 0, deflateBytes(pixels)};
    auto ok = inflateLossless(b);
    ASSERT_TRUE(ok.ok()) << ok.error().message;
    EXPECT_EQ(*ok, pixels);

    DefineBitsLossless tooShort = b;
    tooShort.height = 3;
    EXPECT_FALSE(inflateLossless(tooShort).ok());
    DefineBitsLossless tooMuch = b;
    tooMuch.height = 1;
    EXPECT_FALSE(inflateLossless(tooMuch).ok());
    DefineBitsLossless garbage = b;
    garbage.zlibData = {1, 2, 3, 4};
    EXPECT_FALSE(inflateLossless(garbage).ok());
    DefineBitsLossless huge = b;
    huge.width = huge.height = 65535; // past the pixel limit, never allocated
    EXPECT_FALSE(inflateLossless(huge).ok());

    DefineBitsJpeg jpeg{3, 1, {0xFF, 0xD8}, deflateBytes(Bytes(6, 0x80)), 0};
    EXPECT_TRUE(inflateAlpha(jpeg, 3, 2).ok());
    EXPECT_FALSE(inflateAlpha(jpeg, 4, 2).ok());
}

TEST(Bitmaps, ImageKindsBySignature)
{
    EXPECT_EQ(detectImageFormat(Bytes{0xFF, 0xD8, 0xFF, 0xE0}), ImageFormat::Jpeg);
    EXPECT_EQ(detectImageFormat(Bytes{0xFF, 0xD9, 0xFF, 0xD8}), ImageFormat::Jpeg); // stray end+start markers
    EXPECT_EQ(detectImageFormat(Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), ImageFormat::Png);
    EXPECT_EQ(detectImageFormat(Bytes{'G', 'I', 'F', '8', '9', 'a'}), ImageFormat::Gif);
    EXPECT_EQ(detectImageFormat(Bytes{'B', 'M'}), ImageFormat::Unknown);
}

TEST(MovieBuilder, WritesTheTimelineItDescribes)
{
    MovieBuilder b(Twips::fromPixels(550), Twips::fromPixels(400), 24);
    b.setBackground({10, 20, 30, 255});
    const Rect box{Twips(0), Twips(2000), Twips(0), Twips(1000)};
    const auto rect = b.defineRectangle(box, linearGradientFill(box, {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}}),
                                        solidLine(Twips(40), {0, 0, 0, 255}));
    const auto ball = b.defineEllipse(box, radialGradientFill(box, {{0, {255, 255, 255, 255}}, {255, {0, 0, 0, 255}}}));
    Timeline spin;
    spin.place(1, ball).showFrame().move(1, Matrix::scale(0.5, 0.5)).showFrame();
    const auto sprite = b.defineSprite(spin);
    b.place(1, rect).place(2, sprite, Matrix::translation(Twips(100), Twips(100))).showFrame();
    b.move(2, Matrix::translation(Twips(200), Twips(100))).showFrame();
    b.remove(1).showFrame();

    auto movie = readMovie(std::span<const std::uint8_t>(b.bytes(Compression::Zlib)));
    ASSERT_TRUE(movie.ok());
    EXPECT_EQ(movie->header.frameCount, 3);
    EXPECT_DOUBLE_EQ(movie->header.frameRate(), 24.0);
    EXPECT_EQ(movie->header.frameSize.xMax, Twips(11000));
    EXPECT_EQ(std::get<SetBackgroundColor>(movie->tags[0]).color, (Rgba{10, 20, 30, 255}));
    const auto& rectShape = std::get<DefineShape>(movie->tags[1]);
    EXPECT_EQ(rectShape.id, rect);
    EXPECT_GE(rectShape.bounds.xMax, Twips(2020)); // widened by half the line
    const auto& ballShape = std::get<DefineShape>(movie->tags[2]);
    EXPECT_EQ(ballShape.shape.records.size(), 1u + 8u); // a move and eight curves
    const auto& s = std::get<DefineSprite>(movie->tags[3]);
    EXPECT_EQ(s.id, sprite);
    EXPECT_EQ(s.frameCount, 2);
    EXPECT_EQ(rect, 1);
    EXPECT_EQ(ball, 2);
    EXPECT_EQ(sprite, 3);
}

TEST(ShapeBuilder, EllipseClosesOnItsStart)
{
    ShapeBuilder s;
    s.ellipse({Twips(-1000), Twips(1000), Twips(-500), Twips(500)});
    std::int64_t x = 0, y = 0;
    for (const ShapeRecord& r : s.shape().records) {
        if (const auto* m = std::get_if<StyleChangeRecord>(&r); m && m->moveTo) {
            x = m->moveTo->x.get();
            y = m->moveTo->y.get();
        } else if (const auto* c = std::get_if<CurvedEdgeRecord>(&r)) {
            x += c->controlDeltaX.get() + c->anchorDeltaX.get();
            y += c->controlDeltaY.get() + c->anchorDeltaY.get();
        }
    }
    EXPECT_NEAR(double(x), 1000, 2);
    EXPECT_NEAR(double(y), 0, 2);
    const Rect b = s.edgeBounds();
    EXPECT_LE(b.xMin, Twips(-1000));
    EXPECT_GE(b.yMax, Twips(500));
}

TEST(Limits, DecodingStopsAtTheMemoryBudget)
{
    // Two-byte edges decode to records fifty times their size: the budget,
    // not the file size, bounds what a shape may take.
    ShapeBuilder s;
    s.setStyles(s.addLine(solidLine(Twips(20), {0, 0, 0, 255})), 0).moveTo(Twips(0), Twips(0));
    for (int i = 0; i < 2000; ++i)
        s.lineTo(Twips(i % 2 ? 0 : 1), Twips(0));
    DefineShape d;
    d.id = 1;
    d.shape = s.shape();
    const Bytes tag = writeTag(d, 10);
    const auto body = std::span<const std::uint8_t>(tag).subspan(6);

    std::size_t small = 64 * 1024;
    ByteReader limited(body, &small);
    read::defineShape(limited, 1);
    EXPECT_TRUE(limited.failed());

    std::size_t enough = 1024 * 1024;
    ByteReader generous(body, &enough);
    const DefineShape back = read::defineShape(generous, 1);
    EXPECT_FALSE(generous.failed());
    EXPECT_EQ(back.shape.records.size(), d.shape.records.size());
    EXPECT_LT(enough, 1024u * 1024 - 2000 * sizeof(ShapeRecord));
}

TEST(Fonts, DeviceFontWithoutCodeTableOffsetKeepsItsName)
{
    // DefineFont2 id 5, no flags, language 0, name "SimSun", no glyphs, nothing after.
    const Bytes body{5, 0, 0x00, 0, 6, 'S', 'i', 'm', 'S', 'u', 'n', 0, 0};
    ByteReader r(body);
    const DefineFont f = read::defineFont(r, 2);
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(f.id, 5);
    EXPECT_EQ(f.name, "SimSun");
    EXPECT_TRUE(f.glyphs.empty());
}
