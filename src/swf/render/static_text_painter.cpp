#include "swf/render/text_painter.h"

#include "swf/render/color_transform_image.h"
#include "swf/render/font_library.h"
#include "swf/render/shape_painter.h"

#include <QPainter>

namespace swf::render {

void paintStaticText(QPainter& painter, const swf::DefineText& text, const FontLibrary& fonts,
                     const QTransform& twipsToDevice, const swf::ColorTransform& transform)
{
    painter.save();
    painter.setTransform(toQTransform(text.matrix) * twipsToDevice);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(Qt::NoPen);

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

        const QColor brushColor = transformColor(color, transform);
        if (font->hasOutlines()) {
            const double scale = height / font->emSquare();
            QPainterPath run;
            run.setFillRule(Qt::OddEvenFill);
            for (const swf::GlyphEntry& entry : record.glyphs) {
                const QPainterPath& glyph = font->glyph(entry.index);
                if (!glyph.isEmpty())
                    run.addPath(QTransform(scale, 0, 0, scale, x, y).map(glyph));
                x += entry.advance;
            }
            painter.fillPath(run, brushColor);
        } else {
            // A font without outlines names an installed font: draw its codes.
            painter.setFont(deviceFont(font->name(), int(height), font->bold(), font->italic()));
            painter.setPen(brushColor);
            for (const swf::GlyphEntry& entry : record.glyphs) {
                const char16_t code = font->code(entry.index);
                if (code != 0)
                    painter.drawText(QPointF(x, y), QString(QChar(code)));
                x += entry.advance;
            }
            painter.setPen(Qt::NoPen);
        }
    }
    painter.restore();
}

} // namespace swf::render
