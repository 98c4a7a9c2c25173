#pragma once

// The letters of "Veskor" as strokes: each letter is a shape drawn with one
// round-capped line style, its baseline at y = 0 and its left edge at x = 0.

#include "swf/format/shape_builder.h"

#include <vector>

namespace welcome {

struct Letter {
    swf::ShapeBuilder shape;
    swf::Twips advance; // where the next letter starts
};

// The letters of the name, stroked `stroke` wide in `color`, `xHeight` tall
// for the small letters (capitals are 10/7 of it).
std::vector<Letter> nameLetters(swf::Twips xHeight, swf::Twips stroke, swf::Rgba color);

} // namespace welcome
