#pragma once

// A text field's runs written back as the player's own markup for
// TextField.htmlText (<P ALIGN="LEFT"><FONT FACE="..." SIZE="12" ...>...</FONT></P>).

#include "swf/text/text_field.h"

#include <string>

namespace swf::script {

// The field's text as markup, one <P> or <LI> per paragraph.
std::u32string htmlFromField(const text::TextFieldState& field);

} // namespace swf::script
