// flash.geom.Transform (SWF 8) and the `transform` of clips. A Transform
// reads and writes the matrix and colour transform of its clip whenever it
// is asked: it copies nothing, and every read gives new objects.

#include "swf/runtime/movie_clip_methods.h"
#include "swf/runtime/movie_runtime.h"
#include "swf/render/shape_painter.h"
#include "swf/script/builtins/library_support.h"
#include "swf/script/native_extension.h"

#include <cmath>

namespace swf::runtime {

using script::Args;
using script::Interpreter;
using script::Object;
using script::Value;
using script::arg;

// flash.geom's class `name`, whether or not this movie's version sees it.
Value geomClass(Interpreter& in, const char* name)
{
    Object* o = in.global();
    for (const char* step : {"flash", "geom", name}) {
        const script::Property* p = o ? o->findOwnAnyVersion(step) : nullptr;
        if (!p)
            return Value();
        if (step == name)
            return p->value;
        o = p->value.asObject();
    }
    return Value();
}

namespace {

class TransformData final : public script::HoldingExtension {
public:
    explicit TransformData(Object* clip) : clip(clip) {}
    Object* heldObject() const override { return clip; }
    Object* clip;
};

Object* clipOfTransform(const Value& v)
{
    Object* o = v.asObject();
    auto* t = o ? dynamic_cast<TransformData*>(o->extension()) : nullptr;
    return t ? t->clip : nullptr;
}

Value matrixObject(Interpreter& in, const swf::Matrix& m)
{
    return in.construct(geomClass(in, "Matrix"), {m.scaleX, m.rotateSkew0, m.rotateSkew1, m.scaleY, m.translateX.toPixels(),
                                                  m.translateY.toPixels()});
}

Value colorObject(Interpreter& in, const swf::ColorTransform& c)
{
    return in.construct(geomClass(in, "ColorTransform"), {c.rMult, c.gMult, c.bMult, c.aMult, c.rAdd, c.gAdd, c.bAdd, c.aAdd});
}

double finiteOr0(double v) { return std::isfinite(v) ? v : 0.0; }

// The player keeps a clip's colour transform, and a combined one, as 8.8
// fixed-point multipliers and whole offsets, each 16 bits wide: the low bits
// of a 32-bit integer, which a number out of its range leaves at -2^31.
swf::ColorTransform toPlayerPrecision(swf::ColorTransform c)
{
    auto wrap16 = [](double v) {
        const bool fits = v >= -2147483648.0 && v < 2147483648.0;
        return double(std::int16_t(std::uint16_t(fits ? std::uint32_t(std::int32_t(v)) : 0x80000000u)));
    };
    for (double* m : {&c.rMult, &c.gMult, &c.bMult, &c.aMult})
        *m = wrap16(std::trunc(finiteOr0(*m) * 256.0)) / 256.0;
    for (double* a : {&c.rAdd, &c.gAdd, &c.bAdd, &c.aAdd})
        *a = wrap16(std::floor(finiteOr0(*a)));
    return c;
}

// The clip object of a Transform, when it is still on the stage.
Instance* transformed(MovieRuntime& rt, Object* self)
{
    Instance* i = rt.instanceOf(clipOfTransform(self));
    return i && i->object ? i : nullptr;
}

// Any object with all six members of a matrix will do; one that lacks any
// changes nothing. The scales and rotation scripts read stay as they were:
// the new matrix does not give them anew.
void setMatrix(Interpreter& in, Instance& i, const Value& v)
{
    Object* given = v.asObject();
    if (!given)
        return;
    for (const char* name : {"a", "b", "c", "d", "tx", "ty"}) {
        if (!in.hasProperty(given, name))
            return;
    }
    i.keepScriptTransform();
    auto num = [&in, given](const char* name) { return finiteOr0(in.toNumber(in.getMember(given, name))); };
    // The player keeps the four factors in single precision.
    auto single = [&num](const char* name) { return double(float(num(name))); };
    swf::Matrix m;
    m.scaleX = single("a");
    m.rotateSkew0 = single("b");
    m.rotateSkew1 = single("c");
    m.scaleY = single("d");
    m.translateX = swf::Twips(script::toInt32(std::round(num("tx") * 20.0)));
    m.translateY = swf::Twips(script::toInt32(std::round(num("ty") * 20.0)));
    i.object->matrix = m;
    i.object->scriptTransformed = true;
}

void setColor(Instance& i, const Value& v)
{
    double t[8];
    if (!script::readColorTransform(v, t))
        return;
    swf::ColorTransform c;
    double* fields[8] = {&c.rMult, &c.gMult, &c.bMult, &c.aMult, &c.rAdd, &c.gAdd, &c.bAdd, &c.aAdd};
    for (int k = 0; k < 8; ++k)
        *fields[k] = finiteOr0(t[k]);
    i.object->colorTransform = toPlayerPrecision(c);
    i.object->scriptTransformed = true;
}

} // namespace

void installTransformClass(Interpreter& in, MovieRuntime& rt)
{
    Object* geom = nullptr;
    if (const script::Property* flash = in.global()->findOwnAnyVersion("flash")) {
        if (Object* f = flash->value.asObject(); f && f->findOwnAnyVersion("geom"))
            geom = f->findOwnAnyVersion("geom")->value.asObject();
    }
    if (!geom)
        return;
    Object* proto = in.newObject();
    // Without a clip there is no transform: `new` gives undefined.
    // A reference to a clip that left the stage leads to the clip now at its path.
    Object* ctor = in.newFunction(script::library::nothing(), [&rt](Interpreter& in, Object* self, const Args& args) -> Value {
        Instance* i = rt.instanceOf(in.liveClip(arg(args, 0).asObject()));
        if (!i || !i->object) {
            self->setExtension(std::make_shared<script::RefusedConstruction>());
            return Value();
        }
        self->markNative();
        self->setExtension(std::make_shared<TransformData>(i->self));
        return self;
    });
    ctor->put("prototype", proto, script::library::kHiddenPermanent);
    proto->put("constructor", ctor, script::library::kHiddenPermanent);
    geom->put("Transform", ctor, 0);

    using script::library::nativeAccessor;
    // In the original's order, which for..in lists backwards.
    nativeAccessor(in, proto, "matrix", [&rt](Interpreter& in, Object* self, const Args&) -> Value {
        Instance* i = transformed(rt, self);
        return i ? matrixObject(in, i->object->matrix) : Value();
    }, [&rt](Interpreter& in, Object* self, const Args& args) -> Value {
        if (Instance* i = transformed(rt, self))
            setMatrix(in, *i, arg(args, 0));
        return Value();
    });
    nativeAccessor(in, proto, "concatenatedMatrix", [&rt](Interpreter& in, Object* self, const Args&) -> Value {
        Instance* i = transformed(rt, self);
        if (!i)
            return Value();
        swf::Matrix total = i->object->matrix;
        for (Instance* p = i->parent; p && p->object; p = p->parent)
            total = p->object->matrix * total;
        return matrixObject(in, total);
    });
    nativeAccessor(in, proto, "colorTransform", [&rt](Interpreter& in, Object* self, const Args&) -> Value {
        Instance* i = transformed(rt, self);
        return i ? colorObject(in, i->object->colorTransform) : Value();
    }, [&rt](Interpreter&, Object* self, const Args& args) -> Value {
        if (Instance* i = transformed(rt, self))
            setColor(*i, arg(args, 0));
        return Value();
    });
    nativeAccessor(in, proto, "concatenatedColorTransform", [&rt](Interpreter& in, Object* self, const Args&) -> Value {
        Instance* i = transformed(rt, self);
        if (!i)
            return Value();
        swf::ColorTransform total = i->object->colorTransform;
        for (Instance* p = i->parent; p && p->object; p = p->parent)
            total = p->object->colorTransform * total;
        return colorObject(in, toPlayerPrecision(total));
    });
    // The stage pixels the clip covers.
    nativeAccessor(in, proto, "pixelBounds", [&rt](Interpreter& in, Object* self, const Args&) -> Value {
        Instance* i = transformed(rt, self);
        if (!i)
            return Value();
        QTransform toStage;
        for (const Instance* p = i; p && p->object; p = p->parent)
            toStage = toStage * render::toQTransform(p->object->matrix);
        const QRectF r = toStage.mapRect(rt.localBounds(*i->object));
        double box[4] = {0, 0, 0, 0};
        if (r.isValid()) {
            box[0] = std::floor(r.left() / 20.0);
            box[1] = std::floor(r.top() / 20.0);
            box[2] = std::ceil(r.right() / 20.0) - box[0];
            box[3] = std::ceil(r.bottom() / 20.0) - box[1];
        }
        return in.construct(geomClass(in, "Rectangle"), {box[0], box[1], box[2], box[3]});
    });
}

Value clipTransform(Interpreter& in, Object* clip)
{
    const Value ctor = geomClass(in, "Transform");
    return ctor.isObject() ? in.construct(ctor, {clip}) : Value();
}

// Assigning another Transform copies its clip's matrix and colour; anything
// else is ignored.
void setClipTransform(MovieRuntime& rt, Object* clip, const Value& transform)
{
    Instance* to = rt.instanceOf(clip);
    Instance* from = transformed(rt, transform.asObject());
    if (!to || !to->object || !from)
        return;
    to->object->matrix = from->object->matrix;
    to->object->colorTransform = from->object->colorTransform;
    to->object->scriptTransformed = true;
}

} // namespace swf::runtime
