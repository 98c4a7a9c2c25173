#include "swf/render/shape_geometry.h"

#include "swf/render/edge_collector.h"

#include <algorithm>
#include <cmath>

namespace swf::render {

QPainterPath ShapeGeometry::fillOutline() const
{
    std::vector<const QPainterPath*> paths;
    for (const ShapeLayer& layer : layers) {
        for (const FillLayer& fill : layer.fills)
            paths.push_back(&fill.path);
    }
    if (paths.empty())
        return {};
    // Most masks are a single fill, which is its own outline. Several fills
    // are joined as areas: their contours mixed into one path would cancel
    // each other where they overlap or share an edge.
    QPainterPath outline = *paths.front();
    for (std::size_t i = 1; i < paths.size(); ++i)
        outline = outline.united(*paths[i]);
    return outline;
}

namespace {

// Collects one style table's edges and, when the table changes, turns them into
// a layer of the geometry.
class LayerBuilder {
public:
    LayerBuilder(ShapeGeometry& geometry, bool windingFill) : m_geometry(geometry), m_windingFill(windingFill) {}

    void startTable(std::vector<swf::FillStyle> fills, std::vector<swf::LineStyle> lines)
    {
        finishTable();
        m_fills = std::move(fills);
        m_lines = std::move(lines);
    }

    EdgeCollector& collector() { return m_collector; }

