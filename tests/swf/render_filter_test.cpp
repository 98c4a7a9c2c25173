// Filters drawn on an object's layer: each effect on small known images, then
// movies whose placements or scripts give clips filters, checked on pixels.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/player.h"
#include "swf/render/filter_effects.h"

#include <QImage>
#include <numbers>
#include <gtest/gtest.h>

namespace swf {
namespace {

using render::applyFilter;
using render::filterMargins;
using render::FilterScale;

// A transparent image with an opaque square of `color` at (x, y), `side` wide.
QImage squareImage(int width, int height, int x, int y, int side, QRgb color = qRgb(255, 0, 0))
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int j = y; j < y + side; ++j) {
        for (int i = x; i < x + side; ++i)
            image.setPixel(i, j, color);
    }
    return image;
}

FilterValues shadow(double distance, double angle)
{
    FilterValues f = defaultFilter(FilterKind::DropShadow);
    f.blurX = f.blurY = 0;
    f.distance = distance;
    f.angle = angle;
    return f;
}

TEST(RenderFilterTest, BoxBlurSpreadsEvenlyAndReachesByPasses)
{
    QImage image = squareImage(9, 1, 4, 0, 1, qRgb(255, 255, 255));
    FilterValues blur = defaultFilter(FilterKind::Blur);
    blur.blurX = 3;
    blur.blurY = 0;
    blur.quality = 1;
    applyFilter(image, blur, {}, image.rect());
    EXPECT_EQ(qAlpha(image.pixel(3, 0)), 85);
    EXPECT_EQ(qAlpha(image.pixel(4, 0)), 85);
    EXPECT_EQ(qAlpha(image.pixel(5, 0)), 85);
    EXPECT_EQ(qAlpha(image.pixel(2, 0)), 0);
    // A box four wide counts its two end pixels by half; each pass reaches further.
    blur.blurX = 4;
    blur.quality = 2;
    EXPECT_EQ(filterMargins(blur, {}), QMargins(4, 0, 4, 0));
    // Sizes follow the stage's scale.
    EXPECT_EQ(filterMargins(blur, {2, 2}), QMargins(8, 0, 8, 0));
    // A blur of one stage pixel stays sharp, however large the stage is drawn.
    blur.blurX = 1;
    blur.quality = 1;
    EXPECT_EQ(filterMargins(blur, {3, 3}), QMargins());
    // No passes, no blur.
    blur.blurX = 4;
    blur.quality = 0;
    QImage same = squareImage(9, 1, 4, 0, 1);
    applyFilter(same, blur, {}, same.rect());
    EXPECT_EQ(same, squareImage(9, 1, 4, 0, 1));
}

TEST(RenderFilterTest, DropShadowLiesBeneathAtItsOffsetUnlessKnockedOutOrHidden)
{
    const QImage object = squareImage(20, 20, 4, 4, 6);
    QImage image = object;
    applyFilter(image, shadow(4, 0), {}, image.rect());
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));   // the object stays on top
    EXPECT_EQ(image.pixel(12, 6), qRgb(0, 0, 0));    // the shadow four pixels right
    EXPECT_EQ(qAlpha(image.pixel(15, 6)), 0);        // and no further
    EXPECT_EQ(qAlpha(image.pixel(2, 6)), 0);

    FilterValues knockout = shadow(4, 0);
    knockout.knockout = true;
    image = object;
    applyFilter(image, knockout, {}, image.rect());
    EXPECT_EQ(qAlpha(image.pixel(9, 6)), 0); // the shadow cut where the object was
    EXPECT_EQ(image.pixel(12, 6), qRgb(0, 0, 0));

    FilterValues hidden = shadow(4, 0);
    hidden.hideObject = true;
    image = object;
    applyFilter(image, hidden, {}, image.rect());
    EXPECT_EQ(image.pixel(9, 6), qRgb(0, 0, 0)); // the shadow alone, whole
    EXPECT_EQ(qAlpha(image.pixel(5, 6)), 0);
}

