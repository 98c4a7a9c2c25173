// Live text fields: the state's text and format runs, the HTML of htmlText,
// the TextField object scripts see, measurement with real fonts and drawing.

#include "swf/render/text_field_layout.h"
#include "swf/render/text_field_painter.h"
#include "swf/script/builtins/text_field.h"
#include "swf/script/text_field_html.h"
#include "swf/text/html_reader.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace swf::script {
namespace {

using namespace swf::text;

// Fields on the heap, as the objects that own one keep them.
std::shared_ptr<TextFieldState> fieldOnHeap(double width, double height, int version = 8)
{
    return std::make_shared<TextFieldState>(newTextField(width, height, version));
}

std::shared_ptr<TextFieldState> placedOnHeap(const swf::DefineEditText& record, int version = 8, const std::string& font = {})
{
    return std::make_shared<TextFieldState>(textFieldFromDefinition(record, version, font));
}

// Just enough host for objects that live outside any movie.
class NoMovieHost : public ScriptHost {
public:
    Object* root(Object*) override { return nullptr; }
    Object* parent(Object*) override { return parentClip; }
    Object* child(Object*, const std::string&) override { return nullptr; }
    std::string targetPath(Object*, bool) override { return "_level0"; }
    void gotoFrame(Object*, int, bool) override {}
    bool gotoLabel(Object*, const std::string&, bool) override { return false; }
    void play(Object*) override {}
    void stop(Object*) override {}
    void nextFrame(Object*) override {}
    void prevFrame(Object*) override {}
    bool frameLoaded(Object*, int) override { return true; }
    Value getProperty(Object*, int) override { return Value(); }
    void setProperty(Object*, int, const Value&) override {}
    void cloneClip(Object*, const std::string&, int) override {}
    void removeClip(Object* clip) override { removed.push_back(clip); }
    void startDrag(Object*, bool, bool, double, double, double, double) override {}
    void stopDrag() override {}
    void getUrl(Object*, const std::string&, const std::string&, int, bool, bool) override {}
    void stopSounds() override {}
    void toggleQuality() override {}
    void trace(const std::string&) override {}
    double movieTime() override { return 0; }
    double wallClock() override { return 0; }
    int timeZoneOffsetMinutes(double) override { return 0; }
    std::uint32_t random(std::uint32_t) override { return 0; }
    void scriptAborted(const std::string&) override {}

    std::vector<Object*> removed;
    Object* parentClip = nullptr; // the timeline every object is on
};

// The display side: _x, as the runtime's extension answers it.
class FakeDisplay : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string& name, Value& out) override
    {
        if (name == "_x") {
            out = x;
            return true;
        }
        return false;
    }
    bool setMember(Interpreter& in, Object&, const std::string& name, const Value& value) override
    {
        if (name != "_x")
            return false;
        x = in.toNumber(value);
        return true;
    }
    double x = 7;
};

struct Machine {
    explicit Machine(int version = 8) : in(host, version) {}

    Object* field(std::shared_ptr<TextFieldState> state = nullptr)
    {
        display = std::make_shared<FakeDisplay>();
        if (!state)
            state = fieldOnHeap(100, 100, in.swfVersion());
        return makeTextFieldObject(in, state, display);
    }
    std::string str(Object* o, const std::string& name) { return in.toString(in.getMember(o, name)); }
    double num(Object* o, const std::string& name) { return in.toNumber(in.getMember(o, name)); }

    NoMovieHost host;
    Interpreter in;
    std::shared_ptr<FakeDisplay> display;
};

std::u32string u32(const std::string& s)
{
    return toUnits(s, 8);
}

std::string utf8(const std::u32string& s)
{
    return fromUnits(s, 8);
}

// Text with the breaks that came from HTML source line breaks as '|'.
std::string shown(std::u32string s)
{
    std::replace(s.begin(), s.end(), kHtmlLineBreak, U'|');
    return utf8(s);
}

TEST(TextFieldStateTest, LengthCountsCharactersAndLineFeedsBecomeBreaks)
{
    auto field = fieldOnHeap(100, 20);
    field->setText("äöü\nx");
    EXPECT_EQ(field->length(), 5u);
    EXPECT_EQ(field->textString(), "äöü\rx");

    auto old = fieldOnHeap(100, 20, 5);
    old->setText("\xC3\xA4"); // two bytes in a SWF 5 movie
    EXPECT_EQ(old->length(), 2u);
}

TEST(TextFieldStateTest, PlacedFieldsTakeTheirRecordsSettings)
{
    swf::DefineEditText record;
    record.bounds = {Twips(-40), Twips(2000), Twips(0), Twips(400)};
    record.html = true;
    record.multiline = true;
    record.border = true;
    record.readOnly = true;
    record.autoSize = true;
    record.height = Twips(360);
    record.color = swf::Rgba{0x12, 0x34, 0x56, 255};
    record.layout = swf::EditTextLayout{swf::TextAlign::Center, Twips(20), Twips(40), Twips(0), Twips(-20)};
    record.variableName = "_root.score";
    record.initialText = "<p>one</p><b>two</b>";

    const auto field = placedOnHeap(record, 8, "Arial");
    EXPECT_EQ(field->bounds, record.bounds); // kept until real fonts measure
    EXPECT_EQ(field->textString(), "one\rtwo");
    EXPECT_EQ(field->formatAt(4).bold, true);
    const TextFieldFormat& f = field->newTextFormat;
    EXPECT_EQ(f.font, "Arial");
    EXPECT_EQ(f.size, 18.0);
    EXPECT_EQ(f.color, 0x123456u);
    EXPECT_EQ(f.align, "center");
    EXPECT_EQ(f.leftMargin, 1.0);
    EXPECT_EQ(f.leading, -1.0);
    EXPECT_TRUE(field->border && field->background && field->html);
    EXPECT_FALSE(field->input);
    EXPECT_EQ(field->autoSize, AutoSize::Left);
    EXPECT_EQ(field->variable, "_root.score");
}

