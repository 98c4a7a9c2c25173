#pragma once

// Draws shapes as the format stores them, pen-style: style tables plus a list
// of moves, lines and curves. Used by the movie builder, the start-up movie
// tool and tests; all coordinates are twips.

#include "swf/format/records.h"

namespace swf {

class ShapeBuilder {
public:
    // Style indices start at 1, as the records count them.
    std::uint32_t addFill(const FillStyle& fill);
    std::uint32_t addLine(const LineStyle& line);

    // Selects the fill on the right of following edges (fill1), the fill on
    // their left (fill0) and the line; 0 is none. Shapes drawn clockwise on
    // screen have their inside on the right.
    ShapeBuilder& setStyles(std::uint32_t fill1, std::uint32_t line, std::uint32_t fill0 = 0);

    ShapeBuilder& moveTo(Twips x, Twips y);
    ShapeBuilder& lineTo(Twips x, Twips y);
    ShapeBuilder& curveTo(Twips controlX, Twips controlY, Twips anchorX, Twips anchorY);

    // Closed outlines, clockwise on screen, starting with a move.
    ShapeBuilder& rectangle(const Rect& r);
    ShapeBuilder& ellipse(const Rect& box);
    ShapeBuilder& polygon(const std::vector<Point>& points);
    // An elliptic arc from `startDegrees` sweeping `sweepDegrees` (positive is
    // clockwise on screen), in quadratic pieces of at most 45°. Moves to the
    // arc's start when `move` is true, else draws a line to it.
    ShapeBuilder& arc(Point center, Twips radiusX, Twips radiusY, double startDegrees, double sweepDegrees,
                      bool move = true);

    const Shape& shape() const { return m_shape; }
    // Everything drawn, control points included, widened by half the widest line.
    Rect bounds() const;
    Rect edgeBounds() const;

private:
    void touch(std::int64_t x, std::int64_t y);

    Shape m_shape;
    Point m_pen;
    bool m_any = false;
    Rect m_extent;
};

// Fill styles for builders: a solid colour, and gradients fitted to a box
// (linear left to right, radial from its centre).
FillStyle solidFill(Rgba color);
FillStyle linearGradientFill(const Rect& box, std::vector<GradientRecord> stops);
FillStyle radialGradientFill(const Rect& box, std::vector<GradientRecord> stops);
LineStyle solidLine(Twips width, Rgba color);

} // namespace swf
