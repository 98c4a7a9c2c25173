// The drawing methods of movie clips: what a drawing looks like once painted,
// how the methods convert their arguments, and the drawing's bounds and hit
// area.

#include "swf/movie/drawing.h"
#include "swf/render/drawing_painter.h"
#include "swf/runtime/drawing_methods.h"
#include "swf/script/host.h"
#include "swf/script/interpreter.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <map>

namespace swf {
namespace {

using movie::Drawing;
using script::Value;

Point px(double x, double y)
{
    return {Twips::fromPixels(x), Twips::fromPixels(y)};
}

FillStyle solid(Rgba color)
{
    FillStyle fill;
    fill.color = color;
    return fill;
}

LineStyle line(double widthPixels, Rgba color)
{
    LineStyle style;
    style.width = Twips::fromPixels(widthPixels);
    style.color = color;
    return style;
}

void rectangle(Drawing& drawing, double x0, double y0, double x1, double y1)
{
    drawing.moveTo(px(x0, y0));
    drawing.lineTo(px(x1, y0));
    drawing.lineTo(px(x1, y1));
    drawing.lineTo(px(x0, y1));
    drawing.lineTo(px(x0, y0));
}

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

// The drawing on a transparent 40x40 image, a pixel per 20 twips.
QImage render(const Drawing& drawing, const ColorTransform& color = ColorTransform())
{
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    render::paintDrawing(painter, drawing, render::BitmapLibrary(), QTransform::fromScale(1 / 20.0, 1 / 20.0), color);
    return image;
}

bool isColor(QRgb pixel, Rgba color)
{
    return std::abs(qRed(pixel) - color.r) < 8 && std::abs(qGreen(pixel) - color.g) < 8
        && std::abs(qBlue(pixel) - color.b) < 8 && std::abs(qAlpha(pixel) - color.a) < 8;
}

// ---------------------------------------------------------------- pictures

TEST(DrawingTest, FillPaintsInsideAndNothingOutside)
{
    Drawing drawing;
    drawing.beginFill(solid(kRed));
    rectangle(drawing, 10, 10, 30, 30);
    drawing.endFill();
    const QImage image = render(drawing);
    EXPECT_TRUE(isColor(image.pixel(20, 20), kRed));
    EXPECT_TRUE(isColor(image.pixel(10, 10), kRed));
    EXPECT_EQ(qAlpha(image.pixel(5, 20)), 0);
    EXPECT_EQ(qAlpha(image.pixel(31, 20)), 0);
}

TEST(DrawingTest, OpenFillShowsClosedAndEndFillClosesItBackToItsStart)
{
    // Two sides of a square: the fill closes along the diagonal, the lower
    // left triangle is filled.
    Drawing open;
    open.beginFill(solid(kBlue));
    open.moveTo(px(0, 0));
    open.lineTo(px(0, 40));
    open.lineTo(px(40, 40));
    Drawing ended = open;
    ended.endFill();
    EXPECT_EQ(ended.pen(), px(0, 0));
    for (const Drawing* drawing : {&open, &ended}) {
        const QImage image = render(*drawing);
        EXPECT_TRUE(isColor(image.pixel(5, 35), kBlue));
        EXPECT_EQ(qAlpha(image.pixel(35, 5)), 0);
    }
}

TEST(DrawingTest, TheEdgeThatClosesAFillTakesTheLineInEffect)
{
    // Two sides of a square with a line: closing the fill draws the diagonal
    // back to its start with that line, whether endFill or the next fill closes it.
    for (const bool byNextFill : {false, true}) {
        Drawing drawing;
        drawing.setLineStyle(line(4, kRed));
        drawing.beginFill(solid(kBlue));
        drawing.moveTo(px(0, 0));
        drawing.lineTo(px(0, 40));
        drawing.lineTo(px(40, 40));
        if (byNextFill)
            drawing.beginFill(solid(kBlue));
        else
            drawing.endFill();
        const QImage image = render(drawing);
        EXPECT_TRUE(isColor(image.pixel(20, 20), kRed)) << byNextFill;
        EXPECT_TRUE(isColor(image.pixel(21, 19), kRed)) << byNextFill;
        EXPECT_TRUE(isColor(image.pixel(10, 30), kBlue)) << byNextFill;
        EXPECT_EQ(qAlpha(image.pixel(35, 5)), 0) << byNextFill;
    }
}

TEST(DrawingTest, StrokeCoversItsWidth)
{
    Drawing drawing;
    drawing.setLineStyle(line(6, kRed));
    drawing.moveTo(px(5, 20));
    drawing.lineTo(px(35, 20));
    const QImage image = render(drawing);
    for (int y = 17; y <= 22; ++y)
        EXPECT_TRUE(isColor(image.pixel(20, y), kRed)) << "row " << y;
    EXPECT_EQ(qAlpha(image.pixel(20, 15)), 0);
    EXPECT_EQ(qAlpha(image.pixel(20, 24)), 0);
}

TEST(DrawingTest, LinesLieAboveLaterFills)
{
    Drawing drawing;
    drawing.setLineStyle(line(4, kRed));
    drawing.moveTo(px(0, 20));
    drawing.lineTo(px(40, 20));
    drawing.setLineStyle(std::nullopt);
    drawing.beginFill(solid(kBlue));
    rectangle(drawing, 10, 10, 30, 30);
    drawing.endFill();
    const QImage image = render(drawing);
    EXPECT_TRUE(isColor(image.pixel(20, 20), kRed));
    EXPECT_TRUE(isColor(image.pixel(20, 15), kBlue));
}

TEST(DrawingTest, FillsEachPaintTheirOwnAreaButMoveToCutsHoles)
{
    // Two fills of one colour overlap without cancelling out...
    Drawing fills;
    fills.beginFill(solid(kRed));
    rectangle(fills, 0, 0, 30, 30);
    fills.beginFill(solid(kRed));
    rectangle(fills, 10, 10, 40, 40);
    fills.endFill();
    EXPECT_TRUE(isColor(render(fills).pixel(20, 20), kRed));

    // ...while two outlines inside one fill make a ring.
    Drawing ring;
    ring.beginFill(solid(kRed));
    rectangle(ring, 0, 0, 40, 40);
    rectangle(ring, 10, 10, 30, 30);
    ring.endFill();
    const QImage image = render(ring);
    EXPECT_TRUE(isColor(image.pixel(5, 5), kRed));
    EXPECT_EQ(qAlpha(image.pixel(20, 20)), 0);
}

TEST(DrawingTest, CurveStaysInsideItsBounds)
{
    Drawing drawing;
    drawing.beginFill(solid(kRed));
    drawing.moveTo(px(5, 35));
    drawing.curveTo(px(20, -5), px(35, 35));
    drawing.endFill();
    const std::optional<Rect> bounds = drawing.bounds();
    ASSERT_TRUE(bounds);
    // The curve turns at y = 15, half way to its control point.
    EXPECT_EQ(bounds->yMin.get(), 15 * 20);
    EXPECT_EQ(bounds->xMin.get(), 5 * 20);
    EXPECT_EQ(bounds->xMax.get(), 35 * 20);
    const QImage image = render(drawing);
    EXPECT_TRUE(isColor(image.pixel(20, 20), kRed));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 35 && y >= 15 && y < 35;
            if (!inside) {
                EXPECT_EQ(qAlpha(image.pixel(x, y)), 0) << x << "," << y;
            }
        }
    }
}

