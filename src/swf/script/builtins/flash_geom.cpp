// flash.geom.Point and flash.geom.Rectangle. The original player wrote these
// in ActionScript: members carry no flags and methods have prototypes of
// their own. The flash package belongs to SWF 8 and is hidden from older
// movies until they unhide it.

#include "swf/script/builtins/library_support.h"

#include <cmath>

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
    Object* o = in.newObject();
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
    auto make = [point](Interpreter& in, double x, double y) { return in.construct(point, {x, y}); };

    scriptMethod(in, point, "distance", [](Interpreter& in, Object*, const Args& args) -> Value {
        const double ax = num(in, arg(args, 0), "x"), bx = num(in, arg(args, 1), "x");
        const double ay = num(in, arg(args, 0), "y"), by = num(in, arg(args, 1), "y");
        const double dx = ax - bx, dy = ay - by;
        return std::sqrt(dx * dx + dy * dy);
    }, 0);
    // f = 1 gives the first point, f = 0 the second.
    scriptMethod(in, point, "interpolate", [make](Interpreter& in, Object*, const Args& args) -> Value {
        const Value a = arg(args, 0), b = arg(args, 1);
        const double f = in.toNumber(arg(args, 2));
        const double ax = num(in, a, "x"), bx = num(in, b, "x");
        const double ay = num(in, a, "y"), by = num(in, b, "y");
        return make(in, bx + (ax - bx) * f, by + (ay - by) * f);
    }, 0);
    scriptMethod(in, point, "polar", [make](Interpreter& in, Object*, const Args& args) -> Value {
        const double length = in.toNumber(arg(args, 0)), angle = in.toNumber(arg(args, 1));
        return make(in, length * std::cos(angle), length * std::sin(angle));
    }, 0);

    scriptMethod(in, proto, "add", [make](Interpreter& in, Object* self, const Args& args) -> Value {
        const double x = num(in, self, "x") + num(in, arg(args, 0), "x");
        const double y = num(in, self, "y") + num(in, arg(args, 0), "y");
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
        in.setMember(self, "x", num(in, self, "x") + in.toNumber(arg(args, 0)));
        in.setMember(self, "y", num(in, self, "y") + in.toNumber(arg(args, 1)));
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

} // namespace

void installFlashGeom(Interpreter& in)
{
    Object* flash = package(in, in.global(), "flash", kHidden | PropertyFlag::Version8);
    Object* geom = package(in, flash, "geom", 0);
    installPoint(in, geom);
}

} // namespace swf::script
