// Fill styles drawn: gradient ends and spreads, focal points, linear-light
// blending, bitmap fills repeating or clamped, colour transforms on bitmaps.

#include "swf/format/bitmaps.h"
#include "swf/format/shape_builder.h"
#include "swf/render/gradient_ramp.h"
#include "swf/render/painters.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace swf::render {
namespace {

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

Rect pixelRect(double x0, double y0, double x1, double y1)
{
    return {Twips::fromPixels(x0), Twips::fromPixels(x1), Twips::fromPixels(y0), Twips::fromPixels(y1)};
}

// A 40x10 pixel rectangle filled with `fill`, drawn at one pixel per 20 twips.
QImage renderFill(const FillStyle& fill, const BitmapLibrary& bitmaps = BitmapLibrary(),
                  const ColorTransform& transform = ColorTransform(), QSize size = {40, 10})
{
    ShapeBuilder builder;
    builder.setStyles(builder.addFill(fill), 0);
    builder.rectangle(pixelRect(0, 0, size.width(), size.height()));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintShape(painter, buildShape(builder.shape()), bitmaps, QTransform::fromScale(1 / 20.0, 1 / 20.0), transform);
    return image;
}

// A gradient from red to blue across `from`..`to` pixels of the rectangle.
FillStyle redToBlue(double from, double to, SpreadMode spread = SpreadMode::Pad)
{
    FillStyle fill = linearGradientFill(pixelRect(from, 0, to, 10), {{0, kRed}, {255, kBlue}});
    fill.gradient.spread = spread;
    return fill;
}

TEST(RenderFillTest, LinearGradientEndsHaveTheEndColours)
{
    const QImage image = renderFill(redToBlue(0, 40));
    EXPECT_GT(qRed(image.pixel(0, 5)), 240);
    EXPECT_LT(qBlue(image.pixel(0, 5)), 15);
    EXPECT_GT(qBlue(image.pixel(39, 5)), 240);
    EXPECT_LT(qRed(image.pixel(39, 5)), 15);
    EXPECT_NEAR(qRed(image.pixel(20, 5)), 128, 10);
}

TEST(RenderFillTest, SpreadModesContinueBeyondTheGradient)
{
    // The gradient covers 10..20; pixel 25 is half a gradient past its end.
    struct Case {
        SpreadMode spread;
        int red;  // expected red at x = 25
        int blue;
    };
    const Case cases[] = {
        {SpreadMode::Pad, 0, 255},      // the end colour
        {SpreadMode::Repeat, 128, 128}, // half way through again
        {SpreadMode::Reflect, 128, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.spread));
        const QImage image = renderFill(redToBlue(10, 20, c.spread));
        EXPECT_NEAR(qRed(image.pixel(25, 5)), c.red, 20);
        EXPECT_NEAR(qBlue(image.pixel(25, 5)), c.blue, 20);
    }
    // Just past the end, repeat starts over at red, reflect comes back from blue.
    EXPECT_GT(qRed(renderFill(redToBlue(10, 20, SpreadMode::Repeat)).pixel(21, 5)), 200);
    EXPECT_GT(qBlue(renderFill(redToBlue(10, 20, SpreadMode::Reflect)).pixel(21, 5)), 200);
}

TEST(RenderFillTest, FocalPointMovesTheCentreColour)
{
    FillStyle fill = radialGradientFill(pixelRect(0, 0, 40, 40), {{0, kRed}, {255, kBlue}});
    fill.type = FillStyleType::FocalRadialGradient;
    fill.gradient.focalPoint = 0.75;
    const QImage image = renderFill(fill, BitmapLibrary(), ColorTransform(), {40, 40});
    // The focal point sits at 20 + 0.75 * 20 = 35 on the x axis: red there,
    // already bluish at the circle's centre, blue at the far left.
    EXPECT_GT(qRed(image.pixel(35, 20)), 200);
    EXPECT_LT(qRed(image.pixel(20, 20)), 200);
    EXPECT_GT(qBlue(image.pixel(1, 20)), 200);
}

TEST(RenderFillTest, LinearRgbInterpolationIsBrighterBetweenStops)
{
    FillStyle fill = redToBlue(0, 40);
    const int normal = qRed(renderFill(fill).pixel(20, 5));
    fill.gradient.interpolation = InterpolationMode::LinearRgb;
    const int linear = qRed(renderFill(fill).pixel(20, 5));
    // Half of red in linear light is 188 in sRGB.
    EXPECT_NEAR(normal, 128, 10);
    EXPECT_NEAR(linear, 188, 10);
}

