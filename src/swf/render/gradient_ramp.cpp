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
        // A gradient without colours paints black, as the movie's player does.
        const QColor black = transformColor({0, 0, 0, 255}, transform);
        stops << QGradientStop(0.0, black) << QGradientStop(1.0, black);
        return stops;
    }
    int previous = -1;
    for (const RampStop& stop : ramp) {
        // Each stop lies at least one step after the one before, as the
        // movie's player places them; stops pushed past the end are dropped.
        const int ratio = std::max(int(stop.ratio), previous + 1);
        if (ratio > 255)
            break;
        const double position = ratio / 255.0;
        const QColor color = transformColor(stop.color, transform);
        if (linearRgb && !stops.isEmpty()) {
            const QGradientStop last = stops.last();
            for (int step = 1; step < kLinearSteps; ++step) {
                const double t = double(step) / kLinearSteps;
                stops << QGradientStop(last.first + (position - last.first) * t, blendLinear(last.second, color, t));
            }
        }
        stops << QGradientStop(position, color);
        previous = ratio;
    }
    return stops;
}

} // namespace swf::render
