#include "welcome_movie.h"

#include "letters.h"

#include "swf/format/movie_builder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace welcome {
namespace {

using swf::ColorTransform;
using swf::Matrix;
using swf::Rect;
using swf::Rgba;
using swf::Twips;

constexpr double kPi = std::numbers::pi;
constexpr double kWidth = 550;
constexpr double kHeight = 400;

Twips px(double pixels) { return Twips::fromPixels(pixels); }

Matrix at(double x, double y, double scale = 1.0, double degrees = 0.0)
{
    const double a = degrees * kPi / 180.0;
    Matrix m;
    m.scaleX = scale * std::cos(a);
    m.scaleY = scale * std::cos(a);
    m.rotateSkew0 = scale * std::sin(a);
    m.rotateSkew1 = -scale * std::sin(a);
    m.translateX = px(x);
    m.translateY = px(y);
    return m;
}

// Smooth start and stop over 0..1.
double ease(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// A colour around the hue circle (0..1), bright and not too saturated.
Rgba hue(double h)
{
    auto channel = [&](double offset) {
        const double v = 0.5 + 0.5 * std::cos(2 * kPi * (h - offset));
        return static_cast<std::uint8_t>(std::lround(90 + 150 * v));
    };
    return {channel(0.0), channel(1.0 / 3), channel(2.0 / 3), 255};
}

// Tints a white shape with `c`.
ColorTransform tint(Rgba c, double alpha = 1.0)
{
    ColorTransform t;
    t.rMult = c.r / 255.0;
    t.gMult = c.g / 255.0;
    t.bMult = c.b / 255.0;
    t.aMult = alpha;
    // The file keeps multipliers in 1/256 steps.
    for (double* m : {&t.rMult, &t.gMult, &t.bMult, &t.aMult})
        *m = std::round(*m * 256.0) / 256.0;
    return t;
}

ColorTransform fade(double alpha)
{
    ColorTransform t;
    t.aMult = std::round(std::clamp(alpha, 0.0, 1.0) * 256.0) / 256.0;
    return t;
}

// The shadow of a letter: its shape in a soft grey, half transparent.
ColorTransform shadow(double alpha)
{
    ColorTransform t;
    t.rMult = t.gMult = t.bMult = 0;
    t.rAdd = 60;
    t.gAdd = 80;
    t.bAdd = 110;
    t.aMult = std::round(std::clamp(alpha, 0.0, 1.0) * 0.3 * 256.0) / 256.0;
    return t;
}

struct Depths {
    static constexpr std::uint16_t background = 1;
    static constexpr std::uint16_t orbit = 2;    // balls: 2..4
    static constexpr std::uint16_t squares = 10; // 10..11
    static constexpr std::uint16_t underline = 20;
    static constexpr std::uint16_t shadows = 30; // 30..35
    static constexpr std::uint16_t letters = 40; // 40..45
};

} // namespace

swf::Movie welcomeMovie()
{
    swf::MovieBuilder b(px(kWidth), px(kHeight), kFrameRate, 8);
    b.setBackground({236, 243, 250, 255});

    // A sky from pale blue at the top to warm white at the bottom: a linear
    // gradient turned a quarter so that it runs downwards.
    const Rect stage{Twips(0), px(kWidth), Twips(0), px(kHeight)};
    swf::FillStyle sky = swf::linearGradientFill(stage, {{0, {204, 226, 247, 255}}, {255, {255, 249, 238, 255}}});
    sky.gradient.matrix.scaleX = 0;
    sky.gradient.matrix.scaleY = 0;
    sky.gradient.matrix.rotateSkew0 = px(kHeight).get() / 32768.0;
    sky.gradient.matrix.rotateSkew1 = -px(kWidth).get() / 32768.0;
    const auto background = b.defineRectangle(stage, sky);

    // A white ball with a soft edge, tinted per frame.
    const Rect ballBox{px(-22), px(22), px(-22), px(22)};
    swf::FillStyle ballFill = swf::radialGradientFill(ballBox, {{0, {255, 255, 255, 255}}, {200, {235, 235, 235, 255}}, {255, {190, 190, 190, 255}}});
    ballFill.gradient.focalPoint = -0.4;
    ballFill.type = swf::FillStyleType::FocalRadialGradient;
    const auto ball = b.defineEllipse(ballBox, ballFill);

    // A rounded-looking square: a white square with a thick white border of round joins.
    const Rect squareBox{px(-16), px(16), px(-16), px(16)};
    const auto square = b.defineRectangle(squareBox, swf::solidFill({255, 255, 255, 255}),
                                          swf::solidLine(px(8), {255, 255, 255, 255}));

    // The underline: a bar with a gradient through the hue circle.
    const Rect barBox{px(-200), px(200), px(-4), px(4)};
    const auto underline = b.defineRectangle(
        barBox, swf::linearGradientFill(barBox, {{0, {255, 140, 90, 255}}, {128, {250, 200, 80, 255}}, {255, {90, 170, 240, 255}}}));

    // The name, letter by letter.
    const auto letters = nameLetters(px(56), px(13), {28, 58, 110, 255});
    std::vector<std::uint16_t> letterIds;
    double nameWidth = 0;
    for (const Letter& l : letters) {
        letterIds.push_back(b.defineShape(l.shape));
        nameWidth += l.advance.toPixels();
    }
    const double gap = 20;
    nameWidth += gap * double(letters.size() - 1);
    const double nameLeft = (kWidth - nameWidth) / 2;
    const double baseline = 200;
    std::vector<double> letterX;
    double x = nameLeft;
    for (const Letter& l : letters) {
        letterX.push_back(x);
        x += l.advance.toPixels() + gap;
    }

    // Frame 1: everything in place, the letters still above the stage and clear.
    b.place(Depths::background, background);
    for (int i = 0; i < 3; ++i)
        b.place(std::uint16_t(Depths::orbit + i), ball, at(-100, -100), tint(hue(i / 3.0)));
    for (int i = 0; i < 2; ++i)
        b.place(std::uint16_t(Depths::squares + i), square, at(-100, -100), tint(hue(0.5 + i / 2.0)));
    b.place(Depths::underline, underline, at(kWidth / 2, baseline + 32, 0.01), fade(0));
    for (std::size_t i = 0; i < letters.size(); ++i) {
        b.place(std::uint16_t(Depths::shadows + i), letterIds[i], at(letterX[i] + 3, baseline - 120 + 4), shadow(0));
        b.place(std::uint16_t(Depths::letters + i), letterIds[i], at(letterX[i], baseline - 120), fade(0));
    }

    for (int frame = 0; frame < kFrameCount; ++frame) {
        const double t = double(frame) / kFrameCount; // 0..1 around the loop

        // Balls circle an ellipse below the name, each a third of a turn apart.
        for (int i = 0; i < 3; ++i) {
            const double a = 2 * kPi * (t + i / 3.0);
            const double bx = kWidth / 2 + 190 * std::cos(a);
            const double by = 305 + 45 * std::sin(a);
            const double scale = 0.8 + 0.25 * std::sin(a); // nearer is larger
            b.move(std::uint16_t(Depths::orbit + i), at(bx, by, scale), tint(hue(t + i / 3.0)));
        }
        // Squares turn in the upper corners and drift a little.
        for (int i = 0; i < 2; ++i) {
            const double side = i == 0 ? 1.0 : -1.0;
            const double sx = i == 0 ? 70 : kWidth - 70;
            const double sy = 70 + 12 * std::sin(2 * kPi * (t * 2 + i * 0.5));
            b.move(std::uint16_t(Depths::squares + i), at(sx, sy, 1.0, side * 360.0 * t), tint(hue(0.5 + t + i / 2.0), 0.9));
        }
        // Letters drop in one after another in the first second and a half,
        // then ride a gentle wave.
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const double start = 2.0 + 3.0 * double(i);
            const double drop = ease((frame - start) / 10.0);
            const double wave = frame > 30 ? 5 * std::sin(2 * kPi * (frame - 30) / 35.0 - double(i) * 0.7) * ease((frame - 30) / 10.0) : 0.0;
            const double y = baseline - 120 * (1 - drop) + wave;
            // A little overshoot at the end of the drop.
            const double bounce = drop > 0 && drop < 1 ? -8 * std::sin(kPi * drop) * drop : 0.0;
            b.move(std::uint16_t(Depths::shadows + i), at(letterX[i] + 3, y + bounce + 4), shadow(drop));
            b.move(std::uint16_t(Depths::letters + i), at(letterX[i], y + bounce), fade(drop));
        }
        // The underline grows out from the middle once the name has landed.
        const double grow = 0.01 + 0.99 * ease((frame - 22) / 14.0);
        Matrix bar = at(kWidth / 2, baseline + 32);
        bar.scaleX = std::round(grow * 65536.0) / 65536.0;
        b.move(Depths::underline, bar, fade((frame - 22) / 3.0));
        b.showFrame();
    }
    return b.movie();
}

} // namespace welcome