TEST(DrawingTest, GradientRunsFromFirstToLastColourAcrossItsBox)
{
    FillStyle fill;
    fill.type = FillStyleType::LinearGradient;
    fill.gradient.records = {{0, kRed}, {255, kBlue}};
    // The box 0..40 pixels: the gradient square scaled down to 40 pixels.
    fill.gradient.matrix = Matrix::scale(40 / 1638.4, 40 / 1638.4);
    fill.gradient.matrix.translateX = Twips::fromPixels(20);
    fill.gradient.matrix.translateY = Twips::fromPixels(20);
    Drawing drawing;
    drawing.beginFill(fill);
    rectangle(drawing, 0, 0, 40, 40);
    drawing.endFill();
    const QImage image = render(drawing);
    EXPECT_TRUE(isColor(image.pixel(0, 20), kRed));
    EXPECT_TRUE(isColor(image.pixel(39, 20), kBlue));
    EXPECT_NEAR(qRed(image.pixel(20, 20)), 128, 12);
}

TEST(DrawingTest, ClearRemovesEverythingAndTheLineStyle)
{
    Drawing drawing;
    drawing.setLineStyle(line(2, kRed));
    drawing.beginFill(solid(kRed));
    rectangle(drawing, 10, 10, 30, 30);
    drawing.clear();
    EXPECT_TRUE(drawing.empty());
    EXPECT_FALSE(drawing.bounds());
    // Without a line style nothing shows any more.
    drawing.lineTo(px(30, 30));
    EXPECT_TRUE(drawing.empty());
    const QImage image = render(drawing);
    EXPECT_EQ(qAlpha(image.pixel(20, 20)), 0);
}

