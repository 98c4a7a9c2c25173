// flash.display.BitmapData (SWF 8). The methods are natives that answer -1
// when called with too few arguments or on a disposed bitmap, and 0 when
// they did their work; coordinates are whole pixels, colours 0xAARRGGBB.

#include "swf/script/bitmap_data.h"
#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/library_support.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace swf::script {

namespace {

using namespace library;

// The largest bitmap a movie may make: 2880 pixels a side up to SWF 9;
// later players allow 8191 a side and 16777215 pixels in all.
bool sizeAllowed(int swfVersion, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    if (swfVersion < 10)
        return width <= 2880 && height <= 2880;
    return width <= 8191 && height <= 8191 && std::int64_t(width) * height <= 16777215;
}

int toPixel(Interpreter& in, const Value& v) { return toInt32(in.toNumber(v)); }
std::uint32_t toColor(Interpreter& in, const Value& v) { return toUint32(in.toNumber(v)); }

// A rectangle argument: any object with x, y, width and height.
struct Area {
    int x = 0, y = 0, width = 0, height = 0;
};

bool readArea(Interpreter& in, const Value& v, Area& out)
{
    Object* o = v.asObject();
    if (!o)
        return false;
    Value fields[4];
    const char* names[4] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        fields[i] = in.getMember(o, names[i]);
        if (fields[i].isUndefined())
            return false;
    }
    out = Area{toPixel(in, fields[0]), toPixel(in, fields[1]), toPixel(in, fields[2]), toPixel(in, fields[3])};
    return true;
}

// The part of `a` inside a bitmap of w by h pixels.
Area clip(const Area& a, int w, int h)
{
    const std::int64_t left = std::max<std::int64_t>(a.x, 0), top = std::max<std::int64_t>(a.y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t(a.x) + a.width, w);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t(a.y) + a.height, h);
    if (right <= left || bottom <= top)
        return Area{};
    return Area{int(left), int(top), int(right - left), int(bottom - top)};
}

// The bitmap of `self` when it may be used, else nullptr.
BitmapPixels* live(Object* self)
{
    BitmapPixels* b = bitmapOf(self);
    return b && !b->disposed() ? b : nullptr;
}

// A flash.geom class, whether or not this movie's version sees the package.
Object* geomClass(Interpreter& in, const char* name)
{
    Object* flash = in.global()->findOwnAnyVersion("flash") ? in.global()->findOwnAnyVersion("flash")->value.asObject() : nullptr;
    Object* geom = flash && flash->findOwnAnyVersion("geom") ? flash->findOwnAnyVersion("geom")->value.asObject() : nullptr;
    Property* found = geom ? geom->findOwnAnyVersion(name) : nullptr;
    return found ? found->value.asObject() : nullptr;
}

Value makeRectangle(Interpreter& in, double x, double y, double w, double h)
{
    Object* rect = geomClass(in, "Rectangle");
    return rect ? in.construct(rect, {x, y, w, h}) : Value();
}

void defineProperties(Interpreter& in, Object* proto)
{
    auto property = [&in, proto](const char* name, std::function<Value(Interpreter&, BitmapPixels&)> get) {
        nativeAccessor(in, proto, name, [get](Interpreter& in, Object* self, const Args&) -> Value {
            BitmapPixels* b = live(self);
            return b ? get(in, *b) : Value(-1);
        });
    };
    property("width", [](Interpreter&, BitmapPixels& b) { return Value(b.width()); });
    property("height", [](Interpreter&, BitmapPixels& b) { return Value(b.height()); });
    property("transparent", [](Interpreter&, BitmapPixels& b) { return Value(b.transparent()); });
    // Without a Rectangle class to make one with, the bitmap answers as a disposed one does.
    property("rectangle", [](Interpreter& in, BitmapPixels& b) {
        return geomClass(in, "Rectangle") ? makeRectangle(in, 0, 0, b.width(), b.height()) : Value(-1);
    });
}

