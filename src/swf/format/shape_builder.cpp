#include "swf/format/shape_builder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace swf {
namespace {

Twips rounded(double v) { return Twips(static_cast<std::int32_t>(std::lround(v))); }

// The gradient square spans -16384..16384 twips on both axes.
Matrix gradientMatrix(const Rect& box)
{
    Matrix m;
    m.scaleX = box.width().get() / 32768.0;
    m.scaleY = box.height().get() / 32768.0;
    m.translateX = Twips((box.xMin.get() + box.xMax.get()) / 2);
    m.translateY = Twips((box.yMin.get() + box.yMax.get()) / 2);
    return m;
}

} // namespace

std::uint32_t ShapeBuilder::addFill(const FillStyle& fill)
{
    m_shape.styles.fillStyles.push_back(fill);
    return std::uint32_t(m_shape.styles.fillStyles.size());
}

std::uint32_t ShapeBuilder::addLine(const LineStyle& line)
{
    m_shape.styles.lineStyles.push_back(line);
    return std::uint32_t(m_shape.styles.lineStyles.size());
}

ShapeBuilder& ShapeBuilder::setStyles(std::uint32_t fill1, std::uint32_t line, std::uint32_t fill0)
{
    StyleChangeRecord s;
    s.fillStyle0 = fill0;
    s.fillStyle1 = fill1;
    s.lineStyle = line;
    m_shape.records.emplace_back(s);
    return *this;
}

ShapeBuilder& ShapeBuilder::moveTo(Twips x, Twips y)
{
    // Merge with a style change just before, as the format allows one record for both.
    if (!m_shape.records.empty()) {
        if (auto* s = std::get_if<StyleChangeRecord>(&m_shape.records.back()); s && !s->moveTo) {
            s->moveTo = Point{x, y};
            m_pen = {x, y};
            touch(x.get(), y.get());
            return *this;
        }
    }
    StyleChangeRecord s;
    s.moveTo = Point{x, y};
    m_shape.records.emplace_back(s);
    m_pen = {x, y};
    touch(x.get(), y.get());
    return *this;
}

ShapeBuilder& ShapeBuilder::lineTo(Twips x, Twips y)
{
    m_shape.records.emplace_back(StraightEdgeRecord{x - m_pen.x, y - m_pen.y});
    m_pen = {x, y};
    touch(x.get(), y.get());
    return *this;
}

ShapeBuilder& ShapeBuilder::curveTo(Twips controlX, Twips controlY, Twips anchorX, Twips anchorY)
{
    m_shape.records.emplace_back(
        CurvedEdgeRecord{controlX - m_pen.x, controlY - m_pen.y, anchorX - controlX, anchorY - controlY});
    m_pen = {anchorX, anchorY};
    touch(controlX.get(), controlY.get());
    touch(anchorX.get(), anchorY.get());
    return *this;
}

ShapeBuilder& ShapeBuilder::rectangle(const Rect& r)
{
    moveTo(r.xMin, r.yMin);
    lineTo(r.xMax, r.yMin);
    lineTo(r.xMax, r.yMax);
    lineTo(r.xMin, r.yMax);
    lineTo(r.xMin, r.yMin);
    return *this;
}

ShapeBuilder& ShapeBuilder::ellipse(const Rect& box)
{
    const Point center{Twips((box.xMin.get() + box.xMax.get()) / 2), Twips((box.yMin.get() + box.yMax.get()) / 2)};
    return arc(center, Twips(box.width().get() / 2), Twips(box.height().get() / 2), 0, 360);
}

ShapeBuilder& ShapeBuilder::polygon(const std::vector<Point>& points)
{
    if (points.empty())
        return *this;
    moveTo(points.front().x, points.front().y);
    for (std::size_t i = 1; i < points.size(); ++i)
        lineTo(points[i].x, points[i].y);
    lineTo(points.front().x, points.front().y);
    return *this;
}

ShapeBuilder& ShapeBuilder::arc(Point center, Twips radiusX, Twips radiusY, double startDegrees,
                                double sweepDegrees, bool move)
{
    const double rx = radiusX.get(), ry = radiusY.get();
    const double cx = center.x.get(), cy = center.y.get();
    const double toRad = std::numbers::pi / 180.0;
    const int pieces = std::max(1, int(std::ceil(std::abs(sweepDegrees) / 45.0)));
    const double step = sweepDegrees / pieces * toRad;
    double a = startDegrees * toRad;
    const Twips sx = rounded(cx + rx * std::cos(a)), sy = rounded(cy + ry * std::sin(a));
    if (move)
        moveTo(sx, sy);
    else
        lineTo(sx, sy);
    // The control point of a quadratic arc piece lies on the bisector at r / cos(step / 2).
    const double k = 1.0 / std::cos(step / 2);
    for (int i = 0; i < pieces; ++i) {
        const double mid = a + step / 2;
        const double end = a + step;
        curveTo(rounded(cx + rx * k * std::cos(mid)), rounded(cy + ry * k * std::sin(mid)),
                rounded(cx + rx * std::cos(end)), rounded(cy + ry * std::sin(end)));
        a = end;
    }
    return *this;
}

void ShapeBuilder::touch(std::int64_t x, std::int64_t y)
{
    const Twips tx(static_cast<std::int32_t>(x)), ty(static_cast<std::int32_t>(y));
    if (!m_any) {
        m_extent = Rect{tx, tx, ty, ty};
        m_any = true;
        return;
    }
    m_extent.xMin = std::min(m_extent.xMin, tx);
    m_extent.xMax = std::max(m_extent.xMax, tx);
    m_extent.yMin = std::min(m_extent.yMin, ty);
    m_extent.yMax = std::max(m_extent.yMax, ty);
}

Rect ShapeBuilder::edgeBounds() const { return m_extent; }

Rect ShapeBuilder::bounds() const
{
    Twips widest(0);
    for (const LineStyle& l : m_shape.styles.lineStyles)
        widest = std::max(widest, l.width);
    const Twips half(widest.get() / 2 + 1);
    if (widest.get() == 0)
        return m_extent;
    return Rect{m_extent.xMin - half, m_extent.xMax + half, m_extent.yMin - half, m_extent.yMax + half};
}

FillStyle solidFill(Rgba color)
{
    FillStyle f;
    f.type = FillStyleType::Solid;
    f.color = color;
    return f;
}

FillStyle linearGradientFill(const Rect& box, std::vector<GradientRecord> stops)
{
    FillStyle f;
    f.type = FillStyleType::LinearGradient;
    f.gradient.matrix = gradientMatrix(box);
    f.gradient.records = std::move(stops);
    return f;
}

FillStyle radialGradientFill(const Rect& box, std::vector<GradientRecord> stops)
{
    FillStyle f = linearGradientFill(box, std::move(stops));
    f.type = FillStyleType::RadialGradient;
    return f;
}

LineStyle solidLine(Twips width, Rgba color)
{
    LineStyle l;
    l.width = width;
    l.color = color;
    return l;
}

} // namespace swf
