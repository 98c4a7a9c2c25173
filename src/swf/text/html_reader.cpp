#include "swf/text/html_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace swf::text {

namespace {

std::u32string lower(std::u32string s)
{
    for (char32_t& c : s) {
        if (c >= U'A' && c <= U'Z')
            c = c - U'A' + U'a';
    }
    return s;
}

std::string narrow(const std::u32string& s)
{
    std::string out;
    for (char32_t c : s)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

bool isSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n';
}

std::u32string decodeEntities(const std::u32string& text)
{
    std::u32string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != U'&') {
            out += text[i];
            continue;
        }
        const std::size_t semicolon = text.find(U';', i);
        if (semicolon == std::u32string::npos || semicolon - i > 10) {
            out += text[i];
            continue;
        }
        const std::string name = narrow(text.substr(i + 1, semicolon - i - 1));
        char32_t c = 0;
        if (name == "lt")
            c = U'<';
        else if (name == "gt")
            c = U'>';
        else if (name == "amp")
            c = U'&';
        else if (name == "quot")
            c = U'"';
        else if (name == "apos")
            c = U'\'';
        else if (name == "nbsp")
            c = 0xA0;
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const unsigned long code = std::strtoul(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
            if (code > 0 && code < 0x110000)
                c = char32_t(code);
        }
        if (c == 0) {
            out += text[i];
            continue;
        }
        out += c;
        i = semicolon;
    }
    return out;
}

// Attributes of a tag body ("font size='2' color=#ff0000"), names lowered.
// A tag's attributes; `unquoted` turns true when a value has no quotes.
std::vector<std::pair<std::u32string, std::u32string>> attributes(const std::u32string& body, bool* unquoted = nullptr)
{
    std::vector<std::pair<std::u32string, std::u32string>> out;
    std::size_t i = 0;
    while (i < body.size() && !isSpace(body[i]))
        ++i;
    while (i < body.size()) {
        while (i < body.size() && (isSpace(body[i]) || body[i] == U'/'))
            ++i;
        const std::size_t nameBegin = i;
        while (i < body.size() && body[i] != U'=' && !isSpace(body[i]))
            ++i;
        std::u32string name = lower(body.substr(nameBegin, i - nameBegin));
        while (i < body.size() && isSpace(body[i]))
            ++i;
        std::u32string value;
        if (i < body.size() && body[i] == U'=') {
            ++i;
            while (i < body.size() && isSpace(body[i]))
                ++i;
            if (i < body.size() && (body[i] == U'"' || body[i] == U'\'')) {
                const char32_t quote = body[i++];
                const std::size_t close = body.find(quote, i);
                const std::size_t end = close == std::u32string::npos ? body.size() : close;
                value = body.substr(i, end - i);
                i = end + 1;
            } else {
                const std::size_t begin = i;
                while (i < body.size() && !isSpace(body[i]))
                    ++i;
                value = body.substr(begin, i - begin);
                if (unquoted)
                    *unquoted = true;
            }
        }
        if (!name.empty())
            out.emplace_back(std::move(name), decodeEntities(value));
    }
    return out;
}

