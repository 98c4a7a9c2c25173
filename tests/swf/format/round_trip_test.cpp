// Every record kind written by the writer reads back as the same record.

#include "swf/format/reader.h"
#include "swf/format/shape_builder.h"
#include "swf/format/writer.h"

#include <gtest/gtest.h>

using namespace swf;

namespace {

Tag roundTrip(const Tag& tag, std::uint8_t swfVersion)
{
    const Bytes bytes = writeTag(tag, swfVersion);
    TagStream stream(bytes);
    auto raw = stream.next();
    if (!raw || stream.next())
        return UnknownTag{0xFFFF, {}};
    auto back = readTag(*raw, swfVersion);
    return back ? *back : Tag(UnknownTag{0xFFFE, {}});
}

Matrix someMatrix()
{
    Matrix m;
    m.scaleX = 1.5;
    m.scaleY = -0.25;
    m.rotateSkew0 = 0.125;
    m.rotateSkew1 = -2;
    m.translateX = Twips(-1234);
    m.translateY = Twips(5678);
    return m;
}

ColorTransform someColorTransform()
{
    ColorTransform t;
    t.rMult = 0.5;
    t.gMult = 1.25;
    t.aMult = 0.75;
    t.rAdd = -255;
    t.bAdd = 100;
    t.aAdd = 12;
    return t;
}

Gradient someGradient(bool alpha)
{
    Gradient g;
    g.matrix = someMatrix();
    g.spread = SpreadMode::Reflect;
    g.interpolation = InterpolationMode::LinearRgb;
    g.records = {{0, {255, 0, 0, std::uint8_t(alpha ? 128 : 255)}}, {128, {0, 255, 0, 255}}, {255, {0, 0, 255, 255}}};
    return g;
}

Shape someShape(int version)
{
    const bool alpha = version >= 3;
    Shape s;
    FillStyle solid = solidFill({10, 20, 30, std::uint8_t(alpha ? 40 : 255)});
    FillStyle linear;
    linear.type = FillStyleType::LinearGradient;
    linear.gradient = someGradient(alpha);
    FillStyle focal = linear;
    focal.type = FillStyleType::FocalRadialGradient;
    focal.gradient.focalPoint = -0.5;
    FillStyle bitmap;
    bitmap.type = FillStyleType::NonSmoothedClippedBitmap;
    bitmap.bitmapId = 7;
    bitmap.bitmapMatrix = someMatrix();
    s.styles.fillStyles = {solid, linear, focal, bitmap};
    LineStyle line = solidLine(Twips(40), {1, 2, 3, std::uint8_t(alpha ? 4 : 255)});
    if (version >= 4) {
        line.isLineStyle2 = true;
        line.startCap = CapStyle::Square;
        line.endCap = CapStyle::None;
        line.join = JoinStyle::Miter;
        line.miterLimit = 2.5;
        line.noHScale = true;
        line.pixelHinting = true;
        line.noClose = true;
        LineStyle filled = line;
        filled.join = JoinStyle::Bevel;
        filled.miterLimit = 3;
        filled.hasFill = true;
        filled.fill = linear;
        filled.color = Rgba{0, 0, 0, 255};
        s.styles.lineStyles = {line, filled};
    } else {
        s.styles.lineStyles = {line};
    }
    StyleChangeRecord start;
    start.moveTo = Point{Twips(-100), Twips(200)};
    start.fillStyle0 = 0;
    start.fillStyle1 = 2;
    start.lineStyle = 1;
    s.records.emplace_back(start);
    s.records.emplace_back(StraightEdgeRecord{Twips(300), Twips(0)});   // horizontal
    s.records.emplace_back(StraightEdgeRecord{Twips(0), Twips(-70000)}); // vertical, longer than one record holds... split
    s.records.emplace_back(StraightEdgeRecord{Twips(-5), Twips(7)});     // general
    s.records.emplace_back(CurvedEdgeRecord{Twips(10), Twips(-20), Twips(30), Twips(-40)});
    if (version >= 2) {
        StyleChangeRecord fresh;
        ShapeStyles styles;
        // More than 255 fills needs the extended count.
        for (int i = 0; i < 300; ++i)
            styles.fillStyles.push_back(solidFill({std::uint8_t(i), 0, 0, 255}));
        styles.lineStyles = {solidLine(Twips(1), {9, 9, 9, 255})};
        styles.lineStyles[0].isLineStyle2 = version >= 4;
        fresh.newStyles = styles;
        fresh.fillStyle1 = 300;
        s.records.emplace_back(fresh);
        s.records.emplace_back(StraightEdgeRecord{Twips(1), Twips(1)});
    }
    return s;
}

// The long vertical edge of someShape() is split in two by the writer, so it
// is compared after splitting it the same way.
Shape asWritten(Shape s)
{
    for (std::size_t i = 0; i < s.records.size(); ++i) {
        auto* e = std::get_if<StraightEdgeRecord>(&s.records[i]);
        if (e && e->deltaY == Twips(-70000)) {
            *e = StraightEdgeRecord{Twips(0), Twips(-35000)};
            s.records.insert(s.records.begin() + std::ptrdiff_t(i) + 1, StraightEdgeRecord{Twips(0), Twips(-35000)});
            break;
        }
    }
    return s;
}

std::vector<Filter> everyFilter()
{
    std::vector<Filter> filters;
    auto add = [&](FilterType type, std::size_t size, std::vector<std::uint8_t> head = {}) {
        Filter f;
        f.type = type;
        f.data = head;
        f.data.resize(size, 0x5A);
        filters.push_back(f);
    };
    add(FilterType::DropShadow, 23);
    add(FilterType::Blur, 9);
    add(FilterType::Glow, 15);
    add(FilterType::Bevel, 27);
    add(FilterType::GradientGlow, 1 + 2 * 5 + 19, {2});
    add(FilterType::Convolution, 2 + 4 + 4 + 4 * 6 + 4 + 1, {3, 2});
    add(FilterType::ColorMatrix, 80);
    add(FilterType::GradientBevel, 1 + 1 * 5 + 19, {1});
    return filters;
}

struct Case {
    const char* name;
    Tag tag;
    Tag expected; // what reads back (usually the tag itself)
    std::uint8_t swfVersion = 10;
};

std::vector<Case> cases()
{
    std::vector<Case> c;
    auto same = [&](const char* name, Tag t, std::uint8_t v = 10) { c.push_back({name, t, t, v}); };

    same("ShowFrame", ShowFrame{});
    same("End", End{});
    same("SetBackgroundColor", SetBackgroundColor{{12, 34, 56, 255}});
    same("FrameLabel", FrameLabel{"第一页", false});
    same("FrameLabel anchor", FrameLabel{"anchor", true});

    for (int v = 1; v <= 4; ++v) {
        DefineShape d;
        d.version = std::uint8_t(v);
        d.id = std::uint16_t(100 + v);
        d.bounds = {Twips(-200), Twips(400), Twips(-70200), Twips(300)};
        d.edgeBounds = v >= 4 ? Rect{Twips(-180), Twips(380), Twips(-70000), Twips(280)} : d.bounds;
        d.usesFillWindingRule = v >= 4;
        d.usesScalingStrokes = v >= 4;
        d.shape = someShape(v);
        DefineShape expected = d;
        expected.shape = asWritten(d.shape);
        static const char* names[] = {"", "DefineShape", "DefineShape2", "DefineShape3", "DefineShape4"};
        c.push_back({names[v], d, expected});
    }

    for (int v = 1; v <= 2; ++v) {
        DefineMorphShape m;
        m.version = std::uint8_t(v);
        m.id = 9;
        m.startBounds = {Twips(0), Twips(100), Twips(0), Twips(100)};
        m.endBounds = {Twips(-50), Twips(150), Twips(0), Twips(300)};
        if (v == 2) {
            m.startEdgeBounds = m.startBounds;
            m.endEdgeBounds = m.endBounds;
            m.usesNonScalingStrokes = true;
        }
        MorphFillStyle solid;
        solid.startColor = {255, 0, 0, 255};
        solid.endColor = {0, 0, 255, 128};
        MorphFillStyle focal;
        focal.type = FillStyleType::FocalRadialGradient;
        focal.startGradientMatrix = someMatrix();
        focal.endGradientMatrix = Matrix::scale(2, 2);
        focal.spread = SpreadMode::Repeat;
        focal.gradient = {{0, {1, 2, 3, 4}, 10, {5, 6, 7, 8}}, {255, {9, 9, 9, 9}, 200, {0, 0, 0, 0}}};
        focal.startFocalPoint = 0.5;
        focal.endFocalPoint = -0.75;
        MorphFillStyle bitmap;
        bitmap.type = FillStyleType::RepeatingBitmap;
        bitmap.bitmapId = 3;
        bitmap.startBitmapMatrix = Matrix::scale(20, 20);
        bitmap.endBitmapMatrix = someMatrix();
        m.fillStyles = {solid, focal, bitmap};
        MorphLineStyle line;
        line.startWidth = Twips(20);
        line.endWidth = Twips(200);
        line.startColor = {0, 0, 0, 255};
        line.endColor = {255, 255, 255, 0};
        m.lineStyles = {line};
        if (v == 2) {
            MorphLineStyle filled;
            filled.isLineStyle2 = true;
            filled.startWidth = Twips(1);
            filled.endWidth = Twips(2);
            filled.join = JoinStyle::Miter;
            filled.miterLimit = 1.5;
            filled.hasFill = true;
            filled.fill = focal;
            m.lineStyles[0].isLineStyle2 = true;
            m.lineStyles.push_back(filled);
        }
        StyleChangeRecord s;
        s.moveTo = Point{Twips(0), Twips(0)};
        s.fillStyle1 = 2;
        s.lineStyle = 1;
        m.startEdges = {s, StraightEdgeRecord{Twips(100), Twips(0)}, CurvedEdgeRecord{Twips(0), Twips(50), Twips(-100), Twips(50)}};
        StyleChangeRecord e;
        e.moveTo = Point{Twips(-50), Twips(0)};
        m.endEdges = {e, StraightEdgeRecord{Twips(200), Twips(0)}, CurvedEdgeRecord{Twips(0), Twips(150), Twips(-200), Twips(150)}};
        same(v == 1 ? "DefineMorphShape" : "DefineMorphShape2", m);
    }

    PlaceObject p1;
    p1.version = 1;
    p1.characterId = 5;
    p1.depth = 3;
    p1.matrix = someMatrix();
    same("PlaceObject without colour transform", p1);
    p1.colorTransform = someColorTransform();
    p1.colorTransform->aMult = 1; // no alpha in PlaceObject's colour transform
    p1.colorTransform->aAdd = 0;
    same("PlaceObject with colour transform", p1);

    PlaceObject p2;
    p2.version = 2;
    p2.depth = 65535;
    p2.isMove = true;
    p2.characterId = 2;
    p2.matrix = someMatrix();
    p2.colorTransform = someColorTransform();
    p2.ratio = 40000;
    p2.name = "ball";
    p2.clipDepth = 20;
    ClipAction load{0x00000001, 0, {0x07, 0x00}};
    ClipAction key{0x00020000, 65, {0x06, 0x00}};
    p2.allEventFlags = 0x00020001;
    p2.clipActions = {load, key};
    same("PlaceObject2 with every field", p2, 6);
    PlaceObject p2v5 = p2;
    p2v5.clipActions = {ClipAction{0x0080, 0, {0x06, 0x00}}};
    p2v5.allEventFlags = 0x0080;
    same("PlaceObject2 clip actions in a version 5 movie", p2v5, 5);
    PlaceObject modify;
    modify.version = 2;
    modify.depth = 1;
    modify.isMove = true;
    modify.matrix = Matrix();
    same("PlaceObject2 move only", modify);

    PlaceObject p3 = p2;
    p3.version = 3;
    p3.className = "flash.display.Sprite";
    p3.hasImage = true;
    p3.filters = everyFilter();
    p3.blendMode = BlendMode::HardLight;
    p3.cacheAsBitmap = true;
    p3.visible = false;
    p3.backgroundColor = Rgba{1, 2, 3, 4};
    same("PlaceObject3 with every field", p3, 10);

    same("RemoveObject", RemoveObject{1, 12, 34});
    same("RemoveObject2", RemoveObject{2, 0, 34});

    DefineSprite inner;
    inner.id = 40;
    inner.frameCount = 2;
    inner.tags = {Tag(modify), Tag(ShowFrame{}), Tag(FrameLabel{"x", false}), Tag(ShowFrame{}), Tag(End{})};
    same("DefineSprite", inner);

    same("DefineBits", DefineBits{4, {0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9}});
    same("JpegTables", JpegTables{{0xFF, 0xD8, 0xFF, 0xDB, 0xFF, 0xD9}});
    same("DefineBitsJpeg2", DefineBitsJpeg{2, 5, {0x89, 'P', 'N', 'G', 1, 2}, {}, 0});
    same("DefineBitsJpeg3", DefineBitsJpeg{3, 6, {0xFF, 0xD8, 9, 0xFF, 0xD9}, {0x78, 0x9C, 1, 2, 3}, 0});
    same("DefineBitsJpeg4", DefineBitsJpeg{4, 7, {0xFF, 0xD8, 9, 0xFF, 0xD9}, {0x78, 0x9C, 4}, 0x0180});
    same("DefineBitsLossless colour-mapped", DefineBitsLossless{1, 8, 3, 13, 7, 256, {0x78, 0x9C, 5}});
    same("DefineBitsLossless2 ARGB", DefineBitsLossless{2, 9, 5, 640, 480, 0, {0x78, 0x9C, 6}});

    Shape glyph;
    StyleChangeRecord g0;
    g0.moveTo = Point{Twips(0), Twips(-700)};
    g0.fillStyle1 = 1;
    glyph.records = {g0, StraightEdgeRecord{Twips(500), Twips(0)}, StraightEdgeRecord{Twips(0), Twips(700)},
                     CurvedEdgeRecord{Twips(-250), Twips(100), Twips(-250), Twips(-100)}};
    DefineFont f1;
    f1.version = 1;
    f1.id = 11;
    f1.wideCodes = false;
    f1.glyphs = {glyph, Shape{}, glyph};
    same("DefineFont", f1);
    for (int v = 2; v <= 3; ++v) {
        DefineFont f;
        f.version = std::uint8_t(v);
        f.id = 12;
        f.name = "宋体";
        f.languageCode = 2;
        f.hasLayout = true;
        f.smallText = true;
        f.wideCodes = v == 3;
        f.italic = true;
        f.bold = true;
        f.glyphs = {glyph, glyph};
        f.codeTable = {'A', std::uint16_t(v == 3 ? 0x4E2D : 'B')};
        f.ascent = 900;
        f.descent = 200;
        f.leading = -20;
        f.advances = {512, -3};
        f.glyphBounds = {Rect{Twips(0), Twips(500), Twips(-700), Twips(0)}, Rect{}};
        f.kerning = {{'A', 'B', -40}};
        same(v == 2 ? "DefineFont2" : "DefineFont3", f);
        f.hasLayout = false;
        f.advances.clear();
        f.glyphBounds.clear();
        f.kerning.clear();
        f.ascent = f.descent = 0;
        f.leading = 0;
        f.wideOffsets = true;
        same(v == 2 ? "DefineFont2 wide offsets, no layout" : "DefineFont3 wide offsets, no layout", f);
    }
    DefineFont empty;
    empty.version = 2;
    empty.id = 13;
    empty.name = "Arial";
    empty.wideCodes = false;
    same("DefineFont2 device font without glyphs", empty);

    same("DefineFontInfo", DefineFontInfo{1, 11, "Times", true, false, true, false, true, false, 0, {'a', 'b', 'c'}});
    same("DefineFontInfo2", DefineFontInfo{2, 11, "黑体", false, false, false, true, false, true, 2, {0x4E2D, 0x6587}});

    for (int v = 1; v <= 2; ++v) {
        DefineText t;
        t.version = std::uint8_t(v);
        t.id = 20;
        t.bounds = {Twips(0), Twips(2000), Twips(-300), Twips(100)};
        t.matrix = Matrix::translation(Twips(10), Twips(20));
        TextRecord first;
        first.fontId = 12;
        first.height = Twips(240);
        first.color = Rgba{255, 0, 0, std::uint8_t(v == 2 ? 100 : 255)};
        first.xOffset = Twips(-15);
        first.yOffset = Twips(200);
        first.glyphs = {{0, 300}, {1, -20}, {1000, 0}};
        TextRecord second;
        second.yOffset = Twips(500);
        second.glyphs = {{2, 120}};
        t.records = {first, second};
        same(v == 1 ? "DefineText" : "DefineText2", t);
    }

    DefineEditText full;
    full.id = 30;
    full.bounds = {Twips(-40), Twips(4000), Twips(-40), Twips(800)};
    full.wordWrap = full.multiline = full.password = full.readOnly = full.autoSize = true;
    full.noSelect = full.border = full.wasStatic = full.html = full.useOutlines = true;
    full.fontId = 12;
    full.fontClass = "MyFont";
    full.height = Twips(360);
    full.color = Rgba{1, 2, 3, 200};
    full.maxLength = 80;
    full.layout = EditTextLayout{TextAlign::Justify, Twips(40), Twips(60), Twips(80), Twips(-20)};
    full.variableName = "_root.answer";
    full.initialText = "<p>你好</p>";
    same("DefineEditText with every field", full);
    DefineEditText minimal;
    minimal.id = 31;
    same("DefineEditText minimal", minimal);

    ButtonRecord up;
    up.stateUp = true;
    up.stateOver = true;
    up.characterId = 5;
    up.depth = 1;
    up.matrix = someMatrix();
    ButtonRecord hit = up;
    hit.stateUp = hit.stateOver = false;
    hit.stateHitTest = true;
    hit.depth = 2;
    DefineButton b1;
    b1.version = 1;
    b1.id = 50;
    b1.records = {up, hit};
    b1.actions = {0x07, 0x00};
    same("DefineButton", b1);
    DefineButton b2;
    b2.version = 2;
    b2.id = 51;
    b2.trackAsMenu = true;
    up.colorTransform = someColorTransform();
    up.filters = {everyFilter()[1]};
    up.blendMode = BlendMode::Multiply;
    b2.records = {up, hit};
    b2.condActions = {{0x0008, {0x06, 0x00}}, {std::uint16_t((13 << 1) | 1), {0x07, 0x00}}};
    same("DefineButton2", b2);
    DefineButton b2NoActions = b2;
    b2NoActions.condActions.clear();
    same("DefineButton2 without actions", b2NoActions);

    same("DoAction", DoAction{{0x96, 0x02, 0x00, 0x00, 0x01, 0x00}});
    same("DoInitAction", DoInitAction{40, {0x07, 0x00}});
    same("UnknownTag kept with its bytes", UnknownTag{777 & 0x3FF, {1, 2, 3}});
    same("UnknownTag long form", UnknownTag{14, Bytes(1000, 0xAB)});
    return c;
}

} // namespace

