// Shapes built from their edge records and drawn: which side a fill is on,
// style changes in mid-path, new style tables, strokes that stay visible,
// morphs at their ratio, and records that point nowhere.

#include "swf/format/shape_builder.h"
#include "swf/render/painters.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace swf::render {
namespace {

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

Twips px(double pixels)
{
    return Twips::fromPixels(pixels);
}

// Renders a shape at one pixel per 20 twips onto white.
QImage render(const ShapeGeometry& geometry, QSize size = {40, 40}, double zoom = 1.0)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    BitmapLibrary bitmaps;
    paintShape(painter, geometry, bitmaps, QTransform::fromScale(zoom / 20.0, zoom / 20.0), ColorTransform());
    return image;
}

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb kWhitePixel = 0xFFFFFF;
constexpr QRgb kRedPixel = 0xFF0000;
constexpr QRgb kGreenPixel = 0x00FF00;
constexpr QRgb kBluePixel = 0x0000FF;

StyleChangeRecord styles(std::optional<std::uint32_t> fill0, std::optional<std::uint32_t> fill1,
                         std::optional<std::uint32_t> line = std::nullopt, std::optional<Point> move = std::nullopt)
{
    StyleChangeRecord change;
    change.fillStyle0 = fill0;
    change.fillStyle1 = fill1;
    change.lineStyle = line;
    change.moveTo = move;
    return change;
}

StraightEdgeRecord edge(double dx, double dy)
{
    return {px(dx), px(dy)};
}

Point point(double x, double y)
{
    return {px(x), px(y)};
}

// A square 10..30 drawn clockwise on screen, with the given styles selected.
Shape square(StyleChangeRecord select)
{
    Shape shape;
    shape.styles.fillStyles = {solidFill(kRed)};
    select.moveTo = point(10, 10);
    shape.records = {select, edge(20, 0), edge(0, 20), edge(-20, 0), edge(0, -20)};
    return shape;
}

TEST(RenderShapeTest, FillOnEitherSideOfTheEdgesFillsTheSameArea)
{
    // Clockwise on screen the inside is on the right (fill1); the same square
    // with its fill on the left side is traced the other way round.
    const Shape right = square(styles(std::nullopt, 1));
    Shape left;
    left.styles = right.styles;
    left.records = {styles(1, std::nullopt, std::nullopt, point(10, 10)), edge(0, 20), edge(20, 0), edge(0, -20),
                    edge(-20, 0)};
    // Half the outline with the fill on its right, the other half drawn from
    // the same corner the other way round, with the fill on its left.
    Shape halves;
    halves.styles = right.styles;
    halves.records = {styles(std::nullopt, 1, std::nullopt, point(10, 10)), edge(20, 0), edge(0, 20),
                      styles(1, 0, std::nullopt, point(10, 10)), edge(0, 20), edge(20, 0)};
    const Shape both = square(styles(1, 1));

    const QImage reference = render(buildShape(right));
    EXPECT_EQ(at(reference, 20, 20), kRedPixel);
    EXPECT_EQ(at(reference, 5, 5), kWhitePixel);
    EXPECT_EQ(render(buildShape(left)), reference);
    EXPECT_EQ(render(buildShape(halves)), reference);
    // The same fill on both sides is no boundary at all: nothing is filled.
    EXPECT_EQ(at(render(buildShape(both)), 20, 20), kWhitePixel);
}

TEST(RenderShapeTest, FillSidesChangingInMidPathMakeSeparateRegions)
{
    // Two squares side by side sharing the edge x = 20: the left one red (1),
    // the right one green (2). The path goes round the outside of both, and the
    // shared edge has red on one side and green on the other. Both fill0 and
    // fill1 change in the middle of the path.
    Shape shape;
    shape.styles.fillStyles = {solidFill(kRed), solidFill(kGreen)};
    shape.records = {
        styles(0, 1, std::nullopt, point(5, 10)), // top of red, clockwise: red on the right
        edge(15, 0),
        styles(0, 2), // top of green
        edge(15, 0), edge(0, 20), edge(-15, 0),
        styles(0, 1), // bottom of red
        edge(-15, 0), edge(0, -20),
        styles(2, 1, std::nullopt, point(20, 10)), // shared edge downwards: green left, red right
        edge(0, 20),
    };
    const QImage image = render(buildShape(shape));
    EXPECT_EQ(at(image, 12, 20), kRedPixel);
    EXPECT_EQ(at(image, 28, 20), kGreenPixel);
    EXPECT_EQ(at(image, 37, 20), kWhitePixel);
    EXPECT_EQ(at(image, 12, 5), kWhitePixel);
}

