#include "swf/format/filters.h"

#include "swf/format/byte_reader.h"

#include <algorithm>
#include <bit>

namespace swf {

namespace {

double fixed16(ByteReader& r) { return r.s32() / 65536.0; }
double float32(ByteReader& r) { return std::bit_cast<float>(r.u32()); }

// The flag byte the shadow, glow, bevel and gradient filters end with.
// Bevels and gradients keep four bits for passes and one for "on top".
void readShadowFlags(ByteReader& r, FilterValues& f, bool hasOnTop)
{
    const std::uint8_t flags = r.u8();
    f.inner = flags & 0x80;
    f.knockout = flags & 0x40;
    f.hideObject = !(flags & 0x20);
    f.quality = flags & (hasOnTop ? 0x0F : 0x1F);
    if (hasOnTop)
        f.side = (flags & 0x10) ? FilterSide::Full : f.inner ? FilterSide::Inner : FilterSide::Outer;
}

void readBlurAngle(ByteReader& r, FilterValues& f)
{
    f.blurX = fixed16(r);
    f.blurY = fixed16(r);
    f.angle = fixed16(r);
    f.distance = fixed16(r);
    f.strength = r.fixed8();
}

} // namespace

FilterValues defaultFilter(FilterKind kind)
{
    FilterValues f;
    f.kind = kind;
    switch (kind) {
    case FilterKind::Glow:
        f.color = 0xFF0000;
        f.blurX = f.blurY = 6;
        f.strength = 2;
        break;
    case FilterKind::Convolution:
    case FilterKind::DisplacementMap:
        f.alpha = 0;
        break;
    default:
        break;
    }
    return f;
}

std::optional<FilterValues> decodeFilter(const Filter& filter)
{
    ByteReader r(filter.data);
    FilterValues f = defaultFilter(FilterKind(filter.type));
    switch (filter.type) {
    case FilterType::Blur:
        f.blurX = fixed16(r);
        f.blurY = fixed16(r);
        f.quality = r.u8() >> 3;
        break;
    case FilterType::DropShadow:
    case FilterType::Glow: {
        const Rgba c = r.rgba();
        f.color = c.rgb();
        f.alpha = c.a;
        if (filter.type == FilterType::Glow) {
            f.blurX = fixed16(r);
            f.blurY = fixed16(r);
            f.strength = r.fixed8();
        } else {
            readBlurAngle(r, f);
        }
        readShadowFlags(r, f, false);
        break;
    }
    case FilterType::Bevel: {
        // The highlight comes first in the records movies hold.
        const Rgba highlight = r.rgba();
        const Rgba shadow = r.rgba();
        f.highlightColor = highlight.rgb();
        f.highlightAlpha = highlight.a;
        f.shadowColor = shadow.rgb();
        f.shadowAlpha = shadow.a;
        readBlurAngle(r, f);
        readShadowFlags(r, f, true);
        break;
    }
    case FilterType::GradientGlow:
    case FilterType::GradientBevel: {
        const int count = r.u8();
        f.stops = std::min(count, kMaxFilterStops);
        for (int i = 0; i < count; ++i) {
            const Rgba c = r.rgba();
            if (i < kMaxFilterStops) {
                f.colors[i] = c.rgb();
                f.alphas[i] = c.a;
            }
        }
        for (int i = 0; i < count; ++i) {
            const std::uint8_t ratio = r.u8();
            if (i < kMaxFilterStops)
                f.ratios[i] = ratio;
        }
        readBlurAngle(r, f);
        readShadowFlags(r, f, true);
        break;
    }
    case FilterType::Convolution: {
        f.matrixX = r.u8();
        f.matrixY = r.u8();
        f.divisor = float32(r);
        f.bias = float32(r);
        const int n = f.matrixX * f.matrixY;
        for (int i = 0; i < n && !r.failed(); ++i)
            f.matrix.push_back(float32(r));
        const Rgba c = r.rgba();
        f.color = c.rgb();
        f.alpha = c.a;
        const std::uint8_t flags = r.u8();
        f.clamp = flags & 0x02;
        f.preserveAlpha = flags & 0x01;
        // A script sees at most the largest matrix it could make itself.
        f.matrixX = std::min(f.matrixX, kMaxConvolutionSide);
        f.matrixY = std::min(f.matrixY, kMaxConvolutionSide);
        break;
    }
    case FilterType::ColorMatrix:
        for (double& v : f.colorMatrix)
            v = float32(r);
        break;
    default:
        return std::nullopt;
    }
    if (r.failed())
        return std::nullopt;
    return f;
}

} // namespace swf
