#pragma once

// Draws static text characters from their glyph records. Edit text fields
// are drawn from their live state (text_field_painter.h).

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
// The device pixels paintStaticText() may touch.
QRect staticTextDeviceBounds(const StaticTextGeometry& text, const QTransform& twipsToDevice);
void paintStaticText(QPainter& painter, const swf::DefineText& text, const FontLibrary& fonts,
                     const QTransform& twipsToDevice, const swf::ColorTransform& transform);

} // namespace swf::render
