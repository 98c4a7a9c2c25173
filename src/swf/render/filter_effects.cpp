#include "swf/render/filter_effects.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>

namespace swf::render {

namespace {

// The largest blur and distance a filter takes, in stage pixels, and the most
// passes; larger values are clamped as the filter classes clamp them.
constexpr double kMaxBlur = 255;
constexpr double kMaxDistance = 1000;
constexpr int kMaxPasses = 15;

int passesOf(const FilterValues& f)
{
    return std::clamp(f.quality, 0, kMaxPasses);
}

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

// The width of the box, in device pixels, along one axis. A blur of a stage
// pixel or less leaves the object sharp at any scale.
double boxWidth(double blur, double scale)
{
    const double stagePixels = std::clamp(finiteOr(blur, 0), 0.0, kMaxBlur);
    return stagePixels <= 1 ? 0 : stagePixels * std::clamp(finiteOr(scale, 1), 0.0, 64.0);
}

// How far one pass of a box `width` pixels wide reaches on each side.
int boxReach(double width)
{
    return width <= 1 ? 0 : int(std::ceil((width - 1) / 2));
}

// The shift of a shadow, bevel or gradient filter in device pixels.
QPointF offsetOf(const FilterValues& f, const FilterScale& scale)
{
    const double distance = std::clamp(finiteOr(f.distance, 0), -kMaxDistance, kMaxDistance);
    const double angle = finiteOr(f.angle, 0);
    return {distance * std::cos(angle) * finiteOr(scale.x, 1), distance * std::sin(angle) * finiteOr(scale.y, 1)};
}

bool hasOffset(FilterKind kind)
{
    return kind == FilterKind::DropShadow || kind == FilterKind::Bevel || kind == FilterKind::GradientGlow
        || kind == FilterKind::GradientBevel;
}

bool blurs(FilterKind kind)
{
    return kind != FilterKind::ColorMatrix && kind != FilterKind::Convolution
        && kind != FilterKind::DisplacementMap;
}

// One channel of an image as numbers from 0 to 1, row by row.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    float at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : values[std::size_t(y) * width + x];
    }
    // Between pixels, weighted by nearness; nothing outside.
    float sample(double x, double y) const
    {
        const double fx = std::floor(x);
        const double fy = std::floor(y);
        const int x0 = int(fx);
        const int y0 = int(fy);
        const float tx = float(x - fx);
        const float ty = float(y - fy);
        const float top = at(x0, y0) * (1 - tx) + at(x0 + 1, y0) * tx;
        const float bottom = at(x0, y0 + 1) * (1 - tx) + at(x0 + 1, y0 + 1) * tx;
        return top * (1 - ty) + bottom * ty;
    }
};

// A box `width` pixels wide run along each row (or column) of `plane`: whole
// pixels within the box count fully, the two at its ends by the part of them
// it covers, so that the box may be any width, not only odd ones.
void boxPass(Plane& plane, double width, bool rows)
{
    if (width <= 1)
        return;
    const double half = (width - 1) / 2;
    const int reach = int(std::floor(half));
    const double edge = half - reach;
    const int length = rows ? plane.width : plane.height;
    const int lines = rows ? plane.height : plane.width;
    const std::size_t step = rows ? 1 : std::size_t(plane.width);
    std::vector<float> line(static_cast<std::size_t>(length));
    std::vector<double> sums(std::size_t(length) + 1);
    for (int l = 0; l < lines; ++l) {
        float* start = plane.values.data() + (rows ? std::size_t(l) * plane.width : std::size_t(l));
        sums[0] = 0;
        for (int i = 0; i < length; ++i) {
            line[i] = start[i * step];
            sums[i + 1] = sums[i] + line[i];
        }
        auto value = [&](int i) { return i < 0 || i >= length ? 0.0f : line[i]; };
        for (int i = 0; i < length; ++i) {
            const int first = std::max(i - reach, 0);
            const int last = std::min(i + reach, length - 1);
            const double inside = sums[last + 1] - sums[first];
            const double ends = edge > 0 ? edge * (value(i - reach - 1) + value(i + reach + 1)) : 0;
            start[i * step] = float((inside + ends) / width);
        }
    }
}

void blurPlane(Plane& plane, double widthX, double widthY, int passes)
{
    for (int p = 0; p < passes; ++p) {
        boxPass(plane, widthX, true);
        boxPass(plane, widthY, false);
    }
}

Plane alphaPlane(const QImage& image)
{
    Plane plane{image.width(), image.height(), std::vector<float>(std::size_t(image.width()) * image.height())};
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            plane.values[std::size_t(y) * plane.width + x] = qAlpha(row[x]) / 255.0f;
    }
    return plane;
}

