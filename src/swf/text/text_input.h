#pragma once

// Typing into a text field: the characters its restrict lets in, and the
// edit a typed character makes at the selection.

#include "swf/text/text_field.h"

#include <optional>
#include <string>

namespace swf::text {

// The character `c` becomes in a field with this restrict: itself when the
// restrict lets it in, else an ASCII letter in its other case when that is
// let in, else none. A restrict is a list of characters and ranges ("a-z");
// "^" switches between characters let in and kept out, "\" takes the next
// character as it is; a restrict that starts with "^" lets in what it does
// not name, any other only what it names.
std::optional<char32_t> restrictCharacter(const std::u32string& restrict, char32_t c);

// Types `typed` over the field's selection, as far as its restrict and
// maxChars allow, and leaves the caret after it. Returns whether the text changed.
bool typeText(TextFieldState& field, const std::u32string& typed);

} // namespace swf::text