void definePixelMethods(Interpreter& in, Object* proto)
{
    nativeMethod(in, proto, "getPixel", [](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        if (!b || args.size() < 2)
            return -1;
        const int x = toPixel(in, args[0]), y = toPixel(in, args[1]);
        return b->contains(x, y) ? Value(double(b->get(x, y) & 0xFFFFFF)) : Value(0);
    });
    nativeMethod(in, proto, "getPixel32", [](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        if (!b || args.size() < 2)
            return -1;
        const int x = toPixel(in, args[0]), y = toPixel(in, args[1]);
        return b->contains(x, y) ? Value(double(std::int32_t(b->get(x, y)))) : Value(0);
    });
    // setPixel keeps the pixel's alpha and replaces its colour.
    nativeMethod(in, proto, "setPixel", [](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        if (!b || args.size() < 3)
            return -1;
        const int x = toPixel(in, args[0]), y = toPixel(in, args[1]);
        const std::uint32_t rgb = toColor(in, args[2]) & 0xFFFFFF;
        if (b->contains(x, y)) {
            b->set(x, y, (b->get(x, y) & 0xFF000000u) | rgb);
            b->touch();
        }
        return 0;
    });
    nativeMethod(in, proto, "setPixel32", [](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        if (!b || args.size() < 3)
            return -1;
        const int x = toPixel(in, args[0]), y = toPixel(in, args[1]);
        const std::uint32_t argb = toColor(in, args[2]);
        if (b->contains(x, y)) {
            b->set(x, y, argb);
            b->touch();
        }
        return 0;
    });
    nativeMethod(in, proto, "fillRect", [](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        Area area;
        if (!b || args.size() < 2 || !readArea(in, args[0], area))
            return -1;
        const std::uint32_t stored = b->store(toColor(in, args[1]));
        const Area inside = clip(area, b->width(), b->height());
        for (int y = inside.y; y < inside.y + inside.height; ++y) {
            for (int x = inside.x; x < inside.x + inside.width; ++x)
                b->setRaw(x, y, stored);
        }
        b->touch();
        return 0;
    });
}

// An 0xAARRGGBB colour through a colour transform's multipliers (red,
// green, blue, alpha) and offsets, each channel cut to a whole 0 to 255.
std::uint32_t transformedColor(const double (&t)[8], std::uint32_t argb)
{
    const int shifts[4] = {16, 8, 0, 24};
    std::uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        const double v = double((argb >> shifts[i]) & 0xFF) * t[i] + t[4 + i];
        out |= std::uint32_t(std::clamp(std::isnan(v) ? 0.0 : std::trunc(v), 0.0, 255.0)) << shifts[i];
    }
    return out;
}

void defineAreaMethods(Interpreter& in, Object* proto)
{
    // Answers -2 for a bad rectangle, -3 for a bad transform and -1 otherwise.
    nativeMethod(in, proto, "colorTransform", [](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        if (!b || args.size() < 2)
            return -1;
        Area area;
        if (!readArea(in, args[0], area))
            return -2;
        double t[8];
        if (!readColorTransform(args[1], t))
            return -3;
        const Area inside = clip(area, b->width(), b->height());
        for (int y = inside.y; y < inside.y + inside.height; ++y) {
            for (int x = inside.x; x < inside.x + inside.width; ++x)
                b->set(x, y, transformedColor(t, b->get(x, y)));
        }
        b->touch();
        return -1;
    });
    // Moves the pixels by (dx, dy); what nothing moves onto keeps its pixels.
    nativeMethod(in, proto, "scroll", [](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        if (!b || args.size() < 2)
            return -1;
        const std::int64_t dx = toPixel(in, args[0]), dy = toPixel(in, args[1]);
        const std::int64_t w = b->width(), h = b->height();
        if (dx == 0 && dy == 0)
            return 0;
        const std::vector<std::uint32_t> before = b->pixels();
        for (std::int64_t y = std::max<std::int64_t>(0, dy); y < std::min<std::int64_t>(h, h + dy); ++y) {
            for (std::int64_t x = std::max<std::int64_t>(0, dx); x < std::min<std::int64_t>(w, w + dx); ++x)
                b->setRaw(int(x), int(y), before[std::size_t((y - dy) * w + (x - dx))]);
        }
        b->touch();
        return 0;
    });
}

// Each channel of a stored (premultiplied) value times alpha / 256.
std::uint32_t scaleStored(std::uint32_t p, std::uint32_t alpha)
{
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((p >> shift) & 0xFF) * alpha / 256) << shift;
    return out;
}

// Stored value `top` laid over stored value `bottom`.
std::uint32_t over(std::uint32_t top, std::uint32_t bottom)
{
    const std::uint32_t rest = 255 - (top >> 24);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= std::min<std::uint32_t>(255, ((top >> shift) & 0xFF) + ((bottom >> shift) & 0xFF) * rest / 255) << shift;
    return out;
}

// A destination point argument: its x and y, 0 for a value that is no object.
void pointOrOrigin(Interpreter& in, const Value& point, int& x, int& y)
{
    x = point.isObject() ? toPixel(in, in.getMember(point, "x")) : 0;
    y = point.isObject() ? toPixel(in, in.getMember(point, "y")) : 0;
}

// What the copying methods (copyPixels, merge, ...) start from: this bitmap,
// and the source bitmap and rectangle of their first two arguments.
struct CopySource {
    BitmapPixels* b = nullptr;
    BitmapPixels* source = nullptr;
    Area area;
};

