// Bitmap tags decoded: the three lossless formats with their row padding,
// JPEG completed by shared tables, the stray marker pair, alpha planes, PNG
// inside a JPEG tag, and data that does not decode.

#include "swf/format/bitmaps.h"
#include "swf/format/reader.h"
#include "swf/render/bitmap_library.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace swf::render {
namespace {

DefineBitsLossless lossless(int version, int format, int width, int height, const Bytes& data, int colors = 0)
{
    DefineBitsLossless bits;
    bits.version = std::uint8_t(version);
    bits.format = std::uint8_t(format);
    bits.width = std::uint16_t(width);
    bits.height = std::uint16_t(height);
    bits.colorTableSize = std::uint16_t(colors);
    bits.zlibData = deflateBytes(data);
    return bits;
}

TEST(RenderBitmapTest, LosslessFormatsDecodeWithRowPadding)
{
    // 3x2 pixels everywhere: rows of 3 one-byte indices pad to 4 bytes, rows
    // of 3 two-byte pixels pad to 8.
    struct Case {
        const char* name;
        DefineBitsLossless bits;
        QRgb topLeft;
        QRgb bottomRight;
    };
    const Case cases[] = {
        {"colour-mapped RGB",
         lossless(1, 3, 3, 2, {255, 0, 0, 0, 0, 255, /* rows */ 0, 1, 0, 9, 1, 1, 1, 9}, 2),
         qRgb(255, 0, 0), qRgb(0, 0, 255)},
        {"colour-mapped RGBA, premultiplied",
         lossless(2, 3, 3, 2, {128, 0, 0, 128, 0, 0, 255, 255, 0, 0, 0, 9, 1, 1, 1, 9}, 2),
         qRgba(128, 0, 0, 128), qRgb(0, 0, 255)},
        {"15-bit",
         lossless(1, 4, 3, 2, {0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 9, 9, 0x00, 0x1F, 0x03, 0xE0, 0x7C, 0x00, 9, 9}),
         qRgb(255, 0, 0), qRgb(255, 0, 0)},
        {"32-bit RGB",
         lossless(1, 5, 3, 2, {255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9}),
         qRgb(255, 0, 0), qRgb(7, 8, 9)},
        {"32-bit ARGB, premultiplied",
         lossless(2, 5, 3, 2, {64, 64, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 1, 2, 3, 255, 4, 5, 6, 0, 0, 0, 0}),
         qRgba(64, 0, 0, 64), qRgba(0, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = decodeLossless(c.bits);
        ASSERT_EQ(image.size(), QSize(3, 2));
        EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(image.pixel(0, 0), c.topLeft);
        EXPECT_EQ(image.pixel(2, 1), c.bottomRight);
    }
}

TEST(RenderBitmapTest, LosslessDataThatIsShortOrBrokenDoesNotCrash)
{
    // Short data shows what there is on a small bitmap; a large one needs all its data.
    EXPECT_EQ(decodeLossless(lossless(2, 5, 100, 100, {1, 2, 3})).size(), QSize(100, 100));
    EXPECT_TRUE(decodeLossless(lossless(2, 5, 2048, 2048, {1, 2, 3})).isNull());
    EXPECT_EQ(decodeLossless(lossless(2, 5, 2048, 2048, Bytes(2048 * 2048 * 4, 0xFF))).size(), QSize(2048, 2048));
    DefineBitsLossless broken = lossless(1, 3, 4, 4, {});
    broken.zlibData = {1, 2, 3, 4};
    EXPECT_TRUE(decodeLossless(broken).isNull());
    EXPECT_TRUE(decodeLossless(lossless(1, 7, 4, 4, {0})).isNull());
    EXPECT_TRUE(decodeLossless(lossless(1, 5, 0, 4, {0})).isNull());
    EXPECT_TRUE(decodeLossless(lossless(2, 5, 65535, 65535, {0})).isNull());
}

Bytes encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return Bytes(bytes.begin(), bytes.end());
}

QImage solidImage(QColor color)
{
    QImage image(16, 8, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// Splits a JPEG into the tables a movie shares (quantisation and Huffman
// tables, between SOI and EOI) and the rest (between its own SOI and EOI).
std::pair<Bytes, Bytes> splitTables(const Bytes& jpeg)
{
    Bytes tables = {0xFF, 0xD8};
    Bytes image = {0xFF, 0xD8};
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        const std::uint8_t marker = jpeg[pos + 1];
        const std::size_t length = (std::size_t(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        Bytes& to = (marker == 0xDB || marker == 0xC4) ? tables : image;
        if (marker == 0xDA) {
            image.insert(image.end(), jpeg.begin() + std::ptrdiff_t(pos), jpeg.end());
            break;
        }
        to.insert(to.end(), jpeg.begin() + std::ptrdiff_t(pos), jpeg.begin() + std::ptrdiff_t(pos + 2 + length));
        pos += 2 + length;
    }
    tables.push_back(0xFF);
    tables.push_back(0xD9);
    return {tables, image};
}

void expectColour(const QImage& image, QColor color)
{
    ASSERT_FALSE(image.isNull());
    const QRgb pixel = image.pixel(8, 4);
    EXPECT_NEAR(qRed(pixel), color.red(), 8);
    EXPECT_NEAR(qGreen(pixel), color.green(), 8);
    EXPECT_NEAR(qBlue(pixel), color.blue(), 8);
}

TEST(RenderBitmapTest, JpegWithSharedTablesDecodes)
{
    const auto [tables, image] = splitTables(encode(solidImage(QColor(200, 40, 90)), "jpeg"));
    DefineBits bits;
    bits.id = 1;
    bits.jpegData = image;
    expectColour(decodeJpegBits(bits, tables), QColor(200, 40, 90));

    BitmapLibrary library;
    library.setJpegTables({tables});
    library.add(bits);
    EXPECT_EQ(library.image(1).size(), QSize(16, 8));
}

TEST(RenderBitmapTest, JpegWithTheStrayMarkerPairInFrontDecodes)
{
    Bytes data = {0xFF, 0xD9, 0xFF, 0xD8};
    const Bytes jpeg = encode(solidImage(QColor(30, 160, 220)), "jpeg");
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    DefineBitsJpeg bits;
    bits.version = 2;
    bits.imageData = data;
    expectColour(decodeBitsJpeg(bits), QColor(30, 160, 220));
    // Tables and image in one stream, with the end and start markers between.
    const auto [tables, image] = splitTables(jpeg);
    bits.imageData = tables;
    bits.imageData.insert(bits.imageData.end(), image.begin(), image.end());
    expectColour(decodeBitsJpeg(bits), QColor(30, 160, 220));
}

TEST(RenderBitmapTest, JpegAlphaPlaneMakesPremultipliedPixels)
{
    DefineBitsJpeg bits;
    bits.version = 3;
    bits.imageData = encode(solidImage(QColor(100, 100, 100)), "jpeg");
    Bytes alpha(16 * 8, 255);
    alpha[0] = 0;
    alpha[8 + 4 * 16] = 128;
    bits.alphaData = deflateBytes(alpha);
    const QImage image = decodeBitsJpeg(bits);
    ASSERT_EQ(image.size(), QSize(16, 8));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(8, 4)), 128);
    // The colour channels are taken as premultiplied: 100 under alpha 128.
    EXPECT_NEAR(qRed(image.pixel(8, 4)), 100, 6);
    EXPECT_EQ(qAlpha(image.pixel(15, 7)), 255);
}

TEST(RenderBitmapTest, AlphaPlaneOfARealMovieIsPremultiplied)
{
    // A red-to-blue ramp whose alpha falls to the right, over a blue stage.
    auto movie = readMovie(std::filesystem::path("../shared/testdata/swf-image/image-jpeg-alpha.swf"));
    ASSERT_TRUE(movie.ok()) << movie.error().message;
    const DefineBitsJpeg* bits = nullptr;
    for (const Tag& tag : movie->tags) {
        if (const auto* found = std::get_if<DefineBitsJpeg>(&tag))
            bits = found;
    }
    ASSERT_NE(bits, nullptr);
    const QImage image = decodeBitsJpeg(*bits);
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(image.pixel(0, 5)), 255);
    EXPECT_EQ(qAlpha(image.pixel(15, 5)), 0);
    // The original player shows (186, 0, 68) over blue here: the colour is
    // used as it is, premultiplied, under alpha 188.
    const QRgb middle = image.pixel(4, 5);
    EXPECT_NEAR(qAlpha(middle), 188, 3);
    EXPECT_NEAR(qRed(middle), 186, 3);
    EXPECT_NEAR(qBlue(middle) + (255 - qAlpha(middle)), 68, 4);
}

TEST(RenderBitmapTest, PngAndGifInsideJpegTagsDecode)
{
    for (const char* format : {"png", "gif"}) {
        SCOPED_TRACE(format);
        DefineBitsJpeg bits;
        bits.version = 2;
        bits.imageData = encode(solidImage(QColor(0, 255, 0)), format);
        if (std::string(format) == "gif" && bits.imageData.empty())
            continue; // no GIF writer in this Qt build
        expectColour(decodeBitsJpeg(bits), QColor(0, 255, 0));
    }
}

TEST(RenderBitmapTest, GarbageAndUnknownIdsGiveNoImage)
{
    DefineBitsJpeg bits;
    bits.id = 4;
    bits.imageData = {0xFF, 0xD8, 0xFF, 0xC0, 0x00};
    EXPECT_TRUE(decodeBitsJpeg(bits).isNull());
    BitmapLibrary library;
    library.add(bits);
    EXPECT_TRUE(library.image(4).isNull());
    EXPECT_TRUE(library.image(5).isNull());
    EXPECT_TRUE(library.transformed(5, ColorTransform()).isNull());
}

TEST(RenderBitmapTest, DecodedBitmapsStayWithinTheirBudgetDroppingTheLeastRecentlyDrawn)
{
    // Four 256x256 bitmaps of 256 KiB each, in a library that keeps 640 KiB.
    BitmapLibrary library(640 * 1024);
    for (std::uint16_t id = 1; id <= 4; ++id) {
        DefineBitsLossless bits = lossless(2, 5, 256, 256, Bytes(256 * 256 * 4, std::uint8_t(id * 50)));
        bits.id = id;
        library.add(bits);
    }
    const QImage first = library.image(1);
    (void)library.image(2);
    (void)library.image(1); // drawn again: now 2 is the oldest
    (void)library.image(3);
    EXPECT_LE(library.decodedBytes(), 640 * 1024);
    EXPECT_EQ(library.decodedBytes(), 2 * 256 * 1024);
    (void)library.image(4);
    EXPECT_EQ(library.decodedBytes(), 2 * 256 * 1024);
    // A dropped bitmap decodes again, and a picture still held stays whole.
    EXPECT_EQ(library.image(2).pixel(0, 0), qRgba(100, 100, 100, 100));
    EXPECT_EQ(first.pixel(255, 255), qRgba(50, 50, 50, 50));
}

TEST(RenderBitmapTest, DecodingAheadKeepsWithinTheBudgetAndSharesWithAnotherLibrary)
{
    // Six 256 KiB bitmaps and a broken one, in libraries that keep 640 KiB.
    const auto fill = [](BitmapLibrary& library) {
        for (std::uint16_t id = 1; id <= 6; ++id) {
            DefineBitsLossless bits = lossless(2, 5, 256, 256, Bytes(256 * 256 * 4, std::uint8_t(id * 40)));
            bits.id = id;
            library.add(bits);
        }
        DefineBitsLossless broken = lossless(1, 7, 4, 4, {0});
        broken.id = 7;
        library.add(broken);
    };
    BitmapLibrary ahead(640 * 1024);
    BitmapLibrary lazy(640 * 1024);
    fill(ahead);
    fill(lazy);
    ahead.decodeAll();
    // The first two fit; those after them decode when drawn.
    EXPECT_EQ(ahead.decodedBytes(), 2 * 256 * 1024);
    BitmapLibrary helper(640 * 1024);
    fill(helper);
    helper.shareDecoded(ahead);
    EXPECT_EQ(helper.decodedBytes(), ahead.decodedBytes());
    EXPECT_EQ(helper.image(1).constBits(), ahead.image(1).constBits());
    for (std::uint16_t id = 1; id <= 7; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(ahead.image(id), lazy.image(id));
        EXPECT_LE(ahead.decodedBytes(), 640 * 1024);
    }
    EXPECT_TRUE(ahead.image(7).isNull());
}

TEST(RenderBitmapTest, InflateStopsAtItsLimit)
{
    const Bytes big(100000, 7);
    Bytes out;
    EXPECT_TRUE(inflateLimited(deflateBytes(big), 1000, out));
    EXPECT_EQ(out.size(), 1000u);
    EXPECT_FALSE(inflateLimited(deflateBytes(Bytes(10, 1)), 1000, out));
    EXPECT_EQ(out.size(), 10u);
}

} // namespace
} // namespace swf::render
