#pragma once

// Filters as clips, buttons and text fields hand them to scripts and take
// them back: always copies, so a filter object never stays tied to what it
// was read from or set on.

#include "swf/format/filters.h"
#include "swf/script/interpreter.h"

#include <optional>
#include <vector>

namespace swf::script {

// A new array of new filter objects with these settings.
Value filterObjects(Interpreter& in, const std::vector<FilterValues>& filters);

// The settings of the filter objects in a list, in its order, skipping
// whatever is no filter; none when the value is no object (a number or
// text given as the list clears the filters).
std::vector<FilterValues> readFilters(Interpreter& in, const Value& list);

} // namespace swf::script