TEST(DrawingTest, ColourTransformAppliesToTheDrawing)
{
    Drawing drawing;
    drawing.beginFill(solid(kRed));
    rectangle(drawing, 0, 0, 40, 40);
    ColorTransform toBlue;
    toBlue.rMult = 0;
    toBlue.bAdd = 255;
    EXPECT_TRUE(isColor(render(drawing, toBlue).pixel(20, 20), kBlue));
}

// ---------------------------------------------------------------- geometry

TEST(DrawingTest, BoundsWithAndWithoutStrokes)
{
    Drawing drawing;
    drawing.setLineStyle(line(10, kRed));
    drawing.moveTo(px(0, 0));
    drawing.lineTo(px(100, 0));
    const Rect withStrokes = *drawing.bounds(true);
    const Rect edges = *drawing.bounds(false);
    EXPECT_EQ(withStrokes, (Rect{Twips(-100), Twips(2100), Twips(-100), Twips(100)}));
    EXPECT_EQ(edges, (Rect{Twips(0), Twips(2000), Twips(0), Twips(0)}));
    // A pen that only moved adds nothing.
    drawing.moveTo(px(500, 500));
    EXPECT_EQ(*drawing.bounds(false), edges);
}

TEST(DrawingTest, ContainsFollowsFillsHolesAndStrokes)
{
    Drawing drawing;
    drawing.beginFill(solid(kRed));
    rectangle(drawing, 0, 0, 40, 40);
    rectangle(drawing, 10, 10, 30, 30);
    drawing.endFill();
    drawing.setLineStyle(line(4, kBlue));
    drawing.moveTo(px(100, 0));
    drawing.lineTo(px(100, 40));
    const auto at = [](double x, double y) { return PointF{x * 20, y * 20}; };
    EXPECT_TRUE(drawing.contains(at(5, 5)));
    EXPECT_FALSE(drawing.contains(at(0, 0)));
    EXPECT_FALSE(drawing.contains(at(20, 20)));
    EXPECT_FALSE(drawing.contains(at(50, 20)));
    EXPECT_TRUE(drawing.contains(at(101, 20)));
    EXPECT_FALSE(drawing.contains(at(101, 20), false));
    EXPECT_FALSE(drawing.contains(at(103, 20)));
}

TEST(DrawingTest, OutlineForMasksCoversTheFillsOnly)
{
    Drawing drawing;
    drawing.setLineStyle(line(4, kBlue));
    drawing.beginFill(solid(kRed));
    rectangle(drawing, 0, 0, 40, 40);
    rectangle(drawing, 10, 10, 30, 30);
    drawing.endFill();
    drawing.moveTo(px(100, 0));
    drawing.lineTo(px(100, 40));
    const QPainterPath outline = render::drawingOutline(drawing);
    EXPECT_TRUE(outline.contains(QPointF(5 * 20, 5 * 20)));
    EXPECT_FALSE(outline.contains(QPointF(20 * 20, 20 * 20)));
    EXPECT_FALSE(outline.contains(QPointF(100 * 20, 20 * 20)));
    EXPECT_TRUE(render::drawingOutline(Drawing()).isEmpty());
}

TEST(DrawingTest, ScriptsDrawingInALoopStayBounded)
{
    Drawing drawing;
    // Styles set over and over without drawing take no room.
    for (int i = 0; i < 1000; ++i) {
        drawing.beginFill(solid(Rgba{std::uint8_t(i), 0, 0, 255}));
        drawing.setLineStyle(line(i % 7, kRed));
    }
    drawing.lineTo(px(1, 1));
    EXPECT_EQ(drawing.shape().styles.fillStyles.size(), 1u);
    EXPECT_EQ(drawing.shape().styles.lineStyles.size(), 1u);

    for (std::size_t i = 0; i < Drawing::kMaxEdges + 100; ++i)
        drawing.lineTo(px(double(i % 50), double(i % 30)));
    drawing.endFill();
    EXPECT_LE(drawing.edgeCount(), Drawing::kMaxEdges + 1);
}

// ---------------------------------------------------------------- the methods

