#pragma once

// The settings of a bitmap filter as plain numbers: what a placement's filter
// bytes say, and what scripts read and write through the filter classes. One
// struct serves every kind; each kind uses its own part of it.

#include "swf/format/records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace swf {

enum class FilterKind : std::uint8_t {
    DropShadow,
    Blur,
    Glow,
    Bevel,
    GradientGlow,
    Convolution,
    ColorMatrix,
    GradientBevel,
    DisplacementMap, // made by scripts only: the format has no record for it
};

// Where a bevel or gradient filter draws: inside, outside or both.
enum class FilterSide : std::uint8_t { Inner, Outer, Full };

enum class DisplacementMode : std::uint8_t { Wrap, Clamp, Ignore, Color };

// The most stops a gradient filter keeps.
constexpr int kMaxFilterStops = 16;
// The largest side of a convolution matrix.
constexpr int kMaxConvolutionSide = 15;

struct FilterValues {
    FilterKind kind = FilterKind::Blur;
    double blurX = 4;
    double blurY = 4;
    int quality = 1;
    double angle = 0.785398163; // radians
    double distance = 4;
    double strength = 1;
    // 0xRRGGBB with an alpha of 0-255: drop shadow, glow, convolution and
    // displacement colours, then a bevel's two.
    std::uint32_t color = 0;
    std::uint8_t alpha = 255;
    std::uint32_t highlightColor = 0xFFFFFF;
    std::uint8_t highlightAlpha = 255;
    std::uint32_t shadowColor = 0;
    std::uint8_t shadowAlpha = 255;
    bool inner = false;
    bool knockout = false;
    bool hideObject = false;
    FilterSide side = FilterSide::Inner;
    // Gradient stops: the first `stops` of each array count.
    int stops = 0;
    std::array<std::uint32_t, kMaxFilterStops> colors{};
    std::array<std::uint8_t, kMaxFilterStops> alphas{};
    std::array<std::uint8_t, kMaxFilterStops> ratios{};
    // Colour matrix: four rows of five, red first.
    std::array<double, 20> colorMatrix{1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    // Convolution: the matrix holds at least matrixX * matrixY numbers.
    int matrixX = 0;
    int matrixY = 0;
    std::vector<double> matrix;
    double divisor = 1;
    double bias = 0;
    bool preserveAlpha = true;
    bool clamp = true;
    // Displacement map.
    int mapX = 0;
    int mapY = 0;
    int componentX = 0;
    int componentY = 0;
    double scaleX = 0;
    double scaleY = 0;
    DisplacementMode mode = DisplacementMode::Wrap;

    bool operator==(const FilterValues&) const = default;
};

// A filter of `kind` as its class makes it with no arguments.
FilterValues defaultFilter(FilterKind kind);

// The settings a filter record holds; nothing when its bytes are short.
std::optional<FilterValues> decodeFilter(const Filter& filter);

} // namespace swf