// 0 when all are usable, else -1 (this bitmap disposed, or fewer than
// `least` arguments), -2 (no source bitmap), -3 (source disposed) or -4
// (bad rectangle).
int readSource(Interpreter& in, Object* self, const Args& args, std::size_t least, CopySource& out)
{
    out.b = live(self);
    if (!out.b || args.size() < least)
        return -1;
    out.source = bitmapOf(args[0].asObject());
    if (!out.source)
        return -2;
    if (out.source->disposed())
        return -3;
    return readArea(in, args[1], out.area) ? 0 : -4;
}

// Calls `each(source value, x, y)` with the unpremultiplied value of every
// pixel of the source rectangle whose place, moved to the destination point,
// lies inside `b`; (x, y) is that place. The source is read as it was before.
template <typename Each>
void forEachMovedPixel(BitmapPixels& b, const BitmapPixels& source, const Area& area, int px, int py, Each each)
{
    const Area from = clip(area, source.width(), source.height());
    const std::int64_t shiftX = std::int64_t(px) - area.x, shiftY = std::int64_t(py) - area.y;
    const std::vector<std::uint32_t> pixels = source.pixels();
    for (int y = from.y; y < from.y + from.height; ++y) {
        for (int x = from.x; x < from.x + from.width; ++x) {
            const std::int64_t tx = x + shiftX, ty = y + shiftY;
            if (tx < 0 || ty < 0 || tx >= b.width() || ty >= b.height())
                continue;
            each(source.read(pixels[std::size_t(y) * std::size_t(source.width()) + std::size_t(x)]), int(tx), int(ty));
        }
    }
    b.touch();
}

// The bit shift of a channel flag (1 red, 2 green, 4 blue, 8 alpha), or -1.
int channelShift(std::uint32_t channel)
{
    switch (channel) {
    case 1: return 16;
    case 2: return 8;
    case 4: return 0;
    case 8: return 24;
    default: return -1;
    }
}

// copyPixels(source, rect, point[, alphaBitmap, alphaPoint, mergeAlpha]):
// -2 when the source is no bitmap, -3 when it was disposed, -4 for a bad
// rectangle. A point that is no object, or lacks a coordinate, counts as 0.
// The alpha bitmap's alpha, from alphaPoint on, scales the source's pixels;
// mergeAlpha lays them over this bitmap's instead of replacing them.
Value copyPixels(Interpreter& in, Object* self, const Args& args)
{
    CopySource copy;
    if (const int status = readSource(in, self, args, 3, copy))
        return status;
    auto [b, source, area] = copy;
    int px = 0, py = 0, ax = 0, ay = 0;
    pointOrOrigin(in, args[2], px, py);
    // The alpha bitmap counts with its point only; an opaque one changes nothing.
    const BitmapPixels* alpha = args.size() > 4 ? live(args[3].asObject()) : nullptr;
    if (alpha && !alpha->transparent())
        alpha = nullptr;
    if (alpha)
        pointOrOrigin(in, args[4], ax, ay);
    // An opaque bitmap always takes the source laid over its pixels.
    const bool mergeAlpha = !b->transparent() || (args.size() > 5 && in.toBoolean(args[5]));
    // The source rectangle inside the source, moved with its destination.
    const Area from = clip(area, source->width(), source->height());
    const std::int64_t shiftX = std::int64_t(px) - area.x, shiftY = std::int64_t(py) - area.y;
    const std::vector<std::uint32_t> pixels = source->pixels();
    for (int y = from.y; y < from.y + from.height; ++y) {
        for (int x = from.x; x < from.x + from.width; ++x) {
            const std::int64_t tx = x + shiftX, ty = y + shiftY;
            if (tx < 0 || ty < 0 || tx >= b->width() || ty >= b->height())
                continue;
            // Stored values move as they are; an opaque source's at full alpha.
            std::uint32_t p = pixels[std::size_t(y) * std::size_t(source->width()) + std::size_t(x)];
            if (!source->transparent())
                p |= 0xFF000000u;
            if (alpha) {
                const std::int64_t mx = std::int64_t(ax) + x - area.x, my = std::int64_t(ay) + y - area.y;
                const bool inside = mx >= 0 && my >= 0 && mx < alpha->width() && my < alpha->height();
                p = scaleStored(p, inside ? alpha->get(int(mx), int(my)) >> 24 : 0);
            }
            if (mergeAlpha) {
                const std::uint32_t under = b->raw(int(tx), int(ty));
                p = over(p, b->transparent() ? under : (under | 0xFF000000u));
            }
            b->setRaw(int(tx), int(ty), p);
        }
    }
    b->touch();
    return 0;
}

