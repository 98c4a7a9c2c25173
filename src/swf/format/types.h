#pragma once

// Small value types shared by every layer of the engine: lengths in twips,
// rectangles, affine matrices, colours and colour transforms. Movie coordinates
// stay in twips until the renderer turns them into pixels with toPixels().

#include <algorithm>
#include <cmath>
#include <compare>
#include <cstdint>
#include <vector>

namespace swf {

using Bytes = std::vector<std::uint8_t>;

// A length in twips (1/20 pixel). A type of its own so that a twip count can
// never be added to a pixel count by accident; the only way out is toPixels().
class Twips {
public:
    constexpr Twips() = default;
    constexpr explicit Twips(std::int32_t value) : m_value(value) {}

    static Twips fromPixels(double pixels) { return Twips(static_cast<std::int32_t>(std::lround(pixels * 20.0))); }

    constexpr std::int32_t get() const { return m_value; }
    constexpr double toPixels() const { return m_value / 20.0; }

    constexpr Twips operator+(Twips other) const { return Twips(m_value + other.m_value); }
    constexpr Twips operator-(Twips other) const { return Twips(m_value - other.m_value); }
    constexpr Twips operator-() const { return Twips(-m_value); }
    constexpr Twips operator*(std::int32_t factor) const { return Twips(m_value * factor); }
    constexpr Twips& operator+=(Twips other) { m_value += other.m_value; return *this; }
    constexpr Twips& operator-=(Twips other) { m_value -= other.m_value; return *this; }

    constexpr auto operator<=>(const Twips&) const = default;

private:
    std::int32_t m_value = 0;
};

// A point in twips, as shape records and matrices use them.
struct Point {
    Twips x;
    Twips y;
    constexpr bool operator==(const Point&) const = default;
};

// A point with sub-twip precision (the result of a transform), still in twips.
struct PointF {
    double x = 0;
    double y = 0;
};

struct Rect {
    Twips xMin;
    Twips xMax;
    Twips yMin;
    Twips yMax;

    constexpr Twips width() const { return xMax - xMin; }
    constexpr Twips height() const { return yMax - yMin; }
    constexpr bool isEmpty() const { return xMax <= xMin || yMax <= yMin; }
    constexpr bool operator==(const Rect&) const = default;
};

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    constexpr bool operator==(const Rgba&) const = default;
    // As 0xRRGGBB, and back (opaque).
    constexpr std::uint32_t rgb() const { return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b; }
    static constexpr Rgba fromRgb(std::uint32_t rgb)
    {
        return {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb), 255};
    }
};

// The affine transform of the format:
//   x' = x * scaleX + y * rotateSkew1 + translateX
//   y' = x * rotateSkew0 + y * scaleY + translateY
// Scale and skew come from 16.16 fixed point in the file; the translation is in twips.
struct Matrix {
    double scaleX = 1.0;
    double scaleY = 1.0;
    double rotateSkew0 = 0.0;
    double rotateSkew1 = 0.0;
    Twips translateX;
    Twips translateY;

    static Matrix translation(Twips x, Twips y)
    {
        Matrix m;
        m.translateX = x;
        m.translateY = y;
        return m;
    }
    static Matrix scale(double sx, double sy)
    {
        Matrix m;
        m.scaleX = sx;
        m.scaleY = sy;
        return m;
    }

    bool isIdentity() const { return *this == Matrix(); }

    PointF apply(double x, double y) const
    {
        return {x * scaleX + y * rotateSkew1 + translateX.get(), x * rotateSkew0 + y * scaleY + translateY.get()};
    }
    Point apply(Point p) const
    {
        const PointF f = apply(double(p.x.get()), double(p.y.get()));
        return {Twips(static_cast<std::int32_t>(std::lround(f.x))), Twips(static_cast<std::int32_t>(std::lround(f.y)))};
    }