TEST(RenderFillTest, GradientAlphaBlendsApartFromColour)
{
    // Red to transparent white: half way the colour is pink at half opacity.
    FillStyle fill = linearGradientFill(pixelRect(0, 0, 40, 10), {{0, kRed}, {255, {255, 255, 255, 0}}});
    ShapeBuilder builder;
    builder.setStyles(builder.addFill(fill), 0);
    builder.rectangle(pixelRect(0, 0, 40, 10));
    QImage image(40, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintShape(painter, buildShape(builder.shape()), BitmapLibrary(), QTransform::fromScale(1 / 20.0, 1 / 20.0),
               ColorTransform());
    painter.end();
    const QRgb middle = image.pixel(20, 5);
    EXPECT_NEAR(qRed(middle), 128, 8);
    EXPECT_NEAR(qGreen(middle), 64, 8);
}

TEST(RenderFillTest, GradientStopsOutOfOrderStepForward)
{
    const QGradientStops stops = gradientStops({{254, kRed}, {0, kBlue}, {0, {0, 255, 0, 255}}}, {}, false);
    ASSERT_EQ(stops.size(), 2);
    EXPECT_DOUBLE_EQ(stops[1].first, 1.0);
    EXPECT_EQ(stops[1].second, QColor(Qt::blue));
    EXPECT_EQ(gradientStops({}, {}, false).first().second, QColor(Qt::black));
}

// A 2x2 bitmap: red, green / blue, white.
DefineBitsLossless checkerBitmap(std::uint16_t id)
{
    DefineBitsLossless bits;
    bits.version = 2;
    bits.id = id;
    bits.format = 5;
    bits.width = 2;
    bits.height = 2;
    const Bytes argb = {255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255};
    bits.zlibData = deflateBytes(argb);
    return bits;
}

FillStyle bitmapFill(FillStyleType type, std::uint16_t id, double pixelsPerBitmapPixel)
{
    FillStyle fill;
    fill.type = type;
    fill.bitmapId = id;
    fill.bitmapMatrix = Matrix::scale(20 * pixelsPerBitmapPixel, 20 * pixelsPerBitmapPixel);
    return fill;
}

TEST(RenderFillTest, RepeatingBitmapFillTiles)
{
    BitmapLibrary bitmaps;
    bitmaps.add(checkerBitmap(5));
    const QImage image = renderFill(bitmapFill(FillStyleType::NonSmoothedRepeatingBitmap, 5, 2), bitmaps);
    // Each bitmap pixel covers 2x2 pixels; the 2x2 bitmap repeats every 4.
    for (int x : {0, 4, 8, 36}) {
        EXPECT_EQ(image.pixel(x + 1, 1), qRgb(255, 0, 0)) << x;
        EXPECT_EQ(image.pixel(x + 2, 1), qRgb(0, 255, 0)) << x;
        EXPECT_EQ(image.pixel(x + 1, 3), qRgb(0, 0, 255)) << x;
    }
}

TEST(RenderFillTest, ClippedBitmapFillRepeatsItsEdgePixels)
{
    BitmapLibrary bitmaps;
    bitmaps.add(checkerBitmap(5));
    const QImage image = renderFill(bitmapFill(FillStyleType::NonSmoothedClippedBitmap, 5, 2), bitmaps);
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
    // Right of the bitmap the right column goes on: green above, white below.
    EXPECT_EQ(image.pixel(30, 1), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(30, 8), qRgb(255, 255, 255));
}

TEST(RenderFillTest, ColourTransformAppliesToBitmapPixels)
{
    BitmapLibrary bitmaps;
    bitmaps.add(checkerBitmap(5));
    ColorTransform transform;
    transform.rMult = 0;
    transform.bAdd = 255;
    const QImage image
        = renderFill(bitmapFill(FillStyleType::NonSmoothedRepeatingBitmap, 5, 2), bitmaps, transform);
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 255));   // red loses red, gains blue
    EXPECT_EQ(image.pixel(2, 1), qRgb(0, 255, 255)); // green gains blue
    // The untransformed bitmap is still there for other objects.
    EXPECT_EQ(bitmaps.image(5).pixel(0, 0), qRgb(255, 0, 0));
}

TEST(RenderFillTest, FadedBitmapBlendsWithWhatLiesBeneath)
{
    BitmapLibrary bitmaps;
    bitmaps.add(checkerBitmap(5));
    ColorTransform fade;
    fade.aMult = 0.5;
    const QImage image = renderFill(bitmapFill(FillStyleType::NonSmoothedRepeatingBitmap, 5, 2), bitmaps, fade);
    // Red at half opacity over white.
    EXPECT_EQ(qRed(image.pixel(1, 1)), 255);
    EXPECT_NEAR(qGreen(image.pixel(1, 1)), 128, 2);
    EXPECT_NEAR(qBlue(image.pixel(1, 1)), 128, 2);
}

TEST(RenderFillTest, MissingBitmapDrawsNothing)
{
    const QImage image = renderFill(bitmapFill(FillStyleType::RepeatingBitmap, 99, 1));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
}

TEST(RenderFillTest, ColourTransformAppliesToSolidFills)
{
    ColorTransform transform;
    transform.aMult = 0.5;
    transform.gAdd = 255;
    const QImage image = renderFill(solidFill(kRed), BitmapLibrary(), transform);
    // Red plus full green at half opacity over white.
    const QRgb pixel = image.pixel(5, 5);
    EXPECT_EQ(qRed(pixel), 255);
    EXPECT_EQ(qGreen(pixel), 255);
    EXPECT_NEAR(qBlue(pixel), 128, 2);
}

} // namespace
} // namespace swf::render
