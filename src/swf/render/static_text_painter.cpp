#include "swf/render/text_painter.h"

#include "swf/render/color_transform_image.h"
#include "swf/render/font_library.h"
#include "swf/render/shape_painter.h"

#include <QPainter>

#include <algorithm>

namespace swf::render {

StaticTextGeometry buildStaticText(const swf::DefineText& text, const FontLibrary& fonts)
{
    StaticTextGeometry geometry;
    geometry.matrix = toQTransform(text.matrix);
    const Font* font = nullptr;
    double height = 0;
    swf::Rgba color;
    double x = 0;
    double y = 0;
    for (const swf::TextRecord& record : text.records) {
        if (record.fontId)
            font = fonts.font(*record.fontId);
        if (record.height)
            height = record.height->get();
        if (record.color)
            color = *record.color;
        if (record.xOffset)
            x = record.xOffset->get();
        if (record.yOffset)
            y = record.yOffset->get();
        if (!font || height <= 0) {
            for (const swf::GlyphEntry& entry : record.glyphs)
                x += entry.advance;
            continue;
        }

        StaticTextRun run;
        run.color = color;
        if (font->hasOutlines()) {
            const double scale = height / font->emSquare();
            run.outlines.setFillRule(Qt::OddEvenFill);
            for (const swf::GlyphEntry& entry : record.glyphs) {
                const QPainterPath& glyph = font->glyph(entry.index);
                if (!glyph.isEmpty())
                    run.outlines.addPath(QTransform(scale, 0, 0, scale, x, y).map(glyph));
                x += entry.advance;
            }
        } else {
            // A font without outlines names an installed font: draw its codes.
            run.deviceFont = deviceFont(font->name(), int(height), font->bold(), font->italic());
            for (const swf::GlyphEntry& entry : record.glyphs) {
                const char16_t code = font->code(entry.index);
                if (code != 0)
                    run.deviceGlyphs.emplace_back(QPointF(x, y), QString(QChar(code)));
                x += entry.advance;
            }
        }
        if (!run.outlines.isEmpty() || !run.deviceGlyphs.empty())
            geometry.runs.push_back(std::move(run));
    }
    return geometry;
}

void paintStaticText(QPainter& painter, const StaticTextGeometry& text, const QTransform& twipsToDevice,
                     const swf::ColorTransform& transform)
{
    if (text.runs.empty())
        return;
    painter.save();
    painter.setTransform(text.matrix * twipsToDevice);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const StaticTextRun& run : text.runs) {
        const QColor color = transformColor(run.color, transform);
        if (!run.outlines.isEmpty())
            painter.fillPath(run.outlines, color);
        if (!run.deviceGlyphs.empty()) {
            painter.setFont(run.deviceFont);
            painter.setPen(color);
            for (const auto& [position, character] : run.deviceGlyphs)
                painter.drawText(position, character);
            painter.setPen(Qt::NoPen);
        }
    }
    painter.restore();
}

QRect staticTextDeviceBounds(const StaticTextGeometry& text, const QTransform& twipsToDevice)
{
    QRectF area;
    for (const StaticTextRun& run : text.runs) {
        if (!run.outlines.isEmpty())
            area |= run.outlines.controlPointRect();
        // Installed fonts draw within a few ems of the pen.
        const double em = std::max(1, run.deviceFont.pixelSize());
        for (const auto& glyph : run.deviceGlyphs)
            area |= QRectF(glyph.first.x() - em, glyph.first.y() - 2 * em, 4 * em, 3 * em);
    }
    if (area.isNull())
        return {};
    return deviceBounds(area, text.matrix * twipsToDevice, 3);
}

void paintStaticText(QPainter& painter, const swf::DefineText& text, const FontLibrary& fonts,
                     const QTransform& twipsToDevice, const swf::ColorTransform& transform)
{
    paintStaticText(painter, buildStaticText(text, fonts), twipsToDevice, transform);
}

} // namespace swf::render
