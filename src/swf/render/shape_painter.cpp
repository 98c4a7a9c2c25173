#include "swf/render/shape_painter.h"

#include "swf/render/bitmap_library.h"
#include "swf/render/color_transform_image.h"
#include "swf/render/gradient_ramp.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace swf::render {

QTransform toQTransform(const swf::Matrix& m)
{
    return QTransform(m.scaleX, m.rotateSkew0, m.rotateSkew1, m.scaleY, m.translateX.get(), m.translateY.get());
}

namespace {

// Half the side of the square a gradient is defined on.
constexpr double kGradientExtent = 16384.0;

// Colours blend channel by channel, alpha apart from colour, as the movie's
// player does: a fade from red to transparent white passes through pink.
constexpr QGradient::InterpolationMode kInterpolation = QGradient::ComponentInterpolation;

QBrush gradientBrush(const swf::FillStyle& style, const swf::ColorTransform& transform)
{
    const swf::Gradient& gradient = style.gradient;
    std::vector<RampStop> ramp;
    ramp.reserve(gradient.records.size());
    for (const swf::GradientRecord& record : gradient.records)
        ramp.push_back({record.ratio, record.color});
    const QGradientStops stops
        = gradientStops(ramp, transform, gradient.interpolation == swf::InterpolationMode::LinearRgb);

    QGradient::Spread spread = QGradient::PadSpread;
    if (gradient.spread == swf::SpreadMode::Reflect)
        spread = QGradient::ReflectSpread;
    else if (gradient.spread == swf::SpreadMode::Repeat)
        spread = QGradient::RepeatSpread;

    QBrush brush;
    if (style.type == swf::FillStyleType::LinearGradient) {
        QLinearGradient linear(-kGradientExtent, 0, kGradientExtent, 0);
        linear.setStops(stops);
        linear.setSpread(spread);
        linear.setInterpolationMode(kInterpolation);
        brush = QBrush(linear);
    } else {
        double focal = 0;
        if (style.type == swf::FillStyleType::FocalRadialGradient && std::isfinite(gradient.focalPoint))
            focal = std::clamp(gradient.focalPoint, -0.98, 0.98) * kGradientExtent;
        QRadialGradient radial(QPointF(0, 0), kGradientExtent, QPointF(focal, 0));
        radial.setStops(stops);
        radial.setSpread(spread);
        radial.setInterpolationMode(kInterpolation);
        brush = QBrush(radial);
    }
    QTransform matrix = toQTransform(gradient.matrix);
    if (!matrix.isInvertible()) {
        // A gradient squashed flat shows its middle colour; a tiny scale keeps
        // the brush usable.
        matrix = QTransform(1e-3, 0, 0, 1e-3, matrix.dx(), matrix.dy());
    }
    brush.setTransform(matrix);
    return brush;
}

// How far outside a clipped bitmap the fill reaches, in bitmap pixels, so the
// edge pixels can be repeated that far; at least a little so that smoothing at
// the border does not pull in pixels from the opposite edge.
int clampMargin(const QTransform& bitmapToShape, const QImage& image, const QRectF& fillBounds)
{
    constexpr int kMinimum = 2;
    constexpr int kMaximum = 512;
    if (fillBounds.isEmpty())
        return kMinimum;
    bool invertible = false;
    const QTransform shapeToBitmap = bitmapToShape.inverted(&invertible);
    if (!invertible)
        return kMinimum;
    const QRectF area = shapeToBitmap.mapRect(fillBounds);
    const double reach = std::max({-area.left(), -area.top(), area.right() - image.width(),
                                   area.bottom() - image.height(), 0.0});
    if (!std::isfinite(reach))
        return kMaximum;
    return int(std::clamp(std::ceil(reach) + kMinimum, double(kMinimum), double(kMaximum)));
}

QBrush bitmapBrush(const swf::FillStyle& style, const BitmapLibrary& bitmaps, const swf::ColorTransform& transform,
                   const QRectF& fillBounds)
{
    const QImage source = bitmaps.image(style.bitmapId);
    if (source.isNull())
        return QBrush(Qt::NoBrush);
    QTransform matrix = toQTransform(style.bitmapMatrix);
    if (!matrix.isInvertible())
        return QBrush(Qt::NoBrush);
    if (swf::isRepeatingBitmap(style.type)) {
        QBrush brush(bitmaps.transformed(style.bitmapId, transform));
        brush.setTransform(matrix);
        return brush;
    }
    const QImage padded = bitmaps.clamped(style.bitmapId, transform, clampMargin(matrix, source, fillBounds));
    // The library may pad less than asked for a large bitmap.
    const int margin = (padded.width() - source.width()) / 2;
    QBrush brush(padded);
    brush.setTransform(QTransform::fromTranslate(-margin, -margin) * matrix);
    return brush;
}

} // namespace

QBrush makeBrush(const swf::FillStyle& style, const BitmapLibrary& bitmaps, const swf::ColorTransform& transform,
                 const QRectF& fillBounds)
{
    if (style.type == swf::FillStyleType::Solid)
        return QBrush(transformColor(style.color, transform));
    if (swf::isGradientFill(style.type))
        return gradientBrush(style, transform);
    if (swf::isBitmapFill(style.type))
        return bitmapBrush(style, bitmaps, transform, fillBounds);
    return QBrush(Qt::NoBrush);
}

