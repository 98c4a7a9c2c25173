// flash.geom.Point, Rectangle and ColorTransform. The original player wrote
// Point and Rectangle in ActionScript: members carry no flags and methods
// have prototypes of their own; ColorTransform keeps its numbers natively. The flash package belongs to SWF 8 and is hidden from older
// movies until they unhide it.

#include "swf/script/builtins/library_support.h"
#include "swf/script/native_extension.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace swf::script {

namespace {

using namespace library;

double num(Interpreter& in, const Value& base, const char* name) { return in.toNumber(in.getMember(base, name)); }

// The package object `name` under `parent`, made when missing.
Object* package(Interpreter& in, Object* parent, const char* name, std::uint16_t flags)
{
    if (const Property* p = parent->findOwnAnyVersion(name)) {
        if (Object* o = p->value.asObject())
            return o;
    }
    // A package is an object made as `new Object()` makes one: it names
    // Object as its constructor, before it links to Object's prototype.
    Object* o = in.newObject(nullptr);
    o->put("constructor", in.getMember(in.global(), "Object"), kHidden);
    o->put("__proto__", in.objectPrototype(), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    parent->put(name, o, flags);
    return o;
}

Object* defineGeomClass(Interpreter& in, Object* geom, const char* name, NativeFunction construct)
{
    Object* proto = in.newObject();
    Object* ctor = in.newFunction(nothing(), std::move(construct));
    ctor->put("prototype", proto, kHiddenPermanent);
    proto->put("constructor", ctor, kHiddenPermanent);
    geom->put(name, ctor, 0);
    return ctor;
}

Object* protoOf(Object* ctor) { return ctor->findOwn("prototype") ? ctor->findOwn("prototype")->value.asObject() : nullptr; }

void installPoint(Interpreter& in, Object* geom)
{
    Object* point = defineGeomClass(in, geom, "Point", [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "x", args.empty() ? Value(0) : args[0]);
        in.setMember(self, "y", args.empty() ? Value(0) : arg(args, 1));
        return self;
    });
    Object* proto = protoOf(point);
    auto make = [point](Interpreter& in, const Value& x, const Value& y) { return in.construct(point, {x, y}); };

    // a.subtract(b).length: an object that is no point has no distance.
    scriptMethod(in, point, "distance", [](Interpreter& in, Object*, const Args& args) -> Value {
        if (!arg(args, 0).isObject())
            return Value();
        return in.getMember(in.callMethod(arg(args, 0), "subtract", {arg(args, 1)}), "length");
    }, 0);
    // f = 1 gives the first point, f = 0 the second: b + (a - b) * f, where
    // the `+` joins when b's coordinate is a string.
    scriptMethod(in, point, "interpolate", [make](Interpreter& in, Object*, const Args& args) -> Value {
        const Value a = arg(args, 0), b = arg(args, 1);
        const double f = in.toNumber(arg(args, 2));
        const Value bx = in.getMember(b, "x"), by = in.getMember(b, "y");
        const Value x = in.add(bx, (num(in, a, "x") - in.toNumber(bx)) * f);
        const Value y = in.add(by, (num(in, a, "y") - in.toNumber(by)) * f);
        return make(in, x, y);
    }, 0);
    scriptMethod(in, point, "polar", [make](Interpreter& in, Object*, const Args& args) -> Value {
        const double length = in.toNumber(arg(args, 0)), angle = in.toNumber(arg(args, 1));
        return make(in, length * std::cos(angle), length * std::sin(angle));
    }, 0);

    scriptMethod(in, proto, "add", [make](Interpreter& in, Object* self, const Args& args) -> Value {
        const Value x = in.add(in.getMember(self, "x"), in.getMember(arg(args, 0), "x"));
        const Value y = in.add(in.getMember(self, "y"), in.getMember(arg(args, 0), "y"));
        return make(in, x, y);
    }, 0);
    scriptMethod(in, proto, "subtract", [make](Interpreter& in, Object* self, const Args& args) -> Value {
        const double x = num(in, self, "x") - num(in, arg(args, 0), "x");
        const double y = num(in, self, "y") - num(in, arg(args, 0), "y");
        return make(in, x, y);
    }, 0);
    scriptMethod(in, proto, "clone", [point](Interpreter& in, Object* self, const Args&) -> Value {
        return in.construct(point, {in.getMember(self, "x"), in.getMember(self, "y")});
    }, 0);
    scriptMethod(in, proto, "equals", [point](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* other = arg(args, 0).asObject();
        if (other == self)
            return true;
        if (!other || !in.instanceOf(other, point))
            return false;
        return in.looseEquals(in.getMember(self, "x"), in.getMember(other, "x")) && in.looseEquals(in.getMember(self, "y"), in.getMember(other, "y"));
    }, 0);
    scriptMethod(in, proto, "normalize", [](Interpreter& in, Object* self, const Args& args) -> Value {
        const double x = num(in, self, "x"), y = num(in, self, "y");
        const double length = std::sqrt(x * x + y * y);
        if (length > 0) {
            const double scale = in.toNumber(arg(args, 0)) / length;
            in.setMember(self, "x", x * scale);
            in.setMember(self, "y", y * scale);
        }
        return Value();
    }, 0);
    scriptMethod(in, proto, "offset", [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "x", in.add(in.getMember(self, "x"), arg(args, 0)));
        in.setMember(self, "y", in.add(in.getMember(self, "y"), arg(args, 1)));
        return Value();
    }, 0);
    scriptMethod(in, proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value {
        // Joined with "+" in the original: objects go through valueOf first.
        auto text = [&in](const Value& v) { return in.toString(in.toPrimitive(v)); };
        const std::string x = text(in.getMember(self, "x"));
        const std::string y = text(in.getMember(self, "y"));
        return "(x=" + x + ", y=" + y + ")";
    }, 0);
    nativeAccessor(in, proto, "length", [](Interpreter& in, Object* self, const Args&) -> Value {
        const double x = num(in, self, "x"), y = num(in, self, "y");
        return std::sqrt(x * x + y * y);
    });
}