std::optional<double> number(const std::u32string& s)
{
    const std::string n = narrow(s);
    if (n.empty())
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(n.c_str(), &end);
    if (end == n.c_str() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// "#rrggbb": after the hash and any blanks, hex digits up to the first
// other character; with more than six, the last six count. Without the
// hash or a digit, no colour.
std::optional<std::uint32_t> color(const std::u32string& s)
{
    if (s.empty() || s[0] != U'#')
        return std::nullopt;
    std::size_t i = 1;
    while (i < s.size() && (s[i] == U' ' || s[i] == U'\t'))
        ++i;
    std::uint32_t v = 0;
    bool any = false;
    for (; i < s.size(); ++i) {
        const char32_t c = s[i];
        std::uint32_t digit = 0;
        if (c >= U'0' && c <= U'9')
            digit = c - U'0';
        else if (c >= U'a' && c <= U'f')
            digit = c - U'a' + 10;
        else if (c >= U'A' && c <= U'F')
            digit = c - U'A' + 10;
        else
            break;
        v = ((v << 4) | digit) & 0xFFFFFF;
        any = true;
    }
    if (!any)
        return std::nullopt;
    return v;
}

class HtmlReader {
public:
    // Before SWF 7 every field reads paragraphs and line breaks as a
    // multiline one does.
    HtmlReader(const TextFieldFormat& base, bool condenseWhite, int swfVersion, bool multiline)
        : m_condense(condenseWhite), m_multiline(multiline || swfVersion < 7), m_keepsLastBreak(multiline),
          m_version(swfVersion)
    {
        m_stack.push_back({U"", base});
    }

    void text(const std::u32string& raw)
    {
        // SWF 7 markup is read as XML that ignores white space: a stretch
        // between tags holding nothing else is left out whole. Older movies
        // keep it (a label's lone space keeps its font).
        if (m_version == 7 && std::all_of(raw.begin(), raw.end(), isSpace))
            return;
        m_chunkSpace = false;
        for (char32_t c : decodeEntities(raw)) {
            if (c == U'\r' || c == U'\n') {
                if (m_condense) {
                    put(U' ');
                    continue;
                }
                // Carriage returns become breaks that text leaves out, line
                // feeds carriage returns, as in the original player.
                put(c == U'\r' ? kHtmlLineBreak : U'\r');
                continue;
            }
            put(c);
        }
    }

    // False when the tag is one the player could not read: an attribute
    // value without quotes ends the markup there.
    bool tag(const std::u32string& body)
    {
        const bool closing = !body.empty() && body[0] == U'/';
        const std::u32string rest = closing ? body.substr(1) : body;
        std::size_t nameEnd = 0;
        while (nameEnd < rest.size() && !isSpace(rest[nameEnd]) && rest[nameEnd] != U'/')
            ++nameEnd;
        const std::u32string name = lower(rest.substr(0, nameEnd));
        // A line break tag breaks lines only in a multiline field; a single
        // line field leaves it out (a line feed in the source still breaks).
        if (name == U"br") {
            if (m_multiline) {
                flushBreak();
                put(U'\r');
            }
            return true;
        }
        // The tab a tag makes is no white space to condense.
        if (name == U"tab") {
            flushBreak();
            append(U'\t', m_stack.back().format);
            return true;
        }
        if (name == U"p" || name == U"li") {
            if (closing) {
                // The break belongs to the paragraph it ends, with the format
                // the paragraph opened with. Paragraphs do not nest: the end
                // of one inside another ends both.
                TextFieldFormat ending;
                const bool found = popTo(name, name == U"p", &ending);
                if (found && name == U"p")
                    ending = paragraphEnd(ending);
                if (found && m_multiline) {
                    // Each element closed ends a line of its own, even one
                    // left empty by the element closed just before.
                    flushBreak();
                    m_pendingBreak = true;
                    m_breakFormat = ending;
                }
                return true;
            }
            // An item starts a line of its own, unless a paragraph's end
            // already broke there.
            if (name == U"li" && m_multiline && !m_pendingBreak && !m_text.empty() && !isParagraphBreak(m_text.back()))
                put(U'\r');
            TextFieldFormat format = m_stack.back().format;
            if (name == U"li")
                format.bullet = true;
            bool unquoted = false;
            const auto pairs = attributes(rest, &unquoted);
            if (unquoted)
                return false;
            for (const auto& [key, value] : pairs) {
                if (key == U"align") {
                    const std::u32string a = lower(value);
                    if (a == U"left" || a == U"right" || a == U"center" || a == U"justify")
                        format.align = narrow(a);
                }
            }
            push(name, format);
            return true;
        }
        static const std::u32string styled[] = {U"font", U"b", U"i", U"u", U"a", U"textformat", U"span"};
        if (std::find(std::begin(styled), std::end(styled), name) == std::end(styled))
            return true;
        if (closing) {
            // A closing tag ends only the element opened last; one that
            // names another is ignored.
            if (m_stack.size() > 1 && m_stack.back().tag == name) {
                if (name == U"font")
                    m_closedFont = m_stack.back().format;
                m_stack.pop_back();
            }
            return true;
        }
        TextFieldFormat format = m_stack.back().format;
        if (name == U"b")
            format.bold = true;
        else if (name == U"i")
            format.italic = true;
        else if (name == U"u")
            format.underline = true;
        bool unquoted = false;
        const auto pairs = attributes(rest, &unquoted);
        if (unquoted)
            return false;
        for (const auto& [key, value] : pairs) {
            if (name == U"font") {
                if (key == U"face")
                    format.font = fromUnits(value, m_version);
                else if (key == U"size") {
                    if (auto v = number(value)) {
                        const bool relative = !value.empty() && (value[0] == U'+' || value[0] == U'-');
                        // Whole points only, the fraction cut off, from 1 to 127.
                        const double points = std::trunc(*v);
                        format.size = std::clamp(relative ? format.size.value_or(12) + points : points, 1.0, 127.0);
                    }
                } else if (key == U"color") {
                    if (auto c = color(value))
                        format.color = *c;
                } else if (key == U"letterspacing") {
                    if (auto v = number(value))
                        format.letterSpacing = *v;
                } else if (key == U"kerning" && m_version >= 8) {
                    if (auto v = number(value))
                        format.kerning = *v != 0;
                }
            } else if (name == U"a") {
                if (key == U"href")
                    format.url = fromUnits(value, m_version);
                else if (key == U"target")
                    format.target = fromUnits(value, m_version);
            } else if (name == U"textformat") {
                auto v = number(value);
                if (key == U"leftmargin" && v)
                    format.leftMargin = *v;
                else if (key == U"rightmargin" && v)
                    format.rightMargin = *v;
                else if (key == U"indent" && v)
                    format.indent = *v;
                else if (key == U"blockindent" && v)
                    format.blockIndent = *v;
                else if (key == U"leading" && v)
                    format.leading = *v;
                else if (key == U"tabstops") {
                    std::vector<double> stops;
                    std::size_t begin = 0;
                    while (begin <= value.size()) {
                        std::size_t comma = value.find(U',', begin);
                        if (comma == std::u32string::npos)
                            comma = value.size();
                        if (auto stop = number(value.substr(begin, comma - begin)))
                            stops.push_back(*stop);
                        begin = comma + 1;
                    }
                    format.tabStops = stops;
                }
            }
        }
        push(name, format);
        return true;
    }

    HtmlText finish()
    {
        // A multiline field keeps the break that ends its last paragraph.
        if (m_keepsLastBreak)
            flushBreak();
        HtmlText out;
        out.text = std::move(m_text);
        out.runs = std::move(m_runs);
        out.endFormat = m_stack.back().format;
        return out;
    }

private:
    struct Open {
        std::u32string tag;
        TextFieldFormat format;
    };

    void push(const std::u32string& tag, const TextFieldFormat& format)
    {
        // Unclosed tags in broken markup must not grow the stack without end.
        if (m_stack.size() < 256)
            m_stack.push_back({tag, format});
    }

    // Closes the innermost open `tag` (the outermost with `outermost`) and
    // everything opened inside it.
    bool popTo(const std::u32string& tag, bool outermost = false, TextFieldFormat* closed = nullptr)
    {
        std::size_t found = 0;
        for (std::size_t i = m_stack.size(); i-- > 1;) {
            if (m_stack[i].tag == tag) {
                found = i;
                if (!outermost)
                    break;
            }
        }
        if (!found)
            return false;
        // The break takes the characters' format of the element it closes,
        // and the paragraph format of what is open inside it.
        if (closed) {
            *closed = m_stack[found].format;
            takeListAndIndents(*closed, m_stack.back().format);
        }
        std::vector<Open> inside(m_stack.begin() + std::ptrdiff_t(found) + 1, m_stack.end());
        m_stack.resize(found);
        // A paragraph's end leaves the list items and paragraph formats
        // opened inside it open, over what was open before it.
        if (tag == U"p") {
            for (const Open& open : inside) {
                if (open.tag != U"li" && open.tag != U"textformat")
                    continue;
                TextFieldFormat format = m_stack.back().format;
                takeListAndIndents(format, open.format);
                m_stack.push_back({open.tag, format});
            }
        }
        return true;
    }

    // The break a paragraph's end makes does not take the characters'
    // formats of the elements around it: it has the field's own, in the
    // font of the FONT element closed last anywhere before it.
    TextFieldFormat paragraphEnd(const TextFieldFormat& paragraph) const
    {
        TextFieldFormat end = m_stack.front().format;
        if (m_closedFont) {
            end.font = m_closedFont->font;
            end.size = m_closedFont->size;
            end.color = m_closedFont->color;
            end.letterSpacing = m_closedFont->letterSpacing;
            end.kerning = m_closedFont->kerning;
        }
        end.align = paragraph.align;
        takeListAndIndents(end, paragraph);
        return end;
    }

    static void takeListAndIndents(TextFieldFormat& to, const TextFieldFormat& from)
    {
        to.bullet = from.bullet;
        to.indent = from.indent;
        to.blockIndent = from.blockIndent;
        to.leftMargin = from.leftMargin;
        to.rightMargin = from.rightMargin;
        to.leading = from.leading;
        to.tabStops = from.tabStops;
    }

    void flushBreak()
    {
        if (m_pendingBreak) {
            m_pendingBreak = false;
            append(U'\r', m_breakFormat);
        }
    }

    void put(char32_t c)
    {
        // Breaks that tags make are no white space to condense.
        // Condensing makes a run of white space one space and drops it at the
        // start of the text. From SWF 8 a run goes on across tags and also
        // ends at the start of a line; before, each stretch of text between
        // tags condenses on its own.
        if (m_condense && isSpace(c) && !isParagraphBreak(c)) {
            if (m_text.empty())
                return;
            const char32_t last = m_text.back();
            if (m_version >= 8 ? m_pendingBreak || isSpace(last) || isParagraphBreak(last) : m_chunkSpace)
                return;
            c = U' ';
            m_chunkSpace = true;
        } else {
            m_chunkSpace = false;
        }
        flushBreak();
        append(c, m_stack.back().format);
    }

    void append(char32_t c, const TextFieldFormat& format)
    {
        m_text += c;
        if (!m_runs.empty() && m_runs.back().format == format)
            ++m_runs.back().length;
        else
            m_runs.push_back({1, format});
    }

    bool m_condense;
    bool m_multiline;
    bool m_keepsLastBreak;
    int m_version;
    TextFieldFormat m_breakFormat;
    std::optional<TextFieldFormat> m_closedFont;
    bool m_pendingBreak = false;
    // The last character this stretch of text put was condensed white space.
    bool m_chunkSpace = false;
    std::vector<Open> m_stack;
    std::u32string m_text;
    std::vector<FormatRun> m_runs;
};

} // namespace

HtmlText parseHtmlText(const std::u32string& html, const TextFieldFormat& base, bool condenseWhite, int swfVersion,
                       bool multiline)
{
    HtmlReader reader(base, condenseWhite, swfVersion, multiline);
    std::size_t pos = 0;
    while (pos < html.size()) {
        const std::size_t open = html.find(U'<', pos);
        if (open == std::u32string::npos) {
            reader.text(html.substr(pos));
            break;
        }
        reader.text(html.substr(pos, open - pos));
        if (html.compare(open, 4, U"<!--") == 0) {
            // An unterminated comment swallows the rest.
            const std::size_t close = html.find(U"-->", open + 4);
            if (close == std::u32string::npos)
                break;
            pos = close + 3;
            continue;
        }
        const std::size_t close = html.find(U'>', open);
        if (close == std::u32string::npos)
            break;
        if (!reader.tag(html.substr(open + 1, close - open - 1)))
            break;
        pos = close + 1;
    }
    return reader.finish();
}

} // namespace swf::text