TEST(RenderShapeTest, SharedEdgesBetweenFillsLetNoBackgroundThrough)
{
    // Red and green meet at x = 20.5, half way through a pixel column.
    Shape shape;
    shape.styles.fillStyles = {solidFill(kRed), solidFill(kGreen)};
    shape.records = {styles(0, 1, std::nullopt, point(5, 10)), edge(15.5, 0),
                     styles(0, 2), edge(14.5, 0), edge(0, 20), edge(-14.5, 0),
                     styles(0, 1), edge(-15.5, 0), edge(0, -20),
                     styles(2, 1, std::nullopt, point(20.5, 10)), edge(0, 20)};
    const QImage image = render(buildShape(shape));
    const QRgb seam = image.pixel(20, 20);
    // White showing through would lift the blue channel.
    EXPECT_LT(qBlue(seam), 8);
    EXPECT_GT(qGreen(seam), 100);
    EXPECT_GT(qRed(seam), 100);
}

TEST(RenderShapeTest, TranslucentFillsMeetingOnAnEdgeShareItsPixels)
{
    // Two half-transparent black fills meet at x = 20.5: the seam column is
    // as dark as the fills on either side, neither lighter (background
    // through) nor darker (one blended over the other).
    const Rgba halfBlack{0, 0, 0, 128};
    Shape shape;
    shape.styles.fillStyles = {solidFill(halfBlack), solidFill(halfBlack)};
    shape.records = {styles(0, 1, std::nullopt, point(5, 10)), edge(15.5, 0),
                     styles(0, 2), edge(14.5, 0), edge(0, 20), edge(-14.5, 0),
                     styles(0, 1), edge(-15.5, 0), edge(0, -20),
                     styles(2, 1, std::nullopt, point(20.5, 10)), edge(0, 20)};
    const QImage image = render(buildShape(shape));
    const int inside = qRed(image.pixel(12, 20));
    EXPECT_NEAR(qRed(image.pixel(20, 20)), inside, 2);
    EXPECT_NEAR(qRed(image.pixel(25, 20)), inside, 2);
}

TEST(RenderShapeTest, FillOutlineCoversEveryFillAndKeepsHoles)
{
    // Two adjacent squares in two colours: the outline covers both.
    Shape pair;
    pair.styles.fillStyles = {solidFill(kRed), solidFill(kGreen)};
    pair.records = {styles(0, 1, std::nullopt, point(0, 0)), edge(10, 0), edge(0, 10), edge(-10, 0), edge(0, -10),
                    styles(0, 2, std::nullopt, point(10, 0)), edge(10, 0), edge(0, 10), edge(-10, 0), edge(0, -10)};
    const QPainterPath both = buildShape(pair).fillOutline();
    EXPECT_TRUE(both.contains(QPointF(px(5).get(), px(5).get())));
    EXPECT_TRUE(both.contains(QPointF(px(15).get(), px(5).get())));
    EXPECT_FALSE(both.contains(QPointF(px(25).get(), px(5).get())));

    // A square with a square hole: one fill, the hole traced the other way.
    Shape ring = square(styles(std::nullopt, 1));
    ring.records.push_back(styles(std::nullopt, 1, std::nullopt, point(15, 15)));
    for (const auto& e : {edge(0, 10), edge(10, 0), edge(0, -10), edge(-10, 0)})
        ring.records.push_back(e);
    const QPainterPath outline = buildShape(ring).fillOutline();
    EXPECT_TRUE(outline.contains(QPointF(px(12).get(), px(12).get())));
    EXPECT_FALSE(outline.contains(QPointF(px(20).get(), px(20).get())));
}

TEST(RenderShapeTest, NewStyleTablesRestartIndicesAndDrawAbove)
{
    // The first table's fill 1 is red, the second table's fill 1 is blue and
    // overlaps it: blue lies on top.
    Shape shape = square(styles(std::nullopt, 1));
    StyleChangeRecord second = styles(std::nullopt, 1, std::nullopt, point(20, 20));
    second.newStyles = ShapeStyles{{solidFill(kBlue)}, {}};
    shape.records.push_back(second);
    for (const auto& e : {edge(15, 0), edge(0, 15), edge(-15, 0), edge(0, -15)})
        shape.records.push_back(e);

    const ShapeGeometry geometry = buildShape(shape);
    ASSERT_EQ(geometry.layers.size(), 2u);
    const QImage image = render(geometry);
    EXPECT_EQ(at(image, 15, 15), kRedPixel);
    EXPECT_EQ(at(image, 25, 25), kBluePixel);
    EXPECT_EQ(at(image, 33, 33), kBluePixel);
}