TEST(RenderFilterTest, InnerGlowStaysInsideAndOuterGlowOutside)
{
    FilterValues glow = defaultFilter(FilterKind::Glow);
    glow.color = 0x00FF00;
    glow.blurX = glow.blurY = 3;
    glow.strength = 1;
    QImage outer = squareImage(20, 20, 5, 5, 10, qRgb(0, 0, 255));
    applyFilter(outer, glow, {}, outer.rect());
    EXPECT_GT(qGreen(outer.pixel(4, 10)), 0);
    EXPECT_EQ(outer.pixel(10, 10), qRgb(0, 0, 255));

    glow.inner = true;
    QImage inner = squareImage(20, 20, 5, 5, 10, qRgb(0, 0, 255));
    applyFilter(inner, glow, {}, inner.rect());
    EXPECT_EQ(qAlpha(inner.pixel(4, 10)), 0);
    EXPECT_GT(qGreen(inner.pixel(5, 10)), 0); // green along the inside edge
    EXPECT_EQ(inner.pixel(10, 10), qRgb(0, 0, 255));
}

TEST(RenderFilterTest, BevelLightsTheSideFacingAwayFromItsAngle)
{
    FilterValues bevel = defaultFilter(FilterKind::Bevel);
    bevel.blurX = bevel.blurY = 0;
    bevel.distance = 1;
    bevel.angle = 0; // shadow to the right, light from the left
    bevel.side = FilterSide::Inner;
    QImage image = squareImage(20, 20, 5, 5, 10, qRgb(128, 128, 128));
    applyFilter(image, bevel, {}, image.rect());
    EXPECT_EQ(image.pixel(5, 10), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(14, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(10, 10), qRgb(128, 128, 128));
    EXPECT_EQ(qAlpha(image.pixel(4, 10)), 0); // an inner bevel adds nothing outside
}

TEST(RenderFilterTest, GradientGlowColoursByTheBlurredCoverage)
{
    FilterValues glow = defaultFilter(FilterKind::GradientGlow);
    glow.blurX = glow.blurY = 3;
    glow.distance = 0;
    glow.side = FilterSide::Outer;
    glow.stops = 2;
    glow.colors = {0xFF0000, 0x0000FF};
    glow.alphas = {255, 255};
    glow.ratios = {0, 255};
    glow.strength = 3;
    QImage image = squareImage(20, 20, 5, 5, 10, qRgb(0, 255, 0));
    applyFilter(image, glow, {}, image.rect());
    // Next to the object the coverage is high (blue end); far off, none (red end).
    EXPECT_GT(qBlue(image.pixel(4, 10)), qRed(image.pixel(4, 10)));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(10, 10), qRgb(0, 255, 0));
}

TEST(RenderFilterTest, ColorMatrixWorksOnUnmultipliedColourWithinTheRegion)
{
    QImage image(4, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qPremultiply(qRgba(200, 0, 40, 128)));
    FilterValues swap = defaultFilter(FilterKind::ColorMatrix);
    // Red and blue change places; alpha gains 10.
    swap.colorMatrix = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 10};
    applyFilter(image, swap, {}, QRect(0, 0, 2, 1));
    const QRgb plain = qUnpremultiply(image.pixel(0, 0));
    EXPECT_NEAR(qRed(plain), 40, 2);
    EXPECT_NEAR(qBlue(plain), 200, 2);
    EXPECT_EQ(qAlpha(plain), 138);
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 10); // transparent pixels inside the region too
    EXPECT_EQ(qAlpha(image.pixel(2, 0)), 0);  // none outside it
}