TEST(RoundTrip, EveryRecordKindReadsBackAsWritten)
{
    for (const Case& c : cases()) {
        const Tag back = roundTrip(c.tag, c.swfVersion);
        EXPECT_EQ(back.code(), c.tag.code()) << c.name;
        EXPECT_TRUE(back == c.expected) << c.name;
    }
}

TEST(RoundTrip, WholeMovieInEveryContainer)
{
    Movie movie;
    movie.header.version = 8;
    movie.header.frameSize = {Twips(0), Twips(11000), Twips(0), Twips(8000)};
    movie.header.frameRate88 = 0x1880; // 24.5 fps
    for (const Case& c : cases())
        if (!std::holds_alternative<End>(c.tag))
            movie.tags.push_back(c.tag);
    movie.tags.push_back(ShowFrame{});
    movie.header.frameCount = 1;
    for (Compression kind : {Compression::None, Compression::Zlib, Compression::Lzma}) {
        const Bytes bytes = writeMovie(movie, kind);
        const char signature = kind == Compression::None ? 'F' : kind == Compression::Zlib ? 'C' : 'Z';
        ASSERT_EQ(char(bytes[0]), signature);
        auto back = readMovie(std::span<const std::uint8_t>(bytes));
        ASSERT_TRUE(back.ok()) << back.error().message;
        EXPECT_EQ(back->header.compression, kind);
        EXPECT_EQ(back->header.version, 8);
        EXPECT_EQ(back->header.frameSize, movie.header.frameSize);
        EXPECT_DOUBLE_EQ(back->header.frameRate(), 24.5);
        EXPECT_EQ(back->header.frameCount, 1);
        EXPECT_FALSE(back->truncated);
        EXPECT_TRUE(back->warnings.empty());
        // The writer ends the stream with End.
        ASSERT_EQ(back->tags.size(), movie.tags.size() + 1);
        EXPECT_TRUE(std::holds_alternative<End>(back->tags.back()));
    }
}
