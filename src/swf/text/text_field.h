#pragma once

// The live state of a text field on the stage: what scripts read and write
// through TextField objects and what the renderer draws. Text is kept in the
// movie's string units (bytes before SWF 6, characters after), each
// character with its format; the layout (lines, extents) comes from a
// measuring hook the render layer provides, so this library needs no fonts.

#include "swf/format/records.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace swf::text {

// A TextFormat's values; unset members are null to scripts. Sizes,
// margins, indents and leading are in pixels, as scripts see them.
// Text fields keep this margin (in twips) between their bounds and their text.
inline constexpr double kGutterTwips = 40;

struct TextFieldFormat {
    std::optional<std::string> font;
    std::optional<double> size;
    std::optional<std::uint32_t> color; // 0xRRGGBB
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline;
    std::optional<std::string> url;
    std::optional<std::string> target;
    // Paragraph members: they apply to whole paragraphs.
    std::optional<std::string> align; // "left", "right", "center", "justify"
    std::optional<double> leftMargin;
    std::optional<double> rightMargin;
    std::optional<double> indent;
    std::optional<double> blockIndent;
    std::optional<double> leading;
    std::optional<bool> bullet;
    std::optional<std::vector<double>> tabStops;
    // Character members of Flash 8.
    std::optional<bool> kerning;
    std::optional<double> letterSpacing;

    // Takes every member `other` sets.
    void merge(const TextFieldFormat& other);
    // Keeps the members both formats agree on; the others become null.
    void intersect(const TextFieldFormat& other);
    bool operator==(const TextFieldFormat&) const = default;
};

// The format of a new field: Times New Roman 12, black, left-aligned.
TextFieldFormat defaultTextFieldFormat();

enum class AutoSize : std::uint8_t { None, Left, Right, Center };

// One run of characters sharing a format.
struct FormatRun {
    std::size_t length = 0;
    TextFieldFormat format;
};

// One laid-out line: the characters it shows and its extent, in twips.
struct TextLine {
    std::size_t begin = 0; // first character
    std::size_t end = 0;   // past the last, line break included
    double width = 0; // margins and indent included
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    double margins = 0; // the part of the width that margins and indent take
    double height() const { return ascent + descent + leading; }
};

// The result of laying the text out in the field's width (or without a
// limit when the field does not wrap).
struct TextLayout {
    std::vector<TextLine> lines;
    double textWidth = 0;  // widest line's text, margins and indent left out, twips
    double extent = 0;     // widest line with its margins and indent, twips
    double textHeight = 0; // all lines, twips
};

// How many lines from `first` show whole in `room` twips of height (the
// last one's leading may fall outside); the first shows even when it does
// not fit.
std::size_t linesShown(const std::vector<TextLine>& lines, std::size_t first, double room);

// A paragraph break that came from a line break in HTML source: it counts
// in the length and breaks the line, but `text` leaves it out, as the
// original player's did. A private-use code no movie text carries.
constexpr char32_t kHtmlLineBreak = 0xE000;
inline bool isParagraphBreak(char32_t c)
{
    return c == U'\r' || c == U'\n' || c == kHtmlLineBreak;
}

struct TextFieldState;
struct HtmlText;
// Lays a field's text out with real fonts; the render layer provides it.
using TextMeasurer = std::function<TextLayout(const TextFieldState&)>;

struct TextFieldState {
    int swfVersion = 8;

    // Characters in the movie's units, and their formats (lengths add up
    // to the text's length).
    std::u32string text;
    std::vector<FormatRun> runs;
    // The format of text that replaces or extends the field's.
    TextFieldFormat newTextFormat = defaultTextFieldFormat();
    // The format the field's record and scripts gave it, apart from what
    // markup left open in newTextFormat: before SWF 8, markup starts here.
    TextFieldFormat baseFormat = defaultTextFieldFormat();

    bool html = false;
    // Assigned htmlText is kept as written until the text changes otherwise;
    // reading htmlText regenerates it from the runs.
    std::string variable;
    // The text the field's record gave it (HTML source for an HTML field):
    // a bound variable without a value takes it.
    std::string initialText;
    bool background = false;
    std::uint32_t backgroundColor = 0xFFFFFF;
    bool border = false;
    std::uint32_t borderColor = 0x000000;
    bool wordWrap = false;
    bool multiline = false;
    AutoSize autoSize = AutoSize::None;
    // Autosize was turned on in a field no text was ever given: the box
    // fits when the frame ends.
    bool fitPending = false;
    bool textGiven = false; // text (even none) was set since the field was made
    bool selectable = true;
    bool input = false; // type "input" rather than "dynamic"
    bool password = false;
    int maxChars = 0;   // 0: none (null to scripts); only a positive one limits
    std::optional<std::string> restrict;
    bool embedFonts = false;
    bool condenseWhite = false;
    bool mouseWheelEnabled = true;
    std::string antiAliasType = "normal";
    std::string gridFitType = "pixel";
    double sharpness = 0;
    double thickness = 0;
    // The font the field's record names, for the renderer.
    std::optional<std::uint16_t> fontId;

