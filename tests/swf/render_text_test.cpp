// Text drawn: static text from embedded glyphs placed by offsets and
// advances, edit text with device fonts, alignment, wrapping and HTML.

#include "swf/format/shape_builder.h"
#include "swf/render/text_field_layout.h"
#include "swf/render/text_field_painter.h"
#include "swf/render/painters.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>

namespace swf::render {
namespace {

// A font whose glyph 0 is a full em square standing on the baseline, for 'A'.
DefineFont squareFont(std::uint16_t id, int version = 2)
{
    DefineFont font;
    font.version = std::uint8_t(version);
    font.id = id;
    const int em = version == 3 ? 20480 : 1024;
    ShapeBuilder glyph;
    glyph.setStyles(1, 0);
    glyph.rectangle({Twips(0), Twips(em), Twips(-em), Twips(0)});
    font.glyphs = {glyph.shape()};
    font.codeTable = {u'A'};
    font.hasLayout = true;
    font.ascent = std::uint16_t(em * 0.8);
    font.descent = std::uint16_t(em * 0.2);
    font.advances = {std::int16_t(em)};
    return font;
}

QImage canvas(QSize size = {100, 40})
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

const QTransform kPixels = QTransform::fromScale(1 / 20.0, 1 / 20.0);

// The columns and rows that have any dark ink.
QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(RenderTextTest, StaticTextPlacesScaledGlyphsByOffsetsAndAdvances)
{
    for (int version : {2, 3}) {
        SCOPED_TRACE(version);
        FontLibrary fonts;
        fonts.add(squareFont(1, version));
        DefineText text;
        TextRecord record;
        record.fontId = 1;
        record.height = Twips::fromPixels(10);
        record.color = Rgba{255, 0, 0, 255};
        record.xOffset = Twips::fromPixels(5);
        record.yOffset = Twips::fromPixels(20);
        // Two glyphs 15 pixels apart: squares at 5..15 and 20..30, rows 10..20.
        record.glyphs = {{0, Twips::fromPixels(15).get()}, {0, Twips::fromPixels(15).get()}};
        text.records = {record};

        QImage image = canvas();
        QPainter painter(&image);
        paintStaticText(painter, text, fonts, kPixels, ColorTransform());
        painter.end();
        EXPECT_EQ(image.pixel(10, 15), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(25, 15), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(17, 15), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(10, 22), qRgb(255, 255, 255));
    }
}

TEST(RenderTextTest, StaticTextIsBuiltOncePerCharacter)
{
    CharacterCache cache;
    cache.addDefinition(Tag(squareFont(1)));
    DefineText text;
    text.id = 9;
    text.matrix = Matrix::translation(Twips(200), Twips(0));
    TextRecord record;
    record.fontId = 1;
    record.height = Twips(200);
    record.yOffset = Twips(400);
    record.glyphs = {{0, 200}};
    text.records = {record};
    const StaticTextGeometry& built = cache.staticText(text);
    EXPECT_EQ(&cache.staticText(text), &built);
    ASSERT_EQ(built.runs.size(), 1u);
    // The glyph square 0..200 x 200..400 twips, moved by the text's matrix when drawn.
    EXPECT_EQ(built.runs[0].outlines.boundingRect(), QRectF(0, 200, 200, 200));
    QImage image = canvas();
    QPainter painter(&image);
    paintStaticText(painter, built, kPixels, ColorTransform());
    painter.end();
    EXPECT_EQ(inkBounds(image), QRect(10, 10, 10, 10));
}

TEST(RenderTextTest, StaticTextInAFontWithoutOutlinesUsesAnInstalledFont)
{
    // Chinese movies often name 宋体 and bring only the character codes.
    DefineFont font;
    font.version = 2;
    font.id = 2;
    font.name = "宋体";
    font.glyphs = {Shape(), Shape()};
    font.codeTable = {u'教', u'学'};
    FontLibrary fonts;
    fonts.add(font);
    DefineText text;
    TextRecord record;
    record.fontId = 2;
    record.height = Twips::fromPixels(16);
    record.xOffset = Twips::fromPixels(10);
    record.yOffset = Twips::fromPixels(30);
    record.glyphs = {{0, Twips::fromPixels(20).get()}, {1, Twips::fromPixels(20).get()}};
    text.records = {record};
    QImage image = canvas();
    QPainter painter(&image);
    paintStaticText(painter, text, fonts, kPixels, ColorTransform());
    painter.end();
    const QRect ink = inkBounds(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 9);
    EXPECT_LE(ink.bottom(), 31);
    EXPECT_GT(ink.right(), 35); // the second character, 20 pixels on
}

TEST(RenderTextTest, StaticTextWithAMissingFontOrGlyphDrawsNothing)
{
    FontLibrary fonts;
    fonts.add(squareFont(1));
    DefineText text;
    TextRecord record;
    record.fontId = 7;
    record.height = Twips(200);
    record.glyphs = {{0, 100}};
    TextRecord pastTable;
    pastTable.fontId = 1;
    pastTable.height = Twips(200);
    pastTable.glyphs = {{40, 100}};
    text.records = {record, pastTable};
    QImage image = canvas();
    QPainter painter(&image);
    paintStaticText(painter, text, fonts, kPixels, ColorTransform());
    painter.end();
    EXPECT_TRUE(inkBounds(image).isEmpty());
}

DefineEditText field(const std::string& text)
{
    DefineEditText edit;
    edit.bounds = {Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(60)};
    edit.height = Twips::fromPixels(12);
    edit.color = Rgba{0, 0, 0, 255};
    edit.initialText = text;
    edit.multiline = true;
    return edit;
}

// A field placed from its record, laid out and drawn as the stage draws it.
QImage renderField(const DefineEditText& edit, const FontLibrary& fonts = FontLibrary(), QColor background = Qt::white,
                   const QTransform& toDevice = kPixels, QSize size = {100, 60})
{
    auto shared = std::make_shared<const FontLibrary>(fonts);
    const Font* font = edit.fontId ? fonts.font(*edit.fontId) : nullptr;
    text::TextFieldState state = text::textFieldFromDefinition(edit, 8, font ? font->name().toStdString() : "");
    state.measurer = textMeasurer(shared);
    QImage image = canvas(size);
    image.fill(background);
    QPainter painter(&image);
    paintTextField(painter, state, *shared, toDevice, ColorTransform());
    return image;
}

TEST(RenderTextTest, EditTextAlignsWithinItsMargins)
{
    DefineEditText edit = field("Hi");
    const QRect left = inkBounds(renderField(edit));
    ASSERT_FALSE(left.isEmpty());
    EXPECT_LT(left.left(), 10);

    edit.layout = EditTextLayout{TextAlign::Right, Twips(0), Twips(0), Twips(0), Twips(0)};
    const QRect right = inkBounds(renderField(edit));
    EXPECT_GT(right.right(), 90);

    edit.layout->align = TextAlign::Center;
    const QRect centre = inkBounds(renderField(edit));
    EXPECT_NEAR((centre.left() + centre.right()) / 2.0, 50, 4);

    edit.layout = EditTextLayout{TextAlign::Left, Twips::fromPixels(30), Twips(0), Twips(0), Twips(0)};
    EXPECT_GE(inkBounds(renderField(edit)).left(), 30);

    // A line wider than the field starts at its left edge however it is
    // aligned, and runs out past the right.
    for (const TextAlign align : {TextAlign::Center, TextAlign::Right}) {
        DefineEditText wide = field("a line of text far too long for this field");
        wide.layout = EditTextLayout{align, Twips(0), Twips(0), Twips(0), Twips(0)};
        const text::TextFieldState state = text::textFieldFromDefinition(wide, 8, "");
        const TextFieldLayout layout(state, nullptr);
        ASSERT_FALSE(layout.lines().empty());
        ASSERT_FALSE(layout.lines().front().runs.empty());
        EXPECT_EQ(layout.lines().front().runs.front().x, 0) << int(align);
    }
}

// A tab is room between runs: the letters after it start at the tab stop,
// one every 32.4 pixels, whatever the size, without stops of the
// paragraph's own.
TEST(RenderTextTest, TextAfterATabStartsAtTheStop)
{
    const DefineEditText edit = field("ab\tcd");
    text::TextFieldState state = text::textFieldFromDefinition(edit, 8, "");
    for (const double size : {12.0, 24.0}) {
        state.runs.front().format.size = size;
        const TextFieldLayout layout(state, nullptr);
        ASSERT_EQ(layout.lines().size(), 1u);
        const auto& runs = layout.lines().front().runs;
        ASSERT_EQ(runs.size(), 2u) << size;
        EXPECT_EQ(runs[0].text, "ab");
        EXPECT_EQ(runs[1].text, "cd");
        EXPECT_NEAR(runs[1].x, 648, 0.01) << size;
    }
    state.runs.front().format.tabStops = std::vector<double>{50};
    const TextFieldLayout custom(state, nullptr);
    EXPECT_NEAR(custom.lines().front().runs[1].x, 50 * 20, 0.01);
}

TEST(RenderTextTest, EditTextWrapsLongLinesOnlyWhenAskedTo)
{
    DefineEditText edit = field("wrap these words over several lines please");
    const QRect oneLine = inkBounds(renderField(edit));
    edit.wordWrap = true;
    const QRect wrapped = inkBounds(renderField(edit));
    EXPECT_LT(oneLine.height(), 16);
    EXPECT_GT(wrapped.height(), 25);
    EXPECT_LE(wrapped.right(), 99);
}

TEST(RenderTextTest, WrappedLinesMayEndAfterAHyphen)
{
    // Each square glyph is 12 px wide; the field holds seven of them.
    const DefineFont font = squareFont(3);
    DefineFont withHyphen = font;
    withHyphen.glyphs.push_back(font.glyphs.front());
    withHyphen.codeTable = {u'A', u'-'};
    withHyphen.advances = {1024, 1024};
    auto shared = std::make_shared<FontLibrary>();
    shared->add(withHyphen);
    DefineEditText edit = field("AAAA-AAAA");
    edit.fontId = 3;
    edit.useOutlines = true;
    edit.wordWrap = true;
    text::TextFieldState state = text::textFieldFromDefinition(edit, 8, shared->font(3)->name().toStdString());
    state.measurer = textMeasurer(shared);
    state.invalidateLayout();
    const text::TextLayout layout = state.layout();
    ASSERT_EQ(layout.lines.size(), 2u);
    EXPECT_EQ(layout.lines[0].end, 5u);
}

TEST(RenderTextTest, ChineseTextWrapsBetweenCharacters)
{
    DefineEditText edit = field("教学资源播放器显示课件动画教学资源播放器");
    edit.wordWrap = true;
    const QRect ink = inkBounds(renderField(edit));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), 20);
}