namespace {

Qt::PenCapStyle capStyle(swf::CapStyle cap)
{
    switch (cap) {
    case swf::CapStyle::None: return Qt::FlatCap;
    case swf::CapStyle::Square: return Qt::SquareCap;
    default: return Qt::RoundCap;
    }
}

Qt::PenJoinStyle joinStyle(swf::JoinStyle join)
{
    switch (join) {
    case swf::JoinStyle::Bevel: return Qt::BevelJoin;
    case swf::JoinStyle::Miter: return Qt::MiterJoin;
    default: return Qt::RoundJoin;
    }
}

// The pen of a line style: its width in twips scaled with the shape, or a
// cosmetic pen when the stroke would be thinner than a device pixel (lines
// never vanish, however far a shape is scaled down) or must not scale.
QPen makePen(const swf::LineStyle& style, const BitmapLibrary& bitmaps, const QTransform& twipsToDevice,
             const swf::ColorTransform& transform, const QRectF& strokeBounds)
{
    QBrush brush = style.hasFill ? makeBrush(style.fill, bitmaps, transform, strokeBounds)
                                 : QBrush(transformColor(style.color, transform));
    const double width = std::max(0, style.width.get());
    const double scale = std::sqrt(std::abs(twipsToDevice.determinant()));
    QPen pen(brush, width);
    pen.setCapStyle(capStyle(style.startCap));
    pen.setJoinStyle(joinStyle(style.join));
    if (style.join == swf::JoinStyle::Miter)
        pen.setMiterLimit(std::max(1.0, style.miterLimit));

    const bool noScale = style.noHScale || style.noVScale;
    if (noScale) {
        // Twips of the movie, whatever the object's own scale.
        pen.setCosmetic(true);
        pen.setWidthF(std::max(1.0, width / 20.0));
    } else if (width * scale < 1.0) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    }
    return pen;
}

// True when the fill covers fully: a seam stroke over a translucent fill
// would show as a darker line.
bool isOpaque(const swf::FillStyle& style, const swf::ColorTransform& transform)
{
    const auto opaque = [&](const swf::Rgba& color) { return transform.apply(color).a == 255; };
    if (style.type == swf::FillStyleType::Solid)
        return opaque(style.color);
    if (swf::isGradientFill(style.type)) {
        return !style.gradient.records.empty()
            && std::all_of(style.gradient.records.begin(), style.gradient.records.end(),
                           [&](const swf::GradientRecord& record) { return opaque(record.color); });
    }
    return false;
}

// A transform that only scales alpha down, the usual fade.
bool isFadeOnly(const swf::ColorTransform& t)
{
    return t.rMult == 1.0 && t.gMult == 1.0 && t.bMult == 1.0 && t.rAdd == 0.0 && t.gAdd == 0.0 && t.bAdd == 0.0
        && t.aAdd == 0.0 && t.aMult <= 1.0;
}

} // namespace

namespace {

// True when some fill of the layer shares an edge with another and lets the
// background through: antialiasing each on its own would blend the two
// edge pixels over each other and darken the seam, where the player's
// rasteriser shares each edge pixel between the fills by their coverage.
bool needsSummedFills(const ShapeLayer& layer, const swf::ColorTransform& transform)
{
    if (layer.fills.size() < 2)
        return false;
    return std::any_of(layer.fills.begin(), layer.fills.end(), [&](const FillLayer& fill) {
        return !fill.seams.isEmpty() && !isOpaque(fill.style, transform);
    });
}

// The device pixels the layer's fills touch, within the painter's device and clip.
QRect fillArea(const QPainter& painter, const ShapeLayer& layer, const QTransform& twipsToDevice,
               const QRectF& wholeClip)
{
    QRectF bounds;
    for (const FillLayer& fill : layer.fills)
        bounds |= fill.path.controlPointRect();
    QRect area = twipsToDevice.mapRect(bounds).toAlignedRect().adjusted(-1, -1, 1, 1);
    if (const QPaintDevice* device = painter.device())
        area &= QRect(0, 0, device->width(), device->height());
    if (painter.hasClipping()) {
        // As QPainter gives the clip's bounds: in device space, mapped back
        // to the painter's space.
        const QRectF clip
            = wholeClip.isNull() ? painter.clipBoundingRect() : painter.transform().inverted().mapRect(wholeClip);
        area &= painter.transform().mapRect(clip).toAlignedRect();
    }
    return area;
}

} // namespace