void installRectangle(Interpreter& in, Object* geom, Object* point)
{
    Object* rect = defineGeomClass(in, geom, "Rectangle", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty()) {
            in.callMethod(self, "setEmpty", {});
        } else {
            in.setMember(self, "x", args[0]);
            in.setMember(self, "y", arg(args, 1));
            in.setMember(self, "width", arg(args, 2));
            in.setMember(self, "height", arg(args, 3));
        }
        return self;
    });
    Object* proto = protoOf(rect);
    auto makeRect = [rect](Interpreter& in, double x, double y, double w, double h) { return in.construct(rect, {x, y, w, h}); };
    auto makePoint = [point](Interpreter& in, double x, double y) { return in.construct(point, {x, y}); };
    struct Box {
        double x, y, w, h;
    };
    auto box = [](Interpreter& in, const Value& r) {
        Box b{};
        b.x = num(in, r, "x");
        b.y = num(in, r, "y");
        b.w = num(in, r, "width");
        b.h = num(in, r, "height");
        return b;
    };
    auto setBox = [](Interpreter& in, Object* self, const Box& b) {
        in.setMember(self, "x", b.x);
        in.setMember(self, "y", b.y);
        in.setMember(self, "width", b.w);
        in.setMember(self, "height", b.h);
    };

    // Present but unset on the prototype, as in the original class.
    proto->put("left", Value(), 0);
    proto->put("top", Value(), 0);
    nativeAccessor(in, proto, "right", [box](Interpreter& in, Object* self, const Args&) -> Value {
        Box b = box(in, self);
        return b.x + b.w;
    }, [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "width", in.toNumber(arg(args, 0)) - num(in, self, "x"));
        return Value();
    });
    // The player's bottom reads its parts natively: a missing one is no
    // number in every version (right, like the others, follows the movie's
    // rules, where older movies read it as 0).
    nativeAccessor(in, proto, "bottom", [](Interpreter& in, Object* self, const Args&) -> Value {
        auto part = [&](const char* name) {
            const Value v = in.getMember(self, name);
            return v.isUndefined() ? std::numeric_limits<double>::quiet_NaN() : in.toNumber(v);
        };
        return part("y") + part("height");
    }, [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "height", in.toNumber(arg(args, 0)) - num(in, self, "y"));
        return Value();
    });
    nativeAccessor(in, proto, "topLeft", [box, makePoint](Interpreter& in, Object* self, const Args&) -> Value {
        Box b = box(in, self);
        return makePoint(in, b.x, b.y);
    }, [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "x", in.getMember(arg(args, 0), "x"));
        in.setMember(self, "y", in.getMember(arg(args, 0), "y"));
        return Value();
    });
    nativeAccessor(in, proto, "bottomRight", [box, makePoint](Interpreter& in, Object* self, const Args&) -> Value {
        Box b = box(in, self);
        return makePoint(in, b.x + b.w, b.y + b.h);
    }, [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "width", num(in, arg(args, 0), "x") - num(in, self, "x"));
        in.setMember(self, "height", num(in, arg(args, 0), "y") - num(in, self, "y"));
        return Value();
    });
    nativeAccessor(in, proto, "size", [box, makePoint](Interpreter& in, Object* self, const Args&) -> Value {
        Box b = box(in, self);
        return makePoint(in, b.w, b.h);
    }, [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "width", in.getMember(arg(args, 0), "x"));
        in.setMember(self, "height", in.getMember(arg(args, 0), "y"));
        return Value();
    });

    scriptMethod(in, proto, "clone", [rect](Interpreter& in, Object* self, const Args&) -> Value {
        Args fields;
        for (const char* name : {"x", "y", "width", "height"})
            fields.push_back(in.getMember(self, name));
        return in.construct(rect, fields);
    }, 0);
    scriptMethod(in, proto, "setEmpty", [setBox](Interpreter& in, Object* self, const Args&) -> Value {
        setBox(in, self, Box{0, 0, 0, 0});
        return Value();
    }, 0);
    scriptMethod(in, proto, "isEmpty", [box](Interpreter& in, Object* self, const Args&) -> Value {
        Box b = box(in, self);
        return !(b.w > 0) || !(b.h > 0);
    }, 0);
    scriptMethod(in, proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value {
        std::string out;
        const char* labels[] = {"(x=", ", y=", ", w=", ", h="};
        const char* names[] = {"x", "y", "width", "height"};
        for (int i = 0; i < 4; ++i)
            out += labels[i] + in.toString(in.toPrimitive(in.getMember(self, names[i])));
        return out + ")";
    }, 0);
    // x >= this.x && x < this.x + this.width && y >= ... as the player's own
    // script has it: the values are compared unconverted, a comparison with
    // no number in it is undefined (so >= is true), and && gives back the
    // first operand that fails without evaluating the ones after it, so an
    // edge past that one asks for no value.
    auto inside = [](Interpreter& in, Object* self, const Value& x, const Value& y) -> Value {
        const Value left = in.getMember(self, "x");
        Value t = !in.toBoolean(in.lessThan(x, left));
        if (!in.toBoolean(t))
            return t;
        t = in.lessThan(x, in.add(left, in.getMember(self, "width")));
        if (!in.toBoolean(t))
            return t;
        const Value top = in.getMember(self, "y");
        t = !in.toBoolean(in.lessThan(y, top));
        if (!in.toBoolean(t))
            return t;
        return in.lessThan(y, in.add(top, in.getMember(self, "height")));
    };
    scriptMethod(in, proto, "contains", [inside](Interpreter& in, Object* self, const Args& args) -> Value {
        return inside(in, self, arg(args, 0), arg(args, 1));
    }, 0);
    scriptMethod(in, proto, "containsPoint", [inside](Interpreter& in, Object* self, const Args& args) -> Value {
        return inside(in, self, in.getMember(arg(args, 0), "x"), in.getMember(arg(args, 0), "y"));
    }, 0);
    // The player's script works out both rectangles' far edges first (the
    // other's x + width and y + height, then this one's), then asks, by the
    // same script rules as contains, that the other's top left corner be
    // inside this one and its far edges be past this one's near edges and no
    // further out than this one's far edges.
    scriptMethod(in, proto, "containsRectangle", [](Interpreter& in, Object* self, const Args& args) -> Value {
        const Value r = arg(args, 0);
        auto get = [&in](const Value& o, const char* name) { return in.getMember(o, name); };
        const Value otherRight = in.add(get(r, "x"), get(r, "width"));
        const Value otherBottom = in.add(get(r, "y"), get(r, "height"));
        const Value right = in.add(get(self, "x"), get(self, "width"));
        const Value bottom = in.add(get(self, "y"), get(self, "height"));
        const std::function<Value()> tests[] = {
            [&] { return Value(!in.toBoolean(in.lessThan(get(r, "x"), get(self, "x")))); },
            [&] { return in.lessThan(get(r, "x"), right); },
            [&] { return Value(!in.toBoolean(in.lessThan(get(r, "y"), get(self, "y")))); },
            [&] { return in.lessThan(get(r, "y"), bottom); },
            [&] { return in.lessThan(get(self, "x"), otherRight); },
            [&] { return Value(!in.toBoolean(in.lessThan(right, otherRight))); },
            [&] { return in.lessThan(get(self, "y"), otherBottom); },
            [&] { return Value(!in.toBoolean(in.lessThan(bottom, otherBottom))); },
        };
        // && gives back the first operand that fails, without asking the rest.
        Value result;
        for (const auto& test : tests) {
            result = test();
            if (!in.toBoolean(result))
                break;
        }
        return result;
    }, 0);
    scriptMethod(in, proto, "equals", [rect, box](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* other = arg(args, 0).asObject();
        if (!other || !in.instanceOf(other, rect))
            return false;
        Box a = box(in, self), b = box(in, other);
        return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
    }, 0);
    scriptMethod(in, proto, "inflate", [box, setBox](Interpreter& in, Object* self, const Args& args) -> Value {
        Box b = box(in, self);
        const double dx = in.toNumber(arg(args, 0)), dy = in.toNumber(arg(args, 1));
        setBox(in, self, Box{b.x - dx, b.y - dy, b.w + 2 * dx, b.h + 2 * dy});
        return Value();
    }, 0);
    scriptMethod(in, proto, "inflatePoint", [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.callMethod(self, "inflate", {in.getMember(arg(args, 0), "x"), in.getMember(arg(args, 0), "y")});
        return Value();
    }, 0);
    scriptMethod(in, proto, "offset", [box, setBox](Interpreter& in, Object* self, const Args& args) -> Value {
        Box b = box(in, self);
        const double dx = in.toNumber(arg(args, 0)), dy = in.toNumber(arg(args, 1));
        setBox(in, self, Box{b.x + dx, b.y + dy, b.w, b.h});
        return Value();
    }, 0);
    scriptMethod(in, proto, "offsetPoint", [](Interpreter& in, Object* self, const Args& args) -> Value {
        in.callMethod(self, "offset", {in.getMember(arg(args, 0), "x"), in.getMember(arg(args, 0), "y")});
        return Value();
    }, 0);
    scriptMethod(in, proto, "intersects", [box](Interpreter& in, Object* self, const Args& args) -> Value {
        Box a = box(in, self), b = box(in, arg(args, 0));
        return std::max(a.x, b.x) < std::min(a.x + a.w, b.x + b.w) && std::max(a.y, b.y) < std::min(a.y + a.h, b.y + b.h);
    }, 0);
    scriptMethod(in, proto, "intersection", [box, makeRect](Interpreter& in, Object* self, const Args& args) -> Value {
        Box a = box(in, self), b = box(in, arg(args, 0));
        const double left = std::max(a.x, b.x), top = std::max(a.y, b.y);
        const double right = std::min(a.x + a.w, b.x + b.w), bottom = std::min(a.y + a.h, b.y + b.h);
        if (!(left < right) || !(top < bottom))
            return makeRect(in, 0, 0, 0, 0);
        return makeRect(in, left, top, right - left, bottom - top);
    }, 0);
    scriptMethod(in, proto, "union", [box, makeRect](Interpreter& in, Object* self, const Args& args) -> Value {
        Box a = box(in, self), b = box(in, arg(args, 0));
        const double left = std::min(a.x, b.x), top = std::min(a.y, b.y);
        const double right = std::max(a.x + a.w, b.x + b.w), bottom = std::max(a.y + a.h, b.y + b.h);
        return makeRect(in, left, top, right - left, bottom - top);
    }, 0);
}


