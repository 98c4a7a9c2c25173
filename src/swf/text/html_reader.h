#pragma once

// The HTML of text fields, read the way the player read it: the tag subset
// of htmlText and of HTML edit text records, into characters with formats.

#include "swf/text/text_field.h"

#include <string>
#include <vector>

namespace swf::text {

struct HtmlText {
    std::u32string text;
    std::vector<FormatRun> runs;
    // The format in force where the source ends, tags left open included:
    // the field's new text format afterwards.
    TextFieldFormat endFormat;
};

// Tags: p (align), br, li, font (face, size, color, letterSpacing,
// kerning), b, i, u, a (href, target), textformat (margins, indents,
// leading, tab stops), tab; comments and unknown tags vanish. Line breaks in
// the source are paragraph breaks, or single spaces with `condenseWhite`.
// Closing paragraphs, list items and line break tags break lines only in
// `multiline` fields.
HtmlText parseHtmlText(const std::u32string& html, const TextFieldFormat& base, bool condenseWhite, int swfVersion,
                       bool multiline = true);

} // namespace swf::text
