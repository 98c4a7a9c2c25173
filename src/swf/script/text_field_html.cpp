#include "swf/script/text_field_html.h"

#include "swf/script/value.h"

#include <algorithm>
#include <vector>

namespace swf::script {

using text::isParagraphBreak;
using text::TextFieldFormat;
using text::TextFieldState;
using text::toUnits;

namespace {

std::u32string widen(const std::string& s)
{
    return std::u32string(s.begin(), s.end());
}

// Numbers in markup print as scripts print them.
std::u32string num(double v)
{
    return widen(numberToString(v));
}

std::u32string hexColor(std::uint32_t rgb)
{
    static const char digits[] = "0123456789ABCDEF";
    std::u32string out = U"#";
    for (int shift = 20; shift >= 0; shift -= 4)
        out += char32_t(digits[(rgb >> shift) & 0xF]);
    return out;
}

std::u32string escape(const std::u32string& text)
{
    std::u32string out;
    for (char32_t c : text) {
        switch (c) {
        case U'<':
            out += U"&lt;";
            break;
        case U'>':
            out += U"&gt;";
            break;
        case U'&':
            out += U"&amp;";
            break;
        case U'"':
            out += U"&quot;";
            break;
        case U'\'':
            out += U"&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::u32string upper(const std::string& s)
{
    std::u32string out;
    for (char c : s)
        out += char32_t(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return out;
}

// FONT attributes where `format` differs from `outer` (all of them when `outer` is null).
std::u32string fontAttributes(const TextFieldFormat& format, const TextFieldFormat* outer, int version)
{
    std::u32string out;
    auto differs = [&](auto member) { return !outer || format.*member != outer->*member; };
    if (format.font && differs(&TextFieldFormat::font))
        out += U" FACE=\"" + escape(toUnits(*format.font, version)) + U"\"";
    if (format.size && differs(&TextFieldFormat::size))
        out += U" SIZE=\"" + num(*format.size) + U"\"";
    if (format.color && differs(&TextFieldFormat::color))
        out += U" COLOR=\"" + hexColor(*format.color) + U"\"";
    if (format.letterSpacing && differs(&TextFieldFormat::letterSpacing))
        out += U" LETTERSPACING=\"" + num(*format.letterSpacing) + U"\"";
    if (format.kerning && differs(&TextFieldFormat::kerning))
        out += U" KERNING=\"" + std::u32string(*format.kerning ? U"1" : U"0") + U"\"";
    return out;
}

std::u32string textFormatAttributes(const TextFieldFormat& f)
{
    std::u32string out;
    auto add = [&](const char32_t* name, const std::optional<double>& v) {
        if (v && *v != 0)
            out += std::u32string(U" ") + name + U"=\"" + num(*v) + U"\"";
    };
    add(U"LEFTMARGIN", f.leftMargin);
    add(U"RIGHTMARGIN", f.rightMargin);
    add(U"INDENT", f.indent);
    add(U"BLOCKINDENT", f.blockIndent);
    add(U"LEADING", f.leading);
    if (f.tabStops && !f.tabStops->empty()) {
        out += U" TABSTOPS=\"";
        for (std::size_t i = 0; i < f.tabStops->size(); ++i)
            out += (i ? U"," : U"") + num((*f.tabStops)[i]);
        out += U"\"";
    }
    return out;
}

// Runs split only where a character format changes; paragraph formats
// belong to the paragraph's tags.
bool sameCharacters(const TextFieldFormat& a, const TextFieldFormat& b)
{
    return a.font == b.font && a.size == b.size && a.color == b.color && a.bold == b.bold && a.italic == b.italic
        && a.underline == b.underline && a.url == b.url && a.target == b.target && a.kerning == b.kerning
        && a.letterSpacing == b.letterSpacing;
}

} // namespace

std::u32string htmlFromField(const TextFieldState& field)
{
    std::u32string out;
    const std::u32string& text = field.text;
    std::size_t begin = 0;
    // An empty field has no markup at all.
    if (text.empty())
        return out;
    do {
        std::size_t end = begin;
        while (end < text.size() && !isParagraphBreak(text[end]))
            ++end;
        const TextFieldFormat paragraph = field.formatAt(begin);
        const std::u32string textFormat = textFormatAttributes(paragraph);
        if (!textFormat.empty())
            out += U"<TEXTFORMAT" + textFormat + U">";
        const bool bullet = paragraph.bullet.value_or(false);
        if (bullet)
            out += U"<LI>";
        else
            out += U"<P ALIGN=\"" + upper(paragraph.align.value_or("left")) + U"\">";
        out += U"<FONT" + fontAttributes(paragraph, nullptr, field.swfVersion) + U">";
        // FONT tags nest: a run in another font opens one inside the last,
        // naming only what changes, and stays open until a run goes back to
        // the font of one further out.
        // The break ending a paragraph is written as a run of no text, so
        // the formats it carries show as empty tags.
        std::vector<TextFieldFormat> fonts{paragraph};
        const std::size_t last = std::min(end + 1, text.size());
        std::size_t i = begin;
        while (i < last) {
            const TextFieldFormat format = field.formatAt(i);
            std::size_t j = i + 1;
            while (j < last && sameCharacters(field.formatAt(j), format))
                ++j;
            std::u32string close;
            const auto open = std::find_if(fonts.rbegin(), fonts.rend(),
                                           [&](const TextFieldFormat& f) { return fontAttributes(format, &f, field.swfVersion).empty(); });
            if (open != fonts.rend()) {
                for (auto n = std::distance(fonts.rbegin(), open); n > 0; --n) {
                    out += U"</FONT>";
                    fonts.pop_back();
                }
            } else {
                out += U"<FONT" + fontAttributes(format, &fonts.back(), field.swfVersion) + U">";
                fonts.push_back(format);
            }
            if (format.url && !format.url->empty()) {
                out += U"<A HREF=\"" + escape(toUnits(*format.url, field.swfVersion)) + U"\" TARGET=\""
                    + escape(toUnits(format.target.value_or(""), field.swfVersion)) + U"\">";
                close = U"</A>" + close;
            }
            if (format.bold.value_or(false)) {
                out += U"<B>";
                close = U"</B>" + close;
            }
            if (format.italic.value_or(false)) {
                out += U"<I>";
                close = U"</I>" + close;
            }
            if (format.underline.value_or(false)) {
                out += U"<U>";
                close = U"</U>" + close;
            }
            out += escape(text.substr(i, std::min(j, end) - i)) + close;
            i = j;
        }
        for (std::size_t n = 0; n < fonts.size(); ++n)
            out += U"</FONT>";
        out += bullet ? U"</LI>" : U"</P>";
        if (!textFormat.empty())
            out += U"</TEXTFORMAT>";
        begin = end + 1;
    } while (begin < text.size());
    return out;
}

} // namespace swf::script