Plane blurredAlpha(const QImage& image, const FilterValues& f, const FilterScale& scale)
{
    Plane plane = alphaPlane(image);
    blurPlane(plane, boxWidth(f.blurX, scale.x), boxWidth(f.blurY, scale.y), passesOf(f));
    return plane;
}

float clamp01(double v)
{
    return float(std::clamp(v, 0.0, 1.0));
}

float strengthOf(const FilterValues& f)
{
    return float(std::clamp(finiteOr(f.strength, 0), 0.0, 255.0));
}

// A premultiplied pixel of colour `rgb` at coverage `alpha` (0..1).
std::array<float, 4> tint(std::uint32_t rgb, float alpha)
{
    return {alpha * ((rgb >> 16) & 0xFF), alpha * ((rgb >> 8) & 0xFF), alpha * (rgb & 0xFF), alpha * 255};
}

std::array<float, 4> channels(QRgb p)
{
    return {float(qRed(p)), float(qGreen(p)), float(qBlue(p)), float(qAlpha(p))};
}

// `top` over `bottom`, premultiplied.
std::array<float, 4> over(const std::array<float, 4>& top, const std::array<float, 4>& bottom)
{
    const float keep = 1 - top[3] / 255;
    return {top[0] + bottom[0] * keep, top[1] + bottom[1] * keep, top[2] + bottom[2] * keep, top[3] + bottom[3] * keep};
}

std::array<float, 4> scaled(const std::array<float, 4>& p, float by)
{
    return {p[0] * by, p[1] * by, p[2] * by, p[3] * by};
}

QRgb pack(const std::array<float, 4>& p)
{
    const int a = std::clamp(int(std::lround(p[3])), 0, 255);
    auto c = [a](float v) { return std::clamp(int(std::lround(v)), 0, a); };
    return qRgba(c(p[0]), c(p[1]), c(p[2]), a);
}

// Where a shadow, glow or bevel lies relative to the object.
enum class Side { Outer, Inner, Full };

Side sideOf(const FilterValues& f)
{
    switch (f.kind) {
    case FilterKind::Bevel:
    case FilterKind::GradientBevel:
    case FilterKind::GradientGlow:
        return f.side == FilterSide::Inner ? Side::Inner : f.side == FilterSide::Outer ? Side::Outer : Side::Full;
    default:
        return f.inner ? Side::Inner : Side::Outer;
    }
}

// Puts an effect computed per pixel together with the object: outside
// effects lie beneath it, inner and full ones over it. Knockout keeps the
// effect alone (cut out of the object where it lies outside); a hidden object
// leaves the effect alone as it is.
// A shadow or glow outside the object lies whole beneath it unless knocked
// out; a bevel outside is always cut where the object is.
template <typename Effect>
void composite(QImage& image, const FilterValues& f, Side side, Effect effect)
{
    const bool cutOuter = f.knockout || f.kind == FilterKind::Bevel || f.kind == FilterKind::GradientBevel
        || f.kind == FilterKind::GradientGlow;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const std::array<float, 4> source = channels(row[x]);
            const float coverage = source[3] / 255;
            std::array<float, 4> e = effect(x, y);
            if (side == Side::Inner)
                e = scaled(e, coverage);
            else if (side == Side::Outer && cutOuter)
                e = scaled(e, 1 - coverage);
            std::array<float, 4> result;
            if (f.knockout || f.hideObject)
                result = e;
            else if (side == Side::Outer)
                result = over(source, e);
            else
                result = over(e, source);
            row[x] = pack(result);
        }
    }
}

void shadowOrGlow(QImage& image, const FilterValues& f, const FilterScale& scale)
{
    const Plane blurred = blurredAlpha(image, f, scale);
    const QPointF offset = f.kind == FilterKind::DropShadow ? offsetOf(f, scale) : QPointF();
    const float strength = strengthOf(f);
    const Side side = sideOf(f);
    const float alpha = f.alpha / 255.0f;
    composite(image, f, side, [&](int x, int y) {
        const float b = blurred.sample(x - offset.x(), y - offset.y());
        const float amount = clamp01((side == Side::Inner ? 1 - b : b) * strength);
        return tint(f.color, amount * alpha);
    });
}

// The blurred object sampled on either side of each pixel along the filter's
// angle: positive where the pixel faces the light (highlight), negative where
// it faces away (shadow), scaled by strength.
template <typename Shade>
void bevelOf(QImage& image, const FilterValues& f, const FilterScale& scale, Shade shade)
{
    const Plane blurred = blurredAlpha(image, f, scale);
    const QPointF offset = offsetOf(f, scale);
    const float strength = strengthOf(f);
    composite(image, f, sideOf(f), [&](int x, int y) {
        const float lit = blurred.sample(x + offset.x(), y + offset.y());
        const float dark = blurred.sample(x - offset.x(), y - offset.y());
        return shade(std::clamp((lit - dark) * strength, -1.0f, 1.0f));
    });
}

