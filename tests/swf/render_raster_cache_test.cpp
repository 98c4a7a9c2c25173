// Kept pictures of characters: a movie drawn with them, frame by frame as a
// window draws it, shows what the same movie drawn from its shapes shows, as
// its objects move (by whole pixels and by fractions), change colour, morph,
// are replaced and are masked; and the cache keeps within its budget.

#include "swf/format/movie_builder.h"
#include "swf/format/shape_builder.h"
#include "swf/player.h"
#include "swf/render/raster_cache.h"

#include <QDir>
#include <gtest/gtest.h>

#include <functional>

namespace swf {
namespace {

Rect pixels(double x, double y, double w, double h)
{
    return Rect{Twips(int(x * 20)), Twips(int((x + w) * 20)), Twips(int(y * 20)), Twips(int((y + h) * 20))};
}

Matrix at(double x, double y, double scale = 1.0, double skew = 0.0)
{
    Matrix m;
    m.scaleX = scale;
    m.scaleY = scale;
    m.rotateSkew0 = skew;
    m.rotateSkew1 = -skew;
    m.translateX = Twips(int(x * 20));
    m.translateY = Twips(int(y * 20));
    return m;
}

// The largest difference of a channel between two pictures.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* lineA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lineB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            for (int shift = 0; shift < 32; shift += 8)
                largest = std::max(largest, std::abs(int((lineA[x] >> shift) & 0xFF) - int((lineB[x] >> shift) & 0xFF)));
        }
    }
    return largest;
}

// How far a channel may come out from drawing the shapes: a picture blends
// its character's edge pixels over the stage once, where the shapes blend
// fill after fill, rounding each time, so that a pixel under overlapping
// translucent edges may come out a step further off.
constexpr int kSteps = 2;

// A ring with a radial gradient and a thick outline, the kind of character
// that costs most to fill and stroke.
std::uint16_t defineRing(MovieBuilder& b)
{
    ShapeBuilder shape;
    const Rect box = pixels(0, 0, 40, 30);
    const auto fill = shape.addFill(radialGradientFill(box, {{0, {255, 240, 0, 255}}, {255, {0, 40, 160, 200}}}));
    const auto line = shape.addLine(solidLine(Twips(60), {20, 20, 20, 255}));
    shape.setStyles(fill, line).ellipse(box);
    return b.defineShape(shape);
}

std::uint16_t defineMorph(MovieBuilder& b)
{
    return b.define([](std::uint16_t id) {
        DefineMorphShape morph;
        morph.id = id;
        morph.startBounds = pixels(0, 0, 20, 20);
        morph.endBounds = pixels(0, 0, 40, 30);
        MorphFillStyle fill;
        fill.startColor = {200, 0, 0, 255};
        fill.endColor = {0, 0, 200, 128};
        morph.fillStyles = {fill};
        MorphLineStyle line;
        line.startWidth = Twips(20);
        line.endWidth = Twips(80);
        line.startColor = {0, 0, 0, 255};
        line.endColor = {0, 120, 0, 255};
        morph.lineStyles = {line};
        auto edge = [](double dx, double dy) { return StraightEdgeRecord{Twips(int(dx * 20)), Twips(int(dy * 20))}; };
        StyleChangeRecord start;
        start.fillStyle1 = 1;
        start.lineStyle = 1;
        start.moveTo = Point{Twips(0), Twips(0)};
        StyleChangeRecord end = start;
        end.fillStyle1.reset();
        end.lineStyle.reset();
        morph.startEdges = {start, edge(20, 0), edge(0, 20), edge(-20, 0), edge(0, -20)};
        morph.endEdges = {end, edge(40, 5), edge(-5, 25), edge(-35, 0), edge(0, -30)};
        return morph;
    });
}

PlaceObject morphAt(std::uint16_t depth, std::uint16_t ratio, const Matrix& matrix)
{
    PlaceObject p;
    p.depth = depth;
    p.isMove = true;
    p.ratio = ratio;
    p.matrix = matrix;
    return p;
}

ColorTransform tint(double red, double alpha)
{
    ColorTransform c;
    c.rMult = red;
    c.aMult = alpha;
    c.gAdd = 40;
    return c;
}

struct Case {
    const char* name;
    std::function<void(MovieBuilder&)> build;
};