TEST(RenderTextTest, HtmlFieldsDrawEachRunInItsColour)
{
    DefineEditText edit = field("<font color=\"#FF0000\">red</font> <font color=\"#0000FF\">blue</font>");
    edit.html = true;
    const QImage image = renderField(edit);
    const QRect ink = inkBounds(image);
    bool redLeft = false;
    bool blueRight = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            redLeft |= x < ink.center().x() && qRed(p) > 200 && qBlue(p) < 80;
            blueRight |= x > ink.center().x() && qBlue(p) > 200 && qRed(p) < 80;
        }
    }
    EXPECT_TRUE(redLeft);
    EXPECT_TRUE(blueRight);
}

TEST(RenderTextTest, EditTextUsesEmbeddedGlyphsWhenItAsksForOutlines)
{
    FontLibrary fonts;
    fonts.add(squareFont(3));
    DefineEditText edit = field("AA");
    edit.fontId = 3;
    edit.useOutlines = true;
    edit.color = Rgba{0, 0, 255, 255};
    const QImage image = renderField(edit, fonts);
    // Two 12-pixel squares from the gutter (2 px) on: 2..14 and 14..26.
    const QRect ink = inkBounds(image);
    EXPECT_NEAR(ink.left(), 2, 1);
    EXPECT_NEAR(ink.right(), 25, 1);
    EXPECT_EQ(image.pixel(8, 8), qRgb(0, 0, 255));
}