// draw(source[, matrix, colorTransform, blendMode, clipRect, smoothing]) with
// a bitmap as the source: each pixel of this bitmap inside the clip rectangle
// whose centre the matrix maps onto the source takes that source pixel,
// through the colour transform, laid over what is there. Blend modes and
// smoothing are not applied. Drawing a clip needs the stage renderer, which
// this layer does not have: it draws nothing.
Value draw(Interpreter& in, Object* self, const Args& args)
{
    BitmapPixels* b = live(self);
    BitmapPixels* source = args.empty() ? nullptr : live(args[0].asObject());
    if (!b || !source)
        return Value();
    double m[6] = {1, 0, 0, 1, 0, 0};
    if (Object* matrix = arg(args, 1).asObject()) {
        const char* names[6] = {"a", "b", "c", "d", "tx", "ty"};
        for (int i = 0; i < 6; ++i)
            m[i] = in.toNumber(in.getMember(matrix, names[i]));
    }
    const double det = m[0] * m[3] - m[1] * m[2];
    if (!std::isfinite(det) || det == 0 || !std::isfinite(m[4]) || !std::isfinite(m[5]))
        return Value();
    double t[8];
    const bool tinted = args.size() > 2 && readColorTransform(args[2], t);
    Area area{0, 0, b->width(), b->height()};
    if (args.size() > 4 && args[4].isObject() && !readArea(in, args[4], area))
        return Value();
    const Area inside = clip(area, b->width(), b->height());
    const std::vector<std::uint32_t> pixels = source->pixels();
    for (int y = inside.y; y < inside.y + inside.height; ++y) {
        for (int x = inside.x; x < inside.x + inside.width; ++x) {
            // The source point under this pixel's centre, by the inverse matrix.
            const double dx = x + 0.5 - m[4], dy = y + 0.5 - m[5];
            const double sx = std::floor((m[3] * dx - m[2] * dy) / det);
            const double sy = std::floor((m[0] * dy - m[1] * dx) / det);
            if (!(sx >= 0 && sy >= 0 && sx < source->width() && sy < source->height()))
                continue;
            std::uint32_t p = pixels[std::size_t(sy) * std::size_t(source->width()) + std::size_t(sx)];
            if (!source->transparent())
                p |= 0xFF000000u;
            if (tinted)
                p = BitmapPixels::premultiply(transformedColor(t, BitmapPixels::unpremultiply(p)));
            const std::uint32_t under = b->raw(x, y);
            p = over(p, b->transparent() ? under : (under | 0xFF000000u));
            b->setRaw(x, y, p);
        }
    }
    b->touch();
    return Value();
}

// merge(source, rect, point, red, green, blue[, alpha]): each channel becomes
// (source * m + this * (256 - m)) / 256 for its multiplier m. The status
// codes are copyPixels' but for a merge done, which answers -1 as well.
Value merge(Interpreter& in, Object* self, const Args& args)
{
    CopySource copy;
    if (const int status = readSource(in, self, args, 6, copy))
        return status;
    auto [b, source, area] = copy;
    int px = 0, py = 0;
    pointOrOrigin(in, args[2], px, py);
    // Without an alpha multiplier the source's alpha replaces this one's.
    std::uint32_t mult[4] = {0, 0, 0, 256};
    for (std::size_t i = 0; i < 4 && 3 + i < args.size(); ++i)
        mult[i] = std::uint32_t(std::clamp(toPixel(in, args[3 + i]), 0, 256));
    const int shifts[4] = {16, 8, 0, 24};
    forEachMovedPixel(*b, *source, area, px, py, [&](std::uint32_t s, int x, int y) {
        const std::uint32_t d = b->get(x, y);
        std::uint32_t out = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t sc = (s >> shifts[i]) & 0xFF, dc = (d >> shifts[i]) & 0xFF;
            out |= ((sc * mult[i] + dc * (256 - mult[i])) / 256) << shifts[i];
        }
        b->set(x, y, out);
    });
    return -1;
}

// copyChannel(source, rect, point, sourceChannel, destChannel): one channel
// of the source's pixels becomes a channel of this bitmap's. An opaque
// bitmap has no alpha to take one.
Value copyChannel(Interpreter& in, Object* self, const Args& args)
{
    CopySource copy;
    if (const int status = readSource(in, self, args, 5, copy))
        return status;
    auto [b, source, area] = copy;
    const int from = channelShift(toColor(in, args[3])), to = channelShift(toColor(in, args[4]));
    if (from < 0 || to < 0 || (to == 24 && !b->transparent()))
        return Value();
    int px = 0, py = 0;
    pointOrOrigin(in, args[2], px, py);
    forEachMovedPixel(*b, *source, area, px, py, [&](std::uint32_t s, int x, int y) {
        const std::uint32_t value = (s >> from) & 0xFF;
        b->set(x, y, (b->get(x, y) & ~(0xFFu << to)) | (value << to));
    });
    return Value();
}

