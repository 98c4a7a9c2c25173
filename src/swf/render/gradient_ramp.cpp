#include "swf/render/gradient_ramp.h"

#include "swf/render/color_transform_image.h"

#include <algorithm>
#include <cmath>

namespace swf::render {

namespace {

double toLinear(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double toSrgb(double value)
{
    return value <= 0.0031308 ? value * 12.92 : 1.055 * std::pow(value, 1.0 / 2.4) - 0.055;
}

QColor blendLinear(const QColor& from, const QColor& to, double t)
{
    auto channel = [t](double a, double b) {
        const double linear = toLinear(a) * (1.0 - t) + toLinear(b) * t;
        return std::clamp(toSrgb(linear), 0.0, 1.0);
    };
    QColor color;
    color.setRgbF(float(channel(from.redF(), to.redF())), float(channel(from.greenF(), to.greenF())),
                  float(channel(from.blueF(), to.blueF())),
                  float(from.alphaF() * (1.0 - t) + to.alphaF() * t));
    return color;
}

// Enough in-between stops per segment that the sRGB blending between them is
// no longer visible.
constexpr int kLinearSteps = 16;

} // namespace

QGradientStops gradientStops(const std::vector<RampStop>& ramp, const swf::ColorTransform& transform,
                             bool linearRgb)
{
    QGradientStops stops;
    if (ramp.empty()) {
        stops << QGradientStop(0.0, QColor(0, 0, 0, 0)) << QGradientStop(1.0, QColor(0, 0, 0, 0));
        return stops;
    }
    double previous = 0.0;
    for (const RampStop& stop : ramp) {
        // QGradient drops stops that go backwards; the movie's player keeps them
        // at the previous position.
        const double position = std::max(previous, stop.ratio / 255.0);
        const QColor color = transformColor(stop.color, transform);
        if (linearRgb && !stops.isEmpty()) {
            const QGradientStop last = stops.last();
            for (int step = 1; step < kLinearSteps; ++step) {
                const double t = double(step) / kLinearSteps;
                stops << QGradientStop(last.first + (position - last.first) * t, blendLinear(last.second, color, t));
            }
        }
        // Two stops at the same position make a hard edge; QGradient keeps the
        // later one only if it is nudged forward a little.
        const double placed = (!stops.isEmpty() && position <= stops.last().first)
            ? std::min(1.0, stops.last().first + 1e-6)
            : position;
        stops << QGradientStop(placed, color);
        previous = position;
    }
    return stops;
}

} // namespace swf::render
