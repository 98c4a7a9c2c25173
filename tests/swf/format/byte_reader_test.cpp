// The bit and byte readers at the edges where readers usually go wrong: sign
// extension, fields crossing bytes, reads past the end, and tag headers.

#include "swf/format/byte_reader.h"
#include "swf/format/byte_writer.h"
#include "swf/format/tag_stream.h"

#include <gtest/gtest.h>

using namespace swf;

TEST(ByteReader, BitFieldsCrossBytesAndSignExtend)
{
    // 101 | 11111 110 | 0000 0001 ...: ub(3)=5, sb(8)=-2 (0xFE), ub(5)=0, sb(4)=1 after the 8 bits.
    const Bytes data{0b10111111, 0b11000000, 0b00001000};
    ByteReader r(data);
    EXPECT_EQ(r.ub(3), 5u);
    EXPECT_EQ(r.sb(8), -2);
    EXPECT_EQ(r.ub(5), 0u);
    EXPECT_EQ(r.sb(4), 0);
    EXPECT_EQ(r.sb(4), -8); // 1000
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(r.ub(1), 0u);
    EXPECT_TRUE(r.failed()); // past the end
}

TEST(ByteReader, WidthsAtTheLimits)
{
    const Bytes ones(8, 0xFF);
    struct Case {
        unsigned bits;
        std::int64_t unsignedValue;
        std::int32_t signedValue;
    } cases[] = {
        {0, 0, 0}, {1, 1, -1}, {2, 3, -1}, {17, 0x1FFFF, -1}, {31, 0x7FFFFFFF, -1}, {32, 0xFFFFFFFF, -1},
    };
    for (const Case& c : cases) {
        ByteReader u(ones), s(ones);
        EXPECT_EQ(u.ub(c.bits), std::uint32_t(c.unsignedValue)) << c.bits;
        EXPECT_EQ(s.sb(c.bits), c.signedValue) << c.bits;
    }
    ByteReader tooWide(ones);
    tooWide.ub(33);
    EXPECT_TRUE(tooWide.failed());
}

TEST(ByteReader, ByteReadsDropAPartialByteAndFailPastTheEnd)
{
    const Bytes data{0x80, 0x34, 0x12, 'a', 'b', 0, 'c'};
    ByteReader r(data);
    EXPECT_TRUE(r.flag());
    EXPECT_EQ(r.u16(), 0x1234); // aligned: the rest of the first byte is skipped
    EXPECT_EQ(r.string(), "ab");
    EXPECT_EQ(r.string(), ""); // no terminating zero: a failure, not a read past the end
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_EQ(r.remaining(), 0u);

    ByteReader big(data);
    EXPECT_TRUE(big.take(1000).empty());
    EXPECT_TRUE(big.failed());
}

TEST(ByteReader, EncodedU32UsesAtMostFiveBytes)
{
    const Bytes data{0xE5, 0x8E, 0x26, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x01};
    ByteReader r(data);
    EXPECT_EQ(r.encodedU32(), 624485u);
    EXPECT_EQ(r.encodedU32(), 0xFFFFFFFFu);
    EXPECT_EQ(r.u8(), 0x01);
}

TEST(ByteWriter, RecordsReadBackIncludingExtremes)
{
    Matrix big;
    big.scaleX = -16383.5; // the widest 16.16 value a matrix holds
    big.scaleY = 1.0 / 65536;
    big.rotateSkew0 = 0;
    big.rotateSkew1 = 0.5;
    big.translateX = Twips(-(1 << 30));
    big.translateY = Twips((1 << 30) - 1);
    ColorTransform ct;
    ct.rMult = -1;
    ct.gMult = 0;
    ct.bMult = 63.99609375;
    ct.aMult = 1;
    ct.rAdd = -255;
    ct.aAdd = 255;
    const Rect rect{Twips(-1), Twips(0), Twips(-1000000), Twips(1000000)};

    ByteWriter w;
    w.ub(3, 5); // leave the writer mid-byte: records start aligned
    w.matrix(big);
    w.matrix(Matrix());
    w.colorTransform(ct, true);
    w.colorTransform(ColorTransform(), false);
    w.rect(rect);
    w.rect(Rect{});
    Matrix tooBig;
    tooBig.scaleX = 1e9; // clamped, not wrapped round to a negative scale
    w.matrix(tooBig);
    const Bytes bytes = w.take();

    ByteReader r(bytes);
    EXPECT_EQ(r.ub(3), 5u);
    EXPECT_EQ(r.matrix(), big);
    EXPECT_EQ(r.matrix(), Matrix());
    EXPECT_EQ(r.colorTransform(true), ct);
    EXPECT_EQ(r.colorTransform(false), ColorTransform());
    EXPECT_EQ(r.rect(), rect);
    EXPECT_EQ(r.rect(), Rect{});
    EXPECT_GT(r.matrix().scaleX, 16000.0);
    EXPECT_FALSE(r.failed());
    EXPECT_TRUE(r.atEnd());
}

TEST(TagStream, ShortAndLongHeadersAndCutTags)
{
    ByteWriter w;
    w.u16((1 << 6) | 0); // ShowFrame
    w.u16((9 << 6) | 3); // SetBackgroundColor, short form
    w.bytes(Bytes{1, 2, 3});
    w.u16((12 << 6) | 0x3F); // DoAction, long form even though short
    w.u32(2);
    w.bytes(Bytes{7, 0});
    w.u16((2 << 6) | 0x3F); // a tag claiming more than is there
    w.u32(100);
    w.bytes(Bytes{1, 2, 3});
    const Bytes data = w.take();

    TagStream s(data);
    auto a = s.next();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->code, 1);
    EXPECT_TRUE(a->body.empty());
    auto b = s.next();
    ASSERT_TRUE(b);
    EXPECT_EQ(b->code, 9);
    EXPECT_EQ(b->body.size(), 3u);
    auto c = s.next();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->code, 12);
    EXPECT_EQ(c->body.size(), 2u);
    EXPECT_EQ(c->offset, 7u);
    EXPECT_FALSE(s.next());
    EXPECT_TRUE(s.truncated());
    EXPECT_FALSE(s.next()); // stays at the end

    const Bytes oneByte{0x40};
    TagStream half(oneByte);
    EXPECT_FALSE(half.next());
    EXPECT_TRUE(half.truncated());
}