TEST(RenderFilterTest, ConvolutionEdgesClampOrTakeTheDefaultColour)
{
    QImage row(3, 1, QImage::Format_ARGB32_Premultiplied);
    row.setPixel(0, 0, qRgb(90, 90, 90));
    row.setPixel(1, 0, qRgb(30, 30, 30));
    row.setPixel(2, 0, qRgb(0, 0, 0));
    FilterValues average = defaultFilter(FilterKind::Convolution);
    average.matrixX = 3;
    average.matrixY = 1;
    average.matrix = {1, 1, 1};
    average.divisor = 3;
    QImage clamped = row;
    applyFilter(clamped, average, {}, clamped.rect());
    EXPECT_EQ(clamped.pixel(0, 0), qRgb(70, 70, 70)); // 90 + 90 + 30
    EXPECT_EQ(clamped.pixel(1, 0), qRgb(40, 40, 40));

    average.clamp = false;
    average.color = 0xFFFFFF;
    average.alpha = 255;
    average.divisor = 0; // read as one
    average.matrix = {1, 0, 0};
    QImage outside = row;
    applyFilter(outside, average, {}, outside.rect());
    EXPECT_EQ(outside.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(outside.pixel(2, 0), qRgb(30, 30, 30));
    // A matrix shorter than its sides leaves the pixels alone.
    average.matrix = {1};
    QImage untouched = row;
    applyFilter(untouched, average, {}, untouched.rect());
    EXPECT_EQ(untouched, row);
}

TEST(RenderFilterTest, NonsenseValuesStayWithinBounds)
{
    FilterValues wild = defaultFilter(FilterKind::DropShadow);
    wild.blurX = 1e300;
    wild.blurY = std::numeric_limits<double>::quiet_NaN();
    wild.distance = -1e12;
    wild.quality = 1000;
    wild.strength = std::numeric_limits<double>::infinity();
    const QMargins reach = filterMargins(wild, {});
    EXPECT_LT(reach.left() + reach.right(), 100000);
    QImage image = squareImage(8, 8, 2, 2, 3);
    applyFilter(image, wild, {}, image.rect());
    QImage empty;
    applyFilter(empty, wild, {}, QRect());
    EXPECT_TRUE(empty.isNull());
}

// A drop shadow record: black, no blur, `distance` pixels at `angle`, one pass.
Filter shadowRecord(double distance, double angle)
{
    Bytes b{0, 0, 0, 255};
    auto fixed = [&b](double v) {
        const auto raw = std::uint32_t(std::int32_t(std::lround(v * 65536)));
        for (int i = 0; i < 4; ++i)
            b.push_back(std::uint8_t(raw >> (8 * i)));
    };
    fixed(0);
    fixed(0);
    fixed(angle);
    fixed(distance);
    b.push_back(0);
    b.push_back(1); // strength 1.0
    b.push_back(0x20 | 1);
    return Filter{FilterType::DropShadow, b};
}

std::unique_ptr<Player> load(const MovieBuilder& b)
{
    auto player = Player::fromBytes(b.bytes());
    EXPECT_TRUE(player.ok());
    return player.ok() ? std::move(player).value() : nullptr;
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// A red square 10 pixels wide in a clip "mc" placed at `matrix` (and
// `color`) with a shadow 5 pixels to the right, then `script`.
MovieBuilder shadowedClipMovie(const Matrix& matrix, const std::string& script = {},
                               std::optional<ColorTransform> color = {})
{
    MovieBuilder b(Twips::fromPixels(60), Twips::fromPixels(60), 12, 8);
    b.setBackground({255, 255, 255});
    const auto square = b.defineRectangle(Rect{Twips(0), Twips(200), Twips(0), Twips(200)}, solidFill({255, 0, 0}));
    PlaceObject place;
    place.version = 3;
    place.depth = 1;
    place.characterId = b.defineSprite(Timeline().place(1, square).showFrame());
    place.name = "mc";
    place.matrix = matrix;
    place.colorTransform = color;
    place.filters = std::vector<Filter>{shadowRecord(5, 0)};
    b.add(Tag(place));
    if (!script.empty())
        b.add(DoAction{script::test::assembled(script)});
    b.showFrame();
    return b;
}

TEST(RenderFilterTest, PlacedShadowKeepsItsStageDirectionAndScalesWithTheStage)
{
    // A quarter turn at (20, 20): the square spans x 10..20, y 20..30.
    Matrix turn = Matrix::translation(Twips::fromPixels(20), Twips::fromPixels(20));
    turn.scaleX = turn.scaleY = 0;
    turn.rotateSkew0 = 1;
    turn.rotateSkew1 = -1;
    auto player = load(shadowedClipMovie(turn));
    ASSERT_TRUE(player);
    const QImage image = player->renderImage();
    EXPECT_EQ(at(image, 15, 25), 0xFF0000u);
    // The shadow lies to the right on the stage, not turned with the clip.
    EXPECT_EQ(at(image, 23, 25), 0x000000u);
    EXPECT_EQ(at(image, 15, 33), 0xFFFFFFu);
    EXPECT_EQ(at(image, 26, 25), 0xFFFFFFu);
    // Twice the stage size: the offset doubles as well.
    const QImage large = player->renderImage(QSize(120, 120));
    EXPECT_EQ(at(large, 30, 50), 0xFF0000u);
    EXPECT_EQ(at(large, 45, 50), 0x000000u);
    EXPECT_EQ(at(large, 51, 50), 0xFFFFFFu);
}

TEST(RenderFilterTest, AScriptsFiltersReplaceThePlacementsOnTheStage)
{
    // A colour matrix that paints the clip blue, its alpha kept.
    const MovieBuilder b = shadowedClipMovie(Matrix::translation(Twips::fromPixels(20), Twips::fromPixels(20)), R"(
        push "mc"
        GetVariable
        push "filters", 0, 1, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20
        InitArray
        push 1, "flash"
        GetVariable
        push "filters"
        GetMember
        push "ColorMatrixFilter"
        NewMethod
        push 1
        InitArray
        SetMember
    )");
    auto player = load(b);
    ASSERT_TRUE(player);
    const QImage image = player->renderImage();
    EXPECT_EQ(at(image, 25, 25), 0x0000FFu);
    // No shadow any more, and the blue stays within the clip's bounds.
    EXPECT_EQ(at(image, 32, 25), 0xFFFFFFu);
    EXPECT_EQ(at(image, 18, 25), 0xFFFFFFu);
}

// A button's record carries filters too: its shape is drawn with them.
TEST(RenderFilterTest, AButtonRecordsFiltersDrawWithItsState)
{
    MovieBuilder b(Twips::fromPixels(60), Twips::fromPixels(60), 12, 8);
    b.setBackground({255, 255, 255});
    const auto square = b.defineRectangle(Rect{Twips(0), Twips(200), Twips(0), Twips(200)}, solidFill({255, 0, 0}));
    const auto button = b.define([&](std::uint16_t id) {
        DefineButton def;
        def.version = 2;
        def.id = id;
        ButtonRecord record;
        record.characterId = square;
        record.depth = 1;
        record.stateUp = record.stateOver = record.stateDown = record.stateHitTest = true;
        record.filters = {shadowRecord(5, std::numbers::pi / 2)}; // straight down
        def.records = {record};
        return Tag(def);
    });
    b.place(1, button, Matrix::translation(Twips::fromPixels(20), Twips::fromPixels(20))).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    const QImage image = player->renderImage();
    EXPECT_EQ(at(image, 25, 25), 0xFF0000u);
    EXPECT_EQ(at(image, 25, 33), 0x000000u);
    EXPECT_EQ(at(image, 33, 25), 0xFFFFFFu);
}

// The clip's colour transform colours what its filters give as well: a clip
// turned blue casts a blue shadow.
TEST(RenderFilterTest, TheColourTransformAppliesToTheFilteredObject)
{
    ColorTransform blue;
    blue.rMult = blue.gMult = blue.bMult = 0;
    blue.bAdd = 255;
    auto player = load(shadowedClipMovie(Matrix::translation(Twips::fromPixels(20), Twips::fromPixels(20)), {}, blue));
    ASSERT_TRUE(player);
    const QImage image = player->renderImage();
    EXPECT_EQ(at(image, 25, 25), 0x0000FFu);
    EXPECT_EQ(at(image, 33, 25), 0x0000FFu);
    EXPECT_EQ(at(image, 45, 25), 0xFFFFFFu);
}

// A shadowed clip moving frame by frame: drawing only what changed leaves no
// trace of the shadow behind and gives the picture a full redraw gives.
TEST(RenderFilterTest, AMovingShadowRepaintsAllItReaches)
{
    MovieBuilder b = shadowedClipMovie(Matrix::translation(Twips::fromPixels(5), Twips::fromPixels(20)));
    for (int x : {20, 35})
        b.move(1, Matrix::translation(Twips::fromPixels(x), Twips::fromPixels(20))).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    const QSize size(60, 60);
    for (int frame = 0; frame < 3; ++frame) {
        if (frame > 0)
            player->advance();
        const QImage composed = player->renderFrame(size).copy();
        EXPECT_EQ(composed, player->renderImage(size)) << "frame " << frame;
        if (frame > 0) {
            // The old shadow (right of the old square) is gone.
            EXPECT_EQ(at(composed, 15 * frame + 2, 25), 0xFFFFFFu) << "frame " << frame;
        }
    }
}

} // namespace
} // namespace swf
