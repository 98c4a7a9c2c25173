#pragma once

// The HTML of TextField.htmlText: reading the player's tag subset into
// characters with formats, and writing a field's runs back as the player's
// own markup (<P ALIGN="LEFT"><FONT FACE="..." SIZE="12" ...>...</FONT></P>).

#include "swf/script/text_field_state.h"

#include <string>
#include <vector>

namespace swf::script {

struct HtmlText {
    std::u32string text;
    std::vector<FormatRun> runs;
};

// Tags: p (align), br, li, font (face, size, color, letterSpacing,
// kerning), b, i, u, a (href, target), textformat (margins, indents,
// leading, tab stops), tab; comments and unknown tags vanish. Line breaks in
// the source are paragraph breaks, or single spaces with `condenseWhite`.
// Closing paragraphs and list items break lines only in `multiline` fields.
HtmlText parseHtmlText(const std::u32string& html, const TextFieldFormat& base, bool condenseWhite, int swfVersion,
                       bool multiline = true);

// The field's text as markup, one <P> or <LI> per paragraph.
std::u32string htmlFromField(const TextFieldState& field);

} // namespace swf::script