TEST(RenderTextTest, EmbeddedGlyphsAdvanceByWholeTwips)
{
    // An advance of 1000 em units at 12 pixels (240 twips) is 234.375 twips:
    // each glyph takes 234, so four take 936 twips (46.8 pixels), not 937.5.
    DefineFont font = squareFont(3);
    font.advances = {1000};
    auto shared = std::make_shared<FontLibrary>();
    shared->add(font);
    DefineEditText edit = field("AAAA");
    edit.fontId = 3;
    edit.useOutlines = true;
    text::TextFieldState state = text::textFieldFromDefinition(edit, 8, shared->font(3)->name().toStdString());
    state.measurer = textMeasurer(shared);
    state.invalidateLayout();
    EXPECT_DOUBLE_EQ(state.layout().textWidth, 936);
}

TEST(RenderTextTest, StyledRunsDrawWithTheMovieFontOfThatNameAndStyle)
{
    // Regular and bold faces of one family, the bold one twice as wide.
    DefineFont regular = squareFont(3);
    regular.name = "Family";
    DefineFont bold = squareFont(4);
    bold.name = "Family";
    bold.bold = true;
    bold.advances = {2048};
    auto shared = std::make_shared<FontLibrary>();
    shared->add(regular);
    shared->add(bold);
    auto widthOf = [&](const std::string& html, std::uint16_t fontId, bool isHtml = true) {
        DefineEditText edit = field(html);
        edit.fontId = fontId;
        edit.useOutlines = true;
        edit.html = isHtml;
        const Font* own = shared->font(fontId);
        text::TextFieldState state
            = text::textFieldFromDefinition(edit, 8, own->name().toStdString(), own->bold(), own->italic());
        state.measurer = textMeasurer(shared);
        state.invalidateLayout();
        return state.layout().textWidth;
    };
    EXPECT_DOUBLE_EQ(widthOf("AA", 3), 480);
    EXPECT_DOUBLE_EQ(widthOf("<b>AA</b>", 3), 960);
    // A plain-text field drawn with the bold face starts bold; in an HTML
    // field only <b> makes a run bold.
    EXPECT_DOUBLE_EQ(widthOf("AA", 4, false), 960);
    EXPECT_DOUBLE_EQ(widthOf("AA", 4), 480);
    // No italic face: the family's regular face stands in.
    EXPECT_DOUBLE_EQ(widthOf("<i>AA</i>", 3), 480);
}

