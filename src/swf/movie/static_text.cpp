#include "swf/movie/static_text.h"

namespace swf::movie {

std::vector<std::u32string> staticTextLines(const DefineText& text, const CharacterDictionary& dictionary)
{
    std::vector<std::u32string> lines;
    const std::vector<std::uint16_t>* codes = nullptr;
    std::optional<std::int32_t> y;
    for (const TextRecord& record : text.records) {
        if (record.fontId)
            codes = dictionary.fontCodes(*record.fontId);
        if (record.yOffset && y && record.yOffset->get() != *y)
            lines.emplace_back();
        if (record.yOffset)
            y = record.yOffset->get();
        if (lines.empty())
            lines.emplace_back();
        for (const GlyphEntry& glyph : record.glyphs) {
            if (codes && glyph.index < codes->size())
                lines.back() += char32_t((*codes)[glyph.index]);
        }
    }
    return lines;
}

} // namespace swf::movie
