#include "swf/render/text_field_layout.h"

#include "swf/format/strings.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace swf::render {

// The distance between the tab stops of a paragraph that sets none, in
// twips, whatever the size of the text.
constexpr double kDefaultTabTwips = 648;

// One character ready to place.
struct TextFieldLayout::Item {
    QChar c;
    std::size_t unit; // index in the field's text
    const TextFace* face;
    const text::TextFieldFormat* format;
    double advance;
};

// A paragraph's characters with their formats, the break that ends it excluded.
struct TextFieldLayout::Paragraph {
    std::size_t begin = 0;
    std::size_t end = 0; // past the break, if any
    std::vector<Item> items;
    text::TextFieldFormat format; // of its first character
};

namespace {

bool breaksAnywhere(QChar c)
{
    // Chinese and Japanese text wraps between any two characters.
    return c.unicode() >= 0x2E80;
}

QString unitsToQString(const std::u32string& units, int swfVersion)
{
    if (swfVersion >= 6) {
        std::u32string valid = units;
        for (char32_t& c : valid) {
            if (c >= 0x110000 || (c >= 0xD800 && c < 0xE000))
                c = 0xFFFD;
        }
        return QString::fromUcs4(valid.data(), qsizetype(valid.size()));
    }
    std::string bytes;
    for (char32_t c : units)
        bytes += char(c & 0xFF);
    return swf::decodeString(bytes);
}

} // namespace

QString displayText(const text::TextFieldState& field)
{
    if (field.password)
        return QString(qsizetype(field.text.size()), QLatin1Char('*'));
    return unitsToQString(field.text, field.swfVersion);
}

const TextFace& TextFieldLayout::face(const text::TextFieldFormat& format)
{
    const std::string name = format.font.value_or("Times New Roman");
    const double height = std::clamp(format.size.value_or(12), 1.0, 1000.0) * 20.0;
    const bool bold = format.bold.value_or(false);
    const bool italic = format.italic.value_or(false);
    const auto key = std::make_tuple(name, height, bold, italic);
    auto found = m_faces.find(key);
    if (found != m_faces.end())
        return *found->second;
    QString qname = QString::fromStdString(name);
    std::unique_ptr<TextFace> made;
    if (m_field.embedFonts) {
        // Embedded outlines or nothing: the player never drew such a field
        // with an installed font.
        if (const Font* embedded = embeddedFont(qname, bold, italic))
            made = std::make_unique<EmbeddedFace>(*embedded, height);
        else
            made = std::make_unique<MissingFace>();
    } else {
        // DejaVu grew out of Bitstream Vera and keeps its metrics.
        if (qname.startsWith(QLatin1String("Bitstream Vera"), Qt::CaseInsensitive))
            qname = QStringLiteral("DejaVu") + qname.mid(14);
        made = std::make_unique<DeviceFace>(deviceFont(qname, int(std::lround(height)), bold, italic));
    }
    return *m_faces.emplace(key, std::move(made)).first->second;
}

const Font* TextFieldLayout::embeddedFont(const QString& name, bool bold, bool italic) const
{
    if (!m_fonts)
        return nullptr;
    const Font* own = m_field.fontId ? m_fonts->font(*m_field.fontId) : nullptr;
    if (own && !own->hasOutlines())
        own = nullptr;
    // A font without a name is known by the field's record alone.
    const bool ownName
        = own && (name.isEmpty() || own->name().isEmpty() || own->name().compare(name, Qt::CaseInsensitive) == 0);
    if (ownName && own->bold() == bold && own->italic() == italic)
        return own;
    // Bold and italic runs draw with the movie's font of that name in that
    // style; without one, with the face of that name the movie has.
    if (const Font* styled = m_fonts->findEmbedded(name, bold, italic))
        return styled;
    if (ownName)
        return own;
    for (const auto& [b, i] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
        if (const Font* other = m_fonts->findEmbedded(name, b, i))
            return other;
    }
    return nullptr;
}