class NoStage : public script::ScriptHost {
public:
    script::Object* root(script::Object*) override { return nullptr; }
    script::Object* parent(script::Object*) override { return nullptr; }
    script::Object* child(script::Object*, const std::string&) override { return nullptr; }
    std::string targetPath(script::Object*, bool) override { return "_level0"; }
    void gotoFrame(script::Object*, int, bool) override {}
    bool gotoLabel(script::Object*, const std::string&, bool) override { return false; }
    void play(script::Object*) override {}
    void stop(script::Object*) override {}
    void nextFrame(script::Object*) override {}
    void prevFrame(script::Object*) override {}
    bool frameLoaded(script::Object*, int) override { return true; }
    Value getProperty(script::Object*, int) override { return Value(); }
    void setProperty(script::Object*, int, const Value&) override {}
    void cloneClip(script::Object*, const std::string&, int) override {}
    void removeClip(script::Object*) override {}
    void startDrag(script::Object*, bool, bool, double, double, double, double) override {}
    void stopDrag() override {}
    void getUrl(script::Object*, const std::string&, const std::string&, int, bool, bool) override {}
    void stopSounds() override {}
    void toggleQuality() override {}
    void trace(const std::string&) override {}
    double movieTime() override { return 0; }
    double wallClock() override { return 0; }
    int timeZoneOffsetMinutes(double) override { return 0; }
    std::uint32_t random(std::uint32_t) override { return 0; }
    void scriptAborted(const std::string&) override {}
};

// A machine with a clip prototype carrying the drawing methods; clips made
// by clip() have a drawing each.
struct Stage {
    explicit Stage(int version) : in(host, version)
    {
        prototype = in.newObject();
        runtime::installDrawingMethods(in, prototype, [this](script::Object* clip) -> Drawing* {
            if (clip->objectClass() != script::ObjectClass::Clip)
                return nullptr;
            return &drawings[clip];
        });
    }
    script::Object* clip()
    {
        script::Object* object = in.newObject(prototype);
        object->setObjectClass(script::ObjectClass::Clip);
        return object;
    }
    Value array(std::vector<Value> items) { return in.newArray(items); }
    script::Object* object(std::vector<std::pair<std::string, Value>> members)
    {
        script::Object* o = in.newObject();
        for (const auto& [name, value] : members)
            o->put(name, value);
        return o;
    }

    NoStage host;
    script::Interpreter in;
    script::Object* prototype = nullptr;
    std::map<script::Object*, Drawing> drawings;
};

TEST(DrawingMethodsTest, MethodsExistFromVersion6AndDoNotEnumerate)
{
    for (int version : {5, 6, 7, 8}) {
        Stage stage(version);
        for (const char* name : {"lineStyle", "beginFill", "beginGradientFill", "moveTo", "lineTo", "curveTo",
                                 "endFill", "clear"}) {
            const script::Property* property = stage.prototype->findOwn(name);
            EXPECT_EQ(property != nullptr, version >= 6) << name << " in " << version;
            if (property) {
                EXPECT_TRUE(property->flags & script::PropertyFlag::DontEnum) << name;
            }
        }
        EXPECT_EQ(stage.prototype->findOwn("beginBitmapFill") != nullptr, version >= 8);
    }
}

TEST(DrawingMethodsTest, LineGradientStyleStrokesTheLastLineStyleWithAGradient)
{
    Stage stage(8);
    script::Object* clip = stage.clip();
    // Without a line style first it changes nothing.
    stage.in.callMethod(clip, "lineGradientStyle", {"linear", stage.array({0xFF0000, 0x0000FF}), stage.array({100, 100}),
                                                   stage.array({0, 255})});
    EXPECT_FALSE(stage.drawings[clip].lineStyle());
    stage.in.callMethod(clip, "lineStyle", {4, 0x00FF00});
    const Value box = stage.object({{"matrixType", "box"}, {"x", 0}, {"y", 0}, {"w", 40}, {"h", 40}, {"r", 0}});
    stage.in.callMethod(clip, "lineGradientStyle", {"linear", stage.array({0xFF0000, 0x0000FF}), stage.array({100, 100}),
                                                   stage.array({0, 255}), box});
    const std::optional<LineStyle> style = stage.drawings[clip].lineStyle();
    ASSERT_TRUE(style);
    EXPECT_TRUE(style->hasFill);
    EXPECT_EQ(style->width, Twips::fromPixels(4));
    EXPECT_EQ(style->fill.type, FillStyleType::LinearGradient);
    EXPECT_EQ(style->fill.gradient.records.size(), 2u);
    // A gradient that cannot be made leaves the line as it was.
    stage.in.callMethod(clip, "lineGradientStyle", {"nonsense"});
    EXPECT_TRUE(stage.drawings[clip].lineStyle()->hasFill);
    EXPECT_EQ(Stage(7).prototype->findOwn("lineGradientStyle"), nullptr);
}

