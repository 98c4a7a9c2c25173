#pragma once

// A shape character made ready to draw: its edge records turned into one
// closed path per fill style and one stroke path per line style, in twips.
// Built once per character (and per morph ratio) and kept by CharacterCache.

#include "swf/format/records.h"

#include <QPainterPath>
#include <QRectF>

#include <vector>

namespace swf::render {

struct FillLayer {
    swf::FillStyle style;
    QPainterPath path;
    // Edges this fill shares with a fill drawn after it. Antialiasing each fill
    // on its own lets the background show through along a shared edge; the
    // painter covers these edges with this fill first.
    QPainterPath seams;
};

struct StrokeLayer {
    swf::LineStyle style;
    QPainterPath path;
};

// The fills and strokes of one style table. A shape that brings new style
// tables in mid-shape draws each table's fills and strokes above the ones before.
struct ShapeLayer {
    std::vector<FillLayer> fills;
    std::vector<StrokeLayer> strokes;
};

struct ShapeGeometry {
    std::vector<ShapeLayer> layers;
    // The area of every fill and stroke path, in twips (strokes without their width).
    QRectF bounds;

    bool empty() const { return layers.empty(); }
    // Every filled area as one path, for shapes used as masks and glyph outlines.
    QPainterPath fillOutline() const;
};

// Edges that reach a style index past the current tables are drawn without
// that style; nothing in the records can make these fail.
ShapeGeometry buildShape(const swf::DefineShape& shape);
ShapeGeometry buildShape(const swf::Shape& shape, bool windingFill = false);

// The outline of a font glyph: glyphs have no style tables, every edge with a
// fill on either side bounds the glyph. In the glyph's own units.
QPainterPath buildGlyph(const swf::Shape& glyph);

// The morph shape at `ratio` (0 = start shape, 1 = end shape): edges, fills and
// lines interpolated. Start and end edges correspond one to one; a straight edge
// facing a curve is treated as a curve with its control point at its middle.
ShapeGeometry buildMorph(const swf::DefineMorphShape& morph, double ratio);

// The fill and line style at `ratio`, for buildMorph and its tests.
swf::FillStyle interpolateFill(const swf::MorphFillStyle& style, double ratio);
swf::LineStyle interpolateLine(const swf::MorphLineStyle& style, double ratio);

} // namespace swf::render
