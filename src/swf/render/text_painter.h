#pragma once

// Draws text characters: static text from its glyph records, edit text laid
// out from its string with its font, size, alignment, margins and wrapping.

#include "swf/format/records.h"

#include <QFont>
#include <QPainterPath>
#include <QString>
#include <QTransform>

#include <utility>
#include <vector>

class QPainter;

namespace swf::render {

class FontLibrary;

// Static text made ready to draw: per text record, its glyph outlines placed
// and scaled into one path (or, for fonts without outlines, the characters to
// draw with an installed font), in the text's own space after its matrix.
struct StaticTextRun {
    swf::Rgba color;
    QPainterPath outlines;
    // Fonts without outlines name an installed font: characters and where they go.
    QFont deviceFont;
    std::vector<std::pair<QPointF, QString>> deviceGlyphs;
};

struct StaticTextGeometry {
    QTransform matrix; // the text's own matrix
    std::vector<StaticTextRun> runs;
};

// Each glyph's outline scaled by its record's height, placed at the record's
// offsets and moved on by each glyph's advance. Glyphs of unknown fonts or past
// a font's table are left out.
StaticTextGeometry buildStaticText(const swf::DefineText& text, const FontLibrary& fonts);

// `twipsToDevice` maps the text character's space (before its own matrix) to
// the device.
void paintStaticText(QPainter& painter, const StaticTextGeometry& text, const QTransform& twipsToDevice,
                     const swf::ColorTransform& transform);
void paintStaticText(QPainter& painter, const swf::DefineText& text, const FontLibrary& fonts,
                     const QTransform& twipsToDevice, const swf::ColorTransform& transform);

// Edit text showing `text` (the initial text, or what a script put there),
// laid out in the field's bounds with its margins, indent, leading, alignment
// and word wrap. When the field is HTML, `text` is read as HTML: paragraphs,
// alignment, colours, sizes, faces, bold and italic. Fonts: the field's
// embedded glyphs when it asks for outlines, else an installed font.
void paintEditText(QPainter& painter, const swf::DefineEditText& field, const FontLibrary& fonts,
                   const QString& text, const QTransform& twipsToDevice, const swf::ColorTransform& transform);

// The initial text of a field, decoded; HTML stays HTML (paintEditText reads
// it when the field says so).
QString editTextInitialText(const swf::DefineEditText& field);

// HTML reduced to its text: paragraph and line breaks become newlines, other
// tags go, entities are decoded.
QString plainTextFromHtml(const QString& html);

} // namespace swf::render