    // parent * child: the transform that applies `child` first, then `parent`.
    friend Matrix operator*(const Matrix& parent, const Matrix& child)
    {
        Matrix m;
        m.scaleX = parent.scaleX * child.scaleX + parent.rotateSkew1 * child.rotateSkew0;
        m.rotateSkew0 = parent.rotateSkew0 * child.scaleX + parent.scaleY * child.rotateSkew0;
        m.rotateSkew1 = parent.scaleX * child.rotateSkew1 + parent.rotateSkew1 * child.scaleY;
        m.scaleY = parent.rotateSkew0 * child.rotateSkew1 + parent.scaleY * child.scaleY;
        const PointF t = parent.apply(double(child.translateX.get()), double(child.translateY.get()));
        m.translateX = Twips(static_cast<std::int32_t>(std::lround(t.x)));
        m.translateY = Twips(static_cast<std::int32_t>(std::lround(t.y)));
        return m;
    }

    double determinant() const { return scaleX * scaleY - rotateSkew0 * rotateSkew1; }

    // The inverse transform; a singular matrix (a shape squashed to a line)
    // has none, and gives the identity so callers never divide by zero.
    Matrix inverted() const
    {
        const double det = determinant();
        if (std::abs(det) < 1e-12)
            return Matrix();
        Matrix m;
        m.scaleX = scaleY / det;
        m.scaleY = scaleX / det;
        m.rotateSkew0 = -rotateSkew0 / det;
        m.rotateSkew1 = -rotateSkew1 / det;
        const double tx = translateX.get();
        const double ty = translateY.get();
        m.translateX = Twips(static_cast<std::int32_t>(std::lround(-(tx * m.scaleX + ty * m.rotateSkew1))));
        m.translateY = Twips(static_cast<std::int32_t>(std::lround(-(tx * m.rotateSkew0 + ty * m.scaleY))));
        return m;
    }

    bool operator==(const Matrix&) const = default;
};

// A colour transform: each channel becomes clamp(channel * mult + add).
// Multipliers come from 8.8 fixed point (1.0 = unchanged), additions are in
// channel units (-255..255 in practice).
struct ColorTransform {
    double rMult = 1.0;
    double gMult = 1.0;
    double bMult = 1.0;
    double aMult = 1.0;
    double rAdd = 0.0;
    double gAdd = 0.0;
    double bAdd = 0.0;
    double aAdd = 0.0;

    bool isIdentity() const { return *this == ColorTransform(); }

    // A multiplier given in percent (a script's _alpha or Color transform),
    // as the player keeps it: 256ths truncated toward zero, 16 bits wide.
    static double multiplierFromPercent(double percent)
    {
        if (!std::isfinite(percent))
            return 0.0;
        double fixed = std::fmod(std::trunc(percent * 256.0 / 100.0), 65536.0);
        if (fixed < 0)
            fixed += 65536.0;
        if (fixed >= 32768.0)
            fixed -= 65536.0;
        return fixed / 256.0;
    }

    Rgba apply(Rgba c) const
    {
        auto channel = [](std::uint8_t v, double mult, double add) {
            const double out = v * mult + add;
            return static_cast<std::uint8_t>(std::clamp(std::floor(out), 0.0, 255.0));
        };
        return {channel(c.r, rMult, rAdd), channel(c.g, gMult, gAdd), channel(c.b, bMult, bAdd),
                channel(c.a, aMult, aAdd)};
    }

    // parent * child: the transform that applies `child` first, then `parent`.
    friend ColorTransform operator*(const ColorTransform& parent, const ColorTransform& child)
    {
        ColorTransform t;
        t.rMult = parent.rMult * child.rMult;
        t.gMult = parent.gMult * child.gMult;
        t.bMult = parent.bMult * child.bMult;
        t.aMult = parent.aMult * child.aMult;
        t.rAdd = parent.rMult * child.rAdd + parent.rAdd;
        t.gAdd = parent.gMult * child.gAdd + parent.gAdd;
        t.bAdd = parent.bMult * child.bAdd + parent.bAdd;
        t.aAdd = parent.aMult * child.aAdd + parent.aAdd;
        return t;
    }

    bool operator==(const ColorTransform&) const = default;
};

} // namespace swf