    void finishTable()
    {
        if (m_collector.empty()) {
            m_collector.setStyles(0, 0, 0);
            return;
        }
        ShapeLayer layer;
        const auto& seams = m_collector.seamPaths();
        for (auto& [index, path] : m_collector.fillPaths()) {
            if (index == 0 || index > m_fills.size() || path.isEmpty())
                continue;
            path.setFillRule(m_windingFill ? Qt::WindingFill : Qt::OddEvenFill);
            m_geometry.bounds |= path.controlPointRect();
            const auto seam = seams.find(index);
            layer.fills.push_back({m_fills[index - 1], path, seam != seams.end() ? seam->second : QPainterPath()});
        }
        for (const auto& [index, path] : m_collector.linePaths()) {
            if (index == 0 || index > m_lines.size() || path.isEmpty())
                continue;
            m_geometry.bounds |= path.controlPointRect();
            layer.strokes.push_back({m_lines[index - 1], path});
        }
        if (!layer.fills.empty() || !layer.strokes.empty())
            m_geometry.layers.push_back(std::move(layer));
        // The pen stays where it was when the style tables change.
        const QPoint pen = m_collector.position();
        m_collector = EdgeCollector();
        m_collector.moveTo(pen);
    }

private:
    ShapeGeometry& m_geometry;
    bool m_windingFill;
    std::vector<swf::FillStyle> m_fills;
    std::vector<swf::LineStyle> m_lines;
    EdgeCollector m_collector;
};

// Coordinates are kept well inside int so that adding any delta of the file
// cannot overflow; nothing drawable lies that far out.
constexpr std::int64_t kCoordinateLimit = std::int64_t(1) << 29;

int clampCoordinate(std::int64_t value)
{
    return int(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

QPoint toPoint(const swf::Point& point)
{
    return {clampCoordinate(point.x.get()), clampCoordinate(point.y.get())};
}

QPoint offset(QPoint from, swf::Twips dx, swf::Twips dy)
{
    return {clampCoordinate(std::int64_t(from.x()) + dx.get()), clampCoordinate(std::int64_t(from.y()) + dy.get())};
}

// Shape records keep the current style indices between style changes; a
// change record sets only what it names.
struct StyleState {
    std::uint32_t fill0 = 0;
    std::uint32_t fill1 = 0;
    std::uint32_t line = 0;

    void apply(const swf::StyleChangeRecord& change)
    {
        if (change.fillStyle0)
            fill0 = *change.fillStyle0;
        if (change.fillStyle1)
            fill1 = *change.fillStyle1;
        if (change.lineStyle)
            line = *change.lineStyle;
    }
};

} // namespace

ShapeGeometry buildShape(const swf::Shape& shape, bool windingFill)
{
    ShapeGeometry geometry;
    LayerBuilder builder(geometry, windingFill);
    builder.startTable(shape.styles.fillStyles, shape.styles.lineStyles);
    StyleState styles;
    for (const swf::ShapeRecord& record : shape.records) {
        if (const auto* change = std::get_if<swf::StyleChangeRecord>(&record)) {
            if (change->newStyles) {
                // Indices restart with the new tables and every style is cleared.
                builder.startTable(change->newStyles->fillStyles, change->newStyles->lineStyles);
                styles = StyleState();
            }
            styles.apply(*change);
            EdgeCollector& collector = builder.collector();
            collector.setStyles(styles.fill0, styles.fill1, styles.line);
            if (change->moveTo)
                collector.moveTo(toPoint(*change->moveTo));
        } else if (const auto* straight = std::get_if<swf::StraightEdgeRecord>(&record)) {
            EdgeCollector& collector = builder.collector();
            collector.lineTo(offset(collector.position(), straight->deltaX, straight->deltaY));
        } else if (const auto* curved = std::get_if<swf::CurvedEdgeRecord>(&record)) {
            EdgeCollector& collector = builder.collector();
            const QPoint control = offset(collector.position(), curved->controlDeltaX, curved->controlDeltaY);
            collector.curveTo(control, offset(control, curved->anchorDeltaX, curved->anchorDeltaY));
        }
    }
    builder.finishTable();
    return geometry;
}

QPainterPath buildGlyph(const swf::Shape& glyph)
{
    EdgeCollector collector;
    StyleState styles;
    for (const swf::ShapeRecord& record : glyph.records) {
        if (const auto* change = std::get_if<swf::StyleChangeRecord>(&record)) {
            styles.apply(*change);
            // Whatever index a glyph names, it is the one fill of the glyph.
            collector.setStyles(styles.fill0 != 0 ? 1 : 0, styles.fill1 != 0 ? 1 : 0, 0);
            if (change->moveTo)
                collector.moveTo(toPoint(*change->moveTo));
        } else if (const auto* straight = std::get_if<swf::StraightEdgeRecord>(&record)) {
            collector.lineTo(offset(collector.position(), straight->deltaX, straight->deltaY));
        } else if (const auto* curved = std::get_if<swf::CurvedEdgeRecord>(&record)) {
            const QPoint control = offset(collector.position(), curved->controlDeltaX, curved->controlDeltaY);
            collector.curveTo(control, offset(control, curved->anchorDeltaX, curved->anchorDeltaY));
        }
    }
    QPainterPath outline;
    for (auto& [index, path] : collector.fillPaths())
        outline.addPath(path);
    outline.setFillRule(Qt::OddEvenFill);
    return outline;
}

ShapeGeometry buildShape(const swf::DefineShape& shape)
{
    return buildShape(shape.shape, shape.version >= 4 && shape.usesFillWindingRule);
}

// ---------------------------------------------------------------- morphs

namespace {

double lerp(double from, double to, double t)
{
    return from + (to - from) * t;
}

swf::Rgba lerpColor(const swf::Rgba& from, const swf::Rgba& to, double t)
{
    auto channel = [t](std::uint8_t a, std::uint8_t b) {
        return std::uint8_t(std::clamp(std::lround(lerp(a, b, t)), 0L, 255L));
    };
    return {channel(from.r, to.r), channel(from.g, to.g), channel(from.b, to.b), channel(from.a, to.a)};
}

swf::Matrix lerpMatrix(const swf::Matrix& from, const swf::Matrix& to, double t)
{
    swf::Matrix m;
    m.scaleX = lerp(from.scaleX, to.scaleX, t);
    m.scaleY = lerp(from.scaleY, to.scaleY, t);
    m.rotateSkew0 = lerp(from.rotateSkew0, to.rotateSkew0, t);
    m.rotateSkew1 = lerp(from.rotateSkew1, to.rotateSkew1, t);
    m.translateX = swf::Twips(std::int32_t(std::lround(lerp(from.translateX.get(), to.translateX.get(), t))));
    m.translateY = swf::Twips(std::int32_t(std::lround(lerp(from.translateY.get(), to.translateY.get(), t))));
    return m;
}

// An edge of the start or end shape as a quadratic curve, in absolute twips.
struct MorphEdge {
    double fromX = 0, fromY = 0;
    double controlX = 0, controlY = 0;
    double toX = 0, toY = 0;
    bool curved = false;
};

MorphEdge edgeFrom(const swf::ShapeRecord& record, QPointF& pen)
{
    MorphEdge edge;
    edge.fromX = pen.x();
    edge.fromY = pen.y();
    if (const auto* straight = std::get_if<swf::StraightEdgeRecord>(&record)) {
        edge.toX = pen.x() + straight->deltaX.get();
        edge.toY = pen.y() + straight->deltaY.get();
        edge.controlX = (edge.fromX + edge.toX) / 2;
        edge.controlY = (edge.fromY + edge.toY) / 2;
    } else if (const auto* curved = std::get_if<swf::CurvedEdgeRecord>(&record)) {
        edge.curved = true;
        edge.controlX = pen.x() + curved->controlDeltaX.get();
        edge.controlY = pen.y() + curved->controlDeltaY.get();
        edge.toX = edge.controlX + curved->anchorDeltaX.get();
        edge.toY = edge.controlY + curved->anchorDeltaY.get();
    }
    pen = QPointF(edge.toX, edge.toY);
    return edge;
}

QPoint lerpPoint(double ax, double ay, double bx, double by, double t)
{
    return {clampCoordinate(std::llround(lerp(ax, bx, t))), clampCoordinate(std::llround(lerp(ay, by, t)))};
}

} // namespace

swf::FillStyle interpolateFill(const swf::MorphFillStyle& style, double ratio)
{
    swf::FillStyle fill;
    fill.type = style.type;
    fill.color = lerpColor(style.startColor, style.endColor, ratio);
    fill.gradient.matrix = lerpMatrix(style.startGradientMatrix, style.endGradientMatrix, ratio);
    fill.gradient.spread = style.spread;
    fill.gradient.interpolation = style.interpolation;
    fill.gradient.focalPoint = lerp(style.startFocalPoint, style.endFocalPoint, ratio);
    for (const swf::MorphGradientRecord& record : style.gradient) {
        swf::GradientRecord stop;
        stop.ratio = std::uint8_t(std::clamp(std::lround(lerp(record.startRatio, record.endRatio, ratio)), 0L, 255L));
        stop.color = lerpColor(record.startColor, record.endColor, ratio);
        fill.gradient.records.push_back(stop);
    }
    fill.bitmapId = style.bitmapId;
    fill.bitmapMatrix = lerpMatrix(style.startBitmapMatrix, style.endBitmapMatrix, ratio);
    return fill;
}

swf::LineStyle interpolateLine(const swf::MorphLineStyle& style, double ratio)
{
    swf::LineStyle line;
    line.width = swf::Twips(std::int32_t(std::lround(lerp(style.startWidth.get(), style.endWidth.get(), ratio))));
    line.color = lerpColor(style.startColor, style.endColor, ratio);
    line.isLineStyle2 = style.isLineStyle2;
    line.startCap = style.startCap;
    line.endCap = style.endCap;
    line.join = style.join;
    line.noHScale = style.noHScale;
    line.noVScale = style.noVScale;
    line.pixelHinting = style.pixelHinting;
    line.noClose = style.noClose;
    line.miterLimit = style.miterLimit;
    line.hasFill = style.hasFill;
    if (style.hasFill)
        line.fill = interpolateFill(style.fill, ratio);
    return line;
}

ShapeGeometry buildMorph(const swf::DefineMorphShape& morph, double ratio)
{
    ratio = std::clamp(std::isfinite(ratio) ? ratio : 0.0, 0.0, 1.0);
    ShapeGeometry geometry;
    LayerBuilder builder(geometry, false);
    {
        std::vector<swf::FillStyle> fills;
        for (const swf::MorphFillStyle& style : morph.fillStyles)
            fills.push_back(interpolateFill(style, ratio));
        std::vector<swf::LineStyle> lines;
        for (const swf::MorphLineStyle& style : morph.lineStyles)
            lines.push_back(interpolateLine(style, ratio));
        builder.startTable(std::move(fills), std::move(lines));
    }

    EdgeCollector& collector = builder.collector();
    StyleState styles;
    QPointF startPen;
    QPointF endPen;
    std::size_t endIndex = 0;
    const auto& endRecords = morph.endEdges;

    for (const swf::ShapeRecord& record : morph.startEdges) {
        if (const auto* change = std::get_if<swf::StyleChangeRecord>(&record)) {
            styles.apply(*change);
            collector.setStyles(styles.fill0, styles.fill1, styles.line);
            if (change->moveTo)
                startPen = QPointF(change->moveTo->x.get(), change->moveTo->y.get());
            continue;
        }
        // The end list has moves of its own (its style changes carry no styles);
        // take them up to the edge that matches this one.
        const swf::ShapeRecord* endEdge = nullptr;
        while (endIndex < endRecords.size()) {
            const swf::ShapeRecord& candidate = endRecords[endIndex++];
            if (const auto* change = std::get_if<swf::StyleChangeRecord>(&candidate)) {
                if (change->moveTo)
                    endPen = QPointF(change->moveTo->x.get(), change->moveTo->y.get());
                continue;
            }
            endEdge = &candidate;
            break;
        }
        const MorphEdge from = edgeFrom(record, startPen);
        // A start edge without a partner stays as it is.
        QPointF endPenCopy = endPen;
        const MorphEdge to = endEdge ? edgeFrom(*endEdge, endPen) : edgeFrom(record, endPenCopy);
        if (!endEdge) {
            // Keep the end pen moving with the start shape so later edges stay joined.
            endPen = endPenCopy;
        }

        collector.moveTo(lerpPoint(from.fromX, from.fromY, to.fromX, to.fromY, ratio));
        const QPoint target = lerpPoint(from.toX, from.toY, to.toX, to.toY, ratio);
        if (from.curved || to.curved)
            collector.curveTo(lerpPoint(from.controlX, from.controlY, to.controlX, to.controlY, ratio), target);
        else
            collector.lineTo(target);
    }
    builder.finishTable();
    return geometry;
}

} // namespace swf::render