TEST(DrawingMethodsTest, PenMethodsTakePixelsAndIgnoreMissingArguments)
{
    Stage stage(7);
    script::Object* clip = stage.clip();
    stage.in.callMethod(clip, "lineStyle", {1});
    stage.in.callMethod(clip, "moveTo", {10, 20.5});
    EXPECT_EQ(stage.drawings[clip].pen(), (Point{Twips(200), Twips(410)}));
    stage.in.callMethod(clip, "lineTo", {30});
    stage.in.callMethod(clip, "curveTo", {1, 2, 3});
    EXPECT_TRUE(stage.drawings[clip].empty());
    stage.in.callMethod(clip, "lineTo", {Value("30"), Value()});
    EXPECT_EQ(stage.drawings[clip].pen(), (Point{Twips(600), Twips(0)}));
    stage.in.callMethod(clip, "lineTo", {1e300, -1e300});
    EXPECT_EQ(stage.drawings[clip].pen(),
              (Point{Twips(Drawing::kCoordinateLimit), Twips(-Drawing::kCoordinateLimit)}));
    EXPECT_EQ(stage.drawings[clip].edgeCount(), 2u);

    // On an object that is not a clip the methods do nothing.
    script::Object* plain = stage.in.newObject(stage.prototype);
    stage.in.callMethod(plain, "lineTo", {5, 5});
    EXPECT_FALSE(stage.drawings.count(plain));
}

TEST(DrawingMethodsTest, LineStyleArguments)
{
    struct Case {
        const char* what;
        int version;
        std::vector<Value> args;
        std::optional<int> widthTwips; // none: no line
        Rgba color;
        CapStyle cap = CapStyle::Round;
        JoinStyle join = JoinStyle::Round;
        bool noHScale = false;
        bool noVScale = false;
    };
    const Case cases[] = {
        {"no arguments", 7, {}, std::nullopt, {}},
        {"undefined thickness", 7, {Value(), 0xFF0000}, std::nullopt, {}},
        {"hairline, black, opaque", 7, {0}, 0, {0, 0, 0, 255}},
        {"thickness held to 0..255", 7, {300, 0x00FF00, 50}, 255 * 20, {0, 255, 0, 127}},
        {"negative thickness", 7, {-3, 0x0000FF, 150}, 0, {0, 0, 255, 255}},
        {"colour above 24 bits", 7, {2, 0x12345678}, 40, {0x34, 0x56, 0x78, 255}},
        {"SWF 7 has no caps", 7, {1, 0, 100, true, "none", "square", "miter"}, 20, {0, 0, 0, 255}},
        {"SWF 8 caps and joins", 8, {1, 0, 100, true, "none", "square", "miter"}, 20, {0, 0, 0, 255},
         CapStyle::Square, JoinStyle::Miter, true, true},
        {"vertical", 8, {1, 0, 100, false, "vertical", "none", "bevel"}, 20, {0, 0, 0, 255}, CapStyle::None,
         JoinStyle::Bevel, false, true},
    };
    for (const Case& c : cases) {
        Stage stage(c.version);
        const std::optional<LineStyle> style = runtime::lineStyleFromArguments(stage.in, c.args);
        ASSERT_EQ(style.has_value(), c.widthTwips.has_value()) << c.what;
        if (!style)
            continue;
        EXPECT_EQ(style->width.get(), *c.widthTwips) << c.what;
        EXPECT_EQ(style->color, c.color) << c.what;
        EXPECT_EQ(style->startCap, c.cap) << c.what;
        EXPECT_EQ(style->join, c.join) << c.what;
        EXPECT_EQ(style->noHScale, c.noHScale) << c.what;
        EXPECT_EQ(style->noVScale, c.noVScale) << c.what;
    }
}

