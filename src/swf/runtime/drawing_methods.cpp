#include "swf/runtime/drawing_methods.h"

#include "swf/script/bitmap_data.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace swf::runtime {

using script::Interpreter;
using script::Object;
using script::Value;
using Args = std::vector<Value>;

namespace {

// The gradient square spans this many pixels (32768 twips) on each axis.
constexpr double kGradientSquarePixels = 1638.4;
// Gradients hold at most this many colours.
constexpr std::uint32_t kMaxGradientStops = 15;

Value argument(const Args& args, std::size_t i)
{
    return i < args.size() ? args[i] : Value();
}

} // namespace

swf::Twips toTwips(Interpreter& in, const Value& value)
{
    const double pixels = in.toNumber(value);
    if (std::isnan(pixels))
        return swf::Twips(0);
    const double limit = movie::Drawing::kCoordinateLimit;
    return swf::Twips(std::int32_t(std::lround(std::clamp(pixels * 20.0, -limit, limit))));
}

namespace {

swf::Point toPoint(Interpreter& in, const Value& x, const Value& y)
{
    return {toTwips(in, x), toTwips(in, y)};
}

// 0xRRGGBB as a number; what lies above the low 24 bits is ignored.
swf::Rgba toColor(Interpreter& in, const Value& value, std::uint8_t alpha)
{
    const std::uint32_t rgb = std::uint32_t(script::toInt32(in.toNumber(value)));
    return {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb), alpha};
}

// An alpha in percent (0..100, held there) as a channel value; a missing
// alpha is opaque.
std::uint8_t toAlpha(Interpreter& in, const Value& value)
{
    if (value.isUndefined())
        return 255;
    const double percent = in.toNumber(value);
    if (std::isnan(percent))
        return 0;
    return std::uint8_t(std::clamp(percent, 0.0, 100.0) * 255.0 / 100.0);
}

// A string argument, or "" when it is missing (without calling toString on undefined).
std::string optionalString(Interpreter& in, const Value& value)
{
    return value.isNullish() ? std::string() : in.toString(value);
}

swf::CapStyle toCapStyle(const std::string& name)
{
    if (name == "none")
        return swf::CapStyle::None;
    if (name == "square")
        return swf::CapStyle::Square;
    return swf::CapStyle::Round;
}

swf::JoinStyle toJoinStyle(const std::string& name)
{
    if (name == "miter")
        return swf::JoinStyle::Miter;
    if (name == "bevel")
        return swf::JoinStyle::Bevel;
    return swf::JoinStyle::Round;
}

// A member of the matrix object as a finite number, or nothing when it is
// missing or not a number (the player then makes no gradient).
std::optional<double> matrixField(Interpreter& in, Object* matrix, const char* name)
{
    const Value value = in.getMember(Value(matrix), name);
    if (value.isUndefined())
        return std::nullopt;
    const double number = in.toNumber(value);
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

// Pixels to the twips of a matrix translation, held inside the drawable range.
swf::Twips translationTwips(double pixels)
{
    const double limit = movie::Drawing::kCoordinateLimit;
    return swf::Twips(std::int32_t(std::lround(std::clamp(pixels * 20.0, -limit, limit))));
}

} // namespace

std::optional<swf::LineStyle> lineStyleFromArguments(Interpreter& in, const Args& args)
{
    const Value thickness = argument(args, 0);
    if (thickness.isUndefined())
        return std::nullopt;
    const double pixels = in.toNumber(thickness);
    if (std::isnan(pixels))
        return std::nullopt;
    swf::LineStyle style;
    // 0 is a hairline, a pixel wide whatever the scale.
    style.width = swf::Twips(std::int32_t(std::lround(std::clamp(pixels, 0.0, 255.0) * 20.0)));
    style.color = toColor(in, argument(args, 1), toAlpha(in, argument(args, 2)));
    if (in.swfVersion() < 8)
        return style;

    style.isLineStyle2 = true;
    style.pixelHinting = in.toBoolean(argument(args, 3));
    const std::string noScale = optionalString(in, argument(args, 4));
    style.noHScale = noScale == "none" || noScale == "horizontal";
    style.noVScale = noScale == "none" || noScale == "vertical";
    style.startCap = style.endCap = toCapStyle(optionalString(in, argument(args, 5)));
    style.join = toJoinStyle(optionalString(in, argument(args, 6)));
    const Value miterLimit = argument(args, 7);
    const double limit = miterLimit.isUndefined() ? 3.0 : in.toNumber(miterLimit);
    style.miterLimit = std::isnan(limit) ? 3.0 : std::clamp(limit, 1.0, 255.0);
    return style;
}

