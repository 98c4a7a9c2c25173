#pragma once

// The characters a static text (DefineText) shows, for scripts that read the
// text of a clip (TextSnapshot): glyphs mapped back through their fonts'
// code tables.

#include "swf/format/records.h"
#include "swf/movie/character_dictionary.h"

#include <string>
#include <vector>

namespace swf::movie {

// One glyph of a static text, in the text's own space, in twips.
struct StaticGlyph {
    char32_t code = 0;
    int line = 0;           // counted from 0; a record that moves down starts the next
    double x = 0, y = 0;    // its origin on the baseline
    double height = 0;      // the font size
    Rgba color;
    std::uint16_t fontId = 0;
    double advance = 0;     // to the next glyph, as the record says
    double width = 0;       // its box: the font's own advance when the font has a layout
    double ascent = 0, descent = 0;
};

// The text's glyphs that its fonts have codes for, in order.
std::vector<StaticGlyph> staticTextGlyphs(const DefineText& text, const CharacterDictionary& dictionary);

// The text's characters a line at a time: a record that moves down starts a
// new line. Glyphs a font has no code for are left out.
std::vector<std::u32string> staticTextLines(const DefineText& text, const CharacterDictionary& dictionary);

} // namespace swf::movie