// flash.geom.Matrix, written in ActionScript in the original player: its six
// members are plain properties of each instance, and the methods do their
// arithmetic with the language's own operators, so strings join and
// undefined counts as the movie's version says.
void installMatrix(Interpreter& in, Object* geom, Object* point)
{
    static const char* const kFields[6] = {"a", "b", "c", "d", "tx", "ty"};
    Object* matrix = defineGeomClass(in, geom, "Matrix", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty()) {
            in.callMethod(self, "identity", {});
        } else {
            for (std::size_t i = 0; i < 6; ++i)
                in.setMember(self, kFields[i], arg(args, i));
        }
        return self;
    });
    Object* proto = protoOf(matrix);
    auto get = [](Interpreter& in, const Value& o, const char* name) { return in.getMember(o, name); };
    auto mul = [](Interpreter& in, const Value& x, const Value& y) { return Value(in.toNumber(x) * in.toNumber(y)); };
    auto set6 = [](Interpreter& in, Object* self, const Value (&v)[6]) {
        for (int i = 0; i < 6; ++i)
            in.setMember(self, kFields[i], v[i]);
    };

    scriptMethod(in, proto, "identity", [](Interpreter& in, Object* self, const Args&) -> Value {
        const double identity[6] = {1, 0, 0, 1, 0, 0};
        for (int i = 0; i < 6; ++i)
            in.setMember(self, kFields[i], identity[i]);
        return Value();
    }, 0);
    scriptMethod(in, proto, "clone", [matrix](Interpreter& in, Object* self, const Args&) -> Value {
        Args fields;
        for (const char* name : kFields)
            fields.push_back(in.getMember(self, name));
        return in.construct(matrix, fields);
    }, 0);
    // this, then m: the product's translation adds m's own last.
    scriptMethod(in, proto, "concat", [get, mul, set6](Interpreter& in, Object* self, const Args& args) -> Value {
        const Value m = arg(args, 0);
        const Value a = get(in, self, "a"), b = get(in, self, "b"), c = get(in, self, "c"), d = get(in, self, "d");
        const Value tx = get(in, self, "tx"), ty = get(in, self, "ty");
        const Value ma = get(in, m, "a"), mb = get(in, m, "b"), mc = get(in, m, "c"), md = get(in, m, "d");
        const Value result[6] = {
            in.add(mul(in, a, ma), mul(in, b, mc)),
            in.add(mul(in, a, mb), mul(in, b, md)),
            in.add(mul(in, c, ma), mul(in, d, mc)),
            in.add(mul(in, c, mb), mul(in, d, md)),
            in.add(in.add(mul(in, tx, ma), mul(in, ty, mc)), get(in, m, "tx")),
            in.add(in.add(mul(in, tx, mb), mul(in, ty, md)), get(in, m, "ty")),
        };
        set6(in, self, result);
        return Value();
    }, 0);
    scriptMethod(in, proto, "translate", [get](Interpreter& in, Object* self, const Args& args) -> Value {
        in.setMember(self, "tx", in.add(get(in, self, "tx"), arg(args, 0)));
        in.setMember(self, "ty", in.add(get(in, self, "ty"), arg(args, 1)));
        return Value();
    }, 0);
    scriptMethod(in, proto, "scale", [matrix](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || !in.instanceOf(self, matrix))
            return Value();
        in.callMethod(self, "concat", {in.construct(matrix, {arg(args, 0), 0, 0, arg(args, 1), 0, 0})});
        return Value();
    }, 0);
    // rotate, createBox and createGradientBox work on matrices only; the
    // other methods on any object with the six members.
    auto isMatrix = [matrix](Interpreter& in, Object* self) { return self && in.instanceOf(self, matrix); };
    scriptMethod(in, proto, "rotate", [matrix, isMatrix](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!isMatrix(in, self))
            return Value();
        const double angle = in.toNumber(arg(args, 0));
        const double cos = std::cos(angle), sin = std::sin(angle);
        in.callMethod(self, "concat", {in.construct(matrix, {cos, sin, -sin, cos, 0, 0})});
        return Value();
    }, 0);
    // The translation is kept as given (0 when left out).
    scriptMethod(in, proto, "createBox", [isMatrix](Interpreter& in, Object* self, const Args& args) -> Value {
        // Only a matrix gets the box; the translation lands on any object.
        if (!isMatrix(in, self)) {
            in.setMember(self, "tx", args.size() > 3 ? args[3] : Value(0));
            in.setMember(self, "ty", args.size() > 4 ? args[4] : Value(0));
            return Value();
        }
        const double sx = in.toNumber(arg(args, 0)), sy = in.toNumber(arg(args, 1));
        const double angle = in.toNumber(arg(args, 2));
        double box[4] = {sx, 0, 0, sy};
        if (angle != 0) {
            const double cos = std::cos(angle), sin = std::sin(angle);
            box[0] = sx * cos;
            box[1] = sy * sin;
            box[2] = -sx * sin;
            box[3] = sy * cos;
        }
        for (int i = 0; i < 4; ++i)
            in.setMember(self, kFields[i], box[i]);
        in.setMember(self, "tx", args.size() > 3 ? args[3] : Value(0));
        in.setMember(self, "ty", args.size() > 4 ? args[4] : Value(0));
        return Value();
    }, 0);
    // A box in the gradient square of 1638.4 twips a side, centred on the area.
    scriptMethod(in, proto, "createGradientBox", [isMatrix](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!isMatrix(in, self))
            return Value();
        const double width = in.toNumber(arg(args, 0)), height = in.toNumber(arg(args, 1));
        // A translation left out is none: the box is centred on the area at 0,0.
        const auto shift = [&](std::size_t i, double half) { return args.size() > i ? in.add(args[i], half) : Value(half); };
        in.callMethod(self, "createBox", {width / 1638.4, height / 1638.4, args.size() > 2 ? args[2] : Value(0),
                                          shift(3, width / 2), shift(4, height / 2)});
        return Value();
    }, 0);
    // The inverse when there is one; a singular matrix becomes the identity.
    // The translation is the old one run through the new matrix's
    // deltaTransformPoint, negated: an object without that method ends up
    // with an undefined translation.
    scriptMethod(in, proto, "invert", [point](Interpreter& in, Object* self, const Args&) -> Value {
        const double a = num(in, self, "a"), b = num(in, self, "b"), c = num(in, self, "c"), d = num(in, self, "d");
        const double det = a * d - b * c;
        if (det == 0) {
            in.callMethod(self, "identity", {});
            return Value();
        }
        const double inverse[4] = {d / det, -b / det, -c / det, a / det};
        for (int i = 0; i < 4; ++i)
            in.setMember(self, kFields[i], inverse[i]);
        const Value moved = in.callMethod(self, "deltaTransformPoint",
                                          {in.construct(point, {in.getMember(self, "tx"), in.getMember(self, "ty")})});
        in.setMember(self, "tx", -num(in, moved, "x"));
        in.setMember(self, "ty", -num(in, moved, "y"));
        return Value();
    }, 0);
    auto mapPoint = [point](Interpreter& in, Object* self, const Value& p, bool translate) -> Value {
        const double x = num(in, p, "x"), y = num(in, p, "y");
        double px = num(in, self, "a") * x + num(in, self, "c") * y;
        double py = num(in, self, "b") * x + num(in, self, "d") * y;
        if (translate) {
            px += num(in, self, "tx");
            py += num(in, self, "ty");
        }
        return in.construct(point, {px, py});
    };
    scriptMethod(in, proto, "transformPoint", [mapPoint](Interpreter& in, Object* self, const Args& args) -> Value {
        return mapPoint(in, self, arg(args, 0), true);
    }, 0);
    scriptMethod(in, proto, "deltaTransformPoint", [mapPoint](Interpreter& in, Object* self, const Args& args) -> Value {
        return mapPoint(in, self, arg(args, 0), false);
    }, 0);
    scriptMethod(in, proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value {
        std::string out = "(";
        for (int i = 0; i < 6; ++i) {
            out += std::string(i ? ", " : "") + kFields[i] + "=";
            out += in.toString(in.toPrimitive(in.getMember(self, kFields[i])));
        }
        return out + ")";
    }, 0);
}

