#pragma once

// TextFormat objects for the code that makes or reads them outside scripts
// (TextField's getTextFormat / setTextFormat and friends). A TextFormat
// keeps its values in a text::TextFieldFormat; its members are getter/setter
// properties on TextFormat.prototype that convert what scripts assign as
// the original player did.

#include "swf/script/interpreter.h"
#include "swf/text/text_field.h"

#include <optional>

namespace swf::script {

// A new TextFormat object (through the global constructor, so that a
// script's own TextFormat.prototype is used) holding `format`.
Object* makeTextFormat(Interpreter& in, const text::TextFieldFormat& format = {});

// The values of a TextFormat object, or nothing for any other object.
std::optional<text::TextFieldFormat> textFormatOf(Object* object);

// The values of any object used as a format: a TextFormat's own values,
// or the members of a plain object converted as a TextFormat's setters
// would convert them (null and undefined members stay unset).
text::TextFieldFormat textFormatFromObject(Interpreter& in, Object* object);

} // namespace swf::script