std::optional<swf::FillStyle> solidFillFromArguments(Interpreter& in, const Args& args)
{
    const Value rgb = argument(args, 0);
    if (rgb.isUndefined())
        return std::nullopt;
    swf::FillStyle fill;
    fill.type = swf::FillStyleType::Solid;
    fill.color = toColor(in, rgb, toAlpha(in, argument(args, 1)));
    return fill;
}

std::optional<swf::Matrix> gradientMatrixFromObject(Interpreter& in, Object* matrix)
{
    if (!matrix)
        return std::nullopt;
    const Value type = in.getMember(Value(matrix), "matrixType");
    if (!type.isUndefined()) {
        // The box form: the gradient is turned by r about the box's centre,
        // then stretched to w by h, so a turned gradient in a box that is not
        // square comes out skewed, as in the player.
        if (in.toString(type) != "box")
            return std::nullopt;
        const auto x = matrixField(in, matrix, "x");
        const auto y = matrixField(in, matrix, "y");
        const auto w = matrixField(in, matrix, "w");
        const auto h = matrixField(in, matrix, "h");
        const auto r = matrixField(in, matrix, "r");
        if (!x || !y || !w || !h || !r)
            return std::nullopt;
        swf::Matrix m;
        m.scaleX = std::cos(*r) * *w / kGradientSquarePixels;
        m.rotateSkew0 = std::sin(*r) * *h / kGradientSquarePixels;
        m.rotateSkew1 = -std::sin(*r) * *w / kGradientSquarePixels;
        m.scaleY = std::cos(*r) * *h / kGradientSquarePixels;
        m.translateX = translationTwips(*x + *w / 2);
        m.translateY = translationTwips(*y + *h / 2);
        return m;
    }

    const auto a = matrixField(in, matrix, "a");
    const auto b = matrixField(in, matrix, "b");
    const auto d = matrixField(in, matrix, "d");
    if (!a || !b || !d)
        return std::nullopt;
    const auto e = matrixField(in, matrix, "e");
    const auto g = matrixField(in, matrix, "g");
    const auto h = matrixField(in, matrix, "h");
    if (e && g && h) {
        // The 3x3 form, rows (a b c) (d e f) (g h i) applied to row vectors:
        // it maps a gradient one pixel square, centred on 0,0, into the clip.
        swf::Matrix m;
        m.scaleX = *a / kGradientSquarePixels;
        m.rotateSkew0 = *b / kGradientSquarePixels;
        m.rotateSkew1 = *d / kGradientSquarePixels;
        m.scaleY = *e / kGradientSquarePixels;
        m.translateX = translationTwips(*g);
        m.translateY = translationTwips(*h);
        return m;
    }
    // A flash.geom.Matrix (a b c d tx ty) maps the gradient square itself.
    const auto c = matrixField(in, matrix, "c");
    const auto tx = matrixField(in, matrix, "tx");
    const auto ty = matrixField(in, matrix, "ty");
    if (!c || !tx || !ty)
        return std::nullopt;
    swf::Matrix m;
    m.scaleX = *a;
    m.rotateSkew0 = *b;
    m.rotateSkew1 = *c;
    m.scaleY = *d;
    m.translateX = translationTwips(*tx);
    m.translateY = translationTwips(*ty);
    return m;
}

