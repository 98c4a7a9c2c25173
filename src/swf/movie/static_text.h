#pragma once

// The characters a static text (DefineText) shows, for scripts that read the
// text of a clip (TextSnapshot): glyphs mapped back through their fonts'
// code tables.

#include "swf/format/records.h"
#include "swf/movie/character_dictionary.h"

#include <string>
#include <vector>

namespace swf::movie {

// The text's characters a line at a time: a record that moves down starts a
// new line. Glyphs a font has no code for are left out.
std::vector<std::u32string> staticTextLines(const DefineText& text, const CharacterDictionary& dictionary);

} // namespace swf::movie