TEST(DrawingMethodsTest, BeginFillWithoutColourOnlyEndsTheFill)
{
    Stage stage(6);
    EXPECT_FALSE(runtime::solidFillFromArguments(stage.in, {}));
    EXPECT_EQ(runtime::solidFillFromArguments(stage.in, {0xFF}).value().color, (Rgba{0, 0, 255, 255}));

    script::Object* clip = stage.clip();
    stage.in.callMethod(clip, "beginFill", {0xFF0000});
    stage.in.callMethod(clip, "lineTo", {10, 0});
    stage.in.callMethod(clip, "lineTo", {10, 10});
    stage.in.callMethod(clip, "beginFill", {});
    Drawing& drawing = stage.drawings[clip];
    EXPECT_FALSE(drawing.hasFill());
    EXPECT_EQ(drawing.pen(), (Point{}));
    EXPECT_EQ(drawing.edgeCount(), 3u);
}

TEST(DrawingMethodsTest, GradientFillArguments)
{
    Stage stage(8);
    auto box = [&](double x, double y, double w, double h, double r) {
        return Value(stage.object({{"matrixType", "box"}, {"x", x}, {"y", y}, {"w", w}, {"h", h}, {"r", r}}));
    };
    const Value colors = stage.array({0xFF0000, 0x0000FF});
    const Value alphas = stage.array({100, 50});
    const Value ratios = stage.array({0, 300});

    // Refused: another type, arrays of other lengths, a matrix with a field missing.
    EXPECT_FALSE(runtime::gradientFillFromArguments(stage.in, {"conic", colors, alphas, ratios, box(0, 0, 1, 1, 0)}));
    EXPECT_FALSE(runtime::gradientFillFromArguments(
        stage.in, {"linear", colors, stage.array({100}), ratios, box(0, 0, 1, 1, 0)}));
    EXPECT_FALSE(runtime::gradientFillFromArguments(
        stage.in, {"linear", colors, alphas, ratios, Value(stage.object({{"matrixType", "box"}, {"x", 0}}))}));
    EXPECT_FALSE(runtime::gradientFillFromArguments(stage.in, {"linear", colors, alphas, ratios}));

    const std::optional<FillStyle> linear
        = runtime::gradientFillFromArguments(stage.in, {"linear", colors, alphas, ratios, box(10, 20, 100, 50, 0)});
    ASSERT_TRUE(linear);
    EXPECT_EQ(linear->type, FillStyleType::LinearGradient);
    ASSERT_EQ(linear->gradient.records.size(), 2u);
    EXPECT_EQ(linear->gradient.records[1].ratio, 255);
    EXPECT_EQ(linear->gradient.records[1].color, (Rgba{0, 0, 255, 127}));
    // The gradient square's corners land on the box's.
    const PointF corner = linear->gradient.matrix.apply(16384.0, 16384.0);
    EXPECT_NEAR(corner.x, 110 * 20, 1);
    EXPECT_NEAR(corner.y, 70 * 20, 1);

    // The 3x3 form maps a gradient one pixel across: a = 200 spans 200 pixels.
    const Value nine(stage.object({{"a", 200}, {"b", 0}, {"c", 0}, {"d", 0}, {"e", 100}, {"f", 0}, {"g", 50},
                                   {"h", 60}, {"i", 1}}));
    const std::optional<FillStyle> radial = runtime::gradientFillFromArguments(
        stage.in, {"radial", colors, alphas, ratios, nine, "reflect", "linearRGB", 0.5});
    ASSERT_TRUE(radial);
    EXPECT_EQ(radial->type, FillStyleType::FocalRadialGradient);
    EXPECT_EQ(radial->gradient.spread, SpreadMode::Reflect);
    EXPECT_EQ(radial->gradient.interpolation, InterpolationMode::LinearRgb);
    EXPECT_DOUBLE_EQ(radial->gradient.focalPoint, 0.5);
    const PointF right = radial->gradient.matrix.apply(16384.0, 0.0);
    EXPECT_NEAR(right.x, (50 + 100) * 20, 1);
    EXPECT_NEAR(right.y, 60 * 20, 1);

    // At most 15 colours are kept.
    std::vector<Value> many(20, Value(0));
    const std::optional<FillStyle> crowded = runtime::gradientFillFromArguments(
        stage.in, {"linear", stage.array(many), stage.array(many), stage.array(many), box(0, 0, 1, 1, 0)});
    ASSERT_TRUE(crowded);
    EXPECT_EQ(crowded->gradient.records.size(), 15u);
}

} // namespace
} // namespace swf
