// flash.display.BitmapData (SWF 8). The methods are natives that answer -1
// when called with too few arguments or on a disposed bitmap, and 0 when
// they did their work; coordinates are whole pixels, colours 0xAARRGGBB.

#include "swf/script/bitmap_data.h"
#include "swf/script/builtins/library_support.h"

#include <algorithm>
#include <cmath>
#include <memory>

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

Value makeRectangle(Interpreter& in, double x, double y, double w, double h)
{
    Object* flash = in.global()->findOwnAnyVersion("flash") ? in.global()->findOwnAnyVersion("flash")->value.asObject() : nullptr;
    Object* geom = flash && flash->findOwnAnyVersion("geom") ? flash->findOwnAnyVersion("geom")->value.asObject() : nullptr;
    Property* rect = geom ? geom->findOwnAnyVersion("Rectangle") : nullptr;
    return rect ? in.construct(rect->value, {x, y, w, h}) : Value();
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
    property("rectangle", [](Interpreter& in, BitmapPixels& b) { return makeRectangle(in, 0, 0, b.width(), b.height()); });
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
        auto channel = [&t](std::uint32_t argb, int i, int shift) {
            const double v = double((argb >> shift) & 0xFF) * t[i] + t[4 + i];
            return std::uint32_t(std::clamp(std::isnan(v) ? 0.0 : std::trunc(v), 0.0, 255.0)) << shift;
        };
        const Area inside = clip(area, b->width(), b->height());
        for (int y = inside.y; y < inside.y + inside.height; ++y) {
            for (int x = inside.x; x < inside.x + inside.width; ++x) {
                const std::uint32_t p = b->get(x, y);
                b->set(x, y, channel(p, 0, 16) | channel(p, 1, 8) | channel(p, 2, 0) | channel(p, 3, 24));
            }
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

// copyPixels(source, rect, point): -2 when the source is no bitmap, -3 when
// it was disposed, -4 for a bad rectangle. A point that is no object, or
// lacks a coordinate, counts as 0.
Value copyPixels(Interpreter& in, Object* self, const Args& args)
{
    BitmapPixels* b = live(self);
    if (!b || args.size() < 3)
        return -1;
    BitmapPixels* source = bitmapOf(args[0].asObject());
    if (!source)
        return -2;
    if (source->disposed())
        return -3;
    Area area;
    if (!readArea(in, args[1], area))
        return -4;
    const Value point = args[2];
    const int px = point.isObject() ? toPixel(in, in.getMember(point, "x")) : 0;
    const int py = point.isObject() ? toPixel(in, in.getMember(point, "y")) : 0;
    // The source rectangle inside the source, moved with its destination.
    const Area from = clip(area, source->width(), source->height());
    const std::int64_t shiftX = std::int64_t(px) - area.x, shiftY = std::int64_t(py) - area.y;
    const std::vector<std::uint32_t> pixels = source->pixels();
    for (int y = from.y; y < from.y + from.height; ++y) {
        for (int x = from.x; x < from.x + from.width; ++x) {
            const std::int64_t tx = x + shiftX, ty = y + shiftY;
            if (tx < 0 || ty < 0 || tx >= b->width() || ty >= b->height())
                continue;
            const std::uint32_t p = pixels[std::size_t(y) * std::size_t(source->width()) + std::size_t(x)];
            // Stored values move as they are; an opaque source's at full alpha.
            b->setRaw(int(tx), int(ty), source->transparent() ? p : (p | 0xFF000000u));
        }
    }
    b->touch();
    return 0;
}

// merge(source, rect, point, red, green, blue[, alpha]): each channel becomes
// (source * m + this * (256 - m)) / 256 for its multiplier m. The status
// codes are copyPixels' but for a merge done, which answers -1 as well.
Value merge(Interpreter& in, Object* self, const Args& args)
{
    BitmapPixels* b = live(self);
    if (!b || args.size() < 6)
        return -1;
    BitmapPixels* source = bitmapOf(args[0].asObject());
    if (!source)
        return -2;
    if (source->disposed())
        return -3;
    Area area;
    if (!readArea(in, args[1], area))
        return -4;
    const Value point = args[2];
    const int px = point.isObject() ? toPixel(in, in.getMember(point, "x")) : 0;
    const int py = point.isObject() ? toPixel(in, in.getMember(point, "y")) : 0;
    // Without an alpha multiplier the source's alpha replaces this one's.
    std::uint32_t mult[4] = {0, 0, 0, 256};
    for (std::size_t i = 0; i < 4 && 3 + i < args.size(); ++i)
        mult[i] = std::uint32_t(std::clamp(toPixel(in, args[3 + i]), 0, 256));
    const Area from = clip(area, source->width(), source->height());
    const std::int64_t shiftX = std::int64_t(px) - area.x, shiftY = std::int64_t(py) - area.y;
    const std::vector<std::uint32_t> pixels = source->pixels();
    const int shifts[4] = {16, 8, 0, 24};
    for (int y = from.y; y < from.y + from.height; ++y) {
        for (int x = from.x; x < from.x + from.width; ++x) {
            const std::int64_t tx = x + shiftX, ty = y + shiftY;
            if (tx < 0 || ty < 0 || tx >= b->width() || ty >= b->height())
                continue;
            const std::uint32_t s = source->read(pixels[std::size_t(y) * std::size_t(source->width()) + std::size_t(x)]);
            const std::uint32_t d = b->get(int(tx), int(ty));
            std::uint32_t out = 0;
            for (int i = 0; i < 4; ++i) {
                const std::uint32_t sc = (s >> shifts[i]) & 0xFF, dc = (d >> shifts[i]) & 0xFF;
                out |= ((sc * mult[i] + dc * (256 - mult[i])) / 256) << shifts[i];
            }
            b->set(int(tx), int(ty), out);
        }
    }
    b->touch();
    return -1;
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
    nativeMethod(in, proto, "getColorBoundsRect", colorBounds);
    nativeMethod(in, proto, "merge", merge);
    defineLifeMethods(in, proto, ctor);
}

} // namespace swf::script
