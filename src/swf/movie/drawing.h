#pragma once

// What a clip's script drew with the drawing methods (moveTo, lineTo, curveTo,
// beginFill, lineStyle...). Filled in as the methods are called; drawn below
// the clip's own objects.
//
// The drawing is kept the way the original player kept it: as the edges of a
// shape, each with the fill and line style in effect when it was drawn, in
// twips. Every beginFill starts a fill of its own (two overlapping fills of
// one colour never cancel out); a fill is closed back to where it started by
// endFill, by the next fill, or by a moveTo inside it, with an edge stroked
// with the line in effect, as if the script had drawn it. All fills lie below
// all lines, as in a shape character. shape() hands the drawing out as a
// shape character's records so that it is built and painted exactly like the
// timeline's shapes.

#include "swf/format/records.h"
#include "swf/movie/live_bitmap.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace swf::movie {

class Drawing {
public:
    // Further edges are dropped past this many, so that a script drawing in
    // a loop cannot take all memory; the pen still moves.
    static constexpr std::size_t kMaxEdges = std::size_t(1) << 18;
    // Coordinates are clamped to this many twips either way.
    static constexpr std::int32_t kCoordinateLimit = 0x7FFFFFF;

    // Lines drawn from now on use `style`; none draws no line.
    void setLineStyle(const std::optional<swf::LineStyle>& style);
    // The style new lines take, if any.
    std::optional<swf::LineStyle> lineStyle() const
    {
        return m_line != 0 ? std::optional<swf::LineStyle>(m_lines[m_line - 1]) : std::nullopt;
    }
    // Closes the open fill, if any, and starts a new one at the pen; none
    // only closes (a fill call with arguments that make no fill).
    void beginFill(const std::optional<swf::FillStyle>& fill);
    void endFill() { beginFill(std::nullopt); }
    // A fill of a script's live pixels (`fill` a bitmap fill style): the
    // fill's bitmap id names the bitmap in bitmaps(), counted from 1. Past
    // kMaxBitmaps different bitmaps a new one only closes the open fill.
    void beginBitmapFill(swf::FillStyle fill, std::shared_ptr<const LiveBitmap> bitmap);
    static constexpr std::size_t kMaxBitmaps = 1024;
    const std::vector<std::shared_ptr<const LiveBitmap>>& bitmaps() const { return m_bitmaps; }
    // Changes whenever the pixels of a bitmap the drawing shows change.
    std::uint64_t bitmapsGeneration() const;
    void moveTo(swf::Point point);
    void lineTo(swf::Point point);
    void curveTo(swf::Point control, swf::Point anchor);
    // Forgets everything, the line style included; the pen goes back to 0,0.
    void clear();

    swf::Point pen() const { return m_pen; }
    bool hasFill() const { return m_fill != 0; }
    bool empty() const { return m_edges.empty(); }
    std::size_t edgeCount() const { return m_edges.size(); }

    // The area the edges cover, in twips; with strokes, stroked edges reach
    // out by half their line's width, or by all of it as the player measured
    // them for movies before SWF 8. Nothing when nothing was drawn.
    std::optional<swf::Rect> bounds(bool withStrokes = true, bool fullWidthStrokes = false) const;
    // Whether a point (twips) lies inside a fill (even-odd, fill by fill) or,
    // with strokes, on a stroked edge. `pixel` is how long one pixel of the
    // stage is in the drawing's twips: no line is thinner than that to the
    // pointer, hairlines included.
    bool contains(swf::PointF point, bool withStrokes = true, double pixel = 20) const;

    // The drawing as a shape character: style tables and edge records. An
    // open fill is shown closed. Rebuilt when the drawing has changed.
    const swf::Shape& shape() const;

    // Whatever the renderer built from shape(), kept with the drawing until
    // it changes (copies share it, as they share the shape it came from).
    struct RenderData {
        virtual ~RenderData() = default;
    };
    const std::shared_ptr<const RenderData>& renderData() const { return m_renderData; }
    void setRenderData(std::shared_ptr<const RenderData> data) const { m_renderData = std::move(data); }

private:
    struct Edge {
        swf::Point from;
        swf::Point control; // curves only
        swf::Point to;
        bool curved = false;
        std::uint32_t fill = 0; // 1-based into m_fills, 0 = none
        std::uint32_t line = 0; // 1-based into m_lines, 0 = none
    };

    void addEdge(swf::Point control, swf::Point to, bool curved);
    void closeSubpath();
    // The edge that would close the open fill's current subpath, if one is needed.
    std::optional<Edge> pendingClose() const;
    void changed();

    std::vector<swf::FillStyle> m_fills;
    std::vector<swf::LineStyle> m_lines;
    std::vector<std::shared_ptr<const LiveBitmap>> m_bitmaps;
    std::vector<Edge> m_edges;
    swf::Point m_pen;
    swf::Point m_subpathStart;
    bool m_subpathHasEdges = false;
    std::uint32_t m_fill = 0;
    std::uint32_t m_line = 0;
    // Whether an edge uses the last fill or line style of the tables yet: an
    // unused one is replaced rather than added to, so that styles never
    // outnumber edges however often a script sets them.
    bool m_lastFillUsed = false;
    bool m_lastLineUsed = false;

    mutable std::optional<swf::Shape> m_shape;
    mutable std::shared_ptr<const RenderData> m_renderData;
};

} // namespace swf::movie
