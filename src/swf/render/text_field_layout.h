#pragma once

// Lays out a live text field (text::TextFieldState) with real fonts: the
// movie's embedded glyphs when the field embeds its font, installed fonts
// otherwise (with the CJK fallback of deviceFont). The same layout answers
// the script layer's measurements (textWidth, maxscroll, autoSize) and
// feeds the painter, so what scripts measure is what is drawn.

#include "swf/render/font_library.h"
#include "swf/render/text_faces.h"
#include "swf/text/text_field.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <map>
#include <memory>
#include <tuple>
#include <vector>

class QPainter;

namespace swf::render {

// Characters of one format placed on a line.
struct PlacedRun {
    QString text;
    double x = 0; // twips from the text area's left edge (alignment included)
    double width = 0;
    const TextFace* face = nullptr;
    std::uint32_t color = 0; // 0xRRGGBB
    bool underline = false;
};

struct PlacedLine {
    text::TextLine metrics;
    std::vector<PlacedRun> runs;
};

class TextFieldLayout {
public:
    TextFieldLayout(const text::TextFieldState& field, const FontLibrary* fonts);
    // Lines wrapped and aligned in `room` twips instead of the field's own width.
    TextFieldLayout(const text::TextFieldState& field, const FontLibrary* fonts, double room);

    const std::vector<PlacedLine>& lines() const { return m_lines; }
    // The extents the script layer sees.
    text::TextLayout metrics() const;

private:
    struct Item;
    struct Paragraph;
    const TextFace& face(const text::TextFieldFormat& format);
    // The movie's font that draws `name` in that style for a field that
    // embeds its fonts; null when the movie has none of that name.
    const Font* embeddedFont(const QString& name, bool bold, bool italic) const;
    std::vector<Paragraph> paragraphs(const std::vector<text::TextFieldFormat>& formats);
    static std::vector<std::vector<Item>> breakRows(const std::vector<Item>& items, double width, double indent, bool wrap,
                                                    const std::vector<double>& tabStops);
    PlacedLine placeRow(const std::vector<Item>& row, const text::TextFieldFormat& paragraphFormat, double width,
                        double indent, bool wrapped);

    const text::TextFieldState& m_field;
    const FontLibrary* m_fonts;
    std::map<std::tuple<std::string, double, bool, bool>, std::unique_ptr<TextFace>> m_faces;
    std::vector<PlacedLine> m_lines;
};

// A measuring hook for TextFieldState::measurer; `fonts` may be null (installed fonts only).
text::TextMeasurer textMeasurer(std::shared_ptr<const FontLibrary> fonts);

// The field's text as it shows: the password mask applied.
QString displayText(const text::TextFieldState& field);

} // namespace swf::render