TEST(RenderRasterCacheTest, KeptPicturesDrawWhatTheShapesDraw)
{
    const std::vector<Case> cases = {
        {"moved by whole pixels, fractions of one, and standing still",
         [](MovieBuilder& b) {
             const auto ring = defineRing(b);
             b.place(1, ring, at(10, 10)).showFrame();
             for (const double x : {10.0, 13.0, 13.0, 13.35, 14.0, 13.35, 40.0, 40.0, 10.0})
                 b.move(1, at(x, 10 + x / 4)).showFrame();
         }},
        {"recoloured, and back to a colour seen before",
         [](MovieBuilder& b) {
             const auto ring = defineRing(b);
             b.place(1, ring, at(20, 20)).showFrame();
             for (const double red : {1.0, 0.5, 0.5, 0.2, 1.0, 0.5})
                 b.move(1, at(20, 20), tint(red, red)).showFrame();
         }},
        {"morphing, and back to a ratio seen before",
         [](MovieBuilder& b) {
             const auto morph = defineMorph(b);
             b.place(1, morph, at(15, 15)).showFrame();
             for (const std::uint16_t ratio : {0, 16000, 16000, 40000, 65535, 16000})
                 b.add(morphAt(1, ratio, at(15, 15))).showFrame();
         }},
        {"replaced by another character and changed back, scaled and skewed",
         [](MovieBuilder& b) {
             const auto ring = defineRing(b);
             const auto box = b.defineRectangle(pixels(0, 0, 30, 20), solidFill({0, 160, 60, 255}),
                                                solidLine(Twips(40), {0, 0, 0, 255}));
             b.place(1, ring, at(5, 5, 1.5, 0.3)).showFrame();
             b.replace(1, box, at(5, 5, 1.5, 0.3)).showFrame();
             b.replace(1, ring, at(5, 5, 1.5, 0.3)).showFrame();
             b.replace(1, ring, at(5, 5, 1.5, 0.3)).showFrame();
         }},
        {"under a mask, the mask and the masked moving, beside one unmasked",
         [](MovieBuilder& b) {
             const auto window = b.defineEllipse(pixels(0, 0, 50, 40), solidFill({0, 0, 0, 255}));
             const auto ring = defineRing(b);
             const auto back = defineRing(b);
             PlaceObject mask;
             mask.depth = 1;
             mask.characterId = window;
             mask.clipDepth = 3;
             mask.matrix = at(10, 10);
             b.add(mask).place(2, back, at(0, 0, 2)).place(3, ring, at(25, 20)).place(4, ring, at(5, 25)).showFrame();
             for (const double x : {25.0, 27.0, 27.0, 30.5, 27.0})
                 b.move(3, at(x, 20)).move(1, at(x - 15, 10)).move(4, at(x - 20, 25)).showFrame();
         }},
    };
    for (const Case& c : cases) {
        MovieBuilder b(Twips(20 * 80), Twips(20 * 60), 12);
        b.setBackground({255, 255, 255});
        c.build(b);
        auto kept = Player::fromBytes(b.bytes());
        auto drawn = Player::fromBytes(b.bytes(), PlayOptions{.randomSeed = {}, .maxFrameMilliseconds = 0, .keepPictures = false});
        ASSERT_TRUE(kept.ok() && drawn.ok()) << c.name;
        Player& withPictures = **kept;
        Player& fromShapes = **drawn;
        // Not the stage's size: pictures are kept at the device's scale.
        for (const QSize size : {QSize(80, 60), QSize(237, 171)}) {
            for (int frame = 0; frame < withPictures.frameCount(); ++frame) {
                withPictures.gotoFrame(frame);
                fromShapes.gotoFrame(frame);
                // Twice: the second time draws from the pictures the first kept.
                for (int pass = 0; pass < 2; ++pass) {
                    const QImage& composed = withPictures.renderFrame(size);
                    EXPECT_LE(largestDifference(composed, fromShapes.renderImage(size)), kSteps)
                        << c.name << ", frame " << frame << " at " << size.width() << "x" << size.height();
                    withPictures.renderImage(size);
                }
            }
        }
        EXPECT_GT(withPictures.keptPictureBytes(), 0) << c.name << ": no picture was kept";
        EXPECT_EQ(fromShapes.keptPictureBytes(), 0) << c.name;
    }
}

// Real courseware, played on as a window plays it.
TEST(RenderRasterCacheTest, RealMoviesDrawAsFromTheirShapes)
{
    const QDir folder(QStringLiteral("../shared/testdata/realworld"));
    int movies = 0;
    for (const char* name : {"DopplerShift2.swf", "daylightsimulator.swf", "classaction_ca_sunsolarenergy_solarwind.swf"}) {
        const std::string path = folder.filePath(QString::fromLatin1(name)).toStdString();
        auto kept = Player::fromFile(path);
        auto drawn = Player::fromFile(path, PlayOptions{.randomSeed = {}, .maxFrameMilliseconds = 0, .keepPictures = false});
        if (!kept.ok() || !drawn.ok())
            continue;
        ++movies;
        for (int frame = 0; frame <= 12; ++frame) {
            if (frame > 0) {
                (*kept)->advance();
                (*drawn)->advance();
            }
            const QSize size(1024, 768);
            EXPECT_LE(largestDifference((*kept)->renderFrame(size), (*drawn)->renderImage(size)), kSteps)
                << name << ", frame " << frame;
        }
        EXPECT_GT((*kept)->keptPictureBytes(), 0) << name;
    }
    if (movies == 0)
        GTEST_SKIP() << "no test movies in ../shared/testdata";
}

TEST(RenderRasterCacheTest, PicturesAreMadeOnTheSecondRequestAndKeptWithinTheBudget)
{
    using render::RasterCache;
    auto picture = [](int side) {
        auto p = std::make_shared<RasterCache::Picture>();
        p->image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        return p;
    };
    const std::int64_t tile = picture(32)->image.sizeInBytes();
    RasterCache cache(tile * 3);

    EXPECT_FALSE(cache.find(1));
    EXPECT_FALSE(cache.wanted(1)); // asked for once: drawn directly
    EXPECT_FALSE(cache.find(1));
    EXPECT_TRUE(cache.wanted(1));
    cache.insert(1, picture(32));
    EXPECT_TRUE(cache.find(1));

    cache.insert(2, picture(32));
    cache.insert(3, picture(32));
    EXPECT_TRUE(cache.find(1)); // used last: the others go before it
    cache.insert(4, picture(32));
    EXPECT_LE(cache.bytes(), tile * 3);
    EXPECT_TRUE(cache.find(1));
    EXPECT_TRUE(cache.find(4));
    EXPECT_FALSE(cache.find(2));

    cache.insert(5, picture(64)); // larger than the whole budget
    EXPECT_FALSE(cache.find(5));
    EXPECT_LE(cache.bytes(), tile * 3);
}

} // namespace
} // namespace swf
