#pragma once

// The fonts text is laid out and drawn with: a font the movie brings (its
// glyph outlines) or one installed on the machine, measured in twips.

#include "swf/render/font_library.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cmath>

namespace swf::render {

// What the layout needs from a font, in twips.
class TextFace {
public:
    virtual ~TextFace() = default;
    virtual double advance(QChar c) const = 0;
    virtual double ascent() const = 0;
    virtual double descent() const = 0;
    virtual void draw(QPainter& painter, QPointF baseline, const QString& text, const QColor& color) const = 0;
};

// A font the movie brings: its glyph outlines.
class EmbeddedFace : public TextFace {
public:
    EmbeddedFace(const Font& font, double height) : m_font(font), m_scale(height / font.emSquare()) {}

    double advance(QChar c) const override
    {
        const auto index = m_font.glyphForCode(c.unicode());
        return index ? advanceOf(*index) : 0.0;
    }
    // Line metrics are whole twips too, the fraction dropped.
    double ascent() const override { return std::floor(m_font.ascent() * m_scale); }
    double descent() const override { return std::floor(m_font.descent() * m_scale); }

    void draw(QPainter& painter, QPointF baseline, const QString& text, const QColor& color) const override
    {
        QPainterPath run;
        run.setFillRule(Qt::OddEvenFill);
        double x = baseline.x();
        for (QChar c : text) {
            const auto index = m_font.glyphForCode(c.unicode());
            if (!index)
                continue;
            run.addPath(QTransform(m_scale, 0, 0, m_scale, x, baseline.y()).map(m_font.glyph(*index)));
            x += advanceOf(*index);
        }
        painter.fillPath(run, color);
    }

private:
    // Glyphs advance by whole twips, the fraction dropped, as the player laid
    // text out: a long line ends a pixel or two short of the exact sum. A
    // small-text font's glyphs stand on whole pixels of the field, each
    // advance rounded up to the next.
    double advanceOf(std::size_t index) const
    {
        const double advance = m_font.advance(index) * m_scale;
        return m_font.smallText() ? std::ceil(advance / 20.0 - 1e-9) * 20.0 : std::floor(advance);
    }

    const Font& m_font;
    double m_scale;
};

// What a field that embeds its fonts has for a font the movie does not
// bring: no glyphs, so its text neither shows nor takes any room.
class MissingFace : public TextFace {
public:
    double advance(QChar) const override { return 0; }
    double ascent() const override { return 0; }
    double descent() const override { return 0; }
    void draw(QPainter&, QPointF, const QString&, const QColor&) const override {}
};

// A font installed on the machine.
class DeviceFace : public TextFace {
public:
    explicit DeviceFace(const QFont& font) : m_font(font), m_metrics(font) {}

    double advance(QChar c) const override { return m_metrics.horizontalAdvance(c); }
    // The machine's fonts report their line metrics in whole pixels.
    double ascent() const override { return std::round(m_metrics.ascent() / 20) * 20; }
    double descent() const override { return std::round(m_metrics.descent() / 20) * 20; }

    void draw(QPainter& painter, QPointF baseline, const QString& text, const QColor& color) const override
    {
        painter.setFont(m_font);
        painter.setPen(color);
        painter.drawText(baseline, text);
        painter.setPen(Qt::NoPen);
    }

private:
    QFont m_font;
    QFontMetricsF m_metrics;
};

} // namespace swf::render