void paintShape(QPainter& painter, const ShapeGeometry& geometry, const BitmapLibrary& bitmaps,
                const QTransform& twipsToDevice, const swf::ColorTransform& transform, const QRectF& wholeClip)
{
    if (geometry.empty())
        return;
    painter.save();
    painter.setTransform(twipsToDevice);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal opacity = painter.opacity();
    // Draws the layer's fills with `target`; `seams` covers shared edges of opaque fills.
    auto paintFills = [&](QPainter& target, const ShapeLayer& layer, bool seams) {
        for (const FillLayer& fill : layer.fills) {
            const bool bitmap = swf::isBitmapFill(fill.style.type);
            // A fade changes only alpha: drawing the bitmap as it is with less
            // opacity spares a transformed copy of its pixels every frame.
            const bool fadeOnly = bitmap && isFadeOnly(transform);
            const QBrush brush = makeBrush(fill.style, bitmaps, fadeOnly ? swf::ColorTransform() : transform,
                                           fill.path.controlPointRect());
            if (brush.style() == Qt::NoBrush)
                continue;
            target.setRenderHint(QPainter::SmoothPixmapTransform, bitmap && swf::isSmoothedBitmap(fill.style.type));
            target.setOpacity(fadeOnly ? opacity * std::clamp(transform.aMult, 0.0, 1.0) : opacity);
            target.fillPath(fill.path, brush);
            if (seams && !fill.seams.isEmpty() && isOpaque(fill.style, transform)) {
                QPen seamPen(brush, 1.0);
                seamPen.setCosmetic(true);
                target.strokePath(fill.seams, seamPen);
            }
        }
    };
    for (const ShapeLayer& layer : geometry.layers) {
        if (needsSummedFills(layer, transform)) {
            // The fills are added up in a layer of their own, where the
            // coverages of two fills meeting on an edge sum to the whole pixel,
            // and the layer is then drawn over what is below.
            const QRect area = fillArea(painter, layer, twipsToDevice, wholeClip);
            if (!area.isEmpty()) {
                QImage summed(area.size(), QImage::Format_ARGB32_Premultiplied);
                summed.fill(Qt::transparent);
                QPainter adder(&summed);
                adder.setRenderHint(QPainter::Antialiasing, true);
                adder.setCompositionMode(QPainter::CompositionMode_Plus);
                adder.setTransform(twipsToDevice * QTransform::fromTranslate(-area.x(), -area.y()));
                paintFills(adder, layer, false);
                adder.end();
                painter.save();
                painter.resetTransform();
                painter.setOpacity(1.0);
                painter.drawImage(area.topLeft(), summed);
                painter.restore();
            }
        } else {
            paintFills(painter, layer, true);
        }
        painter.setOpacity(opacity);
        painter.setBrush(Qt::NoBrush);
        for (const StrokeLayer& stroke : layer.strokes) {
            painter.setPen(makePen(stroke.style, bitmaps, twipsToDevice, transform, stroke.path.controlPointRect()));
            painter.drawPath(stroke.path);
        }
        painter.setPen(Qt::NoPen);
    }
    painter.restore();
}

QRect deviceBounds(const QRectF& area, const QTransform& toDevice, int margin)
{
    // Far enough out to cover any picture, near enough for int arithmetic.
    constexpr double kReach = 1 << 24;
    const QRectF mapped = toDevice.mapRect(area.normalized());
    const double edges[4] = {mapped.left(), mapped.top(), mapped.right(), mapped.bottom()};
    int clamped[4];
    for (int i = 0; i < 4; ++i) {
        const double e = edges[i];
        // An area that maps to no finite place may be anywhere.
        const double outward = i < 2 ? std::floor(e) - margin : std::ceil(e) + margin;
        clamped[i] = int(std::isfinite(e) ? std::clamp(outward, -kReach, kReach) : (i < 2 ? -kReach : kReach));
    }
    return QRect(QPoint(clamped[0], clamped[1]), QPoint(clamped[2], clamped[3]));
}

QRect shapeDeviceBounds(const ShapeGeometry& geometry, const QTransform& twipsToDevice)
{
    if (geometry.empty())
        return {};
    // How far strokes reach beyond their paths: in twips for scaled pens, in
    // pixels for cosmetic ones (as makePen chooses).
    double twips = 0;
    double pixels = 1; // the seams' cosmetic pen
    const double scale = std::sqrt(std::abs(twipsToDevice.determinant()));
    for (const ShapeLayer& layer : geometry.layers) {
        for (const StrokeLayer& stroke : layer.strokes) {
            const swf::LineStyle& style = stroke.style;
            const double width = std::max(0, style.width.get());
            // A miter reaches its limit times the width from the join; square
            // caps and other joins stay within the width.
            const double reach
                = style.join == swf::JoinStyle::Miter && std::isfinite(style.miterLimit) ? std::max(1.0, style.miterLimit) : 1.0;
            if (style.noHScale || style.noVScale)
                pixels = std::max(pixels, std::max(1.0, width / 20.0) * reach);
            else if (width * scale < 1.0)
                pixels = std::max(pixels, reach);
            else
                twips = std::max(twips, width * reach);
        }
    }
    const QRectF area = geometry.bounds.adjusted(-twips, -twips, twips, twips);
    // Antialiasing reaches a pixel out; two more for rounding on the way.
    const double margin = std::min(pixels, 1e6) + 3;
    return deviceBounds(area, twipsToDevice, int(std::ceil(margin)));
}

} // namespace swf::render
