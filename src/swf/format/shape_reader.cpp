#include "swf/format/limits.h"
#include "swf/format/record_readers.h"

namespace swf::read {
namespace {

Rgba shapeColor(ByteReader& r, int shapeVersion) { return shapeVersion >= 3 ? r.rgba() : r.rgb(); }

Gradient gradient(ByteReader& r, int shapeVersion, bool focal)
{
    Gradient g;
    g.spread = static_cast<SpreadMode>(r.ub(2));
    g.interpolation = static_cast<InterpolationMode>(r.ub(2));
    const unsigned count = r.ub(4);
    for (unsigned i = 0; i < count && r.charge(sizeof(GradientRecord)); ++i) {
        GradientRecord rec;
        rec.ratio = r.u8();
        rec.color = shapeColor(r, shapeVersion);
        g.records.push_back(rec);
    }
    if (focal)
        g.focalPoint = r.fixed8();
    return g;
}

std::size_t styleCount(ByteReader& r, bool extended)
{
    std::size_t count = r.u8();
    if (count == 0xFF && extended)
        count = r.u16();
    return count;
}

// Cap, join and flag bits shared by LineStyle2 and MorphLineStyle2.
template <typename Style>
bool lineStyle2Flags(ByteReader& r, Style& s)
{
    s.isLineStyle2 = true;
    s.startCap = static_cast<CapStyle>(r.ub(2));
    s.join = static_cast<JoinStyle>(r.ub(2));
    s.hasFill = r.flag();
    s.noHScale = r.flag();
    s.noVScale = r.flag();
    s.pixelHinting = r.flag();
    r.ub(5);
    s.noClose = r.flag();
    s.endCap = static_cast<CapStyle>(r.ub(2));
    if (s.join == JoinStyle::Miter)
        s.miterLimit = r.fixed8();
    return !r.failed();
}

} // namespace

FillStyle fillStyle(ByteReader& r, int shapeVersion)
{
    FillStyle f;
    const std::uint8_t type = r.u8();
    f.type = static_cast<FillStyleType>(type);
    switch (type) {
    case 0x00:
        f.color = shapeColor(r, shapeVersion);
        break;
    case 0x10:
    case 0x12:
    case 0x13: {
        const Matrix m = r.matrix();
        f.gradient = gradient(r, shapeVersion, type == 0x13);
        f.gradient.matrix = m;
        break;
    }
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.bitmapId = r.u16();
        f.bitmapMatrix = r.matrix();
        break;
    default:
        // An unknown fill type has an unknown size: nothing after it can be read.
        r.fail();
    }
    return f;
}

LineStyle lineStyle(ByteReader& r, int shapeVersion)
{
    LineStyle s;
    s.width = Twips(r.u16());
    if (shapeVersion >= 4) {
        lineStyle2Flags(r, s);
        if (s.hasFill)
            s.fill = fillStyle(r, shapeVersion);
        else
            s.color = r.rgba();
    } else {
        s.color = shapeColor(r, shapeVersion);
    }
    return s;
}

ShapeStyles shapeStyles(ByteReader& r, int shapeVersion)
{
    ShapeStyles styles;
    const std::size_t fills = styleCount(r, shapeVersion >= 2);
    for (std::size_t i = 0; i < fills && r.charge(sizeof(FillStyle)); ++i)
        styles.fillStyles.push_back(fillStyle(r, shapeVersion));
    const std::size_t lines = styleCount(r, true);
    for (std::size_t i = 0; i < lines && r.charge(sizeof(LineStyle)); ++i)
        styles.lineStyles.push_back(lineStyle(r, shapeVersion));
    return styles;
}

std::vector<ShapeRecord> shapeRecords(ByteReader& r, int shapeVersion)
{
    std::vector<ShapeRecord> records;
    unsigned fillBits = r.ub(4);
    unsigned lineBits = r.ub(4);
    while (r.charge(sizeof(ShapeRecord))) {
        if (records.size() >= limits::kMaxShapeRecords) {
            r.fail();
            break;
        }
        if (r.flag()) {
            const bool straight = r.flag();
            const unsigned bits = r.ub(4) + 2;
            if (straight) {
                StraightEdgeRecord e;
                if (r.flag()) {
                    e.deltaX = Twips(r.sb(bits));
                    e.deltaY = Twips(r.sb(bits));
                } else if (r.flag()) {
                    e.deltaY = Twips(r.sb(bits));
                } else {
                    e.deltaX = Twips(r.sb(bits));
                }
                records.emplace_back(e);
            } else {
                CurvedEdgeRecord e;
                e.controlDeltaX = Twips(r.sb(bits));
                e.controlDeltaY = Twips(r.sb(bits));
                e.anchorDeltaX = Twips(r.sb(bits));
                e.anchorDeltaY = Twips(r.sb(bits));
                records.emplace_back(e);
            }
            continue;
        }
        const unsigned flags = r.ub(5);
        if (flags == 0)
            break; // end of shape
        StyleChangeRecord s;
        if (flags & 0x01) {
            const unsigned bits = r.ub(5);
            Point p;
            p.x = Twips(r.sb(bits));
            p.y = Twips(r.sb(bits));
            s.moveTo = p;
        }
        if (flags & 0x02)
            s.fillStyle0 = r.ub(fillBits);
        if (flags & 0x04)
            s.fillStyle1 = r.ub(fillBits);
        if (flags & 0x08)
            s.lineStyle = r.ub(lineBits);
        if (flags & 0x10) {
            s.newStyles = shapeStyles(r, shapeVersion);
            fillBits = r.ub(4);
            lineBits = r.ub(4);
        }
        records.emplace_back(std::move(s));
    }
    return records;
}

Shape shapeWithStyles(ByteReader& r, int shapeVersion)
{
    Shape shape;
    shape.styles = shapeStyles(r, shapeVersion);
    if (!r.failed())
        shape.records = shapeRecords(r, shapeVersion);
    return shape;
}

DefineShape defineShape(ByteReader& r, int version)
{
    DefineShape d;
    d.version = std::uint8_t(version);
    d.id = r.u16();
    d.bounds = r.rect();
    if (version >= 4) {
        d.edgeBounds = r.rect();
        r.ub(5);
        d.usesFillWindingRule = r.flag();
        d.usesNonScalingStrokes = r.flag();
        d.usesScalingStrokes = r.flag();
    } else {
        d.edgeBounds = d.bounds;
    }
    d.shape = shapeWithStyles(r, version);
    return d;
}

// ---------------------------------------------------------------- morph shapes

namespace {

MorphFillStyle morphFillStyle(ByteReader& r)
{
    MorphFillStyle f;
    const std::uint8_t type = r.u8();
    f.type = static_cast<FillStyleType>(type);
    switch (type) {
    case 0x00:
        f.startColor = r.rgba();
        f.endColor = r.rgba();
        break;
    case 0x10:
    case 0x12:
    case 0x13: {
        f.startGradientMatrix = r.matrix();
        f.endGradientMatrix = r.matrix();
        f.spread = static_cast<SpreadMode>(r.ub(2));
        f.interpolation = static_cast<InterpolationMode>(r.ub(2));
        const unsigned count = r.ub(4);
        for (unsigned i = 0; i < count && r.charge(sizeof(MorphGradientRecord)); ++i) {
            MorphGradientRecord g;
            g.startRatio = r.u8();
            g.startColor = r.rgba();
            g.endRatio = r.u8();
            g.endColor = r.rgba();
            f.gradient.push_back(g);
        }
        if (type == 0x13) {
            f.startFocalPoint = r.fixed8();
            f.endFocalPoint = r.fixed8();
        }
        break;
    }
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.bitmapId = r.u16();
        f.startBitmapMatrix = r.matrix();
        f.endBitmapMatrix = r.matrix();
        break;
    default:
        r.fail();
    }
    return f;
}

MorphLineStyle morphLineStyle(ByteReader& r, int version)
{
    MorphLineStyle s;
    s.startWidth = Twips(r.u16());
    s.endWidth = Twips(r.u16());
    if (version >= 2) {
        lineStyle2Flags(r, s);
        if (s.hasFill) {
            s.fill = morphFillStyle(r);
            return s;
        }
    }
    s.startColor = r.rgba();
    s.endColor = r.rgba();
    return s;
}

} // namespace

DefineMorphShape defineMorphShape(ByteReader& r, int version)
{
    DefineMorphShape d;
    d.version = std::uint8_t(version);
    d.id = r.u16();
    d.startBounds = r.rect();
    d.endBounds = r.rect();
    if (version >= 2) {
        d.startEdgeBounds = r.rect();
        d.endEdgeBounds = r.rect();
        r.ub(6);
        d.usesNonScalingStrokes = r.flag();
        d.usesScalingStrokes = r.flag();
    }
    const std::uint32_t offset = r.u32();
    const std::size_t offsetBase = r.position();
    const std::size_t fills = styleCount(r, true);
    for (std::size_t i = 0; i < fills && r.charge(sizeof(MorphFillStyle)); ++i)
        d.fillStyles.push_back(morphFillStyle(r));
    const std::size_t lines = styleCount(r, true);
    for (std::size_t i = 0; i < lines && r.charge(sizeof(MorphLineStyle)); ++i)
        d.lineStyles.push_back(morphLineStyle(r, version));
    // Shape version 3 gives RGBA colours in any new styles (which morph edge
    // lists should not have, but then are at least read consistently).
    d.startEdges = shapeRecords(r, 3);
    if (r.failed())
        return d;
    r.align();
    // The end edges start where the offset says; trust it only when it points
    // at or after the start edges' end and inside the tag.
    const std::size_t endStart = offsetBase + offset;
    if (offset != 0 && endStart >= r.position() && endStart - r.position() <= r.remaining())
        r.skip(endStart - r.position());
    d.endEdges = shapeRecords(r, 3);
    return d;
}

} // namespace swf::read