// threshold(source, rect, point, operation, threshold[, color, mask,
// copySource]): each source pixel, masked, is compared with the masked
// threshold; where the comparison holds the pixel here takes `color`, and
// elsewhere the source's pixel when copySource asks. The number of pixels
// that took the colour; 0 for an unknown operation.
Value threshold(Interpreter& in, Object* self, const Args& args)
{
    CopySource copy;
    if (const int status = readSource(in, self, args, 5, copy))
        return status;
    auto [b, source, area] = copy;
    const std::string operation = in.toString(args[3]);
    const std::uint32_t mask = args.size() > 6 ? toColor(in, args[6]) : 0xFFFFFFFFu;
    const std::uint32_t limit = toColor(in, args[4]) & mask;
    const std::uint32_t color = args.size() > 5 ? toColor(in, args[5]) : 0u;
    const bool copySource = args.size() > 7 && in.toBoolean(args[7]);
    std::function<bool(std::uint32_t)> holds;
    if (operation == "<")
        holds = [limit](std::uint32_t v) { return v < limit; };
    else if (operation == "<=")
        holds = [limit](std::uint32_t v) { return v <= limit; };
    else if (operation == ">")
        holds = [limit](std::uint32_t v) { return v > limit; };
    else if (operation == ">=")
        holds = [limit](std::uint32_t v) { return v >= limit; };
    else if (operation == "==")
        holds = [limit](std::uint32_t v) { return v == limit; };
    else if (operation == "!=")
        holds = [limit](std::uint32_t v) { return v != limit; };
    else
        return 0;
    int pixels = 0;
    int px = 0, py = 0;
    pointOrOrigin(in, args[2], px, py);
    forEachMovedPixel(*b, *source, area, px, py, [&](std::uint32_t s, int x, int y) {
        if (holds(s & mask)) {
            b->set(x, y, color);
            ++pixels;
        } else if (copySource) {
            b->set(x, y, s);
        }
    });
    return pixels;
}

// paletteMap(source, rect, point[, red, green, blue, alpha]): each channel
// of a source pixel picks an entry of its array, and the pixel here is the
// sum of the four entries (carries included). A channel without an array
// keeps its own value.
Value paletteMap(Interpreter& in, Object* self, const Args& args)
{
    CopySource copy;
    if (const int status = readSource(in, self, args, 3, copy))
        return status;
    auto [b, source, area] = copy;
    const int shifts[4] = {16, 8, 0, 24};
    std::vector<std::uint32_t> tables[4];
    for (int i = 0; i < 4; ++i) {
        tables[i].resize(256);
        Object* array = std::size_t(3 + i) < args.size() ? args[std::size_t(3 + i)].asObject() : nullptr;
        for (std::uint32_t v = 0; v < 256; ++v)
            tables[i][v] = array ? toColor(in, in.getMember(array, std::to_string(v))) : v << shifts[i];
    }
    int px = 0, py = 0;
    pointOrOrigin(in, args[2], px, py);
    forEachMovedPixel(*b, *source, area, px, py, [&](std::uint32_t s, int x, int y) {
        std::uint32_t out = 0;
        for (int i = 0; i < 4; ++i)
            out += tables[i][(s >> shifts[i]) & 0xFF];
        b->set(x, y, out);
    });
    return Value();
}

// floodFill(x, y, color): the pixels of (x, y)'s colour joined to it side by
// side take `color`.
Value floodFill(Interpreter& in, Object* self, const Args& args)
{
    BitmapPixels* b = live(self);
    if (!b || args.size() < 3)
        return -1;
    const int x0 = toPixel(in, args[0]), y0 = toPixel(in, args[1]);
    if (!b->contains(x0, y0))
        return Value();
    const std::uint32_t from = b->raw(x0, y0);
    const std::uint32_t to = b->store(toColor(in, args[2]));
    if (from == to)
        return Value();
    // Each pixel is painted as it is found, so it waits in the list once at most.
    std::vector<std::pair<int, int>> todo;
    auto reach = [&](int x, int y) {
        if (b->contains(x, y) && b->raw(x, y) == from) {
            b->setRaw(x, y, to);
            todo.emplace_back(x, y);
        }
    };
    reach(x0, y0);
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        reach(x + 1, y);
        reach(x - 1, y);
        reach(x, y + 1);
        reach(x, y - 1);
    }
    b->touch();
    return Value();
}