// The colours of a gradient filter at 256 positions, premultiplied.
std::array<std::array<float, 4>, 256> rampOf(const FilterValues& f)
{
    std::array<std::array<float, 4>, 256> ramp{};
    const int count = std::clamp(f.stops, 0, kMaxFilterStops);
    if (count == 0)
        return ramp;
    for (int i = 0; i < 256; ++i) {
        int next = 0;
        while (next < count && f.ratios[next] < i)
            ++next;
        const int before = std::max(next - 1, 0);
        const int after = std::min(next, count - 1);
        const double span = double(f.ratios[after]) - f.ratios[before];
        const float t = span > 0 ? float((i - f.ratios[before]) / span) : 0.0f;
        const std::array<float, 4> a = tint(f.colors[before], f.alphas[before] / 255.0f);
        const std::array<float, 4> b = tint(f.colors[after], f.alphas[after] / 255.0f);
        const float clampT = before == after ? 0.0f : std::clamp(t, 0.0f, 1.0f);
        for (int c = 0; c < 4; ++c)
            ramp[i][c] = a[c] + (b[c] - a[c]) * clampT;
    }
    return ramp;
}

int rampIndex(float position)
{
    return std::clamp(int(std::lround(position * 255)), 0, 255);
}

void gradientGlow(QImage& image, const FilterValues& f, const FilterScale& scale)
{
    const Plane blurred = blurredAlpha(image, f, scale);
    const QPointF offset = offsetOf(f, scale);
    const float strength = strengthOf(f);
    const auto ramp = rampOf(f);
    const Side side = sideOf(f);
    composite(image, f, side, [&](int x, int y) {
        const float b = blurred.sample(x - offset.x(), y - offset.y());
        return ramp[rampIndex(clamp01((side == Side::Inner ? 1 - b : b) * strength))];
    });
}

// Colour matrix on unmultiplied colour, its offsets in 0..255.
void colorMatrix(QImage& image, const FilterValues& f, const QRect& region)
{
    std::array<float, 20> m;
    for (int i = 0; i < 20; ++i)
        m[i] = float(finiteOr(f.colorMatrix[i], 0));
    const QRect area = region & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb plain = qUnpremultiply(row[x]);
            const float in[4] = {float(qRed(plain)), float(qGreen(plain)), float(qBlue(plain)), float(qAlpha(plain))};
            int out[4];
            for (int r = 0; r < 4; ++r) {
                const float* k = &m[r * 5];
                const float v = k[0] * in[0] + k[1] * in[1] + k[2] * in[2] + k[3] * in[3] + k[4];
                out[r] = std::clamp(int(std::lround(v)), 0, 255);
            }
            row[x] = qPremultiply(qRgba(out[0], out[1], out[2], out[3]));
        }
    }
}

// A matrix run over the unmultiplied pixels of `region`; beyond its edge the
// nearest pixel counts (clamp) or the filter's colour.
void convolution(QImage& image, const FilterValues& f, const QRect& region)
{
    const QRect area = region & image.rect();
    const int columns = std::clamp(f.matrixX, 0, kMaxConvolutionSide);
    const int rows = std::clamp(f.matrixY, 0, kMaxConvolutionSide);
    if (area.isEmpty() || columns == 0 || rows == 0 || f.matrix.size() < std::size_t(columns) * rows)
        return;
    const double divisor = finiteOr(f.divisor, 1) == 0 ? 1 : finiteOr(f.divisor, 1);
    const float bias = float(finiteOr(f.bias, 0));
    const QImage source = image.copy(area);
    const std::array<float, 4> outside{float((f.color >> 16) & 0xFF), float((f.color >> 8) & 0xFF),
                                       float(f.color & 0xFF), float(f.alpha)};
    auto pixelAt = [&](int x, int y) -> std::array<float, 4> {
        if (x < 0 || y < 0 || x >= source.width() || y >= source.height()) {
            if (!f.clamp)
                return outside;
            x = std::clamp(x, 0, source.width() - 1);
            y = std::clamp(y, 0, source.height() - 1);
        }
        return channels(qUnpremultiply(source.pixel(x, y)));
    };
    for (int y = 0; y < source.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(area.top() + y));
        for (int x = 0; x < source.width(); ++x) {
            std::array<double, 4> sum{};
            for (int j = 0; j < rows; ++j) {
                for (int i = 0; i < columns; ++i) {
                    const double k = finiteOr(f.matrix[std::size_t(j) * columns + i], 0);
                    if (k == 0)
                        continue;
                    const std::array<float, 4> p = pixelAt(x + i - columns / 2, y + j - rows / 2);
                    for (int c = 0; c < 4; ++c)
                        sum[c] += k * p[c];
                }
            }
            int out[4];
            for (int c = 0; c < 4; ++c)
                out[c] = std::clamp(int(std::lround(sum[c] / divisor + bias)), 0, 255);
            if (f.preserveAlpha)
                out[3] = qAlpha(qUnpremultiply(source.pixel(x, y)));
            row[area.left() + x] = qPremultiply(qRgba(out[0], out[1], out[2], out[3]));
        }
    }
}