// The style of the font a record names is the plain text's; in an HTML
// field the tags alone make runs bold, as the authoring tool wrote them.
TEST(TextFieldStateTest, ABoldFontMakesPlainTextBoldButHtmlFollowsItsTags)
{
    swf::DefineEditText record;
    record.bounds = {Twips(0), Twips(2000), Twips(0), Twips(400)};
    record.fontId = 1;
    record.initialText = "plain";
    EXPECT_EQ(textFieldFromDefinition(record, 8, "Verdana", true, true).formatAt(0).bold, true);

    record.html = true;
    record.initialText = "<b>bold</b> regular";
    const TextFieldState html = textFieldFromDefinition(record, 8, "Verdana", true, true);
    EXPECT_EQ(html.formatAt(0).bold, true);
    EXPECT_EQ(html.formatAt(5).bold, false);
    EXPECT_EQ(html.formatAt(5).italic, false);
    EXPECT_EQ(html.newTextFormat.bold, false);

    // Markup a script gives a plain field of a bold font starts regular too.
    record.html = false;
    auto state = std::make_shared<TextFieldState>(textFieldFromDefinition(record, 8, "Verdana", true, false));
    Machine m;
    Object* field = m.field(state);
    m.in.setMember(field, "html", true);
    m.in.setMember(field, "htmlText", "a<b>b</b>");
    EXPECT_EQ(state->formatAt(0).bold, false);
    EXPECT_EQ(state->formatAt(1).bold, true);
}

TEST(TextFieldStateTest, FormatRangesShareOnlyWhatAllCharactersHave)
{
    auto field = fieldOnHeap(200, 100);
    field->setText("abcdefg\rhij");
    TextFieldFormat bold;
    bold.bold = true;
    field->applyFormat(1, 3, bold);
    TextFieldFormat right;
    right.align = "right";
    field->applyFormat(2, 3, right);

    struct Case {
        std::size_t begin, end;
        std::optional<bool> bold;
        std::optional<std::string> align;
    };
    const Case cases[] = {
        {0, 1, false, "left"}, {1, 3, true, std::nullopt}, {2, 3, true, "right"},
        {0, 3, std::nullopt, std::nullopt}, {8, 11, false, "left"}, {0, 11, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.begin) + "-" + std::to_string(c.end));
        const TextFieldFormat f = field->formatOf(c.begin, c.end);
        EXPECT_EQ(f.bold, c.bold);
        EXPECT_EQ(f.align, c.align);
        EXPECT_EQ(f.size, 12.0);
    }
    EXPECT_EQ(field->formatOf(5, 4), TextFieldFormat());
}

TEST(TextFieldStateTest, ReplaceKeepsTheFormatsAroundAndClampsTheRange)
{
    auto field = fieldOnHeap(200, 100);
    field->setText("Hello");
    TextFieldFormat big;
    big.size = 30;
    field->applyFormat(4, 5, big);
    field->replace(1, 3, U"EY", field->formatAt(1));
    EXPECT_EQ(field->textString(), "HEYlo");
    EXPECT_EQ(field->formatAt(4).size, 30.0);
    EXPECT_EQ(field->formatAt(1).size, 12.0);
    field->replace(50, 60, U"!", field->newTextFormat);
    EXPECT_EQ(field->textString(), "HEYlo!");
    std::size_t total = 0;
    for (const FormatRun& run : field->runs)
        total += run.length;
    EXPECT_EQ(total, field->length());
}