// noise(seed[, low, high, channels, grayScale]): random values from low to
// high in the chosen channels (7: the colours), the same picture for the
// same seed. Colours not chosen are 0, and alpha is opaque unless chosen on
// a transparent bitmap; in grey the three colours take one value. The
// values come from the minimal standard generator (16807 times the state,
// modulo 2^31 - 1), one per pixel and channel, a pixel's colours before its
// alpha. A seed of 0 or less starts from 1 minus the seed.
Value noise(Interpreter& in, Object* self, const Args& args)
{
    BitmapPixels* b = live(self);
    if (!b || args.empty())
        return -1;
    constexpr std::int64_t kModulus = 0x7FFFFFFF;
    const std::int64_t seed = toInt32(in.toNumber(args[0]));
    std::int64_t state = seed <= 0 ? 1 - seed : seed % kModulus;
    if (state == 0)
        state = 1;
    auto next = [&state]() {
        state = state * 16807 % kModulus;
        return std::uint32_t(state);
    };
    const int low = std::clamp(args.size() > 1 ? toPixel(in, args[1]) : 0, 0, 255);
    const int high = std::clamp(args.size() > 2 ? toPixel(in, args[2]) : 255, 0, 255);
    const std::uint32_t channels = args.size() > 3 ? toColor(in, args[3]) : 7u;
    const bool gray = args.size() > 4 && in.toBoolean(args[4]);
    const bool alpha = (channels & 8u) && b->transparent();
    auto value = [&]() { return high <= low ? std::uint32_t(low) : std::uint32_t(low) + next() % std::uint32_t(high - low + 1); };
    for (int y = 0; y < b->height(); ++y) {
        for (int x = 0; x < b->width(); ++x) {
            std::uint32_t out = 0;
            if (gray) {
                const std::uint32_t v = value();
                out = (v << 16) | (v << 8) | v;
            } else {
                for (const std::uint32_t channel : {1u, 2u, 4u}) {
                    if (channels & channel)
                        out |= value() << channelShift(channel);
                }
            }
            b->set(x, y, out | (alpha ? value() : 0xFFu) << 24);
        }
    }
    b->touch();
    return 0;
}

// pixelDissolve(source, rect, point[, seed, numPixels, fillColor]): paints
// the pixel the seed names and then numPixels more of the rectangle (none
// at all without numPixels), in an order that visits each pixel once before
// any repeats. Painting is the source's pixel, or fillColor when the source
// is this bitmap. Gives the seed of the last pixel painted, where the next
// call goes on. The order is a full cycle of a congruential step over the
// smallest power of two that holds the pixels, passing over the numbers past
// their count. A source that is no usable bitmap gives -1, a bad rectangle -4.
Value pixelDissolve(Interpreter& in, Object* self, const Args& args)
{
    CopySource copy;
    if (const int status = readSource(in, self, args, 3, copy))
        return status == -4 ? status : -1;
    auto [b, source, area] = copy;
    int px = 0, py = 0;
    pointOrOrigin(in, args[2], px, py);
    // The pixels dissolved: the rectangle's, inside the source, that land on this bitmap.
    const Area inSource = clip(area, source->width(), source->height());
    const std::int64_t shiftX = std::int64_t(px) - area.x, shiftY = std::int64_t(py) - area.y;
    const Area landed = clip(Area{int(inSource.x + shiftX), int(inSource.y + shiftY), inSource.width, inSource.height}, b->width(), b->height());
    const Area from{int(landed.x - shiftX), int(landed.y - shiftY), landed.width, landed.height};
    const std::uint64_t count = std::uint64_t(from.width) * std::uint64_t(from.height);
    if (count == 0)
        return 0;
    std::uint64_t modulus = 1;
    while (modulus < count)
        modulus <<= 1;
    auto step = [modulus](std::uint64_t v) { return (v * 1103515245u + 12345u) & (modulus - 1); };
    const double seed = args.size() > 3 ? std::abs(in.toNumber(args[3])) : 0.0;
    std::uint64_t state = std::isfinite(seed) ? std::uint64_t(std::fmod(seed, double(modulus))) : 0;
    while (state >= count)
        state = step(state);
    // Without a number of pixels nothing is painted.
    if (args.size() < 5)
        return double(state);
    const double wanted = in.toNumber(args[4]);
    const std::uint64_t more = std::isfinite(wanted) && wanted > 0 ? std::uint64_t(std::min(wanted, double(count))) : 0;
    const std::uint32_t fill = args.size() > 5 ? toColor(in, args[5]) : 0u;
    auto paint = [&](std::uint64_t index) {
        const int x = from.x + int(index % std::uint64_t(from.width)), y = from.y + int(index / std::uint64_t(from.width));
        b->set(int(x + shiftX), int(y + shiftY), source == b ? fill : source->get(x, y));
    };
    paint(state);
    for (std::uint64_t i = 0; i < more; ++i) {
        do
            state = step(state);
        while (state >= count);
        paint(state);
    }
    b->touch();
    return double(state);
}

