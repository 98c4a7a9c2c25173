#include "swf/format/record_writers.h"

#include <algorithm>

namespace swf::write {
namespace {

void shapeColor(ByteWriter& w, Rgba c, int shapeVersion)
{
    if (shapeVersion >= 3)
        w.rgba(c);
    else
        w.rgb(c);
}

void styleCount(ByteWriter& w, std::size_t count, bool extended)
{
    if (extended && count >= 0xFF) {
        w.u8(0xFF);
        w.u16(std::uint16_t(std::min<std::size_t>(count, 0xFFFF)));
    } else {
        w.u8(std::uint8_t(std::min<std::size_t>(count, extended ? 0xFE : 0xFF)));
    }
}

std::size_t styleLimit(std::size_t count, bool extended)
{
    return std::min<std::size_t>(count, extended ? 0xFFFF : 0xFF);
}

template <typename Style>
void lineStyle2Flags(ByteWriter& w, const Style& s)
{
    w.ub(2, std::uint32_t(s.startCap));
    w.ub(2, std::uint32_t(s.join));
    w.flag(s.hasFill);
    w.flag(s.noHScale);
    w.flag(s.noVScale);
    w.flag(s.pixelHinting);
    w.ub(5, 0);
    w.flag(s.noClose);
    w.ub(2, std::uint32_t(s.endCap));
    if (s.join == JoinStyle::Miter)
        w.fixed8(s.miterLimit);
}

void gradientHeader(ByteWriter& w, SpreadMode spread, InterpolationMode interpolation, std::size_t count)
{
    w.ub(2, std::uint32_t(spread));
    w.ub(2, std::uint32_t(interpolation));
    w.ub(4, std::uint32_t(std::min<std::size_t>(count, 15)));
}

// The largest style index the records use up to (and including) the next
// record with new style tables.
void usedIndices(const std::vector<ShapeRecord>& records, std::size_t from, std::uint32_t& fill, std::uint32_t& line)
{
    for (std::size_t i = from; i < records.size(); ++i) {
        const auto* s = std::get_if<StyleChangeRecord>(&records[i]);
        if (!s)
            continue;
        // A record with new style tables still writes its own indices with the
        // bit counts in force before it, so they count for this stretch too.
        fill = std::max({fill, s->fillStyle0.value_or(0), s->fillStyle1.value_or(0)});
        line = std::max(line, s->lineStyle.value_or(0));
        if (i != from && s->newStyles)
            return;
    }
}

void straightEdge(ByteWriter& w, std::int64_t dx, std::int64_t dy)
{
    unsigned bits = std::max({signedBits(dx), signedBits(dy), 2u});
    if (bits > 17) {
        // Too long for one edge record: two halves.
        straightEdge(w, dx / 2, dy / 2);
        straightEdge(w, dx - dx / 2, dy - dy / 2);
        return;
    }
    w.flag(true);
    w.flag(true);
    w.ub(4, bits - 2);
    if (dx != 0 && dy != 0) {
        w.flag(true);
        w.sb(bits, std::int32_t(dx));
        w.sb(bits, std::int32_t(dy));
    } else {
        w.flag(false);
        const bool vertical = dx == 0;
        w.flag(vertical);
        w.sb(bits, std::int32_t(vertical ? dy : dx));
    }
}

void curvedEdge(ByteWriter& w, std::int64_t cx, std::int64_t cy, std::int64_t ax, std::int64_t ay)
{
    const unsigned bits = std::max({signedBits(cx), signedBits(cy), signedBits(ax), signedBits(ay), 2u});
    if (bits > 17) {
        // Split at t = 1/2: the halves' control points are the midpoints of
        // the control legs, meeting at the curve's midpoint.
        const std::int64_t c1x = cx / 2, c1y = cy / 2;
        const std::int64_t endX = cx + ax, endY = cy + ay;
        const std::int64_t c2x = cx + ax / 2, c2y = cy + ay / 2;
        const std::int64_t midX = (c1x + c2x) / 2, midY = (c1y + c2y) / 2;
        curvedEdge(w, c1x, c1y, midX - c1x, midY - c1y);
        curvedEdge(w, c2x - midX, c2y - midY, endX - c2x, endY - c2y);
        return;
    }
    w.flag(true);
    w.flag(false);
    w.ub(4, bits - 2);
    w.sb(bits, std::int32_t(cx));
    w.sb(bits, std::int32_t(cy));
    w.sb(bits, std::int32_t(ax));
    w.sb(bits, std::int32_t(ay));
}

} // namespace

void fillStyle(ByteWriter& w, const FillStyle& f, int shapeVersion)
{
    w.u8(std::uint8_t(f.type));
    if (f.type == FillStyleType::Solid) {
        shapeColor(w, f.color, shapeVersion);
    } else if (isGradientFill(f.type)) {
        w.matrix(f.gradient.matrix);
        gradientHeader(w, f.gradient.spread, f.gradient.interpolation, f.gradient.records.size());
        for (std::size_t i = 0; i < std::min<std::size_t>(f.gradient.records.size(), 15); ++i) {
            w.u8(f.gradient.records[i].ratio);
            shapeColor(w, f.gradient.records[i].color, shapeVersion);
        }
        if (f.type == FillStyleType::FocalRadialGradient)
            w.fixed8(f.gradient.focalPoint);
    } else {
        w.u16(f.bitmapId);
        w.matrix(f.bitmapMatrix);
    }
}

void lineStyle(ByteWriter& w, const LineStyle& s, int shapeVersion)
{
    w.u16(std::uint16_t(s.width.get()));
    if (shapeVersion >= 4) {
        lineStyle2Flags(w, s);
        if (s.hasFill)
            fillStyle(w, s.fill, shapeVersion);
        else
            w.rgba(s.color);
    } else {
        shapeColor(w, s.color, shapeVersion);
    }
}

void shapeStyles(ByteWriter& w, const ShapeStyles& styles, int shapeVersion)
{
    const bool extendedFills = shapeVersion >= 2;
    styleCount(w, styles.fillStyles.size(), extendedFills);
    for (std::size_t i = 0; i < styleLimit(styles.fillStyles.size(), extendedFills); ++i)
        fillStyle(w, styles.fillStyles[i], shapeVersion);
    styleCount(w, styles.lineStyles.size(), true);
    for (std::size_t i = 0; i < styleLimit(styles.lineStyles.size(), true); ++i)
        lineStyle(w, styles.lineStyles[i], shapeVersion);
}

void shapeRecords(ByteWriter& w, const std::vector<ShapeRecord>& records, int shapeVersion, std::size_t fillCount,
                  std::size_t lineCount)
{
    std::uint32_t maxFill = std::uint32_t(fillCount), maxLine = std::uint32_t(lineCount);
    usedIndices(records, 0, maxFill, maxLine);
    unsigned fillBits = std::min(unsignedBits(maxFill), 15u);
    unsigned lineBits = std::min(unsignedBits(maxLine), 15u);
    w.ub(4, fillBits);
    w.ub(4, lineBits);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ShapeRecord& rec = records[i];
        if (const auto* e = std::get_if<StraightEdgeRecord>(&rec)) {
            straightEdge(w, e->deltaX.get(), e->deltaY.get());
        } else if (const auto* c = std::get_if<CurvedEdgeRecord>(&rec)) {
            curvedEdge(w, c->controlDeltaX.get(), c->controlDeltaY.get(), c->anchorDeltaX.get(),
                       c->anchorDeltaY.get());
        } else {
            const auto& s = std::get<StyleChangeRecord>(rec);
            unsigned flags = (s.moveTo ? 0x01 : 0) | (s.fillStyle0 ? 0x02 : 0) | (s.fillStyle1 ? 0x04 : 0)
                | (s.lineStyle ? 0x08 : 0) | (s.newStyles ? 0x10 : 0);
            if (flags == 0) {
                // An empty style change would read back as the end of the shape.
                flags = 0x01;
            }
            w.flag(false);
            w.ub(5, flags);
            if (flags & 0x01) {
                const Point p = s.moveTo.value_or(Point{});
                const unsigned bits = std::max(signedBits(p.x.get()), signedBits(p.y.get()));
                w.ub(5, bits);
                w.sb(bits, p.x.get());
                w.sb(bits, p.y.get());
            }
            if (s.fillStyle0)
                w.ub(fillBits, *s.fillStyle0);
            if (s.fillStyle1)
                w.ub(fillBits, *s.fillStyle1);
            if (s.lineStyle)
                w.ub(lineBits, *s.lineStyle);
            if (s.newStyles) {
                shapeStyles(w, *s.newStyles, shapeVersion);
                std::uint32_t f = std::uint32_t(s.newStyles->fillStyles.size());
                std::uint32_t l = std::uint32_t(s.newStyles->lineStyles.size());
                usedIndices(records, i, f, l);
                fillBits = std::min(unsignedBits(f), 15u);
                lineBits = std::min(unsignedBits(l), 15u);
                w.ub(4, fillBits);
                w.ub(4, lineBits);
            }
        }
    }
    w.ub(6, 0);
    w.align();
}