TEST(TextFieldHtmlTest, ParsesTheTagsIntoTextWithBreaks)
{
    struct Case {
        const char* html;
        bool condense;
        const char* text;
    };
    const Case cases[] = {
        {"a\rb", false, "a|b"},
        {"a\rb", true, "a b"},
        {"a<p align='right'>b</p>c", false, "ab\rc"},
        {"a<!-- b -->c", false, "ac"},
        {"a<!--->b", false, "a"},
        {"a<br><li>b</li>c<p>d</p>e<br>", false, "a\rb\rcd\re\r"},
        {"a<p>b", false, "ab"},
        {"a<li>b<li>c</li>d</li>e", false, "a\rb\rc\rd\re"},
        {"a<u>b</p>c", false, "abc"},
        {"a\nb", false, "a\rb"},
        // A paragraph's end stays a break, at the end and before a source line break.
        {"<p>a</p>", false, "a\r"},
        {"<p>a</p>\n", false, "a\r\r"},
        {"x &lt;&amp;&gt; &#65;&unknown;", false, "x <&> A&unknown;"},
        // A source line break after a paragraph's end is a second break.
        {"<p align='right'>abcdefg</p>\rhij\r", false, "abcdefg\r|hij|"},
        // Paragraphs do not nest: the inner end ends both.
        {"a<p>b<p>c</p>d</p>e", false, "abc\rde"},
        // The tab a tag makes stays; white space after it goes.
        {"a<tab>b\t<tab> c", true, "a\tb \tc"},
        {"<p>test</p> <p>test</p> ", true, "test\rtest\r"},
        // An item after a closed one starts on the line that end began.
        {"<li>a</li><li>b</li>", false, "a\rb\r"},
        // A value without quotes ends the markup there.
        {"a<font color=#00FF00>b</font>c", false, "a"},
        {"a<p align=left>b</p>", false, "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        EXPECT_EQ(shown(parseHtmlText(u32(c.html), defaultTextFieldFormat(), c.condense, 8).text), c.text);
    }
    // A single line field leaves out line break tags and paragraph ends, but a
    // line feed in the source still breaks.
    EXPECT_EQ(shown(parseHtmlText(u32("a <br> b<p>c</p>d\ne"), defaultTextFieldFormat(), false, 8, false).text),
              "a  bcd\re");
    // Before SWF 7 it reads them as a multiline field does, all but the
    // break that ends the last paragraph.
    const HtmlText older
        = parseHtmlText(u32("a<p align='right'>b</p>c<br>d<p>e</p>"), defaultTextFieldFormat(), false, 6, false);
    EXPECT_EQ(shown(older.text), "ab\rc\rde");
    ASSERT_EQ(older.runs.size(), 3u);
    EXPECT_EQ(older.runs[1].format.align, "right"); // "b" and the break after it
    EXPECT_EQ(older.runs[1].length, 2u);
    // Condensing white space leaves the breaks that tags make.
    EXPECT_EQ(shown(parseHtmlText(u32("a <br> b<li>c</li>"), defaultTextFieldFormat(), true, 8).text), "a \rb\rc\r");
    // Before SWF 8 each stretch of text between tags condenses on its own.
    EXPECT_EQ(shown(parseHtmlText(u32("a\r<br>\nb"), defaultTextFieldFormat(), true, 7, false).text), "a  b");
    EXPECT_EQ(shown(parseHtmlText(u32("a\r<br>\nb"), defaultTextFieldFormat(), true, 6, false).text), "a \r b");
    EXPECT_EQ(shown(parseHtmlText(u32("a<tab>b\t<tab> c"), defaultTextFieldFormat(), true, 7).text), "a\tb \t c");
}

TEST(TextFieldHtmlTest, AParagraphsEndKeepsListsAndIndentsOpenedInside)
{
    const HtmlText listed = parseHtmlText(u32("a<p>b<li>c</p>d"), defaultTextFieldFormat(), false, 8);
    EXPECT_EQ(shown(listed.text), "ab\rc\rd");
    auto field = fieldOnHeap(100, 100);
    field->setTextUnits(listed.text, listed.runs);
    EXPECT_EQ(field->formatAt(3).bullet, true);
    EXPECT_EQ(field->formatAt(4).bullet, true); // the break ending "c" is in its item
    EXPECT_EQ(field->formatAt(5).bullet, true);

    const HtmlText indented = parseHtmlText(u32("a<p>b<textformat indent='10'>c</p>d"), defaultTextFieldFormat(), false, 8);
    field->setTextUnits(indented.text, indented.runs);
    EXPECT_EQ(field->formatAt(4).indent, 10.0);
    // Character formats opened inside end with the paragraph, and its break
    // has the paragraph's own.
    const HtmlText styled = parseHtmlText(u32("a<p align='right'>b<u><font size='10'>c</p>d"), defaultTextFieldFormat(), false, 8);
    field->setTextUnits(styled.text, styled.runs);
    EXPECT_EQ(field->formatAt(3).underline, false);
    EXPECT_EQ(field->formatAt(3).size, 12.0);
    EXPECT_EQ(field->formatAt(3).align, "right");
    EXPECT_EQ(field->formatAt(4).size, 12.0);
}

TEST(TextFieldHtmlTest, StylesFollowTheOpenTags)
{
    const HtmlText html = parseHtmlText(u32("a<b>b<i>c</i></b><font size='+8' color='#ff0000' face='Arial'>d</font>"
                                            "<p>e<u>f</p>g"),
                                        defaultTextFieldFormat(), false, 8);
    auto field = fieldOnHeap(100, 100);
    field->setTextUnits(html.text, html.runs);
    EXPECT_EQ(field->formatAt(0).bold, false);
    EXPECT_EQ(field->formatAt(1).bold, true);
    EXPECT_EQ(field->formatAt(2).italic, true);
    EXPECT_EQ(field->formatAt(3).size, 20.0);
    EXPECT_EQ(field->formatAt(3).color, 0xFF0000u);
    EXPECT_EQ(field->formatAt(3).font, "Arial");
    EXPECT_EQ(field->formatAt(5).underline, true);
    // </p> closes what was opened inside the paragraph.
    EXPECT_EQ(field->formatAt(7).underline, false);
}

TEST(TextFieldHtmlTest, ClosingTagsAndParagraphEndsAsThePlayerReadThem)
{
    auto field = fieldOnHeap(100, 100);
    auto read = [&](const char* html, int version = 8) {
        const HtmlText parsed = parseHtmlText(u32(html), defaultTextFieldFormat(), false, version);
        field->setTextUnits(parsed.text, parsed.runs);
        return shown(parsed.text);
    };
    // A closing tag that names another than the element opened last is
    // ignored; that element's own end closes it.
    EXPECT_EQ(read("<b>a<i>b</b>c</i>d</b>e"), "abcde");
    const bool bold[] = {true, true, true, true, false};
    const bool italic[] = {false, true, true, false, false};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(field->formatAt(i).bold, bold[i]) << i;
        EXPECT_EQ(field->formatAt(i).italic, italic[i]) << i;
    }
    // Every item closed ends a line, even one its inner item left empty.
    EXPECT_EQ(read("a<li><li>b</li></li>"), "a\rb\r\r");
    EXPECT_EQ(read("<p align='right'>a<li></li></p>"), "a\r\r\r");
    // A paragraph's end has the field's own character formats, not those of
    // the elements around it, in the font of the FONT element closed last.
    EXPECT_EQ(read("<b><a href='x'><p align='right'></p></a></b>"), "\r");
    EXPECT_EQ(field->formatAt(0).bold, false);
    EXPECT_EQ(field->formatAt(0).url, "");
    EXPECT_EQ(field->formatAt(0).align, "right");
    EXPECT_EQ(read("<p>a<font color='#121212' size='20'><b></b></font><font color='#131313'>b</p></font>"), "ab\r");
    EXPECT_EQ(field->formatAt(1).color, 0x131313u);
    EXPECT_EQ(field->formatAt(2).color, 0x121212u);
    EXPECT_EQ(field->formatAt(2).size, 20.0);
    EXPECT_EQ(field->formatAt(2).bold, false);
    // An item's end keeps the formats open around it.
    EXPECT_EQ(read("<i>a<li></li></i>"), "a\r\r");
    EXPECT_EQ(field->formatAt(2).italic, true);
    // SWF 7 markup is XML that ignores white space: stretches of nothing
    // else between tags go. Before SWF 8 kerning is not read.
    EXPECT_EQ(read(" <b> </b>\n<p>a b</p>\n", 7), "a b\r");
    EXPECT_EQ(read(" <b> </b>\n<p>a b</p>\n", 8), "  \ra b\r\r");
    EXPECT_EQ(read("<p><font size='30'> </font></p>", 6), " \r");
    EXPECT_EQ(read("<font kerning='1'>a</font>", 7), "a");
    EXPECT_EQ(field->formatAt(0).kerning, false);
    EXPECT_EQ(read("<font kerning='1'>a</font>", 8), "a");
    EXPECT_EQ(field->formatAt(0).kerning, true);
}