// The eight numbers of a colour transform, held natively like the player's.
class ColorTransformData final : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    // Multipliers red, green, blue, alpha, then the offsets in the same order.
    double values[8] = {1, 1, 1, 1, 0, 0, 0, 0};
};

const char* const kColorFields[8] = {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier",
                                     "redOffset", "greenOffset", "blueOffset", "alphaOffset"};

ColorTransformData* colorOf(Object* o) { return o ? dynamic_cast<ColorTransformData*>(o->extension()) : nullptr; }

void installColorTransform(Interpreter& in, Object* geom)
{
    Object* ctor = defineGeomClass(in, geom, "ColorTransform", [](Interpreter& in, Object* self, const Args& args) -> Value {
        auto data = std::make_shared<ColorTransformData>();
        // All eight numbers or none: anything else leaves the identity.
        if (args.size() >= 8) {
            for (std::size_t i = 0; i < 8; ++i)
                data->values[i] = in.toNumber(args[i]);
        }
        // The native class came with SWF 8: older movies get plain objects.
        if (in.swfVersion() < 8)
            return self;
        self->markNative();
        self->setExtension(std::move(data));
        return self;
    });
    Object* proto = protoOf(ctor);
    for (int i = 0; i < 8; ++i) {
        nativeAccessor(in, proto, kColorFields[i], [i](Interpreter&, Object* self, const Args&) -> Value {
            ColorTransformData* c = colorOf(self);
            return c ? Value(c->values[i]) : Value();
        }, [i](Interpreter& in, Object* self, const Args& args) -> Value {
            if (ColorTransformData* c = colorOf(self))
                c->values[i] = in.toNumber(arg(args, 0));
            else if (self && !self->findOwn(kColorFields[i]))
                self->put(kColorFields[i], arg(args, 0)); // a plain object keeps what it is given
            return Value();
        });
    }
    // rgb reads the offsets as one 0xRRGGBB number and, when set, replaces
    // them and clears the colour multipliers.
    nativeAccessor(in, proto, "rgb", [](Interpreter&, Object* self, const Args&) -> Value {
        ColorTransformData* c = colorOf(self);
        if (!c)
            return Value();
        return double(std::int32_t(std::uint32_t(toInt32(c->values[4])) << 16 | std::uint32_t(toInt32(c->values[5])) << 8
                                   | std::uint32_t(toInt32(c->values[6]))));
    }, [](Interpreter& in, Object* self, const Args& args) -> Value {
        ColorTransformData* c = colorOf(self);
        if (!c)
            return Value();
        const std::uint32_t rgb = toUint32(in.toNumber(arg(args, 0)));
        c->values[0] = c->values[1] = c->values[2] = 0;
        c->values[4] = double((rgb >> 16) & 0xFF);
        c->values[5] = double((rgb >> 8) & 0xFF);
        c->values[6] = double(rgb & 0xFF);
        return Value();
    });
    nativeMethod(in, proto, "concat", [](Interpreter&, Object* self, const Args& args) -> Value {
        ColorTransformData* c = colorOf(self);
        ColorTransformData* second = colorOf(arg(args, 0).asObject());
        if (!c || !second)
            return Value();
        // `second` applies first, then this transform.
        for (int i = 0; i < 4; ++i) {
            c->values[4 + i] += c->values[i] * second->values[4 + i];
            c->values[i] *= second->values[i];
        }
        return Value();
    }, PropertyFlag::Version8);
    scriptMethod(in, proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value {
        std::string out = "(";
        for (int i = 0; i < 8; ++i) {
            out += std::string(i ? ", " : "") + kColorFields[i] + "=";
            out += in.toString(in.toPrimitive(in.getMember(self, kColorFields[i])));
        }
        return out + ")";
    }, 0);
}

} // namespace