void defineShape(ByteWriter& w, const DefineShape& d)
{
    const int v = std::clamp<int>(d.version, 1, 4);
    w.u16(d.id);
    w.rect(d.bounds);
    if (v >= 4) {
        w.rect(d.edgeBounds);
        w.ub(5, 0);
        w.flag(d.usesFillWindingRule);
        w.flag(d.usesNonScalingStrokes);
        w.flag(d.usesScalingStrokes);
    }
    shapeStyles(w, d.shape.styles, v);
    shapeRecords(w, d.shape.records, v, d.shape.styles.fillStyles.size(), d.shape.styles.lineStyles.size());
}

// ---------------------------------------------------------------- morph shapes

namespace {

void morphFillStyle(ByteWriter& w, const MorphFillStyle& f)
{
    w.u8(std::uint8_t(f.type));
    if (f.type == FillStyleType::Solid) {
        w.rgba(f.startColor);
        w.rgba(f.endColor);
    } else if (isGradientFill(f.type)) {
        w.matrix(f.startGradientMatrix);
        w.matrix(f.endGradientMatrix);
        gradientHeader(w, f.spread, f.interpolation, f.gradient.size());
        for (std::size_t i = 0; i < std::min<std::size_t>(f.gradient.size(), 15); ++i) {
            w.u8(f.gradient[i].startRatio);
            w.rgba(f.gradient[i].startColor);
            w.u8(f.gradient[i].endRatio);
            w.rgba(f.gradient[i].endColor);
        }
        if (f.type == FillStyleType::FocalRadialGradient) {
            w.fixed8(f.startFocalPoint);
            w.fixed8(f.endFocalPoint);
        }
    } else {
        w.u16(f.bitmapId);
        w.matrix(f.startBitmapMatrix);
        w.matrix(f.endBitmapMatrix);
    }
}

void morphLineStyle(ByteWriter& w, const MorphLineStyle& s, int version)
{
    w.u16(std::uint16_t(s.startWidth.get()));
    w.u16(std::uint16_t(s.endWidth.get()));
    if (version >= 2) {
        lineStyle2Flags(w, s);
        if (s.hasFill) {
            morphFillStyle(w, s.fill);
            return;
        }
    }
    w.rgba(s.startColor);
    w.rgba(s.endColor);
}

} // namespace

void defineMorphShape(ByteWriter& w, const DefineMorphShape& d)
{
    const int v = d.version >= 2 ? 2 : 1;
    w.u16(d.id);
    w.rect(d.startBounds);
    w.rect(d.endBounds);
    if (v >= 2) {
        w.rect(d.startEdgeBounds);
        w.rect(d.endEdgeBounds);
        w.ub(6, 0);
        w.flag(d.usesNonScalingStrokes);
        w.flag(d.usesScalingStrokes);
    }
    const std::size_t offsetAt = w.size();
    w.u32(0);
    styleCount(w, d.fillStyles.size(), true);
    for (std::size_t i = 0; i < styleLimit(d.fillStyles.size(), true); ++i)
        morphFillStyle(w, d.fillStyles[i]);
    styleCount(w, d.lineStyles.size(), true);
    for (std::size_t i = 0; i < styleLimit(d.lineStyles.size(), true); ++i)
        morphLineStyle(w, d.lineStyles[i], v);
    shapeRecords(w, d.startEdges, 3, d.fillStyles.size(), d.lineStyles.size());
    w.patchU32(offsetAt, std::uint32_t(w.size() - offsetAt - 4));
    shapeRecords(w, d.endEdges, 3, 0, 0);
}

} // namespace swf::write