std::optional<swf::FillStyle> gradientFillFromArguments(Interpreter& in, const Args& args)
{
    const Value typeValue = argument(args, 0);
    if (typeValue.isUndefined())
        return std::nullopt;
    const std::string type = in.toString(typeValue);
    if (type != "linear" && type != "radial")
        return std::nullopt;
    Object* colors = argument(args, 1).asObject();
    Object* alphas = argument(args, 2).asObject();
    Object* ratios = argument(args, 3).asObject();
    if (!colors || !alphas || !ratios)
        return std::nullopt;
    const std::uint32_t count = in.arrayLength(colors);
    if (in.arrayLength(alphas) != count || in.arrayLength(ratios) != count)
        return std::nullopt;
    const std::optional<swf::Matrix> matrix = gradientMatrixFromObject(in, argument(args, 4).asObject());
    if (!matrix)
        return std::nullopt;

    swf::FillStyle fill;
    fill.type = type == "linear" ? swf::FillStyleType::LinearGradient : swf::FillStyleType::RadialGradient;
    swf::Gradient& gradient = fill.gradient;
    gradient.matrix = *matrix;
    for (std::uint32_t i = 0; i < std::min(count, kMaxGradientStops); ++i) {
        const std::string index = std::to_string(i);
        const double ratio = in.toNumber(in.getMember(Value(ratios), index));
        swf::GradientRecord stop;
        stop.ratio = std::uint8_t(std::isnan(ratio) ? 0.0 : std::clamp(std::round(ratio), 0.0, 255.0));
        stop.color = toColor(in, in.getMember(Value(colors), index), toAlpha(in, in.getMember(Value(alphas), index)));
        gradient.records.push_back(stop);
    }
    if (in.swfVersion() < 8)
        return fill;

    const std::string spread = optionalString(in, argument(args, 5));
    gradient.spread = spread == "reflect" ? swf::SpreadMode::Reflect
        : spread == "repeat"              ? swf::SpreadMode::Repeat
                                          : swf::SpreadMode::Pad;
    gradient.interpolation = optionalString(in, argument(args, 6)) == "linearRGB" ? swf::InterpolationMode::LinearRgb
                                                                                 : swf::InterpolationMode::Normal;
    const Value focalValue = argument(args, 7);
    const double focal = focalValue.isUndefined() ? 0.0 : in.toNumber(focalValue);
    if (fill.type == swf::FillStyleType::RadialGradient && std::isfinite(focal) && focal != 0.0) {
        fill.type = swf::FillStyleType::FocalRadialGradient;
        gradient.focalPoint = std::clamp(focal, -1.0, 1.0);
    }
    return fill;
}

