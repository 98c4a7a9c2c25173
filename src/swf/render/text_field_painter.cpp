#include "swf/render/text_field_painter.h"

#include "swf/render/color_transform_image.h"
#include "swf/render/text_field_layout.h"

#include <QPainter>

#include <cmath>

namespace swf::render {

namespace {

swf::Rgba rgba(std::uint32_t rgb)
{
    return {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb), 255};
}

} // namespace

void paintTextField(QPainter& painter, const text::TextFieldState& field, const FontLibrary& fonts,
                    const QTransform& toDevice, const swf::ColorTransform& color)
{
    const QRectF bounds(field.bounds.xMin.get(), field.bounds.yMin.get(), field.bounds.width().get(),
                        field.bounds.height().get());
    painter.save();
    painter.setTransform(toDevice);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    if (field.background || field.border) {
        if (field.border) {
            QPen pen(transformColor(rgba(field.borderColor), color));
            pen.setCosmetic(true);
            painter.setPen(pen);
        } else {
            painter.setPen(Qt::NoPen);
        }
        painter.setBrush(field.background ? QBrush(transformColor(rgba(field.backgroundColor), color)) : QBrush(Qt::NoBrush));
        // The one-pixel border lies inside the field's bounds.
        const double scale = std::sqrt(std::abs(toDevice.determinant()));
        const double inset = field.border && scale > 0 ? 0.5 / scale : 0.0;
        painter.drawRect(bounds.adjusted(inset, inset, -inset, -inset));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    if (field.text.empty() || bounds.isEmpty()) {
        painter.restore();
        return;
    }

    const TextFieldLayout layout(field, &fonts);
    painter.setClipRect(bounds, Qt::IntersectClip);
    const double left = bounds.left() + text::kGutterTwips - field.hscroll * 20.0;
    double top = bounds.top() + text::kGutterTwips;
    const auto& lines = layout.lines();
    for (std::size_t i = std::size_t(std::max(field.scroll - 1, 0)); i < lines.size(); ++i) {
        if (top > bounds.bottom())
            break;
        const PlacedLine& line = lines[i];
        const double baseline = top + line.metrics.ascent;
        for (const PlacedRun& run : line.runs) {
            const QColor ink = transformColor(rgba(run.color), color);
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