    // The selected characters [selectionBegin, selectionEnd), the caret at
    // selectionEnd; typing and replaceSel replace them. Both are clamped to
    // the text when used. A field without a selection (npos: never focused,
    // or just taking the focus) reads as -1 to Selection; replaceSel puts
    // text at its start.
    std::size_t selectionBegin = std::u32string::npos;
    std::size_t selectionEnd = std::u32string::npos;

    // Scrolling: the first line shown (1-based) and the horizontal offset in pixels.
    int scroll = 1;
    int hscroll = 0;

    // The field's rectangle in its own space, twips.
    swf::Rect bounds;
    // A field's _x is the left edge of its rectangle, not its origin: this far
    // from it. Autosizing to the centre or the right moves the edge and _x with it.
    double xShift() const { return double(bounds.xMin.get()); }

    // Set by whoever owns the fonts; without it an estimate from the sizes is used.
    TextMeasurer measurer;

    // Text.
    std::size_t length() const { return text.size(); }
    std::string textString() const;
    // Replaces the whole text, in the new text format.
    void setText(const std::string& value);
    // Before markup is read into the field: on a field made from a symbol,
    // markup starts without the style of the symbol's font, since the tags
    // say which runs are bold or italic.
    void beginMarkup();
    // Reads markup in the field's own settings, starting from the base
    // format (from SWF 8 on, from the format earlier markup left open).
    HtmlText readMarkup(const std::u32string& source) const;
    // Sets the format new text takes and the base format together.
    void mergeNewTextFormat(const TextFieldFormat& format);
    // Replaces characters [begin, end) with `value` in `format` (clamped).
    void replace(std::size_t begin, std::size_t end, const std::u32string& value, const TextFieldFormat& format);
    void setTextUnits(std::u32string units, std::vector<FormatRun> newRuns);

    // Formats.
    TextFieldFormat formatAt(std::size_t index) const;
    // The members all characters of [begin, end) share.
    TextFieldFormat formatOf(std::size_t begin, std::size_t end) const;
    // Sets `format`'s members on [begin, end).
    void applyFormat(std::size_t begin, std::size_t end, const TextFieldFormat& format);

    // Layout, cached until the text, a format or the size changes.
    const TextLayout& layout() const;
    void invalidateLayout();
    int maxScroll() const;
    int bottomScroll() const;
    int maxHScroll() const; // pixels
    // How far the widest line of the current layout runs past the room, in
    // pixels, whether the field wraps or not.
    int linesOverhang() const;
    double textWidthPixels() const;
    double textHeightPixels() const;
    // Autosize: fits the bounds to the text, keeping the side it is anchored to.
    void fitToText();
    // Keeps scroll and hscroll in range after a change.
    void clampScroll();

    // Counts changes to anything drawn, for caches outside.
    std::uint64_t revision = 0;

private:
    void normalizeRuns();
    mutable std::optional<TextLayout> m_layout;
};

// Units of a script string and back (bytes before SWF 6, characters after).
std::u32string toUnits(const std::string& s, int swfVersion);
std::string fromUnits(const std::u32string& units, int swfVersion);

// A field placed by the timeline, from its record, with its initial text
// (read as HTML when the record says so). `fontName` names the record's
// font (the movie's font library knows it); empty keeps the default. A
// plain-text field drawn with a bold or italic font starts in that style
// (HTML follows its tags, see beginMarkup). Set the
// measurer before reading extents.
TextFieldState textFieldFromDefinition(const swf::DefineEditText& record, int swfVersion = 8,
                                       const std::string& fontName = {}, bool bold = false, bool italic = false);
// A field made by createTextField, `width` by `height` pixels from its
// origin (the caller places it at x, y with its matrix). Dynamic,
// selectable, no border, Times New Roman 12 in black.
TextFieldState newTextField(double width, double height, int swfVersion = 8);
// Pixels to twips for sizes a script gives: non-finite values are 0.
swf::Twips twipsFromPixels(double pixels);

// The estimate used without a measurer: advances from the size alone.
TextLayout estimateLayout(const TextFieldState& field);

} // namespace swf::text