void installFlashGeom(Interpreter& in)
{
    Object* flash = package(in, in.global(), "flash", kHidden | PropertyFlag::Version8);
    // The packages are made in the original player's order, which shows
    // when a script lists them.
    for (const char* name : {"text", "display", "filters", "geom", "net", "external", "automation"})
        package(in, flash, name, 0);
    Object* geom = package(in, flash, "geom", 0);
    installPoint(in, geom);
    installRectangle(in, geom, in.getMember(geom, "Point").asObject());
    installColorTransform(in, geom);
    installMatrix(in, geom, in.getMember(geom, "Point").asObject());
    installBitmapData(in, package(in, flash, "display", 0));
    installFlashFilters(in, package(in, flash, "filters", 0), in.getMember(geom, "Point").asObject());
    installExternalInterface(in, package(in, flash, "external", 0));
    installFileReference(in, package(in, flash, "net", 0));
    // flash.text holds the TextRenderer class; its one method sets tables
    // for an anti-aliasing renderer this player does not have, and does
    // nothing here. The class has no instances: `new` gives undefined.
    Object* renderer = defineGeomClass(in, package(in, flash, "text", 0), "TextRenderer",
                                       [](Interpreter&, Object* self, const Args&) -> Value {
                                           if (self)
                                               self->setExtension(std::make_shared<RefusedConstruction>());
                                           return Value();
                                       });
    nativeMethod(in, renderer, "setAdvancedAntialiasingTable", nothing());
    // flash.automation drives a movie from a test tool; here its members
    // exist and do nothing.
    Object* automation = package(in, flash, "automation", 0);
    for (const char* name : {"ActionGenerator", "Configuration"})
        automation->put(name, in.newFunction(nothing()), 0);
    defineGeomClass(in, automation, "StageCapture", [](Interpreter&, Object* self, const Args&) -> Value { return self; });
}

bool readColorTransform(const Value& v, double (&out)[8])
{
    const ColorTransformData* c = colorOf(v.asObject());
    if (!c)
        return false;
    std::copy(std::begin(c->values), std::end(c->values), std::begin(out));
    return true;
}

} // namespace swf::script