// Blurs all four premultiplied channels, one at a time.
void blur(QImage& image, const FilterValues& f, const FilterScale& scale)
{
    const int passes = passesOf(f);
    const double widthX = boxWidth(f.blurX, scale.x);
    const double widthY = boxWidth(f.blurY, scale.y);
    if (passes == 0 || (widthX <= 1 && widthY <= 1))
        return;
    Plane plane{image.width(), image.height(), std::vector<float>(std::size_t(image.width()) * image.height())};
    for (const int shift : {0, 8, 16, 24}) {
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                plane.values[std::size_t(y) * image.width() + x] = float((row[x] >> shift) & 0xFF);
        }
        blurPlane(plane, widthX, widthY, passes);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const auto v = QRgb(std::clamp(int(std::lround(plane.values[std::size_t(y) * image.width() + x])), 0, 255));
                row[x] = (row[x] & ~(QRgb(0xFF) << shift)) | v << shift;
            }
        }
    }
    // Rounded apart, a colour may come out above its alpha.
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = pack(channels(row[x]));
    }
}

} // namespace

std::vector<FilterValues> activeFilters(const std::vector<Filter>* placed,
                                        const std::optional<std::vector<FilterValues>>& scripted)
{
    if (scripted)
        return *scripted;
    std::vector<FilterValues> filters;
    if (!placed)
        return filters;
    for (const Filter& record : *placed) {
        if (std::optional<FilterValues> values = decodeFilter(record))
            filters.push_back(std::move(*values));
    }
    return filters;
}

QMargins filterMargins(const FilterValues& f, const FilterScale& scale)
{
    if (!blurs(f.kind))
        return {};
    const int passes = passesOf(f);
    const int reachX = passes * boxReach(boxWidth(f.blurX, scale.x));
    const int reachY = passes * boxReach(boxWidth(f.blurY, scale.y));
    QMargins margins(reachX, reachY, reachX, reachY);
    if (hasOffset(f.kind)) {
        const QPointF offset = offsetOf(f, scale);
        const int dx = int(std::ceil(std::abs(offset.x())));
        const int dy = int(std::ceil(std::abs(offset.y())));
        // A bevel looks both ways; a shadow reaches out on its own side only
        // (its pixels move by the offset, plus one for the blend between pixels).
        if (f.kind == FilterKind::Bevel || f.kind == FilterKind::GradientBevel)
            margins += QMargins(dx, dy, dx, dy);
        else
            margins += QMargins(offset.x() < 0 ? dx + 1 : 0, offset.y() < 0 ? dy + 1 : 0,
                                offset.x() > 0 ? dx + 1 : 0, offset.y() > 0 ? dy + 1 : 0);
    }
    return margins;
}

void applyFilter(QImage& image, const FilterValues& f, const FilterScale& scale, const QRect& region)
{
    if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    switch (f.kind) {
    case FilterKind::Blur:
        blur(image, f, scale);
        return;
    case FilterKind::DropShadow:
    case FilterKind::Glow:
        shadowOrGlow(image, f, scale);
        return;
    case FilterKind::Bevel: {
        const std::array<float, 4> highlight = tint(f.highlightColor, f.highlightAlpha / 255.0f);
        const std::array<float, 4> shadow = tint(f.shadowColor, f.shadowAlpha / 255.0f);
        bevelOf(image, f, scale, [&](float light) { return light >= 0 ? scaled(highlight, light) : scaled(shadow, -light); });
        return;
    }
    case FilterKind::GradientBevel: {
        // The ramp runs from the highlight (0) through the middle (128) to
        // the shadow (255).
        const auto ramp = rampOf(f);
        bevelOf(image, f, scale, [&](float light) { return ramp[rampIndex((1 - light) / 2)]; });
        return;
    }
    case FilterKind::GradientGlow:
        gradientGlow(image, f, scale);
        return;
    case FilterKind::ColorMatrix:
        colorMatrix(image, f, region);
        return;
    case FilterKind::Convolution:
        convolution(image, f, region);
        return;
    case FilterKind::DisplacementMap:
        // Needs a map bitmap the renderer does not hold: drawn unfiltered.
        return;
    }
}

} // namespace swf::render