TEST(RenderTextTest, BorderedFieldsDrawBackgroundAndBorder)
{
    DefineEditText edit = field("");
    edit.border = true;
    const QImage image = renderField(edit, FontLibrary(), Qt::gray);
    EXPECT_EQ(image.pixel(50, 30), qRgb(255, 255, 255));
    EXPECT_LT(qGray(image.pixel(0, 30)), 100);
}

TEST(RenderTextTest, TheBorderRunsAlongTheFarEdgesOutsideTheBackground)
{
    // A 100 by 60 pixel field at (10.5, 10): whole pixels, the border's right
    // and bottom lines on column 111 and row 70, past the background.
    auto paint = [](bool border) {
        text::TextFieldState state = text::textFieldFromDefinition(field(""), 8, "");
        state.background = true;
        state.backgroundColor = 0xFFFFFF;
        state.border = border;
        QImage image = canvas({130, 90});
        image.fill(Qt::gray);
        QPainter painter(&image);
        paintTextField(painter, state, FontLibrary(), kPixels * QTransform::fromTranslate(10.5, 10), ColorTransform());
        return image;
    };
    const QRgb white = qRgb(255, 255, 255);
    const QRgb gray = QColor(Qt::gray).rgb();
    const QImage plain = paint(false);
    for (const auto& [x, y, inside] : {std::tuple{11, 10, true}, {110, 69, true}, {10, 40, false}, {111, 40, false},
                                       {60, 70, false}}) {
        EXPECT_EQ(plain.pixel(x, y), inside ? white : gray) << x << "," << y;
    }
    const QImage bordered = paint(true);
    for (const auto& [x, y] : {std::pair{11, 40}, {111, 40}, {60, 10}, {60, 70}, {111, 70}})
        EXPECT_EQ(bordered.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
    for (const auto& [x, y] : {std::pair{12, 40}, {110, 40}, {60, 11}, {60, 69}})
        EXPECT_EQ(bordered.pixel(x, y), white) << x << "," << y;
    EXPECT_EQ(bordered.pixel(112, 40), gray);
}

TEST(RenderTextTest, MirroredFieldsDrawNothing)
{
    DefineEditText edit = field("Mirror");
    edit.border = true;
    for (const QTransform& mirror : {QTransform(-0.05, 0, 0, 0.05, 110, 0), QTransform(0.05, 0, 0, -0.05, 0, 70),
                                     QTransform(-0.05, 0, 0, -0.05, 110, 70)}) {
        const QImage image = renderField(edit, FontLibrary(), Qt::white, mirror, {120, 80});
        EXPECT_EQ(inkBounds(image), QRect());
    }
}

TEST(RenderTextTest, StretchedDeviceTextKeepsTheShapeOfItsLetters)
{
    DefineEditText edit = field("Hello");
    const QRect plain = inkBounds(renderField(edit, FontLibrary(), Qt::white, kPixels, {220, 130}));
    ASSERT_FALSE(plain.isEmpty());
    // Twice as wide: the gutter doubles, the letters keep their width.
    const QRect wide = inkBounds(renderField(edit, FontLibrary(), Qt::white, QTransform(0.1, 0, 0, 0.05, 0, 0), {220, 130}));
    EXPECT_EQ(wide.left(), plain.left() + 2);
    EXPECT_NEAR(wide.width(), plain.width(), 1);
    EXPECT_NEAR(wide.height(), plain.height(), 1);
    // Half the size drawn twice as tall: the letters of the full size.
    edit.height = Twips::fromPixels(6);
    const QRect tall = inkBounds(renderField(edit, FontLibrary(), Qt::white, QTransform(0.05, 0, 0, 0.1, 0, 0), {220, 130}));
    EXPECT_NEAR(tall.width(), plain.width(), 1);
    EXPECT_NEAR(tall.height(), plain.height(), 1);
}

TEST(RenderTextTest, OnlyLinesThatFitWholeAreDrawn)
{
    DefineEditText edit = field("first\rsecond\rthird");
    edit.bounds.yMax = Twips::fromPixels(36); // 32 pixels of room: two lines of about 14
    const QRect two = inkBounds(renderField(edit));
    edit.bounds.yMax = Twips::fromPixels(26);
    const QRect one = inkBounds(renderField(edit));
    EXPECT_GT(two.bottom(), 20);
    EXPECT_LT(one.bottom(), 17);
    // A field lower than its first line still shows that line, cut off.
    edit.bounds.yMax = Twips::fromPixels(8);
    EXPECT_FALSE(inkBounds(renderField(edit)).isEmpty());
}

TEST(RenderTextTest, EmbeddedLineMetricsAreWholeTwips)
{
    // Ascent 819 and descent 204 of 1024 em units at 240 twips are 191.95
    // and 47.8 twips: a line takes 191 + 47.
    auto shared = std::make_shared<FontLibrary>();
    shared->add(squareFont(3));
    DefineEditText edit = field("A");
    edit.fontId = 3;
    edit.useOutlines = true;
    text::TextFieldState state = text::textFieldFromDefinition(edit, 8, shared->font(3)->name().toStdString());
    state.measurer = textMeasurer(shared);
    state.invalidateLayout();
    EXPECT_DOUBLE_EQ(state.layout().textHeight, 238);
}

TEST(RenderTextTest, InstalledFontsMeasureLinesInWholePixels)
{
    // Arial's twin at 12 pixels: ascent 10.86 and descent 2.54 pixels.
    const DeviceFace face(deviceFont("Arial", 240, false, false));
    EXPECT_DOUBLE_EQ(face.ascent(), 220);
    EXPECT_DOUBLE_EQ(face.descent(), 60);
}

TEST(RenderTextTest, DeviceFontNamesMapToInstalledFamilies)
{
    EXPECT_EQ(deviceFont("_sans", 12, false, false).families().first(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(deviceFont("Times New Roman", 12, false, false).families().first(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(deviceFont("宋体", 12, false, false).families().first(), QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_EQ(deviceFont("SimSun", 12, false, false).families().first(), QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_TRUE(deviceFont("_typewriter", 12, true, false).bold());
    // Arial's twin keeps its line metrics: ascent 0.905 and descent 0.212 of the size.
    const QFontMetricsF arial(deviceFont("Arial", 100, false, false));
    EXPECT_NEAR(arial.ascent(), 90.5, 1.0);
    EXPECT_NEAR(arial.descent(), 21.2, 1.0);
}

} // namespace
} // namespace swf::render
