#include "swf/render/text_painter.h"

#include "swf/format/strings.h"
#include "swf/render/color_transform_image.h"
#include "swf/render/font_library.h"
#include "swf/render/html_text.h"
#include "swf/render/text_faces.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace swf::render {

QString plainTextFromHtml(const QString& html)
{
    QStringList lines;
    for (const TextParagraph& paragraph : htmlParagraphs(html, TextStyle())) {
        QString line;
        for (const TextRun& run : paragraph.runs)
            line += run.text;
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QString editTextInitialText(const swf::DefineEditText& field)
{
    return field.initialText ? swf::decodeString(*field.initialText) : QString();
}

namespace {

// Space between a field's border and its text, in twips.
constexpr double kGutter = 40.0;

// The faces of one field, one per style its runs use.
class FaceSet {
public:
    FaceSet(const swf::DefineEditText& field, const FontLibrary& fonts)
        : m_field(field), m_font(field.fontId ? fonts.font(*field.fontId) : nullptr)
    {
    }

    const TextFace& face(const TextStyle& style)
    {
        const auto key = std::make_tuple(style.face, style.height, style.bold, style.italic);
        auto found = m_faces.find(key);
        if (found != m_faces.end())
            return *found->second;
        std::unique_ptr<TextFace> face;
        const bool ownFont = style.face.isEmpty() || (m_font && style.face == m_font->name());
        if (ownFont && m_font && m_field.useOutlines && m_font->hasOutlines()) {
            face = std::make_unique<EmbeddedFace>(*m_font, style.height);
        } else {
            const QString name = !style.face.isEmpty() ? style.face
                : m_font                               ? m_font->name()
                                                       : QStringLiteral("_serif");
            const bool bold = style.bold || (ownFont && m_font && m_font->bold());
            const bool italic = style.italic || (ownFont && m_font && m_font->italic());
            face = std::make_unique<DeviceFace>(deviceFont(name, int(std::lround(style.height)), bold, italic));
        }
        return *m_faces.emplace(key, std::move(face)).first->second;
    }

private:
    const swf::DefineEditText& m_field;
    const Font* m_font;
    std::map<std::tuple<QString, double, bool, bool>, std::unique_ptr<TextFace>> m_faces;
};

bool breaksAnywhere(QChar c)
{
    // Chinese and Japanese text wraps between any two characters.
    return c.unicode() >= 0x2E80;
}

// One character placed by the layout.
struct Item {
    QChar c;
    const TextFace* face;
    const TextStyle* style;
    double advance;
};

struct Line {
    std::vector<Item> items;
    double width = 0;
    double ascent = 0;
    double descent = 0;
    bool firstOfParagraph = false;
    std::optional<swf::TextAlign> align;
};

void measureLine(Line& line)
{
    // Trailing spaces take no room at the end of a line.
    while (!line.items.empty() && line.items.back().c == QLatin1Char(' '))
        line.items.pop_back();
    line.width = 0;
    for (const Item& item : line.items) {
        line.width += item.advance;
        line.ascent = std::max(line.ascent, item.face->ascent());
        line.descent = std::max(line.descent, item.face->descent());
    }
}

// Greedy line breaking: a line breaks after a space or next to a CJK
// character; a word longer than the line is broken where it overflows.
std::vector<Line> layoutLines(const std::vector<TextParagraph>& paragraphs, FaceSet& faces,
                              const TextStyle& fieldStyle, double width, double indent, bool wrap)
{
    std::vector<Line> lines;
    for (const TextParagraph& paragraph : paragraphs) {
        std::vector<Item> items;
        for (const TextRun& run : paragraph.runs) {
            const TextFace& face = faces.face(run.style);
            for (QChar c : run.text)
                items.push_back({c, &face, &run.style, face.advance(c)});
        }
        Line line;
        line.firstOfParagraph = true;
        line.align = paragraph.align;
        double lineWidth = 0;
        std::size_t breakAt = 0; // the line may end before this item (0: nowhere yet)
        for (const Item& item : items) {
            if (!line.items.empty() && (breaksAnywhere(item.c) || breaksAnywhere(line.items.back().c)))
                breakAt = line.items.size();
            const double available = width - (line.firstOfParagraph ? indent : 0.0);
            if (wrap && !line.items.empty() && item.c != QLatin1Char(' ') && lineWidth + item.advance > available) {
                std::vector<Item> rest;
                if (breakAt > 0) {
                    rest.assign(line.items.begin() + std::ptrdiff_t(breakAt), line.items.end());
                    line.items.resize(breakAt);
                }
                measureLine(line);
                lines.push_back(std::move(line));
                line = Line();
                line.align = paragraph.align;
                auto firstInk = std::find_if(rest.begin(), rest.end(), [](const Item& i) { return i.c != QLatin1Char(' '); });
                line.items.assign(firstInk, rest.end());
                lineWidth = 0;
                for (const Item& kept : line.items)
                    lineWidth += kept.advance;
                breakAt = 0;
            }
            line.items.push_back(item);
            lineWidth += item.advance;
            if (item.c == QLatin1Char(' '))
                breakAt = line.items.size();
        }
        measureLine(line);
        if (line.items.empty()) {
            // An empty line still takes the height of the field's font.
            const TextFace& face = faces.face(fieldStyle);
            line.ascent = face.ascent();
            line.descent = face.descent();
        }
        lines.push_back(std::move(line));
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

    // Laid out anew every frame: a field shows a bounded amount of text.
    constexpr qsizetype kMaxShownCharacters = 64 * 1024;
    QString shown = text.left(kMaxShownCharacters);
    if (field.maxLength && *field.maxLength > 0 && !field.html && shown.size() > *field.maxLength)
        shown.truncate(*field.maxLength);
    if (shown.isEmpty() || bounds.isEmpty()) {
        painter.restore();
        return;
    }

    TextStyle fieldStyle;
    fieldStyle.height = field.height ? std::clamp(field.height->get(), 20, 20000) : 240;
    fieldStyle.color = field.color.value_or(swf::Rgba{0, 0, 0, 255});
    std::vector<TextParagraph> paragraphs
        = field.html ? htmlParagraphs(shown, fieldStyle) : plainParagraphs(shown, fieldStyle);
    if (field.password) {
        for (TextParagraph& paragraph : paragraphs)
            for (TextRun& run : paragraph.runs)
                run.text.fill(QLatin1Char('*'));
    }

    FaceSet faces(field, fonts);
    const swf::EditTextLayout layout = field.layout.value_or(swf::EditTextLayout());
    const double left = bounds.left() + kGutter + layout.leftMargin.get();
    const double right = bounds.right() - kGutter - layout.rightMargin.get();
    const double width = std::max(0.0, right - left);
    const std::vector<Line> lines = layoutLines(paragraphs, faces, fieldStyle, width, layout.indent.get(), field.wordWrap);

    if (!field.autoSize)
        painter.setClipRect(bounds, Qt::IntersectClip);
    double top = bounds.top() + kGutter;
    for (const Line& line : lines) {
        if (top > bounds.bottom() && !field.autoSize)
            break;
        const double baseline = top + line.ascent;
        double x = left + (line.firstOfParagraph ? layout.indent.get() : 0.0);
        const swf::TextAlign align = line.align.value_or(layout.align);
        if (align == swf::TextAlign::Right)
            x = right - line.width;
        else if (align == swf::TextAlign::Center)
            x = left + (width - line.width) / 2;
        // Consecutive characters of one style are drawn together.
        std::size_t begin = 0;
        while (begin < line.items.size()) {
            std::size_t end = begin;
            QString chunk;
            double chunkWidth = 0;
            while (end < line.items.size() && line.items[end].style == line.items[begin].style) {
                chunk += line.items[end].c;
                chunkWidth += line.items[end].advance;
                ++end;
            }
            const Item& first = line.items[begin];
            first.face->draw(painter, QPointF(x, baseline), chunk, transformColor(first.style->color, transform));
            x += chunkWidth;
            begin = end;
        }
        top += line.ascent + line.descent + layout.leading.get();
    }
    painter.restore();
}

} // namespace swf::render
