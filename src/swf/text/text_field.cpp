#include "swf/text/text_field.h"

#include "swf/format/strings.h"
#include "swf/text/html_reader.h"

#include <algorithm>
#include <cmath>

namespace swf::text {

namespace {

// Calls `f` on each member of `a` with the same member of `b`.
template <typename F>
void forEachMember(TextFieldFormat& a, const TextFieldFormat& b, F f)
{
    f(a.font, b.font);
    f(a.size, b.size);
    f(a.color, b.color);
    f(a.bold, b.bold);
    f(a.italic, b.italic);
    f(a.underline, b.underline);
    f(a.url, b.url);
    f(a.target, b.target);
    f(a.align, b.align);
    f(a.leftMargin, b.leftMargin);
    f(a.rightMargin, b.rightMargin);
    f(a.indent, b.indent);
    f(a.blockIndent, b.blockIndent);
    f(a.leading, b.leading);
    f(a.bullet, b.bullet);
    f(a.tabStops, b.tabStops);
    f(a.kerning, b.kerning);
    f(a.letterSpacing, b.letterSpacing);
}

bool isParagraphEnd(char32_t c)
{
    return isParagraphBreak(c);
}

// A field never holds more than this many characters, whatever a script
// appends: layout and drawing stay bounded.
constexpr std::size_t kMaxLength = 1u << 20;

} // namespace

void TextFieldFormat::merge(const TextFieldFormat& o)
{
    forEachMember(*this, o, [](auto& mine, const auto& other) {
        if (other)
            mine = other;
    });
}

void TextFieldFormat::intersect(const TextFieldFormat& o)
{
    forEachMember(*this, o, [](auto& mine, const auto& other) {
        if (mine != other)
            mine.reset();
    });
}

TextFieldFormat defaultTextFieldFormat()
{
    TextFieldFormat f;
    f.font = "Times New Roman";
    f.size = 12;
    f.color = 0;
    f.bold = false;
    f.italic = false;
    f.underline = false;
    f.url = "";
    f.target = "";
    f.align = "left";
    f.leftMargin = 0;
    f.rightMargin = 0;
    f.indent = 0;
    f.blockIndent = 0;
    f.leading = 0;
    f.bullet = false;
    f.tabStops = std::vector<double>();
    f.kerning = false;
    f.letterSpacing = 0;
    return f;
}

std::u32string toUnits(const std::string& s, int swfVersion)
{
    const std::vector<std::uint32_t> units = stringUnits(s, swfVersion);
    return std::u32string(units.begin(), units.end());
}

std::string fromUnits(const std::u32string& units, int swfVersion)
{
    const std::vector<std::uint32_t> v(units.begin(), units.end());
    return joinUnits(v, 0, v.size(), swfVersion);
}

std::string TextFieldState::textString() const
{
    if (text.find(kHtmlLineBreak) == std::u32string::npos)
        return fromUnits(text, swfVersion);
    std::u32string shown = text;
    std::erase(shown, kHtmlLineBreak);
    return fromUnits(shown, swfVersion);
}

void TextFieldState::setText(const std::string& value)
{
    std::u32string units = toUnits(value, swfVersion);
    // Line feeds become the field's paragraph breaks.
    std::replace(units.begin(), units.end(), U'\n', U'\r');
    std::vector<FormatRun> newRuns;
    if (!units.empty())
        newRuns.push_back({units.size(), newTextFormat});
    setTextUnits(std::move(units), std::move(newRuns));
}

void TextFieldState::beginMarkup()
{
    if (fontId) {
        for (TextFieldFormat* format : {&newTextFormat, &baseFormat}) {
            format->bold = false;
            format->italic = false;
        }
    }
}

HtmlText TextFieldState::readMarkup(const std::u32string& source) const
{
    return parseHtmlText(source, swfVersion >= 8 ? newTextFormat : baseFormat, condenseWhite, swfVersion, multiline);
}

void TextFieldState::mergeNewTextFormat(const TextFieldFormat& format)
{
    newTextFormat.merge(format);
    baseFormat.merge(format);
}

void TextFieldState::setTextUnits(std::u32string units, std::vector<FormatRun> newRuns)
{
    if (units.size() > kMaxLength)
        units.resize(kMaxLength);
    text = std::move(units);
    runs = std::move(newRuns);
    textGiven = true;
    normalizeRuns();
    invalidateLayout();
    if (autoSize != AutoSize::None)
        fitToText();
    // New text starts at the left; the first line shown stays if it still can.
    hscroll = 0;
    clampScroll();
}

void TextFieldState::replace(std::size_t begin, std::size_t end, const std::u32string& value, const TextFieldFormat& format)
{
    begin = std::min(begin, text.size());
    end = std::clamp(end, begin, text.size());
    std::u32string inserted = value;
    std::replace(inserted.begin(), inserted.end(), U'\n', U'\r');
    if (text.size() - (end - begin) + inserted.size() > kMaxLength)
        return;

    std::vector<FormatRun> out;
    std::size_t pos = 0;
    bool placed = false;
    auto place = [&] {
        if (!placed && !inserted.empty())
            out.push_back({inserted.size(), format});
        placed = true;
    };
    for (const FormatRun& run : runs) {
        const std::size_t runEnd = pos + run.length;
        if (runEnd <= begin) {
            out.push_back(run);
        } else {
            if (pos < begin)
                out.push_back({begin - pos, run.format});
            if (runEnd > begin)
                place();
            if (runEnd > end)
                out.push_back({runEnd - std::max(pos, end), run.format});
        }
        pos = runEnd;
    }
    place();
    std::u32string units = text.substr(0, begin) + inserted + text.substr(end);
    setTextUnits(std::move(units), std::move(out));
}

void TextFieldState::normalizeRuns()
{
    std::vector<FormatRun> out;
    std::size_t total = 0;
    for (FormatRun& run : runs) {
        if (run.length == 0 || total >= text.size())
            continue;
        run.length = std::min(run.length, text.size() - total);
        total += run.length;
        if (!out.empty() && out.back().format == run.format)
            out.back().length += run.length;
        else
            out.push_back(std::move(run));
    }
    // Characters past the runs take the new text format.
    if (total < text.size()) {
        if (!out.empty() && out.back().format == newTextFormat)
            out.back().length += text.size() - total;
        else
            out.push_back({text.size() - total, newTextFormat});
    }
    runs = std::move(out);
}

TextFieldFormat TextFieldState::formatAt(std::size_t index) const
{
    std::size_t pos = 0;
    for (const FormatRun& run : runs) {
        if (index < pos + run.length)
            return run.format;
        pos += run.length;
    }
    return newTextFormat;
}

TextFieldFormat TextFieldState::formatOf(std::size_t begin, std::size_t end) const
{
    end = std::min(end, text.size());
    if (begin >= end)
        return {};
    std::optional<TextFieldFormat> common;
    std::size_t pos = 0;
    for (const FormatRun& run : runs) {
        const std::size_t runEnd = pos + run.length;
        if (runEnd > begin && pos < end) {
            if (!common)
                common = run.format;
            else
                common->intersect(run.format);
        }
        pos = runEnd;
    }
    return common.value_or(TextFieldFormat());
}

void TextFieldState::applyFormat(std::size_t begin, std::size_t end, const TextFieldFormat& format)
{
    end = std::min(end, text.size());
    if (begin >= end)
        return;
    // Paragraph members too go to the range only: the layout takes a
    // paragraph's from its first character, as the original player did.
    std::vector<FormatRun> out;
    std::size_t pos = 0;
    for (const FormatRun& run : runs) {
        std::size_t start = pos;
        const std::size_t runEnd = pos + run.length;
        while (start < runEnd) {
            std::size_t stop = runEnd;
            for (std::size_t cut : {begin, end}) {
                if (cut > start && cut < stop)
                    stop = cut;
            }
            FormatRun piece{stop - start, run.format};
            if (start >= begin && stop <= end)
                piece.format.merge(format);
            out.push_back(std::move(piece));
            start = stop;
        }
        pos = runEnd;
    }
    runs = std::move(out);
    normalizeRuns();
    invalidateLayout();
    // The scroll position stays as it was, even past the new maximum, as in
    // the original player.
    if (autoSize != AutoSize::None)
        fitToText();
}

void TextFieldState::invalidateLayout()
{
    m_layout.reset();
    ++revision;
}

const TextLayout& TextFieldState::layout() const
{
    if (!m_layout)
        m_layout = measurer ? measurer(*this) : estimateLayout(*this);
    return *m_layout;
}

std::size_t linesShown(const std::vector<TextLine>& lines, std::size_t first, double room)
{
    std::size_t shown = 0;
    double used = 0;
    for (std::size_t i = first; i < lines.size(); ++i) {
        // A line's leading lies below it: it need not fit.
        if (used + lines[i].ascent + lines[i].descent > room && shown > 0)
            break;
        used += lines[i].height();
        ++shown;
    }
    return shown;
}

int TextFieldState::bottomScroll() const
{
    const auto& lines = layout().lines;
    const std::size_t first = std::size_t(std::max(scroll - 1, 0));
    const std::size_t shown = linesShown(lines, first, bounds.height().get() - 2 * kGutterTwips);
    return shown == 0 ? scroll : int(first + shown);
}

int TextFieldState::maxScroll() const
{
    const auto& lines = layout().lines;
    if (lines.empty())
        return 1;
    // The lowest first line that still shows the last line whole.
    const double visible = bounds.height().get() - 2 * kGutterTwips;
    double used = 0;
    int first = int(lines.size());
    for (int i = int(lines.size()) - 1; i >= 0; --i) {
        used += lines[std::size_t(i)].height();
        if (used > visible && i < int(lines.size()) - 1)
            break;
        first = i + 1;
    }
    return std::max(first, 1);
}

int TextFieldState::maxHScroll() const
{
    return wordWrap ? 0 : linesOverhang();
}

int TextFieldState::linesOverhang() const
{
    const double room = bounds.width().get() - 2 * kGutterTwips;
    const double over = layout().extent - room;
    return over > 0 ? int(std::ceil(over / 20.0)) : 0;
}

// Scripts read the text's extent in whole pixels, the part of a pixel cut
// off; autoSize fits the field to the exact extent.
double TextFieldState::textWidthPixels() const
{
    return std::floor(std::round(layout().textWidth) / 20.0);
}

// Over several lines the last one's leading is left out of the height
// scripts read; a single line keeps its own.
double TextFieldState::textHeightPixels() const
{
    const TextLayout& l = layout();
    const double height = l.textHeight - (l.lines.size() > 1 ? l.lines.back().leading : 0.0);
    return std::floor(std::round(height) / 20.0);
}

void TextFieldState::fitToText()
{
    fitPending = false;
    if (autoSize == AutoSize::None)
        return;
    const TextLayout& l = layout();
    const auto height = std::int32_t(std::lround(l.textHeight + 2 * kGutterTwips));
    bounds.yMax = bounds.yMin + swf::Twips(height);
    if (!wordWrap) {
        const auto width = std::int32_t(std::lround(l.extent + 2 * kGutterTwips));
        const std::int32_t old = bounds.width().get();
        switch (autoSize) {
        case AutoSize::Left:
            bounds.xMax = bounds.xMin + swf::Twips(width);
            break;
        case AutoSize::Right:
            bounds.xMin = bounds.xMax - swf::Twips(width);
            break;
        case AutoSize::Center:
            bounds.xMin = bounds.xMin + swf::Twips((old - width) / 2);
            bounds.xMax = bounds.xMin + swf::Twips(width);
            break;
        case AutoSize::None:
            break;
        }
    }
    // Lines wrap at the width, and centred or right-aligned lines sit by it:
    // they are laid out again now, and stay so until the text changes.
    m_layout.reset();
    layout();
    ++revision;
}

void TextFieldState::clampScroll()
{
    scroll = std::clamp(scroll, 1, maxScroll());
    // Turning wrapping on lays nothing out again: until the text changes,
    // the lines as they were still give the room to scroll sideways.
    hscroll = std::clamp(hscroll, 0, linesOverhang());
}

TextLayout estimateLayout(const TextFieldState& field)
{
    // Without fonts: half an em per character, 1.15 ems per line.
    TextLayout out;
    const double room = field.bounds.width().get() - 2 * kGutterTwips;
    TextLine line;
    auto finish = [&](std::size_t end) {
        line.end = end;
        out.textWidth = std::max(out.textWidth, line.width);
        out.extent = out.textWidth;
        out.textHeight += line.height();
        out.lines.push_back(line);
        line = TextLine();
        line.begin = end;
    };
    for (std::size_t i = 0; i < field.text.size(); ++i) {
        const TextFieldFormat format = field.formatAt(i);
        const double em = format.size.value_or(12) * 20;
        line.ascent = std::max(line.ascent, em * 0.9);
        line.descent = std::max(line.descent, em * 0.25);
        line.leading = std::max(line.leading, format.leading.value_or(0) * 20);
        if (isParagraphEnd(field.text[i])) {
            finish(i + 1);
            continue;
        }
        const double advance = em * 0.5;
        if (field.wordWrap && line.width > 0 && line.width + advance > room) {
            finish(i);
            line.ascent = em * 0.9;
            line.descent = em * 0.25;
        }
        line.width += advance;
    }
    // The line after a closing break holds no character: only its leading.
    const TextFieldFormat last = field.formatAt(field.text.size());
    if (!field.text.empty() && isParagraphEnd(field.text.back())) {
        line.leading = last.leading.value_or(0) * 20;
    } else if (line.ascent == 0) {
        const double em = last.size.value_or(12) * 20;
        line.ascent = em * 0.9;
        line.descent = em * 0.25;
    }
    finish(field.text.size());
    return out;
}

namespace {

std::string alignName(swf::TextAlign align)
{
    switch (align) {
    case swf::TextAlign::Right:
        return "right";
    case swf::TextAlign::Center:
        return "center";
    case swf::TextAlign::Justify:
        return "justify";
    case swf::TextAlign::Left:
        break;
    }
    return "left";
}

} // namespace

TextFieldState textFieldFromDefinition(const swf::DefineEditText& record, int swfVersion, const std::string& fontName,
                                       bool bold, bool italic)
{
    TextFieldState result;
    TextFieldState* field = &result;
    field->swfVersion = swfVersion;
    field->bounds = record.bounds;
    field->wordWrap = record.wordWrap;
    field->multiline = record.multiline;
    field->password = record.password;
    field->input = !record.readOnly;
    field->selectable = !record.noSelect;
    field->border = record.border;
    field->background = record.border;
    field->html = record.html;
    field->embedFonts = record.useOutlines;
    field->fontId = record.fontId;
    field->maxChars = record.maxLength.value_or(0);
    field->variable = record.variableName;

    TextFieldFormat& format = field->newTextFormat;
    if (!fontName.empty())
        format.font = fontName;
    format.bold = bold;
    format.italic = italic;
    if (record.height)
        format.size = record.height->get() / 20.0;
    if (record.color)
        format.color = (std::uint32_t(record.color->r) << 16) | (std::uint32_t(record.color->g) << 8) | record.color->b;
    if (record.layout) {
        format.align = alignName(record.layout->align);
        format.leftMargin = record.layout->leftMargin.get() / 20.0;
        format.rightMargin = record.layout->rightMargin.get() / 20.0;
        format.indent = record.layout->indent.get() / 20.0;
        format.leading = record.layout->leading.get() / 20.0;
    }
    field->baseFormat = format;
    if (record.html)
        field->beginMarkup();
    if (record.initialText) {
        field->initialText = *record.initialText;
        if (record.html) {
            const HtmlText parsed = field->readMarkup(toUnits(*record.initialText, swfVersion));
            field->setTextUnits(parsed.text, parsed.runs);
        } else {
            field->setText(*record.initialText);
        }
    }
    // Set after the text: the record's bounds stand until real fonts measure
    // the text (the owner sets the measurer, then calls fitToText).
    field->autoSize = record.autoSize ? AutoSize::Left : AutoSize::None;
    return result;
}

swf::Twips twipsFromPixels(double pixels)
{
    return std::isfinite(pixels) ? swf::Twips::fromPixels(std::clamp(pixels, -1e6, 1e6)) : swf::Twips(0);
}

TextFieldState newTextField(double width, double height, int swfVersion)
{
    TextFieldState field;
    field.swfVersion = swfVersion;
    field.bounds = {swf::Twips(0), twipsFromPixels(std::max(width, 0.0)), swf::Twips(0), twipsFromPixels(std::max(height, 0.0))};
    return field;
}

} // namespace swf::text
