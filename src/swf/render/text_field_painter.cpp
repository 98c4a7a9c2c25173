#include "swf/render/text_field_painter.h"

#include "swf/render/color_transform_image.h"
#include "swf/render/text_field_layout.h"

#include <QPainter>

#include <cmath>

namespace swf::render {

namespace {

int toPixel(double device)
{
    return int(std::floor(device + 0.5));
}

// The field's box on a device that keeps its axes: the background covers the
// box's whole pixels, the border runs along its edges one pixel wide, the
// right and bottom lines just outside the background, so a bordered field
// is one pixel wider and taller than its bounds.
QRect paintAxisAlignedBox(QPainter& painter, const text::TextFieldState& field, const QRectF& device,
                          const swf::ColorTransform& color)
{
    const QRect box(QPoint(toPixel(device.left()), toPixel(device.top())),
                    QPoint(toPixel(device.right()) - 1, toPixel(device.bottom()) - 1));
    painter.setTransform(QTransform());
    if (field.background)
        painter.fillRect(box, transformColor(swf::Rgba::fromRgb(field.backgroundColor), color));
    if (field.border) {
        const QColor ink = transformColor(swf::Rgba::fromRgb(field.borderColor), color);
        const int right = box.left() + box.width();
        const int bottom = box.top() + box.height();
        painter.fillRect(QRect(box.left(), box.top(), box.width() + 1, 1), ink);
        painter.fillRect(QRect(box.left(), bottom, box.width() + 1, 1), ink);
        painter.fillRect(QRect(box.left(), box.top(), 1, box.height() + 1), ink);
        painter.fillRect(QRect(right, box.top(), 1, box.height() + 1), ink);
    }
    return box;
}

// The box on a device that turns it: the border inside the bounds.
void paintTurnedBox(QPainter& painter, const text::TextFieldState& field, const QRectF& bounds,
                    const QTransform& toDevice, const swf::ColorTransform& color)
{
    if (field.border) {
        QPen pen(transformColor(swf::Rgba::fromRgb(field.borderColor), color));
        pen.setCosmetic(true);
        painter.setPen(pen);
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(field.background ? QBrush(transformColor(swf::Rgba::fromRgb(field.backgroundColor), color))
                                      : QBrush(Qt::NoBrush));
    const double scale = std::sqrt(std::abs(toDevice.determinant()));
    const double inset = field.border && scale > 0 ? 0.5 / scale : 0.0;
    painter.drawRect(bounds.adjusted(inset, inset, -inset, -inset));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
}

} // namespace

void paintTextField(QPainter& painter, const text::TextFieldState& field, const FontLibrary& fonts,
                    const QTransform& toDevice, const swf::ColorTransform& color)
{
    const QRectF bounds(field.bounds.xMin.get(), field.bounds.yMin.get(), field.bounds.width().get(),
                        field.bounds.height().get());
    const bool keepsAxes = toDevice.type() <= QTransform::TxScale;
    // The player found a mirrored field's box empty: nothing of it shows.
    if (keepsAxes && (toDevice.m11() <= 0 || toDevice.m22() <= 0))
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    QRect box;
    if (keepsAxes) {
        box = paintAxisAlignedBox(painter, field, toDevice.mapRect(bounds), color);
    } else {
        painter.setTransform(toDevice);
        if (field.background || field.border)
            paintTurnedBox(painter, field, bounds, toDevice, color);
    }
    if (field.text.empty() || bounds.isEmpty()) {
        painter.restore();
        return;
    }

    // Installed fonts draw at the field's height on the device: stretching a
    // field sideways widens its box, not its letters, and the lines wrap and
    // align in the wider room. The movie's own glyphs stretch with the field.
    const double xScale = keepsAxes ? toDevice.m11() : 1.0;
    const double yScale = keepsAxes ? toDevice.m22() : 1.0;
    const bool upright = keepsAxes && !field.embedFonts;
    const double room = (bounds.width() - 2 * text::kGutterTwips) * (upright ? xScale / yScale : 1.0);
    const TextFieldLayout layout(field, &fonts, room);
    QPointF origin(bounds.left() + text::kGutterTwips, bounds.top() + text::kGutterTwips);
    if (upright) {
        painter.setClipRect(box, Qt::IntersectClip);
        origin = toDevice.map(origin);
        painter.setTransform(QTransform(yScale, 0, 0, yScale, origin.x(), origin.y()));
        origin = QPointF(0, 0);
    } else {
        painter.setTransform(toDevice);
        painter.setClipRect(bounds, Qt::IntersectClip);
    }
    const double left = origin.x() - field.hscroll * 20.0;
    double top = origin.y();
    const auto& lines = layout.lines();
    const std::size_t first = std::size_t(std::max(field.scroll - 1, 0));
    const std::size_t shown = text::linesShown(layout.metrics().lines, first, bounds.height() - 2 * text::kGutterTwips);
    for (std::size_t i = first; i < first + shown; ++i) {
        const PlacedLine& line = lines[i];
        const double baseline = top + line.metrics.ascent;
        for (const PlacedRun& run : line.runs) {
            const QColor ink = transformColor(swf::Rgba::fromRgb(run.color), color);
            run.face->draw(painter, QPointF(left + run.x, baseline), run.text, ink);
            if (run.underline) {
                const double thickness = std::max(20.0, run.face->descent() / 4);
                painter.fillRect(QRectF(left + run.x, baseline + thickness, run.width, thickness), ink);
            }
        }
        top += line.metrics.height();
    }
    painter.restore();
}

} // namespace swf::render
