#pragma once

// The colour ramp of a gradient fill as QGradient stops.

#include "swf/format/types.h"

#include <QGradientStops>

#include <cstdint>
#include <vector>

namespace swf::render {

struct RampStop {
    std::uint8_t ratio = 0; // position along the gradient, 0..255
    swf::Rgba color;
};

// Stops for QGradient, with the colour transform applied to every colour.
// Each stop lies at least one step (of 255) after the one before it, and an
// empty ramp paints black. With `linearRgb` the colours between stops are
// blended in linear light, as the movie asks for with its linear-RGB mode:
// QGradient only blends in sRGB, so each segment gets extra stops computed
// through the sRGB curve.
QGradientStops gradientStops(const std::vector<RampStop>& ramp, const swf::ColorTransform& transform,
                             bool linearRgb);

} // namespace swf::render