void installDrawingMethods(Interpreter& in, Object* movieClipPrototype,
                           std::function<movie::Drawing*(Object* clip)> drawingOf)
{
    if (!movieClipPrototype || !drawingOf)
        return;
    // A method converts its arguments first and only then looks up the
    // clip's drawing: a conversion may run script (valueOf) that removes the
    // clip. What it gives back is the change to make, or nothing.
    using Change = std::function<void(movie::Drawing&)>;
    using Prepare = std::function<Change(Interpreter&, const Args&)>;
    auto define = [&](const char* name, std::uint16_t versionFlag, Prepare prepare) {
        in.defineMethod(movieClipPrototype, name,
                        [drawingOf, prepare = std::move(prepare)](Interpreter& in, Object* self,
                                                                  const Args& args) -> Value {
                            if (!self)
                                return Value();
                            const Change change = prepare(in, args);
                            if (!change)
                                return Value();
                            if (movie::Drawing* drawing = drawingOf(self))
                                change(*drawing);
                            return Value();
                        });
        if (script::Property* property = movieClipPrototype->findOwnAnyVersion(name))
            property->flags |= versionFlag;
    };
    constexpr std::uint16_t kSince6 = script::PropertyFlag::Version6;
    constexpr std::uint16_t kSince8 = script::PropertyFlag::Version8;

    define("lineStyle", kSince6, [](Interpreter& in, const Args& args) -> Change {
        return [style = lineStyleFromArguments(in, args)](movie::Drawing& d) { d.setLineStyle(style); };
    });
    define("beginFill", kSince6, [](Interpreter& in, const Args& args) -> Change {
        return [fill = solidFillFromArguments(in, args)](movie::Drawing& d) { d.beginFill(fill); };
    });
    define("beginGradientFill", kSince6, [](Interpreter& in, const Args& args) -> Change {
        return [fill = gradientFillFromArguments(in, args)](movie::Drawing& d) { d.beginFill(fill); };
    });
    // A fill of a BitmapData's pixels, repeated unless told otherwise, the
    // bitmap placed by a flash.geom.Matrix; it shows the pixels as they are
    // whenever it is drawn. Anything but a live bitmap ends the open fill, as
    // a fill that fails does.
    define("beginBitmapFill", kSince8, [](Interpreter& in, const Args& args) -> Change {
        const script::BitmapPixels* bitmap = script::bitmapOf(argument(args, 0).asObject());
        if (!bitmap || bitmap->disposed())
            return [](movie::Drawing& d) { d.endFill(); };
        const bool repeat = args.size() < 3 || in.toBoolean(args[2]);
        const bool smooth = args.size() > 3 && in.toBoolean(args[3]);
        swf::FillStyle fill;
        fill.type = repeat ? (smooth ? swf::FillStyleType::RepeatingBitmap : swf::FillStyleType::NonSmoothedRepeatingBitmap)
                           : (smooth ? swf::FillStyleType::ClippedBitmap : swf::FillStyleType::NonSmoothedClippedBitmap);
        fill.bitmapMatrix = swf::Matrix::scale(20.0, 20.0);
        if (Object* matrix = argument(args, 1).asObject()) {
            const auto a = matrixField(in, matrix, "a"), b = matrixField(in, matrix, "b");
            const auto c = matrixField(in, matrix, "c"), d = matrixField(in, matrix, "d");
            const auto tx = matrixField(in, matrix, "tx"), ty = matrixField(in, matrix, "ty");
            if (a && b && c && d && tx && ty) {
                fill.bitmapMatrix.scaleX = *a * 20.0;
                fill.bitmapMatrix.rotateSkew0 = *b * 20.0;
                fill.bitmapMatrix.rotateSkew1 = *c * 20.0;
                fill.bitmapMatrix.scaleY = *d * 20.0;
                fill.bitmapMatrix.translateX = translationTwips(*tx);
                fill.bitmapMatrix.translateY = translationTwips(*ty);
            }
        }
        return [fill, pixels = bitmap->shared()](movie::Drawing& d) { d.beginBitmapFill(fill, pixels); };
    });
    // The pen methods ignore a call with too few arguments.
    // lineGradientStyle(type, colors, alphas, ratios, matrix...): the line
    // style set last strokes with a gradient from now on; without a line
    // style, or with a gradient that cannot be made, nothing changes.
    define("lineGradientStyle", kSince8, [](Interpreter& in, const Args& args) -> Change {
        return [fill = gradientFillFromArguments(in, args)](movie::Drawing& d) {
            std::optional<swf::LineStyle> line = d.lineStyle();
            if (!line || !fill)
                return;
            line->isLineStyle2 = true;
            line->hasFill = true;
            line->fill = *fill;
            d.setLineStyle(line);
        };
    });
    // beginMeshFill is named on clips but draws nothing.
    define("beginMeshFill", kSince8, [](Interpreter&, const Args&) -> Change { return [](movie::Drawing&) {}; });
    define("moveTo", kSince6, [](Interpreter& in, const Args& args) -> Change {
        if (args.size() < 2)
            return {};
        return [to = toPoint(in, args[0], args[1])](movie::Drawing& d) { d.moveTo(to); };
    });
    define("lineTo", kSince6, [](Interpreter& in, const Args& args) -> Change {
        if (args.size() < 2)
            return {};
        return [to = toPoint(in, args[0], args[1])](movie::Drawing& d) { d.lineTo(to); };
    });
    define("curveTo", kSince6, [](Interpreter& in, const Args& args) -> Change {
        if (args.size() < 4)
            return {};
        const swf::Point control = toPoint(in, args[0], args[1]);
        return [control, to = toPoint(in, args[2], args[3])](movie::Drawing& d) { d.curveTo(control, to); };
    });
    define("endFill", kSince6, [](Interpreter&, const Args&) -> Change {
        return [](movie::Drawing& d) { d.endFill(); };
    });
    define("clear", kSince6, [](Interpreter&, const Args&) -> Change {
        return [](movie::Drawing& d) { d.clear(); };
    });
}

} // namespace swf::runtime