// The paragraphs of the text with their characters, each measured in its face.
std::vector<TextFieldLayout::Paragraph> TextFieldLayout::paragraphs(const std::vector<text::TextFieldFormat>& formats)
{
    const text::TextFieldState& field = m_field;
    std::vector<Paragraph> paragraphs(1);
    std::size_t unit = 0;
    for (std::size_t r = 0; r < field.runs.size(); ++r) {
        const text::FormatRun& run = field.runs[r];
        const text::TextFieldFormat& format = formats[r];
        const TextFace& runFace = face(format);
        const double spacing = format.letterSpacing.value_or(0) * 20.0;
        std::size_t i = unit;
        const std::size_t runEnd = std::min(unit + run.length, field.text.size());
        while (i < runEnd) {
            // One line of the run at a time: breaks end paragraphs.
            std::size_t j = i;
            while (j < runEnd && !text::isParagraphBreak(field.text[j]))
                ++j;
            if (paragraphs.back().items.empty() && paragraphs.back().begin == i)
                paragraphs.back().format = format;
            const QString chunk = field.password ? QString(qsizetype(j - i), QLatin1Char('*'))
                                                 : unitsToQString(field.text.substr(i, j - i), field.swfVersion);
            for (qsizetype k = 0; k < chunk.size(); ++k) {
                const std::size_t at = std::min(i + std::size_t(k), j - 1);
                paragraphs.back().items.push_back({chunk[k], at, &runFace, &format, runFace.advance(chunk[k]) + spacing});
            }
            if (j < runEnd) {
                paragraphs.back().end = j + 1;
                Paragraph next;
                next.begin = j + 1;
                next.end = j + 1;
                next.format = format;
                paragraphs.push_back(std::move(next));
                ++j;
            } else {
                paragraphs.back().end = j;
            }
            i = j;
        }
        unit = runEnd;
    }
    if (field.runs.empty())
        paragraphs.back().format = field.newTextFormat;
    return paragraphs;
}

// Greedy breaking: after a space or next to a CJK character; a word longer
// than the line breaks where it overflows (a tab is part of its word).
// Without wrapping, one row. A tab reaches the paragraph's next tab stop past
// the pen, and takes no room past the last one. A paragraph without stops of
// its own has one every 32.4 pixels, at any size.
std::vector<std::vector<TextFieldLayout::Item>> TextFieldLayout::breakRows(const std::vector<Item>& items, double width,
                                                                           double indent, bool wrap,
                                                                           const std::vector<double>& tabStops)
{
    auto placed = [&](Item item, double pen) {
        if (item.c != QLatin1Char('\t'))
            return item;
        if (tabStops.empty()) {
            item.advance = (std::floor(pen / kDefaultTabTwips) + 1.0) * kDefaultTabTwips - pen;
        } else {
            const auto next = std::find_if(tabStops.begin(), tabStops.end(), [&](double stop) { return stop * 20.0 > pen; });
            item.advance = next == tabStops.end() ? 0.0 : *next * 20.0 - pen;
        }
        return item;
    };
    std::vector<std::vector<Item>> rows(1);
    double rowWidth = 0;
    std::size_t breakAt = 0;
    for (const Item& next : items) {
        std::vector<Item>& row = rows.back();
        if (!row.empty() && (breaksAnywhere(next.c) || breaksAnywhere(row.back().c)))
            breakAt = row.size();
        const double available = width - (rows.size() == 1 ? indent : 0.0);
        Item item = placed(next, (rows.size() == 1 ? indent : 0.0) + rowWidth);
        // A box fitted to its text is a whole number of twips, rounded to
        // the nearest: text that overhangs it by less than half a twip fits.
        if (wrap && !row.empty() && item.c != QLatin1Char(' ') && rowWidth + item.advance > available + 0.5) {
            std::vector<Item> rest;
            if (breakAt > 0) {
                rest.assign(row.begin() + std::ptrdiff_t(breakAt), row.end());
                row.resize(breakAt);
            }
            rows.push_back({});
            rowWidth = 0;
            for (const Item& kept : rest) {
                rows.back().push_back(placed(kept, rowWidth));
                rowWidth += rows.back().back().advance;
            }
            item = placed(next, rowWidth);
            breakAt = 0;
        }
        rows.back().push_back(item);
        rowWidth += item.advance;
        // A line may end after a space or a hyphen.
        if (item.c == QLatin1Char(' ') || item.c == QLatin1Char('-'))
            breakAt = rows.back().size();
    }
    return rows;
}

