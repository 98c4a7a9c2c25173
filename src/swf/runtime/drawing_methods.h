#pragma once

// The drawing methods of movie clips (lineStyle, beginFill, beginGradientFill,
// beginBitmapFill, moveTo, lineTo, curveTo, endFill, clear): their arguments
// converted as the original player converted them, pixels to twips, and
// recorded in the clip's movie::Drawing.

#include "swf/movie/drawing.h"
#include "swf/script/interpreter.h"

#include <functional>
#include <optional>
#include <vector>

namespace swf::runtime {

// Defines the methods on `movieClipPrototype` (DontEnum, hidden from movies
// before SWF 6; beginBitmapFill before SWF 8). `drawingOf` gives the Drawing
// of the clip a method was called on, creating it, or nullptr when `this` is
// not a clip; the method then does nothing.
void installDrawingMethods(script::Interpreter& in, script::Object* movieClipPrototype,
                           std::function<movie::Drawing*(script::Object* clip)> drawingOf);

// The conversions behind the methods, for tests and for other callers.
// A coordinate in pixels as twips: not a number is 0, anything beyond the
// drawable range is held at its edge.
swf::Twips toTwips(script::Interpreter& in, const script::Value& value);
// Each takes the method's arguments as the script passed them.
std::optional<swf::LineStyle> lineStyleFromArguments(script::Interpreter& in, const std::vector<script::Value>& args);
std::optional<swf::FillStyle> solidFillFromArguments(script::Interpreter& in, const std::vector<script::Value>& args);
std::optional<swf::FillStyle> gradientFillFromArguments(script::Interpreter& in,
                                                        const std::vector<script::Value>& args);
// A gradient's matrix object (box, 3x3 or flash.geom.Matrix form) as the
// matrix that maps the gradient square to the clip, in twips.
std::optional<swf::Matrix> gradientMatrixFromObject(script::Interpreter& in, script::Object* matrix);

} // namespace swf::runtime
