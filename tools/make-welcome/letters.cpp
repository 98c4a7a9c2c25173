#include "letters.h"

#include <cmath>

namespace welcome {
namespace {

using swf::Point;
using swf::Twips;

// Letter outlines are designed on a grid where the x-height is 56 units.
constexpr double kGrid = 56.0;

class Pen {
public:
    Pen(swf::ShapeBuilder& shape, double unit) : m_shape(shape), m_unit(unit) {}

    Twips t(double v) const { return Twips(static_cast<std::int32_t>(std::lround(v * m_unit))); }
    Point p(double x, double y) const { return {t(x), t(y)}; }

    void line(double x0, double y0, double x1, double y1)
    {
        m_shape.moveTo(t(x0), t(y0));
        m_shape.lineTo(t(x1), t(y1));
    }
    void polyline(std::initializer_list<std::pair<double, double>> points)
    {
        bool first = true;
        for (auto [x, y] : points) {
            if (first)
                m_shape.moveTo(t(x), t(y));
            else
                m_shape.lineTo(t(x), t(y));
            first = false;
        }
    }
    void arc(double cx, double cy, double rx, double ry, double start, double sweep, bool move = true)
    {
        m_shape.arc(p(cx, cy), t(rx), t(ry), start, sweep, move);
    }

private:
    swf::ShapeBuilder& m_shape;
    double m_unit;
};

} // namespace

std::vector<Letter> nameLetters(Twips xHeight, Twips stroke, swf::Rgba color)
{
    const double unit = xHeight.get() / kGrid;
    std::vector<Letter> letters;
    auto letter = [&](double advance, auto draw) {
        Letter l;
        const std::uint32_t line = l.shape.addLine(swf::solidLine(stroke, color));
        l.shape.setStyles(0, line);
        Pen pen(l.shape, unit);
        draw(pen);
        l.advance = Twips(static_cast<std::int32_t>(std::lround(advance * unit)));
        letters.push_back(std::move(l));
    };
    // V: a capital, 80 units tall.
    letter(58, [](Pen& p) { p.polyline({{0, -80}, {29, 0}, {58, -80}}); });
    // e: a bar across the middle, then the bowl from its right end, over the
    // top and round to an open tail at the lower right.
    letter(50, [](Pen& p) {
        p.line(2, -28, 50, -28);
        p.arc(25, -28, 25, 28, 0, -305, false);
    });
    // s: an upper bowl turning left and a lower bowl turning right, meeting in the middle.
    letter(44, [](Pen& p) {
        p.arc(22, -42, 20, 14, -25, -245);
        p.arc(22, -14, 20, 14, -90, 245, false);
    });
    // k: a tall stem, an arm and a leg.
    letter(42, [](Pen& p) {
        p.line(0, -84, 0, 0);
        p.line(40, -56, 2, -20);
        p.line(14, -32, 42, 0);
    });
    // o
    letter(54, [](Pen& p) { p.arc(27, -28, 27, 28, 0, 360); });
    // r: a stem and a shoulder.
    letter(36, [](Pen& p) {
        p.line(0, -56, 0, 0);
        p.arc(26, -26, 26, 26, 180, 115, true);
    });
    return letters;
}

} // namespace welcome