// One row of a paragraph as a line: its extent, and its characters in runs of
// one format placed by the paragraph's alignment. `wrapped` says that the
// paragraph goes on in the next row.
PlacedLine TextFieldLayout::placeRow(const std::vector<Item>& row, const text::TextFieldFormat& paragraphFormat,
                                     double width, double indent, bool wrapped)
{
    const text::TextFieldFormat& pf = paragraphFormat;
    const double left = (pf.leftMargin.value_or(0) + pf.blockIndent.value_or(0)) * 20.0;
    const double right = pf.rightMargin.value_or(0) * 20.0;
    const std::string align = pf.align.value_or("left");
    PlacedLine line;
    line.metrics.leading = pf.leading.value_or(0) * 20.0;
    // The spaces a centred, right-aligned or justified line wraps after take
    // no room; a left-aligned line keeps them, and the spaces that end a
    // paragraph are measured and aligned like any other character.
    std::size_t shown = row.size();
    while (wrapped && align != "left" && shown > 0 && row[shown - 1].c == QLatin1Char(' '))
        --shown;
    double inkWidth = 0;
    for (std::size_t k = 0; k < shown; ++k)
        inkWidth += row[k].advance;
    const TextFace& lineFace = row.empty() ? face(pf) : *row.front().face;
    line.metrics.ascent = lineFace.ascent();
    line.metrics.descent = lineFace.descent();
    for (const Item& item : row) {
        line.metrics.ascent = std::max(line.metrics.ascent, item.face->ascent());
        line.metrics.descent = std::max(line.metrics.descent, item.face->descent());
    }
    line.metrics.width = left + indent + inkWidth + right;
    line.metrics.margins = left + indent + right;
    // A line wider than the field starts at its left edge whatever the
    // alignment: the rest lies past the right edge, where scrolling reaches.
    double x = left + indent;
    if (align == "right")
        x = left + std::max(indent, width - inkWidth);
    else if (align == "center")
        x = left + indent + std::max(0.0, (width - indent - inkWidth) / 2);
    // Consecutive characters of one format go together; a tab is the room
    // between two runs, as a font has no glyph that reaches a tab stop.
    std::size_t k = 0;
    while (k < shown) {
        if (row[k].c == QLatin1Char('\t')) {
            x += row[k].advance;
            ++k;
            continue;
        }
        PlacedRun run;
        run.x = x;
        run.face = row[k].face;
        run.color = row[k].format->color.value_or(0);
        run.underline = row[k].format->underline.value_or(false);
        const text::TextFieldFormat* format = row[k].format;
        while (k < shown && row[k].format == format && row[k].c != QLatin1Char('\t')) {
            run.text += row[k].c;
            run.width += row[k].advance;
            ++k;
        }
        x += run.width;
        line.runs.push_back(std::move(run));
    }
    return line;
}

TextFieldLayout::TextFieldLayout(const text::TextFieldState& field, const FontLibrary* fonts)
    : TextFieldLayout(field, fonts, field.bounds.width().get() - 2 * text::kGutterTwips)
{
}

TextFieldLayout::TextFieldLayout(const text::TextFieldState& field, const FontLibrary* fonts, double room)
    : m_field(field), m_fonts(fonts)
{
    // The formats of the runs, in order; items point into this.
    std::vector<text::TextFieldFormat> formats;
    formats.reserve(field.runs.size() + 1);
    for (const text::FormatRun& run : field.runs)
        formats.push_back(run.format);
    formats.push_back(field.newTextFormat);

    for (const Paragraph& paragraph : paragraphs(formats)) {
        const text::TextFieldFormat& pf = paragraph.format;
        const double left = (pf.leftMargin.value_or(0) + pf.blockIndent.value_or(0)) * 20.0;
        const double right = pf.rightMargin.value_or(0) * 20.0;
        const double indent = pf.indent.value_or(0) * 20.0;
        const double width = std::max(0.0, room - left - right);
        const auto rows = breakRows(paragraph.items, width, indent, field.wordWrap, pf.tabStops.value_or(std::vector<double>()));
        std::size_t lineBegin = paragraph.begin;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            PlacedLine line = placeRow(rows[r], pf, width, r == 0 ? indent : 0.0, r + 1 < rows.size());
            // The line after a break that ends the text holds no character,
            // not even a break, so no font gives it a height: it takes only
            // its leading. A blank line between two breaks has the font of
            // the break on it. So a closing break neither grows the text's
            // height nor keeps the last line of text from scrolling to the
            // bottom of the field.
            if (rows[r].empty() && paragraph.begin > 0 && paragraph.begin >= field.text.size()) {
                line.metrics.ascent = 0;
                line.metrics.descent = 0;
            }
            line.metrics.begin = lineBegin;
            line.metrics.end = r + 1 < rows.size() && !rows[r + 1].empty() ? rows[r + 1].front().unit : paragraph.end;
            lineBegin = line.metrics.end;
            m_lines.push_back(std::move(line));
        }
    }
}

text::TextLayout TextFieldLayout::metrics() const
{
    text::TextLayout out;
    for (const PlacedLine& line : m_lines) {
        out.lines.push_back(line.metrics);
        // Scripts measure the text alone; autoSize and scrolling take the
        // margins and indent too.
        out.textWidth = std::max(out.textWidth, line.metrics.width - line.metrics.margins);
        out.extent = std::max(out.extent, line.metrics.width);
        out.textHeight += line.metrics.height();
    }
    // An empty field measures nothing.
    if (m_field.text.empty()) {
        out.textWidth = 0;
        out.extent = 0;
        out.textHeight = 0;
    }
    return out;
}

text::TextMeasurer textMeasurer(std::shared_ptr<const FontLibrary> fonts)
{
    return [fonts = std::move(fonts)](const text::TextFieldState& field) {
        return TextFieldLayout(field, fonts.get()).metrics();
    };
}

} // namespace swf::render