// A point argument: an object with x and y.
bool readPoint(Interpreter& in, const Value& v, int& x, int& y)
{
    Object* o = v.asObject();
    if (!o)
        return false;
    const Value px = in.getMember(o, "x"), py = in.getMember(o, "y");
    if (px.isUndefined() || py.isUndefined())
        return false;
    x = toPixel(in, px);
    y = toPixel(in, py);
    return true;
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject, secondBitmapPoint,
// secondAlphaThreshold): this bitmap's top left at firstPoint; whether a
// pixel at least as opaque as the threshold lies under a point, or meets
// such a pixel of another bitmap. -2 to -4 name the argument that is bad.
Value hitTest(Interpreter& in, Object* self, const Args& args)
{
    BitmapPixels* b = live(self);
    if (!b || args.size() < 3)
        return -1;
    int fx = 0, fy = 0;
    if (!readPoint(in, args[0], fx, fy))
        return -2;
    const std::int64_t threshold = toPixel(in, args[1]);
    auto solid = [](const BitmapPixels& bitmap, int x, int y, std::int64_t limit) {
        return std::int64_t(bitmap.get(x, y) >> 24) >= limit;
    };
    if (BitmapPixels* other = bitmapOf(args[2].asObject())) {
        if (other->disposed())
            return -3;
        // A bad second point is blamed on a first point that is no Point.
        int sx = 0, sy = 0;
        if (args.size() > 3 && !readPoint(in, args[3], sx, sy)) {
            Object* pointClass = geomClass(in, "Point");
            return pointClass && in.instanceOf(args[0].asObject(), pointClass) ? -4 : -2;
        }
        const std::int64_t otherThreshold = args.size() > 4 ? toPixel(in, args[4]) : 1;
        // The other bitmap's pixels in this one's coordinates.
        const Area theirs = clip(Area{sx - fx, sy - fy, other->width(), other->height()}, b->width(), b->height());
        for (int y = theirs.y; y < theirs.y + theirs.height; ++y) {
            for (int x = theirs.x; x < theirs.x + theirs.width; ++x) {
                if (solid(*b, x, y, threshold) && solid(*other, x - (sx - fx), y - (sy - fy), otherThreshold))
                    return true;
            }
        }
        return false;
    }
    // A Rectangle: whether any pixel inside it is solid enough.
    Object* second = args[2].asObject();
    Object* rectClass = geomClass(in, "Rectangle");
    Area area;
    if (second && rectClass && in.instanceOf(second, rectClass) && readArea(in, second, area)) {
        const Area inside = clip(Area{area.x - fx, area.y - fy, area.width, area.height}, b->width(), b->height());
        for (int y = inside.y; y < inside.y + inside.height; ++y) {
            for (int x = inside.x; x < inside.x + inside.width; ++x) {
                if (solid(*b, x, y, threshold))
                    return true;
            }
        }
        return false;
    }
    int px = 0, py = 0;
    if (!readPoint(in, args[2], px, py))
        return -3;
    const int x = px - fx, y = py - fy;
    return b->contains(x, y) && solid(*b, x, y, threshold);
}

// getColorBoundsRect(mask, color, findColor = true): the bounds of the
// pixels whose stored value, masked, is (or with findColor false, is not)
// the colour as the bitmap would store it.
Value colorBounds(Interpreter& in, Object* self, const Args& args)
{
    BitmapPixels* b = live(self);
    if (!b || args.size() < 2)
        return -1;
    const std::uint32_t mask = toColor(in, args[0]);
    const std::uint32_t color = b->store(toColor(in, args[1]));
    const bool find = args.size() < 3 || in.toBoolean(args[2]);
    int left = b->width(), top = b->height(), right = -1, bottom = -1;
    for (int y = 0; y < b->height(); ++y) {
        for (int x = 0; x < b->width(); ++x) {
            if (((b->raw(x, y) & mask) == color) != find)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return makeRectangle(in, 0, 0, 0, 0);
    return makeRectangle(in, left, top, right - left + 1, bottom - top + 1);
}

void defineLifeMethods(Interpreter& in, Object* proto, Object* ctor)
{
    // 0 for equal bitmaps; -1 to -4 when this or the other is no bitmap, or
    // the widths or heights differ; else a bitmap of the differences: the
    // colour channels' differences where the colours differ, white with the
    // alphas' difference where only alpha does, nothing where both agree.
    nativeMethod(in, proto, "compare", [ctor](Interpreter& in, Object* self, const Args& args) -> Value {
        BitmapPixels* b = live(self);
        if (!b || args.empty())
            return -1;
        BitmapPixels* other = live(args[0].asObject());
        if (!other)
            return -2;
        if (other->width() != b->width())
            return -3;
        if (other->height() != b->height())
            return -4;
        std::vector<std::uint32_t> diff(b->pixels().size(), 0);
        bool same = true;
        for (int y = 0; y < b->height(); ++y) {
            for (int x = 0; x < b->width(); ++x) {
                const std::uint32_t p = b->get(x, y), q = other->get(x, y);
                std::uint32_t d = 0;
                if ((p & 0xFFFFFF) != (q & 0xFFFFFF)) {
                    auto channel = [p, q](int shift) { return ((((p >> shift) & 0xFF) - ((q >> shift) & 0xFF)) & 0xFF) << shift; };
                    d = 0xFF000000u | channel(16) | channel(8) | channel(0);
                } else if (p != q) {
                    d = ((((p >> 24) - (q >> 24)) & 0xFF) << 24) | 0xFFFFFF;
                }
                diff[std::size_t(y) * std::size_t(b->width()) + std::size_t(x)] = d;
                same = same && d == 0;
            }
        }
        if (same)
            return 0;
        Value result = in.construct(ctor, {b->width(), b->height(), true, 0});
        if (BitmapPixels* r = bitmapOf(result.asObject())) {
            for (int y = 0; y < b->height(); ++y) {
                for (int x = 0; x < b->width(); ++x)
                    r->set(x, y, diff[std::size_t(y) * std::size_t(b->width()) + std::size_t(x)]);
            }
        }
        return result;
    });
    nativeMethod(in, proto, "dispose", [](Interpreter&, Object* self, const Args&) -> Value {
        BitmapPixels* b = live(self);
        if (!b)
            return -1;
        b->dispose();
        return 0;
    });
    nativeMethod(in, proto, "clone", [ctor](Interpreter& in, Object* self, const Args&) -> Value {
        BitmapPixels* b = live(self);
        if (!b)
            return -1;
        Value copy = in.construct(ctor, {b->width(), b->height(), b->transparent(), 0});
        if (BitmapPixels* c = bitmapOf(copy.asObject())) {
            for (int y = 0; y < b->height(); ++y) {
                for (int x = 0; x < b->width(); ++x)
                    c->setRaw(x, y, b->raw(x, y));
            }
        }
        return copy;
    });
}

} // namespace

void installBitmapData(Interpreter& in, Object* display)
{
    Object* proto = in.newObject();
    Object* ctor = in.newFunction(nothing(), [](Interpreter& in, Object* self, const Args& args) -> Value {
        const int width = args.size() > 0 ? toPixel(in, args[0]) : 0;
        const int height = args.size() > 1 ? toPixel(in, args[1]) : 0;
        if (!sizeAllowed(in.swfVersion(), width, height) || !in.reserveMemory(std::size_t(width) * std::size_t(height) * 4)) {
            self->setExtension(std::make_shared<RefusedConstruction>());
            return Value();
        }
        self->markNative();
        const bool transparent = args.size() > 2 ? in.toBoolean(args[2]) : true;
        const std::uint32_t fill = args.size() > 3 ? toColor(in, args[3]) : 0xFFFFFFFFu;
        self->setExtension(std::make_shared<BitmapPixels>(width, height, transparent, fill));
        return self;
    });
    ctor->put("prototype", proto, kHiddenPermanent);
    proto->put("constructor", ctor, kHiddenPermanent);
    display->put("BitmapData", ctor, 0);
    const char* channels[4] = {"RED_CHANNEL", "GREEN_CHANNEL", "BLUE_CHANNEL", "ALPHA_CHANNEL"};
    for (int i = 0; i < 4; ++i)
        ctor->put(channels[i], 1 << i, 0);
    defineProperties(in, proto);
    definePixelMethods(in, proto);
    defineAreaMethods(in, proto);
    nativeMethod(in, proto, "copyPixels", copyPixels);
    nativeMethod(in, proto, "draw", draw);
    nativeMethod(in, proto, "getColorBoundsRect", colorBounds);
    nativeMethod(in, proto, "merge", merge);
    nativeMethod(in, proto, "hitTest", hitTest);
    nativeMethod(in, proto, "copyChannel", copyChannel);
    nativeMethod(in, proto, "threshold", threshold);
    nativeMethod(in, proto, "paletteMap", paletteMap);
    nativeMethod(in, proto, "floodFill", floodFill);
    nativeMethod(in, proto, "noise", noise);
    nativeMethod(in, proto, "pixelDissolve", pixelDissolve);
    defineLifeMethods(in, proto, ctor);
    // loadBitmap(name): a new bitmap with the pixels of the one the calling
    // movie's library exports under that name; undefined when it has none.
    // The bitmap links to the prototype of whatever the method was called
    // on (nothing at all when that has none); called on nothing, it makes
    // nothing.
    nativeMethod(in, ctor, "loadBitmap", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return Value();
        const std::optional<LibraryBitmap> bitmap = in.host().exportedBitmap(env::callingClip(in), in.toString(args[0]));
        if (!bitmap || !sizeAllowed(in.swfVersion(), bitmap->width, bitmap->height))
            return Value();
        Object* made = in.newObjectLinkedTo(in.getMember(self, "prototype"));
        made->markNative();
        auto pixels = std::make_shared<BitmapPixels>(bitmap->width, bitmap->height, bitmap->transparent, 0u);
        for (int y = 0; y < bitmap->height; ++y) {
            for (int x = 0; x < bitmap->width; ++x)
                pixels->set(x, y, bitmap->argb[std::size_t(y) * std::size_t(bitmap->width) + std::size_t(x)]);
        }
        made->setExtension(std::move(pixels));
        return made;
    });
}

} // namespace swf::script
