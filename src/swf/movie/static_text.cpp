#include "swf/movie/static_text.h"

#include <cmath>

namespace swf::movie {

std::vector<StaticGlyph> staticTextGlyphs(const DefineText& text, const CharacterDictionary& dictionary)
{
    std::vector<StaticGlyph> glyphs;
    const std::vector<std::uint16_t>* codes = nullptr;
    const DefineFont* font = nullptr;
    std::uint16_t fontId = 0;
    double height = 0;
    Rgba color;
    double x = 0;
    std::optional<std::int32_t> y;
    int line = 0;
    for (const TextRecord& record : text.records) {
        if (record.fontId) {
            fontId = *record.fontId;
            codes = dictionary.fontCodes(fontId);
            font = dictionary.fontDefinition(fontId);
        }
        if (record.height)
            height = double(record.height->get());
        if (record.color)
            color = *record.color;
        if (record.yOffset && y && record.yOffset->get() != *y)
            ++line;
        if (record.yOffset)
            y = record.yOffset->get();
        if (record.xOffset)
            x = double(record.xOffset->get());
        const bool layout = font && font->hasLayout;
        const double scale = font ? height / font->emSquare() : 0.0;
        for (const GlyphEntry& entry : record.glyphs) {
            if (codes && entry.index < codes->size()) {
                StaticGlyph g;
                g.code = char32_t((*codes)[entry.index]);
                g.line = line;
                g.x = x;
                g.y = y ? double(*y) : 0.0;
                g.height = height;
                g.color = color;
                g.fontId = fontId;
                g.advance = double(entry.advance);
                g.width = layout && entry.index < font->advances.size()
                              ? std::round(font->advances[entry.index] * scale)
                              : g.advance;
                g.ascent = layout ? std::round(font->ascent * scale) : height;
                g.descent = layout ? std::round(font->descent * scale) : 0.0;
                glyphs.push_back(g);
            }
            x += double(entry.advance);
        }
    }
    return glyphs;
}

std::vector<std::u32string> staticTextLines(const DefineText& text, const CharacterDictionary& dictionary)
{
    std::vector<std::u32string> lines;
    for (const StaticGlyph& g : staticTextGlyphs(text, dictionary)) {
        while (int(lines.size()) <= g.line)
            lines.emplace_back();
        lines[std::size_t(g.line)] += g.code;
    }
    if (lines.empty() && !text.records.empty())
        lines.emplace_back();
    return lines;
}

} // namespace swf::movie
