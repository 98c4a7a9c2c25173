#include "swf/movie/drawing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace swf::movie {

namespace {

// Curves are measured as this many straight pieces for hit tests.
constexpr int kCurvePieces = 16;

struct Extent {
    double xMin = std::numeric_limits<double>::infinity();
    double yMin = std::numeric_limits<double>::infinity();
    double xMax = -std::numeric_limits<double>::infinity();
    double yMax = -std::numeric_limits<double>::infinity();

    bool empty() const { return xMin > xMax; }
    void add(double x, double y, double margin = 0)
    {
        xMin = std::min(xMin, x - margin);
        yMin = std::min(yMin, y - margin);
        xMax = std::max(xMax, x + margin);
        yMax = std::max(yMax, y + margin);
    }
};

// Where a quadratic curve turns along one axis, as the parameter t in (0, 1).
std::optional<double> turningPoint(double from, double control, double to)
{
    const double denominator = from - 2 * control + to;
    if (denominator == 0)
        return std::nullopt;
    const double t = (from - control) / denominator;
    if (t <= 0 || t >= 1)
        return std::nullopt;
    return t;
}

double quadratic(double from, double control, double to, double t)
{
    const double u = 1 - t;
    return u * u * from + 2 * u * t * control + t * t * to;
}

swf::PointF toPointF(swf::Point p)
{
    return {double(p.x.get()), double(p.y.get())};
}

// Calls `piece(a, b)` for each straight piece of an edge, curves split evenly.
template <typename Edge, typename Piece>
void forEachPiece(const Edge& edge, Piece piece)
{
    const swf::PointF from = toPointF(edge.from);
    const swf::PointF to = toPointF(edge.to);
    if (!edge.curved) {
        piece(from, to);
        return;
    }
    const swf::PointF control = toPointF(edge.control);
    swf::PointF previous = from;
    for (int i = 1; i <= kCurvePieces; ++i) {
        const double t = double(i) / kCurvePieces;
        const swf::PointF next{quadratic(from.x, control.x, to.x, t), quadratic(from.y, control.y, to.y, t)};
        piece(previous, next);
        previous = next;
    }
}

double distanceToSegment(swf::PointF p, swf::PointF a, swf::PointF b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    double t = 0;
    if (lengthSquared > 0)
        t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Half the width a stroke covers, in twips. A hairline still covers a pixel
// of the stage, `pixel` twips.
double strokeReach(const swf::LineStyle& style, double pixel)
{
    return std::max(double(style.width.get()), pixel) / 2.0;
}

swf::Twips twipsFloor(double value)
{
    return swf::Twips(std::int32_t(std::clamp(std::floor(value), double(std::numeric_limits<std::int32_t>::min()),
                                              double(std::numeric_limits<std::int32_t>::max()))));
}

swf::Twips twipsCeil(double value)
{
    return swf::Twips(std::int32_t(std::clamp(std::ceil(value), double(std::numeric_limits<std::int32_t>::min()),
                                              double(std::numeric_limits<std::int32_t>::max()))));
}

} // namespace

void Drawing::changed()
{
    m_shape.reset();
    m_renderData.reset();
}

void Drawing::setLineStyle(const std::optional<swf::LineStyle>& style)
{
    if (!style) {
        m_line = 0;
        return;
    }
    if (m_line != 0 && m_lines[m_line - 1] == *style)
        return;
    if (!m_lines.empty() && !m_lastLineUsed) {
        m_lines.back() = *style;
    } else {
        m_lines.push_back(*style);
        m_lastLineUsed = false;
    }
    m_line = std::uint32_t(m_lines.size());
}

void Drawing::beginFill(const std::optional<swf::FillStyle>& fill)
{
    closeSubpath();
    m_fill = 0;
    if (!fill)
        return;
    if (!m_fills.empty() && !m_lastFillUsed) {
        m_fills.back() = *fill;
    } else {
        m_fills.push_back(*fill);
        m_lastFillUsed = false;
    }
    m_fill = std::uint32_t(m_fills.size());
    m_subpathStart = m_pen;
    m_subpathHasEdges = false;
}

void Drawing::beginBitmapFill(swf::FillStyle fill, std::shared_ptr<const LiveBitmap> bitmap)
{
    auto known = std::find(m_bitmaps.begin(), m_bitmaps.end(), bitmap);
    if (known == m_bitmaps.end()) {
        if (!bitmap || m_bitmaps.size() >= kMaxBitmaps) {
            endFill();
            return;
        }
        known = m_bitmaps.insert(m_bitmaps.end(), std::move(bitmap));
    }
    fill.bitmapId = static_cast<std::uint16_t>(known - m_bitmaps.begin() + 1);
    beginFill(fill);
}

std::uint64_t Drawing::bitmapsGeneration() const
{
    std::uint64_t sum = 0;
    for (const auto& bitmap : m_bitmaps)
        sum += bitmap->generation;
    return sum;
}

void Drawing::moveTo(swf::Point point)
{
    closeSubpath();
    m_pen = point;
    m_subpathStart = point;
}

void Drawing::lineTo(swf::Point point)
{
    addEdge(point, point, false);
}

void Drawing::curveTo(swf::Point control, swf::Point anchor)
{
    addEdge(control, anchor, true);
}

void Drawing::clear()
{
    *this = Drawing();
    changed();
}

void Drawing::addEdge(swf::Point control, swf::Point to, bool curved)
{
    const swf::Point from = m_pen;
    m_pen = to;
    // An edge without a fill or a line shows nothing and bounds nothing.
    if ((m_fill == 0 && m_line == 0) || m_edges.size() >= kMaxEdges)
        return;
    m_edges.push_back({from, control, to, curved, m_fill, m_line});
    if (m_fill != 0) {
        m_lastFillUsed = true;
        m_subpathHasEdges = true;
    }
    if (m_line != 0)
        m_lastLineUsed = true;
    changed();
}

std::optional<Drawing::Edge> Drawing::pendingClose() const
{
    if (m_fill == 0 || !m_subpathHasEdges || m_pen == m_subpathStart)
        return std::nullopt;
    return Edge{m_pen, m_pen, m_subpathStart, false, m_fill, m_line};
}

void Drawing::closeSubpath()
{
    // The closing edge is stroked like any other. It is added past the edge
    // limit too: a subpath only needs one, and only after edges of its own.
    if (const std::optional<Edge> closing = pendingClose()) {
        m_edges.push_back(*closing);
        m_lastLineUsed = m_lastLineUsed || closing->line != 0;
        m_pen = m_subpathStart;
        changed();
    }
    m_subpathHasEdges = false;
}

std::optional<swf::Rect> Drawing::bounds(bool withStrokes, bool fullWidthStrokes) const
{
    Extent extent;
    const double reach = fullWidthStrokes ? 1.0 : 0.5;
    for (const Edge& edge : m_edges) {
        const double margin = withStrokes && edge.line != 0 ? m_lines[edge.line - 1].width.get() * reach : 0.0;
        const swf::PointF from = toPointF(edge.from);
        const swf::PointF to = toPointF(edge.to);
        extent.add(from.x, from.y, margin);
        extent.add(to.x, to.y, margin);
        if (!edge.curved)
            continue;
        // A curve reaches past its ends only where it turns, not to its control point.
        const swf::PointF control = toPointF(edge.control);
        for (const std::optional<double> t :
             {turningPoint(from.x, control.x, to.x), turningPoint(from.y, control.y, to.y)}) {
            if (t)
                extent.add(quadratic(from.x, control.x, to.x, *t), quadratic(from.y, control.y, to.y, *t), margin);
        }
    }
    if (extent.empty())
        return std::nullopt;
    return swf::Rect{twipsFloor(extent.xMin), twipsCeil(extent.xMax), twipsFloor(extent.yMin), twipsCeil(extent.yMax)};
}

bool Drawing::contains(swf::PointF point, bool withStrokes, double pixel) const
{
    // Crossings of a ray from the point towards +x, counted fill by fill. An
    // edge counts from just below its upper end down to its lower end: a
    // point on a fill's top left corner is outside, as in the player.
    std::vector<std::uint32_t> crossings(m_fills.size() + 1, 0);
    auto countCrossings = [&](const Edge& edge) {
        if (edge.fill == 0)
            return;
        forEachPiece(edge, [&](swf::PointF a, swf::PointF b) {
            if ((a.y >= point.y) == (b.y >= point.y))
                return;
            const double x = a.x + (point.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (point.x < x)
                ++crossings[edge.fill];
        });
    };
    auto onStroke = [&](const Edge& edge) {
        if (!withStrokes || edge.line == 0)
            return false;
        const double reach = strokeReach(m_lines[edge.line - 1], pixel);
        bool hit = false;
        forEachPiece(edge, [&](swf::PointF a, swf::PointF b) {
            hit = hit || distanceToSegment(point, a, b) <= reach;
        });
        return hit;
    };
    auto visit = [&](const Edge& edge) {
        countCrossings(edge);
        return onStroke(edge);
    };
    if (std::any_of(m_edges.begin(), m_edges.end(), visit))
        return true;
    // An open fill is closed as it is drawn: by a stroked edge.
    if (const std::optional<Edge> closing = pendingClose(); closing && visit(*closing))
        return true;
    return std::any_of(crossings.begin(), crossings.end(), [](std::uint32_t n) { return n % 2 == 1; });
}

const swf::Shape& Drawing::shape() const
{
    if (m_shape)
        return *m_shape;
    swf::Shape shape;
    shape.styles.fillStyles = m_fills;
    shape.styles.lineStyles = m_lines;
    shape.records.reserve(m_edges.size() * 2 + 1);

    swf::Point pen;
    std::uint32_t fill = 0;
    std::uint32_t line = 0;
    bool first = true;
    auto appendEdge = [&](const Edge& edge) {
        if (first || edge.fill != fill || edge.line != line || edge.from != pen) {
            swf::StyleChangeRecord change;
            if (first || edge.from != pen)
                change.moveTo = edge.from;
            if (first || edge.fill != fill) {
                // The fill lies on the right of every edge; nothing on the left.
                change.fillStyle0 = 0;
                change.fillStyle1 = edge.fill;
            }
            if (first || edge.line != line)
                change.lineStyle = edge.line;
            shape.records.emplace_back(std::move(change));
            first = false;
            fill = edge.fill;
            line = edge.line;
        }
        if (edge.curved) {
            shape.records.emplace_back(swf::CurvedEdgeRecord{edge.control.x - edge.from.x, edge.control.y - edge.from.y,
                                                             edge.to.x - edge.control.x, edge.to.y - edge.control.y});
        } else {
            shape.records.emplace_back(swf::StraightEdgeRecord{edge.to.x - edge.from.x, edge.to.y - edge.from.y});
        }
        pen = edge.to;
    };
    for (const Edge& edge : m_edges)
        appendEdge(edge);
    if (const std::optional<Edge> closing = pendingClose())
        appendEdge(*closing);
    m_shape = std::move(shape);
    return *m_shape;
}

} // namespace swf::movie