TEST(RenderShapeTest, StyleIndicesPastTheTablesAreIgnored)
{
    Shape shape = square(styles(7, 9, 4));
    const ShapeGeometry geometry = buildShape(shape);
    EXPECT_TRUE(geometry.empty());
    EXPECT_EQ(at(render(geometry), 20, 20), kWhitePixel);

    Shape empty;
    EXPECT_TRUE(buildShape(empty).empty());
    EXPECT_TRUE(buildMorph(DefineMorphShape(), 0.5).empty());
}

TEST(RenderShapeTest, HairlineStaysVisibleWhenScaledDown)
{
    Shape shape;
    shape.styles.lineStyles = {solidLine(Twips(20), {0, 0, 0, 255})};
    shape.records = {styles(std::nullopt, std::nullopt, 1, point(0, 155)), edge(400, 0)};
    // A 1-pixel line at a tenth of its size is still a full pixel wide (it
    // runs through the middle of row 15).
    const QImage image = render(buildShape(shape), {40, 40}, 0.1);
    int darkest = 255;
    for (int y = 0; y < 40; ++y)
        darkest = std::min(darkest, qRed(image.pixel(20, y)));
    EXPECT_LT(darkest, 100);
}

TEST(RenderShapeTest, LineWidthScalesWithTheShape)
{
    Shape shape;
    shape.styles.lineStyles = {solidLine(px(4), {0, 0, 0, 255})};
    shape.records = {styles(std::nullopt, std::nullopt, 1, point(0, 20)), edge(40, 0)};
    const QImage image = render(buildShape(shape));
    EXPECT_EQ(at(image, 20, 19), 0u);
    EXPECT_EQ(at(image, 20, 21), 0u);
    EXPECT_EQ(at(image, 20, 24), kWhitePixel);
    EXPECT_EQ(at(image, 20, 16), kWhitePixel);
}

DefineMorphShape growingSquare()
{
    // A red 10x10 square at (0,0) that becomes a blue 20x20 square at (20,20).
    DefineMorphShape morph;
    MorphFillStyle fill;
    fill.startColor = kRed;
    fill.endColor = kBlue;
    morph.fillStyles = {fill};
    morph.startEdges = {styles(std::nullopt, 1, std::nullopt, point(0, 0)), edge(10, 0), edge(0, 10), edge(-10, 0),
                        edge(0, -10)};
    StyleChangeRecord endMove;
    endMove.moveTo = point(20, 20);
    // The end shape's first side is a curve bulging nowhere: straight edges
    // must be matched against curves.
    morph.endEdges = {endMove, CurvedEdgeRecord{px(10), px(0), px(10), px(0)}, edge(0, 20), edge(-20, 0),
                      edge(0, -20)};
    return morph;
}

TEST(RenderShapeTest, MorphShowsStartEndAndBetween)
{
    const DefineMorphShape morph = growingSquare();
    struct Case {
        double ratio;
        QPoint inside;
        QPoint outside;
        QRgb color;
    };
    const Case cases[] = {
        {0.0, {5, 5}, {15, 15}, kRedPixel},
        {1.0, {30, 30}, {5, 5}, kBluePixel},
        {0.5, {15, 15}, {5, 5}, qRgb(128, 0, 128) & 0xFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ratio);
        const QImage image = render(buildMorph(morph, c.ratio), {45, 45});
        const QRgb inside = at(image, c.inside.x(), c.inside.y());
        EXPECT_NEAR(qRed(inside), qRed(c.color), 1);
        EXPECT_NEAR(qBlue(inside), qBlue(c.color), 1);
        EXPECT_EQ(at(image, c.outside.x(), c.outside.y()), kWhitePixel);
    }
    // Half way the square spans 10..25 on both axes.
    const ShapeGeometry half = buildMorph(morph, 0.5);
    EXPECT_NEAR(half.bounds.left(), px(10).get(), 1);
    EXPECT_NEAR(half.bounds.right(), px(25).get(), 1);
}

TEST(RenderShapeTest, MorphCacheKeepsOneGeometryPerRatio)
{
    DefineMorphShape morph = growingSquare();
    morph.id = 3;
    CharacterCache cache;
    const ShapeGeometry& start = cache.morph(morph, 0);
    const ShapeGeometry& end = cache.morph(morph, 65535);
    EXPECT_NE(start.bounds, end.bounds);
    EXPECT_EQ(&cache.morph(morph, 0), &start);
}

} // namespace
} // namespace swf::render
