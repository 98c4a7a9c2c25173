#include "swf/render/text_painter.h"

#include "swf/format/strings.h"
#include "swf/render/color_transform_image.h"
#include "swf/render/font_library.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <memory>

namespace swf::render {

QString plainTextFromHtml(const QString& html)
{
    QString text = html;
    static const QRegularExpression breaks(QStringLiteral("<\\s*(br|/p|/li)\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    text.replace(breaks, QStringLiteral("\n"));
    text.remove(tags);
    // The last paragraph's closing tag ends no line.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QString editTextInitialText(const swf::DefineEditText& field)
{
    if (!field.initialText)
        return {};
    const QString text = swf::decodeString(*field.initialText);
    return field.html ? plainTextFromHtml(text) : text;
}

namespace {

// Space between a field's border and its text, in twips.
constexpr double kGutter = 40.0;

// What the layout needs from a font, in twips.
class TextFace {
public:
    virtual ~TextFace() = default;
    virtual double advance(QChar c) const = 0;
    virtual double ascent() const = 0;
    virtual double descent() const = 0;
    virtual void draw(QPainter& painter, QPointF baseline, const QString& line, const QColor& color) const = 0;
};

// A font the movie brings: its glyph outlines.
class EmbeddedFace : public TextFace {
public:
    EmbeddedFace(const Font& font, double height) : m_font(font), m_scale(height / font.emSquare()) {}

    double advance(QChar c) const override
    {
        const auto index = m_font.glyphForCode(c.unicode());
        return index ? m_font.advance(*index) * m_scale : 0.0;
    }
    double ascent() const override { return m_font.ascent() * m_scale; }
    double descent() const override { return m_font.descent() * m_scale; }

    void draw(QPainter& painter, QPointF baseline, const QString& line, const QColor& color) const override
    {
        QPainterPath run;
        run.setFillRule(Qt::OddEvenFill);
        double x = baseline.x();
        for (QChar c : line) {
            const auto index = m_font.glyphForCode(c.unicode());
            if (!index)
                continue;
            run.addPath(QTransform(m_scale, 0, 0, m_scale, x, baseline.y()).map(m_font.glyph(*index)));
            x += m_font.advance(*index) * m_scale;
        }
        painter.fillPath(run, color);
    }

private:
    const Font& m_font;
    double m_scale;
};

// A font installed on the machine.
class DeviceFace : public TextFace {
public:
    explicit DeviceFace(const QFont& font) : m_font(font), m_metrics(font) {}

    double advance(QChar c) const override { return m_metrics.horizontalAdvance(c); }
    double ascent() const override { return m_metrics.ascent(); }
    double descent() const override { return m_metrics.descent(); }

    void draw(QPainter& painter, QPointF baseline, const QString& line, const QColor& color) const override
    {
        painter.setFont(m_font);
        painter.setPen(color);
        painter.drawText(baseline, line);
        painter.setPen(Qt::NoPen);
    }

private:
    QFont m_font;
    QFontMetricsF m_metrics;
};

bool breaksAnywhere(QChar c)
{
    // Chinese and Japanese text wraps between any two characters.
    return c.unicode() >= 0x2E80;
}

struct Line {
    QString text;
    double width = 0;
    bool firstOfParagraph = false;
};

double measure(const TextFace& face, const QString& text)
{
    double width = 0;
    for (QChar c : text)
        width += face.advance(c);
    return width;
}

// Greedy line breaking: a line breaks after a space or next to a CJK
// character; a word longer than the line is broken where it overflows.
std::vector<Line> layoutLines(const QString& text, const TextFace& face, double width, double indent, bool wrap)
{
    std::vector<Line> lines;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString& paragraph : normalized.split(QLatin1Char('\n'))) {
        Line line;
        line.firstOfParagraph = true;
        qsizetype breakAt = -1; // the line may end before this index
        for (QChar c : paragraph) {
            if (!line.text.isEmpty() && (breaksAnywhere(c) || breaksAnywhere(line.text.back())))
                breakAt = line.text.size();
            const double w = face.advance(c);
            const double available = width - (line.firstOfParagraph ? indent : 0.0);
            if (wrap && !line.text.isEmpty() && c != QLatin1Char(' ') && line.width + w > available) {
                QString rest;
                if (breakAt > 0) {
                    rest = line.text.mid(breakAt);
                    line.text.truncate(breakAt);
                }
                lines.push_back(line);
                line = Line();
                while (rest.startsWith(QLatin1Char(' ')))
                    rest.remove(0, 1);
                line.text = rest;
                line.width = measure(face, rest);
                breakAt = -1;
            }
            line.text.append(c);
            line.width += w;
            if (c == QLatin1Char(' '))
                breakAt = line.text.size();
        }
        lines.push_back(line);
    }
    // Trailing spaces take no room at the end of a line.
    for (Line& line : lines) {
        while (line.text.endsWith(QLatin1Char(' '))) {
            line.text.chop(1);
            line.width = measure(face, line.text);
        }
    }
    return lines;
}

} // namespace

void paintEditText(QPainter& painter, const swf::DefineEditText& field, const FontLibrary& fonts,
                   const QString& text, const QTransform& twipsToDevice, const swf::ColorTransform& transform)
{
    const QRectF bounds(field.bounds.xMin.get(), field.bounds.yMin.get(), field.bounds.width().get(),
                        field.bounds.height().get());
    painter.save();
    painter.setTransform(twipsToDevice);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    if (field.border) {
        QPen pen(transformColor({0, 0, 0, 255}, transform));
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(transformColor({255, 255, 255, 255}, transform));
        // The one-pixel border lies inside the field's bounds.
        const double scale = std::sqrt(std::abs(twipsToDevice.determinant()));
        const double inset = scale > 0 ? 0.5 / scale : 0.0;
        painter.drawRect(bounds.adjusted(inset, inset, -inset, -inset));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);

    QString shown = field.html ? plainTextFromHtml(text) : text;
    if (field.password)
        shown = QString(shown.size(), QLatin1Char('*'));
    if (field.maxLength && *field.maxLength > 0 && shown.size() > *field.maxLength)
        shown.truncate(*field.maxLength);
    if (shown.isEmpty() || bounds.isEmpty()) {
        painter.restore();
        return;
    }

    const double height = field.height ? std::max(1, field.height->get()) : 240.0;
    const Font* font = field.fontId ? fonts.font(*field.fontId) : nullptr;
    std::unique_ptr<TextFace> face;
    if (font && field.useOutlines && font->hasOutlines())
        face = std::make_unique<EmbeddedFace>(*font, height);
    else
        face = std::make_unique<DeviceFace>(
            deviceFont(font ? font->name() : QStringLiteral("_serif"), int(height), font && font->bold(),
                       font && font->italic()));

    const swf::EditTextLayout layout = field.layout.value_or(swf::EditTextLayout());
    const double left = bounds.left() + kGutter + layout.leftMargin.get();
    const double right = bounds.right() - kGutter - layout.rightMargin.get();
    const double width = std::max(0.0, right - left);
    const std::vector<Line> lines
        = layoutLines(shown, *face, width, layout.indent.get(), field.wordWrap);

    if (!field.autoSize)
        painter.setClipRect(bounds, Qt::IntersectClip);
    const QColor color = transformColor(field.color.value_or(swf::Rgba{0, 0, 0, 255}), transform);
    const double lineStep = face->ascent() + face->descent() + layout.leading.get();
    double baseline = bounds.top() + kGutter + face->ascent();
    for (const Line& line : lines) {
        if (baseline - face->ascent() > bounds.bottom() && !field.autoSize)
            break;
        double x = left + (line.firstOfParagraph ? layout.indent.get() : 0.0);
        if (layout.align == swf::TextAlign::Right)
            x = right - line.width;
        else if (layout.align == swf::TextAlign::Center)
            x = left + (width - line.width) / 2;
        if (!line.text.isEmpty())
            face->draw(painter, QPointF(x, baseline), line.text, color);
        baseline += lineStep;
    }
    painter.restore();
}

} // namespace swf::render
