#include "swf/render/html_text.h"

#include <QRegularExpression>

#include <algorithm>

namespace swf::render {

std::vector<TextParagraph> plainParagraphs(const QString& text, const TextStyle& style)
{
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::vector<TextParagraph> paragraphs;
    for (const QString& line : normalized.split(QLatin1Char('\n')))
        paragraphs.push_back({{{line, style}}, std::nullopt});
    return paragraphs;
}

namespace {

QString decodeEntities(QString text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    QString out;
    qsizetype last = 0;
    auto matches = entity.globalMatch(text);
    while (matches.hasNext()) {
        const auto match = matches.next();
        out += text.mid(last, match.capturedStart() - last);
        const QString name = match.captured(1);
        QString replacement = match.captured(0);
        if (name == QLatin1String("lt"))
            replacement = QStringLiteral("<");
        else if (name == QLatin1String("gt"))
            replacement = QStringLiteral(">");
        else if (name == QLatin1String("amp"))
            replacement = QStringLiteral("&");
        else if (name == QLatin1String("quot"))
            replacement = QStringLiteral("\"");
        else if (name == QLatin1String("apos"))
            replacement = QStringLiteral("'");
        else if (name == QLatin1String("nbsp"))
            replacement = QStringLiteral(" ");
        else if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = name.startsWith(QLatin1String("#x")) ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok);
            if (ok && code > 0 && code < 0x110000 && !(code >= 0xD800 && code < 0xE000)) {
                const char32_t c = code;
                replacement = QString::fromUcs4(&c, 1);
            }
        }
        out += replacement;
        last = match.capturedEnd();
    }
    out += text.mid(last);
    return out;
}

QString attribute(const QString& tag, const QString& name)
{
    const QRegularExpression pattern(QStringLiteral("\\b%1\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))").arg(name),
                                     QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(tag);
    if (!match.hasMatch())
        return {};
    for (int group : {2, 3, 4}) {
        if (match.capturedLength(group) > 0 || match.capturedStart(group) >= 0)
            return match.captured(group);
    }
    return {};
}

class HtmlParser {
public:
    explicit HtmlParser(const TextStyle& style) : m_styles{style} { m_paragraphs.emplace_back(); }

    void text(const QString& raw)
    {
        // Line breaks in the source are not breaks in the text.
        QString chunk = decodeEntities(QString(raw).remove(QLatin1Char('\n')).remove(QLatin1Char('\r')));
        if (chunk.isEmpty())
            return;
        m_closedLast = false;
        auto& runs = m_paragraphs.back().runs;
        if (!runs.empty() && runs.back().style == m_styles.back())
            runs.back().text += chunk;
        else
            runs.push_back({chunk, m_styles.back()});
    }

    void tag(const QString& tag)
    {
        const QString body = tag.mid(1, tag.size() - 2).trimmed();
        const bool closing = body.startsWith(QLatin1Char('/'));
        const QString name = body.mid(closing ? 1 : 0).section(QRegularExpression(QStringLiteral("[\\s/]")), 0, 0).toLower();
        if (name == QLatin1String("br")) {
            breakParagraph(m_paragraphOpen);
        } else if (name == QLatin1String("p") || name == QLatin1String("li")) {
            if (closing) {
                breakParagraph(false);
                m_paragraphOpen = false;
                return;
            }
            if (m_paragraphOpen || !m_paragraphs.back().runs.empty())
                breakParagraph(false);
            m_paragraphOpen = true;
            m_paragraphs.back().align.reset();
            const QString align = attribute(tag, QStringLiteral("align")).toLower();
            if (align == QLatin1String("center"))
                m_paragraphs.back().align = swf::TextAlign::Center;
            else if (align == QLatin1String("right"))
                m_paragraphs.back().align = swf::TextAlign::Right;
            else if (align == QLatin1String("left"))
                m_paragraphs.back().align = swf::TextAlign::Left;
            else if (align == QLatin1String("justify"))
                m_paragraphs.back().align = swf::TextAlign::Justify;
            if (name == QLatin1String("li"))
                text(QStringLiteral("\u2022 "));
        } else if (name == QLatin1String("font") || name == QLatin1String("b") || name == QLatin1String("i")) {
            if (closing) {
                if (m_styles.size() > 1)
                    m_styles.pop_back();
                return;
            }
            TextStyle style = m_styles.back();
            if (name == QLatin1String("b"))
                style.bold = true;
            else if (name == QLatin1String("i"))
                style.italic = true;
            else
                applyFont(tag, style);
            // Unclosed tags in broken HTML must not grow the stack without end.
            if (m_styles.size() < 64)
                m_styles.push_back(style);
        }
    }

    std::vector<TextParagraph> finish()
    {
        // A closing </p> at the very end leaves an empty paragraph that shows nothing.
        if (m_paragraphs.size() > 1 && m_paragraphs.back().runs.empty() && m_closedLast)
            m_paragraphs.pop_back();
        return std::move(m_paragraphs);
    }

private:
    // A line break inside a paragraph keeps its alignment for the next line.
    void breakParagraph(bool keepAlignment)
    {
        TextParagraph next;
        if (keepAlignment)
            next.align = m_paragraphs.back().align;
        m_paragraphs.push_back(next);
        m_closedLast = true;
    }

    static void applyFont(const QString& tag, TextStyle& style)
    {
        const QString color = attribute(tag, QStringLiteral("color"));
        if (color.startsWith(QLatin1Char('#')) && color.size() == 7) {
            bool ok = false;
            const uint rgb = color.mid(1).toUInt(&ok, 16);
            if (ok)
                style.color = {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb), style.color.a};
        }
        const QString size = attribute(tag, QStringLiteral("size"));
        bool ok = false;
        const double value = size.toDouble(&ok);
        if (ok && value > 0) {
            const bool relative = size.startsWith(QLatin1Char('+')) || size.startsWith(QLatin1Char('-'));
            const double pixels = relative ? style.height / 20.0 + value : value;
            style.height = std::clamp(pixels, 1.0, 1000.0) * 20.0;
        }
        const QString face = attribute(tag, QStringLiteral("face"));
        if (!face.isEmpty())
            style.face = face;
    }

    std::vector<TextStyle> m_styles;
    std::vector<TextParagraph> m_paragraphs;
    bool m_paragraphOpen = false;
    bool m_closedLast = false;
};

} // namespace

std::vector<TextParagraph> htmlParagraphs(const QString& html, const TextStyle& style)
{
    HtmlParser parser(style);
    qsizetype pos = 0;
    while (pos < html.size()) {
        const qsizetype open = html.indexOf(QLatin1Char('<'), pos);
        if (open < 0) {
            parser.text(html.mid(pos));
            break;
        }
        const qsizetype close = html.indexOf(QLatin1Char('>'), open);
        if (close < 0) {
            parser.text(html.mid(pos));
            break;
        }
        parser.text(html.mid(pos, open - pos));
        parser.tag(html.mid(open, close - open + 1));
        pos = close + 1;
    }
    return parser.finish();
}

} // namespace swf::render
