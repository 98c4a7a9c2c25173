// Blend modes composite a layer onto what lies beneath, pixel by pixel.

#include "swf/render/blend.h"

#include <QImage>
#include <gtest/gtest.h>

namespace swf::render {
namespace {

QImage single(QRgb premultiplied)
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, premultiplied);
    return image;
}

TEST(RenderBlendTest, EachModeCombinesAKnownPixelPair)
{
    const QRgb backdrop = qRgb(200, 100, 50);
    const QRgb layer = qRgb(40, 120, 150);
    struct Case {
        BlendMode mode;
        QRgb expected;
    };
    const Case cases[] = {
        {BlendMode::Normal, qRgb(40, 120, 150)},
        {BlendMode::Layer, qRgb(40, 120, 150)},
        {BlendMode::Multiply, qRgb(31, 47, 29)},
        {BlendMode::Screen, qRgb(209, 173, 171)},
        {BlendMode::Lighten, qRgb(200, 120, 150)},
        {BlendMode::Darken, qRgb(40, 100, 50)},
        {BlendMode::Difference, qRgb(160, 20, 100)},
        {BlendMode::Add, qRgb(240, 220, 200)},
        {BlendMode::Subtract, qRgb(160, 0, 0)},
        {BlendMode::Invert, qRgb(55, 155, 205)},
        {BlendMode::Alpha, qRgb(200, 100, 50)},
        {BlendMode::Erase, qRgba(0, 0, 0, 0)},
        {BlendMode::Overlay, qRgb(162, 94, 59)},
        {BlendMode::HardLight, qRgb(63, 94, 86)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        QImage destination = single(backdrop);
        compositeLayer(destination, single(layer), c.mode);
        const QRgb result = destination.pixel(0, 0);
        EXPECT_NEAR(qRed(result), qRed(c.expected), 2);
        EXPECT_NEAR(qGreen(result), qGreen(c.expected), 2);
        EXPECT_NEAR(qBlue(result), qBlue(c.expected), 2);
        EXPECT_NEAR(qAlpha(result), qAlpha(c.expected), 2);
    }
}

TEST(RenderBlendTest, TransparentLayerPixelsLeaveTheBackdropExceptForAlphaMasks)
{
    const QRgb backdrop = qRgb(200, 100, 50);
    for (BlendMode mode : {BlendMode::Multiply, BlendMode::Subtract, BlendMode::Invert, BlendMode::Add,
                           BlendMode::Difference, BlendMode::Erase}) {
        QImage destination = single(backdrop);
        compositeLayer(destination, single(0), mode);
        EXPECT_EQ(destination.pixel(0, 0), backdrop) << int(mode);
    }
    // Alpha keeps the backdrop only where the layer has coverage.
    QImage destination = single(backdrop);
    compositeLayer(destination, single(0), BlendMode::Alpha);
    EXPECT_EQ(qAlpha(destination.pixel(0, 0)), 0);
}

TEST(RenderBlendTest, InvertOverATransparentBackdropShowsWhite)
{
    QImage destination = single(0);
    compositeLayer(destination, single(qRgba(0, 0, 0, 128)), BlendMode::Invert);
    EXPECT_EQ(destination.pixel(0, 0), qRgba(128, 128, 128, 128));
}

TEST(RenderBlendTest, BlendModeBytesMapToModes)
{
    EXPECT_EQ(blendModeFromByte(0), BlendMode::Normal);
    EXPECT_EQ(blendModeFromByte(1), BlendMode::Normal);
    EXPECT_EQ(blendModeFromByte(3), BlendMode::Multiply);
    EXPECT_EQ(blendModeFromByte(14), BlendMode::HardLight);
    EXPECT_EQ(blendModeFromByte(200), BlendMode::Normal);
    EXPECT_FALSE(needsLayer(BlendMode::Normal));
    EXPECT_TRUE(needsLayer(BlendMode::Layer));
}

TEST(RenderBlendTest, MismatchedImagesAreLeftAlone)
{
    QImage destination = single(qRgb(1, 2, 3));
    QImage layer(2, 2, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::red);
    compositeLayer(destination, layer, BlendMode::Normal);
    EXPECT_EQ(destination.pixel(0, 0), qRgb(1, 2, 3));
}

} // namespace
} // namespace swf::render
