#pragma once

// Lengths of the main window's layout are twips (1/1440 inch), computed in single
// precision like the rest of the window's arithmetic. A length in twips has a type of
// its own so it never mixes with a length in pixels; TwipsScale turns one into the
// other at the screen's logical resolution, and nothing else converts.

#include <QRect>
#include <cmath>
#include <ostream>

namespace veskor {

class Twips {
public:
    constexpr Twips() = default;
    constexpr explicit Twips(float value) : m_value(value) {}

    constexpr float value() const { return m_value; }

    constexpr Twips operator+(Twips other) const { return Twips(m_value + other.m_value); }
    constexpr Twips operator-(Twips other) const { return Twips(m_value - other.m_value); }
    constexpr Twips operator-() const { return Twips(-m_value); }
    constexpr Twips operator*(float factor) const { return Twips(m_value * factor); }
    constexpr Twips operator/(float divisor) const { return Twips(m_value / divisor); }
    constexpr Twips& operator+=(Twips other) { m_value += other.m_value; return *this; }
    constexpr Twips& operator-=(Twips other) { m_value -= other.m_value; return *this; }

    constexpr auto operator<=>(const Twips&) const = default;

private:
    float m_value = 0.0f;
};

// Test failures and logs show the number.
inline void PrintTo(const Twips& t, std::ostream* os) { *os << t.value() << " twips"; }

constexpr Twips operator""_tw(unsigned long long value) { return Twips(static_cast<float>(value)); }

struct TwipsRect {
    Twips left, top, width, height;
    constexpr bool operator==(const TwipsRect&) const = default;
};

constexpr float kTwipsPerInch = 1440.0f;

// Converts at one logical resolution: 96 dots per inch gives 15 twips per pixel.
class TwipsScale {
public:
    constexpr explicit TwipsScale(double dotsPerInch = 96.0)
        : m_dpi(dotsPerInch > 0 ? dotsPerInch : 96.0) {}

    double dotsPerInch() const { return m_dpi; }

    int pixels(Twips t) const { return static_cast<int>(std::lround(t.value() * m_dpi / kTwipsPerInch)); }
    Twips twips(int pixels) const { return Twips(static_cast<float>(pixels * kTwipsPerInch / m_dpi)); }
    // The value a control that keeps whole pixels reports after it was given t.
    Twips snapped(Twips t) const { return twips(pixels(t)); }

    QRect rect(const TwipsRect& r) const
    {
        return QRect(pixels(r.left), pixels(r.top), pixels(r.width), pixels(r.height));
    }
    TwipsRect twipsRect(const QRect& r) const
    {
        return {twips(r.x()), twips(r.y()), twips(r.width()), twips(r.height())};
    }

private:
    double m_dpi;
};

} // namespace veskor