// Font sizes are whole points from 1 to 127: a fraction is cut off, before
// and after a relative step.
TEST(TextFieldHtmlTest, FontSizesAreWholePointsFromOneTo127)
{
    const HtmlText html = parseHtmlText(u32("<font size='1.9'>a<font size='+0.8'>b</font></font><font size='0'>c"
                                            "<font size='-1'>d</font></font><font size='126'>e<font size='+5'>f</font></font>"
                                            "<font size='300'>g</font>"),
                                        defaultTextFieldFormat(), false, 8);
    auto field = fieldOnHeap(100, 100);
    field->setTextUnits(html.text, html.runs);
    const double sizes[] = {1, 1, 1, 1, 126, 127, 127};
    for (std::size_t i = 0; i < std::size(sizes); ++i)
        EXPECT_EQ(field->formatAt(i).size, sizes[i]) << i;
}

TEST(TextFieldHtmlTest, WritesThePlayersMarkup)
{
    auto field = fieldOnHeap(100, 100);
    const std::string font = R"(<FONT FACE="Times New Roman" SIZE="12" COLOR="#000000" LETTERSPACING="0" KERNING="0">)";
    struct Case {
        const char* html;
        std::string expected;
    };
    const Case cases[] = {
        {"a", "<P ALIGN=\"LEFT\">" + font + "a</FONT></P>"},
        {"a\rb", "<P ALIGN=\"LEFT\">" + font + "a</FONT></P><P ALIGN=\"LEFT\">" + font + "b</FONT></P>"},
        {"a<u>b<b>c</b>d</u>e", "<P ALIGN=\"LEFT\">" + font + "a<U>b</U><B><U>c</U></B><U>d</U>e</FONT></P>"},
        {"<li>b</li>", "<LI>" + font + "b</FONT></LI>"},
        // FONT tags nest, each naming what changes, until a run goes back
        // to the font of one further out.
        {"a<font size='1' color='#ff0000'>b<font size='2' color='#00ff00'>c<font color='#0000ff'>d<u>e",
         "<P ALIGN=\"LEFT\">" + font
             + "a<FONT SIZE=\"1\" COLOR=\"#FF0000\">b<FONT SIZE=\"2\" COLOR=\"#00FF00\">c<FONT "
               "COLOR=\"#0000FF\">d<U>e</U></FONT></FONT></FONT></FONT></P>"},
        {"a<font size='1'>b<font color='#ff0000'>c</font></font>d",
         "<P ALIGN=\"LEFT\">" + font + "a<FONT SIZE=\"1\">b<FONT COLOR=\"#FF0000\">c</FONT></FONT>d</FONT></P>"},
        {"1 &lt; 2", "<P ALIGN=\"LEFT\">" + font + "1 &lt; 2</FONT></P>"},
        // A paragraph's break is written as a run of no text: its formats
        // show as empty tags, in an empty paragraph and after other text.
        {"<b>\n</b>", "<P ALIGN=\"LEFT\">" + font + "<B></B></FONT></P>"},
        {"<font size='12'><b>a</b></font>\nb",
         "<P ALIGN=\"LEFT\">" + font + "<B>a</B></FONT></P><P ALIGN=\"LEFT\">" + font + "b</FONT></P>"},
        {"<font size='10'>a</font>\nb",
         R"(<P ALIGN="LEFT"><FONT FACE="Times New Roman" SIZE="10" COLOR="#000000" LETTERSPACING="0" KERNING="0">a)"
         R"(<FONT SIZE="12"></FONT></FONT></P><P ALIGN="LEFT">)" + font + "b</FONT></P>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        const HtmlText html = parseHtmlText(u32(c.html), defaultTextFieldFormat(), false, 8);
        field->setTextUnits(html.text, html.runs);
        EXPECT_EQ(utf8(htmlFromField(*field)), c.expected);
    }
    // Characters that differ only in paragraph formats share one run.
    const HtmlText single = parseHtmlText(u32("<i>a<li>b</li></i>"), defaultTextFieldFormat(), false, 8, false);
    field->setTextUnits(single.text, single.runs);
    EXPECT_EQ(utf8(htmlFromField(*field)), "<P ALIGN=\"LEFT\">" + font + "<I>ab</I></FONT></P>");
}

TEST(TextFieldObjectTest, TextAssignmentConvertsObjectsThroughTheirToStringOnly)
{
    Machine m(7);
    Object* field = m.field();
    Object* numberToString = m.in.newObject();
    m.in.defineMethod(numberToString, "toString", [](Interpreter&, Object*, const std::vector<Value>&) -> Value { return 0.0; });
    Object* stringToString = m.in.newObject();
    m.in.defineMethod(stringToString, "toString", [](Interpreter&, Object*, const std::vector<Value>&) -> Value { return "0.0"; });

    struct Case {
        Value value;
        double length;
    };
    const Case cases[] = {
        {Value(), 9},  {Value::null(), 4}, {Value(true), 4},          {Value(-0.5), 4},
        {Value(""), 0}, {Value("äöü"), 3}, {Value(numberToString), 13}, {Value(stringToString), 3},
        {Value(m.in.newObject()), 15},
    };
    for (const Case& c : cases) {
        m.in.setMember(field, "text", c.value);
        EXPECT_EQ(m.num(field, "length"), c.length) << m.str(field, "text");
    }
    // Before SWF 7 undefined is the empty string.
    Machine six(6);
    Object* old = six.field();
    six.in.setMember(old, "text", Value());
    EXPECT_EQ(six.num(old, "length"), 0);
}

TEST(TextFieldObjectTest, MembersReadAndWriteTheStateAndOthersGoToTheDisplay)
{
    Machine m;
    auto state = fieldOnHeap(100, 100);
    Object* field = m.field(state);

    struct Case {
        const char* name;
        Value assigned;
        const char* read;
    };
    const Case cases[] = {
        {"autoSize", Value(true), "left"},      {"autoSize", Value("CENTER"), "center"},
        {"autoSize", Value("bogus"), "none"},   {"autoSize", Value(false), "none"},
        {"type", Value("input"), "input"},      {"type", Value("static"), "input"},
        {"maxChars", Value(0.0), "null"},       {"maxChars", Value(5.0), "5"},
        {"variable", Value::null(), "null"},    {"border", Value(1.0), "true"},
        {"borderColor", Value(-1.0), "16777215"}, {"textWidth", Value(99.0), "0"},
        {"_x", Value(12.0), "12"},              {"custom", Value("kept"), "kept"},
        {"_width", Value(0.5), "0.5"},          {"_width", Value(-1.0), "0.5"},
        {"_height", Value(30.0), "30"},         {"_height", Value(), "30"},
        {"tabIndex", Value(-4.0), "4294967292"}, {"tabIndex", Value("x"), "0"},
        {"tabIndex", Value(1.9), "1"},          {"tabIndex", Value(), "undefined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m.in.setMember(field, c.name, c.assigned);
        EXPECT_EQ(m.str(field, c.name), c.read);
    }
    EXPECT_TRUE(state->input);
    EXPECT_TRUE(state->border);
    EXPECT_EQ(m.display->x, 12);
    EXPECT_EQ(state->bounds.width().get(), 10); // resized, not scaled
    // Members are found whatever their case before SWF 7.
    Machine six(6);
    Object* old = six.field();
    six.in.setMember(old, "TEXT", "hi");
    EXPECT_EQ(six.str(old, "text"), "hi");
}

TEST(TextFieldObjectTest, FormatMethodsTakeRangesAndMethodsFollowTheVersion)
{
    Machine m;
    Object* field = m.field();
    m.in.setMember(field, "text", "Hello world!");
    Object* format = m.in.newObject();
    m.in.setMember(format, "bold", true);
    m.in.callMethod(field, "setTextFormat", {2.0, 4.0, format});

    struct Case {
        std::vector<Value> range;
        const char* bold;
    };
    const Case cases[] = {
        {{}, "null"}, {{2.0}, "true"}, {{1.0}, "false"}, {{2.0, 4.0}, "true"}, {{-1.0}, "null"},
        {{5.0, 4.0}, "null"}, {{30.0, 35.0}, "null"}, {{-1.0, 3.0}, "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range.size());
        const Value got = m.in.callMethod(field, "getTextFormat", c.range);
        EXPECT_EQ(m.str(got.asObject(), "bold"), c.bold);
    }
    EXPECT_EQ(m.str(m.in.callMethod(field, "getTextFormat", {5.0, 30.0}).asObject(), "size"), "12");
    EXPECT_EQ(m.str(m.in.callMethod(field, "getTextFormat", {-1.0}).asObject(), "size"), "null");

    m.in.callMethod(field, "replaceText", {6.0, 11.0, "there"});
    EXPECT_EQ(m.str(field, "text"), "Hello there!");
    // Too few arguments, a negative start and a reversed range change nothing.
    for (const std::vector<Value>& ignored : std::vector<std::vector<Value>>{{1.0, 2.0}, {-1.0, 2.0, "x"}, {3.0, 2.0, "x"}}) {
        m.in.callMethod(field, "replaceText", ignored);
        EXPECT_EQ(m.str(field, "text"), "Hello there!");
    }
    m.in.callMethod(field, "replaceText", {50.0, 55.0, "\n?"});
    EXPECT_EQ(m.str(field, "text"), "Hello there!\r?");
    // Empty text takes the range out from SWF 8; before, it leaves it.
    m.in.callMethod(field, "replaceText", {0.0, 6.0, ""});
    EXPECT_EQ(m.str(field, "text"), "there!\r?");
    Machine seven(7);
    Object* older = seven.field();
    seven.in.setMember(older, "text", "abc");
    seven.in.callMethod(older, "replaceText", {0.0, 1.0, ""});
    EXPECT_EQ(seven.str(older, "text"), "abc");

    Machine six(6);
    Object* old = six.field();
    six.in.setMember(old, "text", "abc");
    six.in.callMethod(old, "replaceText", {0.0, 1.0, "x"});
    EXPECT_EQ(six.str(old, "text"), "abc");
    EXPECT_TRUE(six.in.getMember(six.in.global(), "TextField").isObject());
}

// Before SWF 6 a field made with new links to the class's prototype, an
// object that leads nowhere: not even Object's methods reach the field.
TEST(TextFieldObjectTest, BeforeSixANewFieldInheritsNothingThroughItsPrototype)
{
    for (const int version : {5, 6}) {
        SCOPED_TRACE(version);
        Machine m(version);
        Object* made = m.in.construct(m.in.getMember(m.in.global(), "TextField"), {}).asObject();
        ASSERT_NE(made, nullptr);
        Object* proto = m.in.getMember(made, "__proto__").asObject();
        ASSERT_NE(proto, nullptr);
        EXPECT_EQ(m.in.getMember(made, "toString").isUndefined(), version == 5);
        EXPECT_EQ(m.in.getMember(proto, "toString").isUndefined(), version == 5);
    }
}

TEST(TextFieldObjectTest, HtmlTextIsMarkupOnlyForHtmlFields)
{
    Machine m;
    Object* field = m.field();
    m.in.setMember(field, "htmlText", "<b>x</b>");
    EXPECT_EQ(m.str(field, "text"), "<b>x</b>");
    EXPECT_EQ(m.str(field, "htmlText"), "<b>x</b>");
    // A style sheet makes even a plain field read as markup.
    m.in.setMember(field, "styleSheet", m.in.newObject());
    EXPECT_NE(m.str(field, "htmlText").find("&lt;b&gt;x&lt;/b&gt;</FONT>"), std::string::npos);
    m.in.setMember(field, "styleSheet", Value());
    EXPECT_EQ(m.str(field, "htmlText"), "<b>x</b>");
    m.in.setMember(field, "html", true);
    m.in.setMember(field, "htmlText", "<b>x</b>");
    EXPECT_EQ(m.str(field, "text"), "x");
    EXPECT_NE(m.str(field, "htmlText").find("<B>x</B>"), std::string::npos);

    // A source line break splits paragraphs without showing in the text.
    m.in.setMember(field, "htmlText", "a\rb");
    EXPECT_EQ(m.str(field, "text"), "ab");
    EXPECT_EQ(m.num(field, "length"), 3);
    EXPECT_NE(m.str(field, "htmlText").find("a</FONT></P><P ALIGN"), std::string::npos);

    // What follows continues in the format the markup left open.
    m.in.setMember(field, "htmlText", "a<font size='30'>b");
    m.in.setMember(field, "text", "c");
    EXPECT_EQ(m.str(m.in.callMethod(field, "getTextFormat", {0.0}).asObject(), "size"), "30");
    m.in.setMember(field, "htmlText", "<font size='40'>b</font>");
    m.in.setMember(field, "text", "c");
    EXPECT_EQ(m.str(m.in.callMethod(field, "getTextFormat", {0.0}).asObject(), "size"), "30");
}

TEST(TextFieldObjectTest, MarkupStartsFromTheBaseFormatBeforeVersionEight)
{
    // Before SWF 8 each markup starts from the field's own format, which
    // setNewTextFormat changes but markup never does; from SWF 8 on it
    // continues in what the previous markup left open.
    for (const int version : {7, 8}) {
        Machine m(version);
        Object* field = m.field();
        m.in.setMember(field, "html", true);
        m.in.setMember(field, "htmlText", "a<font size='30'>b");
        m.in.setMember(field, "htmlText", "c");
        const std::string continued = version >= 8 ? "30" : "12";
        EXPECT_EQ(m.str(m.in.callMethod(field, "getTextFormat", {0.0}).asObject(), "size"), continued) << version;
        Object* format = m.in.newObject();
        m.in.setMember(format, "color", 0xFF0000);
        m.in.callMethod(field, "setNewTextFormat", {format});
        m.in.setMember(field, "htmlText", "d");
        Object* shown = m.in.callMethod(field, "getTextFormat", {0.0}).asObject();
        EXPECT_EQ(m.num(shown, "color"), 0xFF0000) << version;
        EXPECT_EQ(m.str(shown, "size"), continued) << version;
    }
}

TEST(TextFieldObjectTest, VariableBindingReadsAndWritesTheHolder)
{
    Machine m;
    Object* field = m.field();
    Object* parent = m.in.newObject();
    Object* holder = m.in.newObject();
    m.in.setMember(parent, "o", holder);
    m.in.setMember(holder, "test", 4.0);
    m.host.parentClip = parent;

    m.in.setMember(field, "variable", "o.test");
    EXPECT_EQ(m.str(field, "text"), "4");
    m.in.setMember(field, "text", "6");
    EXPECT_EQ(m.str(holder, "test"), "6");
    m.in.setMember(holder, "test", 8.0);
    syncTextFieldVariable(m.in, field);
    EXPECT_EQ(m.str(field, "text"), "8");
}

TEST(TextFieldObjectTest, RemoveAndListenersGoThroughTheHostAndTheList)
{
    Machine m;
    Object* field = m.field();
    m.in.callMethod(field, "removeTextField", {});
    ASSERT_EQ(m.host.removed.size(), 1u);
    EXPECT_EQ(m.host.removed[0], field);

    Object* listener = m.in.newObject();
    int calls = 0;
    m.in.defineMethod(listener, "onChanged", [&calls](Interpreter&, Object*, const std::vector<Value>&) -> Value {
        ++calls;
        return Value();
    });
    EXPECT_TRUE(m.in.toBoolean(m.in.callMethod(field, "addListener", {listener})));
    broadcastTextFieldEvent(m.in, field, "onChanged");
    EXPECT_EQ(calls, 1);
    m.in.callMethod(field, "removeListener", {listener});
    broadcastTextFieldEvent(m.in, field, "onChanged");
    EXPECT_EQ(calls, 1);
}

// ------------------------------------------------------ measuring and drawing

std::shared_ptr<TextFieldState> measuredField(double width, double height)
{
    auto field = fieldOnHeap(width, height);
    field->measurer = render::textMeasurer(std::make_shared<render::FontLibrary>());
    return field;
}

TEST(TextFieldLayoutTest, ExtentsGrowWithTheTextAndWrapping)
{
    auto field = measuredField(100, 40);
    field->setText("");
    EXPECT_EQ(field->textWidthPixels(), 0);
    EXPECT_EQ(field->maxScroll(), 1);
    field->setText("Hello");
    const double one = field->textWidthPixels();
    EXPECT_GT(one, 10);
    EXPECT_LT(one, 60);
    field->setText("Hello Hello Hello Hello Hello");
    EXPECT_GT(field->textWidthPixels(), 3 * one);
    EXPECT_GT(field->maxHScroll(), 0);
    field->wordWrap = true;
    field->invalidateLayout();
    EXPECT_LE(field->textWidthPixels(), 96);
    EXPECT_GE(field->layout().lines.size(), 2u);
    EXPECT_EQ(field->maxHScroll(), 0);

    field->setText("1\r2\r3\r4\r5\r6\r7\r8\r9\r10");
    EXPECT_EQ(field->bottomScroll(), 2);
    EXPECT_EQ(field->maxScroll(), 9);
    field->scroll = 50;
    field->clampScroll();
    EXPECT_EQ(field->scroll, 9);
}

TEST(TextFieldLayoutTest, ScrollSurvivesFormatsButNotNewText)
{
    Machine m;
    auto state = measuredField(100, 25);
    Object* field = m.field(state);
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "a long line of text that does not fit\r";
    m.in.setMember(field, "text", text);
    m.in.setMember(field, "scroll", 15.0);
    m.in.setMember(field, "hscroll", 20.0);
    EXPECT_EQ(m.num(field, "scroll"), 15);
    EXPECT_EQ(m.num(field, "hscroll"), 20);

    // wordWrap takes effect on the next layout; until then the old lines count.
    const double before = m.num(field, "maxscroll");
    m.in.setMember(field, "wordWrap", true);
    EXPECT_EQ(m.num(field, "maxscroll"), before);
    EXPECT_EQ(m.num(field, "maxhscroll"), 0);
    m.in.setMember(field, "hscroll", 10.0);
    EXPECT_EQ(m.num(field, "hscroll"), 10) << "the old lines still run past the box";
    Object* format = m.in.newObject();
    m.in.setMember(format, "size", 6.0);
    m.in.callMethod(field, "setTextFormat", {format});
    EXPECT_NE(m.num(field, "maxscroll"), before);
    EXPECT_EQ(m.num(field, "scroll"), 15); // even past the new maximum
    // autoSize fits the box at once but leaves the lines shown alone.
    m.in.setMember(field, "autoSize", true);
    m.in.setMember(field, "autoSize", false);
    EXPECT_EQ(m.num(field, "scroll"), 15);
    m.in.setMember(field, "text", "short");
    EXPECT_EQ(m.num(field, "scroll"), 1);
    EXPECT_EQ(m.num(field, "hscroll"), 0);
}

TEST(TextFieldLayoutTest, AutoSizeKeepsTheAnchoredSide)
{
    struct Case {
        AutoSize mode;
        bool keepsLeft, keepsRight;
    };
    const Case cases[] = {{AutoSize::Left, true, false}, {AutoSize::Right, false, true}, {AutoSize::Center, false, false}};
    for (const Case& c : cases) {
        auto field = measuredField(300, 20);
        field->autoSize = c.mode;
        field->setText("wide text here");
        // The field fits the exact extent; scripts read it in whole pixels.
        const double width = field->bounds.width().toPixels();
        EXPECT_NEAR(width, field->layout().textWidth / 20 + 4, 0.1);
        EXPECT_EQ(field->textWidthPixels(), std::floor(width - 4 + 0.01));
        EXPECT_EQ(field->bounds.xMin.get() == 0, c.keepsLeft);
        EXPECT_EQ(field->bounds.xMax.get() == 6000, c.keepsRight);
    }
}

TEST(TextFieldLayoutTest, TabsReachTheNextStopAndNothingPastTheLast)
{
    auto field = measuredField(400, 40);
    field->setText("ii");
    const double two = field->textWidthPixels();
    field->newTextFormat.tabStops = std::vector<double>{50, 80};
    // "i" tab to 50, "i" tab to 80, "i", a tab past the last stop, "i".
    field->setText("i\ti\ti\ti");
    EXPECT_NEAR(field->textWidthPixels(), 80 + two, 1);
    // Without stops of its own, a paragraph has one every 32.4 pixels.
    field->newTextFormat.tabStops.reset();
    field->newTextFormat.size = 12;
    field->setText("i\tii\ti");
    EXPECT_NEAR(field->textWidthPixels(), 2 * 32.4 + two / 2, 1);
    // A tab is part of its word: a wrapped line breaks inside the word, after
    // the tab, when the letters after it overflow.
    field->newTextFormat.tabStops = std::vector<double>{90};
    field->wordWrap = true;
    field->bounds.xMax = field->bounds.xMin + swf::Twips::fromPixels(100);
    field->setText("iii\tiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii");
    ASSERT_GE(field->layout().lines.size(), 2u);
    EXPECT_GE(field->layout().lines[0].end, 5u);
    EXPECT_NEAR(field->textWidthPixels(), 96, 4);
}

TEST(TextFieldLayoutTest, TextHeightLeavesOutTheLastLinesLeadingOverSeveralLines)
{
    auto field = measuredField(400, 40);
    field->setText("a");
    const double line = field->textHeightPixels();
    field->newTextFormat.leading = 10;
    field->setText("a");
    EXPECT_EQ(field->textHeightPixels(), line + 10);
    field->setText("a\rb\rc");
    EXPECT_EQ(field->textHeightPixels(), 3 * line + 20);
}

TEST(TextFieldLayoutTest, ABreakEndingTheTextAddsALineOfItsLeadingOnly)
{
    auto field = measuredField(400, 100);
    field->setText("a");
    const double one = field->layout().textHeight;
    field->setText("a\r");
    ASSERT_EQ(field->layout().lines.size(), 2u);
    EXPECT_EQ(field->layout().lines[1].begin, 2u);
    EXPECT_EQ(field->layout().lines[1].end, 2u);
    EXPECT_DOUBLE_EQ(field->layout().textHeight, one);
    // A blank line between breaks has the height of the break's font.
    field->setText("a\r\rb");
    EXPECT_DOUBLE_EQ(field->layout().textHeight, 3 * one);
    field->newTextFormat.leading = 5;
    field->setText("a\r");
    EXPECT_DOUBLE_EQ(field->layout().lines[1].height(), 100);

    // Two lines of text fill the box: a closing break leaves nothing to scroll to.
    field->newTextFormat.leading = 0;
    field->bounds.yMax = field->bounds.yMin + Twips(std::int32_t(2 * one + 2 * kGutterTwips));
    field->setText("a\rb\r");
    EXPECT_EQ(field->maxScroll(), 1);
    field->setText("a\rb\rc");
    EXPECT_EQ(field->maxScroll(), 2);
    // Without fonts the estimate treats the closing break alike.
    field->measurer = nullptr;
    field->setText("a");
    const double estimated = field->layout().textHeight;
    field->setText("a\r");
    EXPECT_DOUBLE_EQ(field->layout().textHeight, estimated);
}

TEST(TextFieldLayoutTest, LinesShowWhenAllButTheirLeadingFits)
{
    // Lines of 10 twips ascent, 4 descent and 6 leading.
    const std::vector<TextLine> lines(4, TextLine{0, 0, 0, 10, 4, 6});
    struct Case {
        std::size_t first;
        double room;
        std::size_t shown;
    };
    const Case cases[] = {
        {0, 34, 2},  // 20 + 14: the second line's leading falls outside
        {0, 33.9, 1},
        {0, 5, 1},   // the first line shows even when it does not fit
        {2, 100, 2}, // from the third line on, two are left
        {4, 100, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(linesShown(lines, c.first, c.room), c.shown) << c.first << " " << c.room;
}

TEST(TextFieldLayoutTest, SpacesEndingAParagraphAreMeasuredButNotThoseAtAWrap)
{
    auto field = measuredField(400, 100);
    field->setText("word");
    const double word = field->layout().textWidth;
    field->setText("word  ");
    const double spaced = field->layout().textWidth;
    EXPECT_GT(spaced, word);
    field->setText("  ");
    EXPECT_DOUBLE_EQ(field->layout().textWidth, spaced - word);

    // Wrapped after "word  ", a left-aligned first line keeps its spaces;
    // centred or right-aligned, it measures the word alone.
    field->bounds.xMax = field->bounds.xMin + Twips(std::int32_t(word + spaced / 2 + 2 * kGutterTwips));
    field->wordWrap = true;
    field->setText("word  word");
    ASSERT_EQ(field->layout().lines.size(), 2u);
    EXPECT_DOUBLE_EQ(field->layout().lines[0].width, spaced);
    for (const char* align : {"center", "right", "justify"}) {
        TextFieldFormat aligned;
        aligned.align = align;
        field->applyFormat(0, 10, aligned);
        field->invalidateLayout();
        EXPECT_DOUBLE_EQ(field->layout().lines[0].width, word) << align;
    }
}

QImage paint(const TextFieldState& field)
{
    QImage image(120, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    render::FontLibrary fonts;
    render::paintTextField(painter, field, fonts, QTransform::fromScale(1 / 20.0, 1 / 20.0), swf::ColorTransform());
    return image;
}

int darkPixels(const QImage& image, QRect area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += qGray(image.pixel(x, y)) < 100;
    return count;
}

TEST(TextFieldPainterTest, DrawsBackgroundBorderTextAndScroll)
{
    auto field = measuredField(100, 40);
    field->background = true;
    field->backgroundColor = 0x00FF00;
    field->border = true;
    field->borderColor = 0x0000FF;
    field->setText("Hi");
    QImage image = paint(*field);
    EXPECT_EQ(image.pixel(50, 35), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 20), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(110, 50), qRgb(255, 255, 255)); // outside the field
    EXPECT_GT(darkPixels(image, {2, 2, 30, 16}), 10);

    // Right alignment moves the ink to the other side.
    TextFieldFormat right;
    right.align = "right";
    field->applyFormat(0, 2, right);
    image = paint(*field);
    EXPECT_EQ(darkPixels(image, {2, 2, 30, 16}), 0);
    EXPECT_GT(darkPixels(image, {70, 2, 28, 16}), 10);

    // Scrolled down one line, the second line is on top.
    field->setText("\rHi");
    field->scroll = 2;
    image = paint(*field);
    EXPECT_GT(darkPixels(image, {2, 2, 30, 16}), 10);
}

TEST(TextFieldPainterTest, AFieldEmbeddingAFontTheMovieLacksShowsAndMeasuresNothing)
{
    auto field = measuredField(100, 40);
    field->wordWrap = true;
    field->embedFonts = true;
    field->setText("Hi there, more words than one line holds");
    EXPECT_EQ(field->textWidthPixels(), 0);
    EXPECT_EQ(field->textHeightPixels(), 0);
    ASSERT_EQ(field->layout().lines.size(), 1u);
    field->scroll = 2;
    field->clampScroll();
    EXPECT_EQ(field->scroll, 1);
    EXPECT_EQ(darkPixels(paint(*field), {0, 0, 120, 60}), 0);
    // Installed fonts draw it once the field stops embedding.
    field->embedFonts = false;
    field->invalidateLayout();
    EXPECT_GT(field->layout().lines.size(), 1u);
    EXPECT_GT(darkPixels(paint(*field), {0, 0, 120, 60}), 10);
}

} // namespace
} // namespace swf::script
