#include "swf/runtime/movie_clip_methods.h"

#include "swf/movie/drawing.h"
#include "swf/movie/limits.h"
#include "swf/runtime/drawing_methods.h"
#include "swf/runtime/movie_runtime.h"
#include "swf/script/bitmap_data.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/filters.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>

namespace swf::runtime {

using script::Args;
using script::Interpreter;
using script::Object;
using script::Value;
using script::arg;

namespace {

constexpr int kLevelDepthOffset = -16384; // getDepth of _level0

// The names scripts give the blend modes, by their number in the file.
constexpr const char* kBlendModeNames[] = {"normal",   "normal", "layer",      "multiply", "screen",
                                           "lighten",  "darken", "difference", "add",      "subtract",
                                           "invert",   "alpha",  "erase",      "overlay",  "hardlight"};
constexpr int kBlendModeCount = int(std::size(kBlendModeNames));

// The mode a script's value asks for: a name spelled exactly, a number from
// 1 (its whole part, of which only the low byte counts) or undefined and
// null for normal. Anything else leaves the mode as it was.
std::optional<BlendMode> blendModeFrom(const Value& value)
{
    if (value.isNullish())
        return BlendMode::Normal;
    if (value.isString()) {
        for (int i = 1; i < kBlendModeCount; ++i) {
            if (value.asString() == kBlendModeNames[i])
                return BlendMode(i == 1 ? 0 : i);
        }
        return std::nullopt;
    }
    if (!value.isNumber() || !std::isfinite(value.asNumber()))
        return std::nullopt;
    // Modes count from 1: 0, like a number past the last, is none.
    const int mode = int(std::fmod(std::trunc(value.asNumber()), 256.0) + 256.0) % 256;
    if (mode == 0 || mode >= kBlendModeCount)
        return std::nullopt;
    return BlendMode(mode == 1 ? 0 : mode);
}

// The members of the later players that every stage object has (clips and
// buttons): filters and blendMode, each defined on its own.
void defineFilters(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    proto->setAccessor("filters", in.newFunction([&rt](Interpreter& in, Object* self, const Args&) {
        return objectFilters(in, rt, self);
    }), in.newFunction([&rt](Interpreter& in, Object* self, const Args& args) {
        setObjectFilters(in, rt, self, arg(args, 0));
        return Value();
    }));
}

void defineBlendMode(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    proto->setAccessor("blendMode", in.newFunction([&rt](Interpreter&, Object* self, const Args&) {
        Instance* inst = rt.instanceOf(self);
        if (!inst || !inst->object)
            return Value();
        return Value(kBlendModeNames[std::min(int(inst->object->blendMode), kBlendModeCount - 1)]);
    }), in.newFunction([&rt](Interpreter&, Object* self, const Args& args) {
        Instance* inst = rt.instanceOf(self);
        if (inst && inst->object) {
            if (const auto mode = blendModeFrom(arg(args, 0)))
                inst->object->blendMode = *mode;
        }
        return Value();
    }));
}

// A clip's filters and blendMode: hidden from for..in and from movies before SWF 8.
void defineDisplayMembers(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    defineFilters(in, proto, rt);
    defineBlendMode(in, proto, rt);
    for (const char* name : {"filters", "blendMode"})
        proto->findOwnAnyVersion(name)->flags = script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete;
    script::markVersion(proto, {"filters", "blendMode"}, script::PropertyFlag::Version8);
}

// Members kept on the object's instance that scripts set and read back; on
// anything that is no display object they read undefined.
struct InstanceSettings {
    Interpreter& in;
    Object* proto;
    MovieRuntime& rt;
    std::uint16_t flags;

    template <typename Get, typename Set>
    void accessor(const char* name, Get get, Set set) const
    {
        MovieRuntime& runtime = rt;
        proto->setAccessor(name, in.newFunction([&runtime, get](Interpreter& in, Object* self, const Args&) {
            Instance* inst = runtime.instanceOf(self);
            return inst ? get(in, *inst) : Value();
        }), in.newFunction([&runtime, set](Interpreter& in, Object* self, const Args& args) {
            if (Instance* inst = runtime.instanceOf(self))
                set(in, *inst, arg(args, 0));
            return Value();
        }));
        proto->findOwnAnyVersion(name)->flags = flags;
    }
    void flag(const char* name, bool Instance::*field) const
    {
        accessor(name, [field](Interpreter&, Instance& i) { return Value(i.*field); },
                 [field](Interpreter& in, Instance& i, const Value& v) { i.*field = in.toBoolean(v); });
    }
    void rectangle(const char* name, std::optional<QRectF> Instance::*field) const
    {
        accessor(name,
                 [field](Interpreter& in, Instance& i) {
                     const std::optional<QRectF>& r = i.*field;
                     if (!r)
                         return Value();
                     return in.construct(geomClass(in, "Rectangle"), {r->x(), r->y(), r->width(), r->height()});
                 },
                 [field](Interpreter& in, Instance& i, const Value& v) {
                     Object* o = v.asObject();
                     if (!o) {
                         (i.*field).reset();
                         return;
                     }
                     const auto number = [&](const char* member) { return in.toNumber(in.getMember(o, member)); };
                     i.*field = QRectF(number("x"), number("y"), number("width"), number("height"));
                 });
    }
};

// The members of clips that scripts set and read back, each kept on the
// clip: _lockroot (in every version), and from SWF 8 cacheAsBitmap and
// forceSmoothing (booleans), opaqueBackground (a colour, or undefined), and
// scrollRect and scale9Grid (a new Rectangle on each read, or undefined).
// On anything but a clip they read undefined.
void defineClipSettings(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    const InstanceSettings settings{in, proto, rt, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete};
    settings.flag("_lockroot", &Instance::lockRoot);
    settings.flag("cacheAsBitmap", &Instance::cacheAsBitmap);
    settings.flag("forceSmoothing", &Instance::forceSmoothing);
    settings.accessor("opaqueBackground",
             [](Interpreter&, Instance& i) {
                 const bool set = i.object && i.object->opaqueBackground;
                 return set ? Value(double(*i.object->opaqueBackground)) : Value();
             },
             [](Interpreter& in, Instance& i, const Value& v) {
                 std::optional<std::uint32_t> colour;
                 if (!v.isUndefined() && !v.isNull())
                     colour = std::uint32_t(script::toInt32(in.toNumber(v))) & 0xFFFFFFu;
                 if (i.object)
                     i.object->opaqueBackground = colour;
             });
    settings.accessor("scrollRect",
             [](Interpreter& in, Instance& i) {
                 if (!i.object || !i.object->scrollRect)
                     return Value();
                 const Rect& r = *i.object->scrollRect;
                 return in.construct(geomClass(in, "Rectangle"), {r.xMin.get() / 20.0, r.yMin.get() / 20.0,
                                                                  r.width().get() / 20.0, r.height().get() / 20.0});
             },
             [](Interpreter& in, Instance& i, const Value& v) {
                 std::optional<Rect> rect;
                 if (Object* o = v.asObject()) {
                     const auto twips = [&](const char* member) { return toTwips(in, in.getMember(o, member)); };
                     const Twips x = twips("x"), y = twips("y");
                     rect = Rect{x, x + twips("width"), y, y + twips("height")};
                 }
                 if (i.object)
                     i.object->scrollRect = rect;
             });
    settings.rectangle("scale9Grid", &Instance::scale9Grid);
    script::markVersion(proto, {"cacheAsBitmap", "forceSmoothing", "opaqueBackground", "scrollRect", "scale9Grid"},
                        script::PropertyFlag::Version8);
}

// tabIndex of clips and buttons (SWF 6 on): once a number started it the
// player keeps a 32-bit integer, the fraction cut off, and a value that is
// no number or out of that range as the lowest one; undefined takes it
// away. Buttons show it to for..in, clips do not.
void defineTabIndex(Interpreter& in, Object* proto, MovieRuntime& rt, bool enumerable)
{
    proto->setAccessor("tabIndex", in.newFunction([&rt](Interpreter&, Object* self, const Args&) {
        Instance* inst = rt.instanceOf(self);
        return inst && inst->tabIndex ? Value(double(*inst->tabIndex)) : Value();
    }), in.newFunction([&rt](Interpreter& in, Object* self, const Args& args) {
        Instance* inst = rt.instanceOf(self);
        if (!inst || !self)
            return Value();
        const Value value = arg(args, 0);
        // Only a number starts the index: anything else given first stays
        // a plain member of the object, which later values then replace.
        if (!inst->tabIndex && !value.isNumber() && !value.isUndefined()) {
            self->put("tabIndex", value);
            return Value();
        }
        if (value.isUndefined()) {
            inst->tabIndex.reset();
            return Value();
        }
        const double n = std::trunc(in.toNumber(value));
        const bool fits = n >= -2147483648.0 && n <= 2147483647.0;
        inst->tabIndex = fits ? std::int32_t(n) : std::numeric_limits<std::int32_t>::min();
        return Value();
    }));
    script::Property* tabIndex = proto->findOwnAnyVersion("tabIndex");
    tabIndex->flags = script::PropertyFlag::DontDelete | (enumerable ? 0 : script::PropertyFlag::DontEnum);
    script::markVersion(proto, {"tabIndex"}, script::PropertyFlag::Version6);
}

// The members every stage object answers itself: the display properties
// (in any case), _parent and _root, and its children by instance name.
class ClipExtension final : public script::ObjectExtension {
public:
    explicit ClipExtension(MovieRuntime& runtime) : m_runtime(runtime)
    {
        for (int i = 0; i < script::kClipPropertyCount; ++i)
            m_properties.emplace(script::clipPropertyName(i), i);
    }

    bool getMember(Interpreter& in, Object& self, const std::string& name, Value& out) override
    {
        return member(in, self, name, out, true);
    }

    // Children and the parent are found by name but do not hold it:
    // `child = v` or `_parent = v` inside with (clip) goes on down the
    // scope chain.
    bool holdsName(Interpreter& in, Object& self, const std::string& name) override
    {
        if (lowerAscii(name) == "_parent")
            return false;
        Value out;
        return member(in, self, name, out, false);
    }

    bool setMember(Interpreter& in, Object& self, const std::string& name, const Value& value) override
    {
        if (name.empty() || name[0] != '_' || !m_runtime.instanceOf(&self) || in.swfVersion() < 5)
            return false;
        auto it = m_properties.find(lowerAscii(name));
        if (it == m_properties.end())
            return false;
        m_runtime.setProperty(&self, it->second, value);
        return true;
    }

    void enumerate(Interpreter&, Object& self, std::vector<std::string>& names) override
    {
        Instance* inst = m_runtime.instanceOf(&self);
        if (!inst || !inst->object->clip)
            return;
        // The topmost child first.
        const auto& objects = inst->object->clip->objects;
        for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
            if (!it->second.name.empty() && m_runtime.instanceFor(it->second))
                names.push_back(it->second.name);
        }
    }

private:
    bool member(Interpreter& in, Object& self, const std::string& name, Value& out, bool children)
    {
        Instance* inst = m_runtime.instanceOf(&self);
        if (!inst)
            return false;
        if (!name.empty() && name[0] == '_') {
            const std::string key = lowerAscii(name);
            // SWF 4 reached a clip's properties only through its property
            // actions: by name they are variables like any other.
            if (auto it = m_properties.find(key); it != m_properties.end() && in.swfVersion() >= 5) {
                // A member a script added to the clip itself comes first, then
                // a child of the name, then the property; what prototypes hold
                // comes after all of them.
                if (self.findOwn(name))
                    return false;
                if (Object* child = children ? m_runtime.child(&self, name) : nullptr) {
                    out = child;
                    return true;
                }
                out = m_runtime.getProperty(&self, it->second);
                return true;
            }
            // The names of other clips are case-sensitive from SWF 7 on; the
            // properties above never are.
            const std::string& named = in.swfVersion() >= 7 ? name : key;
            if (named == "_parent") {
                // A member of the name a script gave the object itself hides
                // the parent; the root has none (what prototypes hold does
                // not count).
                if (self.findOwn(name))
                    return false;
                Object* parent = m_runtime.parent(&self);
                out = parent;
                return true;
            }
            // SWF 4 had no _root and no levels by name.
            const bool pathNames = in.swfVersion() >= 5;
            // A variable of the name set on the clip hides what it stands for.
            if (named == "_root" && pathNames && !self.findOwn(name)) {
                out = m_runtime.root(&self);
                return true;
            }
            // A variable of a level's name on the clip hides the level.
            if (const int level = pathNames ? script::levelNumber(named) : -1; level >= 0 && !self.findOwn(name)) {
                out = m_runtime.level(level);
                return true;
            }
            if (named == "_global" && in.swfVersion() >= 6 && !self.findOwn(name)) {
                out = in.global();
                return true;
            }
        }
        if (!children || self.findOwn(name))
            return false;
        if (Object* child = m_runtime.child(&self, name)) {
            out = child;
            return true;
        }
        return false;
    }

    MovieRuntime& m_runtime;
    std::map<std::string, int> m_properties;
};

// `emptyCorner` stands for every side of a clip that draws nothing.
Object* makeBoundsObject(Interpreter& in, const QRectF& r, double emptyCorner)
{
    Object* o = in.newObject(in.objectPrototype());
    const bool empty = !r.isValid();
    auto px = [](double twips) { return std::round(twips) / 20.0; };
    o->put("xMin", empty ? emptyCorner : px(r.left()));
    o->put("xMax", empty ? emptyCorner : px(r.right()));
    o->put("yMin", empty ? emptyCorner : px(r.top()));
    o->put("yMax", empty ? emptyCorner : px(r.bottom()));
    return o;
}

} // namespace

namespace {

// Moving the playhead: play, stop, the next and previous frames, goto.
void defineTimelineMethods(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    auto def = [&](const char* name, script::NativeFunction f) { in.defineMethod(proto, name, std::move(f)); };

    def("play", [&rt](Interpreter&, Object* self, const Args&) { rt.play(self); return Value(); });
    def("stop", [&rt](Interpreter&, Object* self, const Args&) { rt.stop(self); return Value(); });
    def("nextFrame", [&rt](Interpreter&, Object* self, const Args&) { rt.nextFrame(self); return Value(); });
    def("prevFrame", [&rt](Interpreter&, Object* self, const Args&) { rt.prevFrame(self); return Value(); });
    auto gotoMethod = [](bool play) {
        return [play](Interpreter& in, Object* self, const Args& args) {
            in.gotoFrameOf(self, arg(args, 0), play);
            return Value();
        };
    };
    def("gotoAndPlay", gotoMethod(true));
    def("gotoAndStop", gotoMethod(false));

}

// Depths: where a clip is among its siblings, and which clip is at a depth.
void defineDepthMethods(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    auto inst = [&rt](Object* self) { return rt.instanceOf(self); };
    auto def = [&](const char* name, script::NativeFunction f) { in.defineMethod(proto, name, std::move(f)); };

    def("getDepth", [inst](Interpreter&, Object* self, const Args&) {
        // A clip whose unload event runs has left for a depth below everything.
        if (self && self->hostData) {
            auto* leaving = static_cast<Instance*>(self->hostData);
            if (!leaving->object && leaving->unloading)
                return Value(double(-32769 - (leaving->depth - kScriptDepthOffset)));
        }
        Instance* i = inst(self);
        if (!i)
            return Value();
        // The levels lie at the bottom of the depths, _level0 at -16384.
        if (i->isRoot)
            return Value(double(i->level + kLevelDepthOffset));
        // A button's records count their depths from one above a timeline's.
        const bool inButton = i->parent && i->parent->object && i->parent->object->character &&
                              i->parent->object->character->kind == movie::Character::Kind::Button;
        const int shift = inButton ? 1 : 0;
        if (i->leftDepth)
            return Value(double(-1 - (*i->leftDepth + shift) - kScriptDepthOffset));
        return Value(double(i->depth + shift - kScriptDepthOffset));
    });
    def("swapDepths", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || args.empty())
            return Value();
        const Value target = args[0];
        if (i->isRoot) {
            const double d = in.toNumber(target);
            if (!target.isObject() && std::isfinite(d))
                rt.swapLevel(i, script::saturatedInt(d - kLevelDepthOffset));
            return Value();
        }
        if (Object* other = target.asObject()) {
            Instance* o = inst(other);
            if (o && o->parent == i->parent)
                rt.swapDepths(i, o->depth - kScriptDepthOffset);
        } else {
            const double d = in.toNumber(target);
            if (std::isfinite(d))
                rt.swapDepths(i, script::saturatedInt(d));
        }
        return Value();
    });
    def("getNextHighestDepth", [&rt, inst](Interpreter&, Object* self, const Args&) {
        Instance* i = inst(self);
        return i ? Value(double(rt.nextHighestDepth(i))) : Value();
    });
    def("getInstanceAtDepth", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || !i->object->clip || args.empty() || args[0].isUndefined())
            return Value();
        // Any other value is a depth: fractions go toward zero, and what is
        // no finite number (null, NaN, text, objects) is depth 0.
        const double d = in.toNumber(args[0]);
        auto& objects = i->object->clip->objects;
        auto it = objects.find(script::saturatedInt(double(script::toInt32(d)) + kScriptDepthOffset));
        if (it == objects.end())
            return Value();
        // A shape, a static text or a bitmap has no script object of its
        // own: the clip that holds it answers for it.
        Instance* found = rt.instanceFor(it->second);
        return Value(found && !found->isBitmap ? found->self : i->self);
    });
}

// Clips and text fields that scripts put on the stage or take off it, and masks.
void defineStageMethods(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    auto inst = [&rt](Object* self) { return rt.instanceOf(self); };
    auto def = [&](const char* name, script::NativeFunction f) { in.defineMethod(proto, name, std::move(f)); };

    def("attachMovie", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || args.size() < 3)
            return Value();
        const std::uint16_t id = rt.exported(i, in.toString(args[0]));
        // Depths wrap to 32 bits (4294967296 is depth 0); one that is not a
        // number is depth 0, as for createTextField.
        const double depth = in.toNumber(args[2]);
        if (!id)
            return Value();
        return Value(rt.attach(i, id, in.toString(args[1]), script::toInt32(depth), arg(args, 3).asObject()));
    });
    def("createEmptyMovieClip", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || args.size() < 2)
            return Value();
        const double depth = in.toNumber(args[1]);
        return Value(rt.createEmpty(i, in.toString(args[0]), script::toInt32(depth)));
    });
    def("attachBitmap", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        const script::BitmapPixels* bitmap = script::bitmapOf(arg(args, 0).asObject());
        if (!i || args.size() < 2 || !bitmap || bitmap->disposed())
            return Value();
        const bool smoothing = args.size() > 3 && in.toBoolean(args[3]);
        rt.attachBitmap(i, bitmap->shared(), script::toInt32(in.toNumber(args[1])), smoothing);
        return Value();
    });
    def("createTextField", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || args.size() < 6)
            return Value();
        // Whole pixels: fractions go, NaN and infinities are 0, and a
        // negative size counts as positive.
        double n[5];
        for (int k = 0; k < 5; ++k) {
            const double d = in.toNumber(args[std::size_t(k) + 1]);
            n[k] = std::isfinite(d) ? double(script::toInt32(d)) : 0;
        }
        Object* field = rt.createTextField(i, in.toString(args[0]), int(n[0]), n[1], n[2], std::abs(n[3]),
                                           std::abs(n[4]));
        // The new field is the answer from SWF 8 on; older movies get nothing.
        return in.swfVersion() >= 8 ? Value(field) : Value();
    });
    def("duplicateMovieClip", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || i->isRoot || args.size() < 2)
            return Value();
        const double depth = in.toNumber(args[1]);
        return Value(rt.duplicate(i, in.toString(args[0]), script::toInt32(depth), arg(args, 2).asObject()));
    });
    def("removeMovieClip", [&rt, inst](Interpreter&, Object* self, const Args&) {
        if (Instance* i = inst(self))
            rt.remove(i);
        return Value();
    });
    def("setMask", [&rt, inst](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || i->isRoot)
            return Value(false);
        // No argument changes nothing; undefined and null take the mask
        // away; anything else must lead to a clip, by itself or as a path
        // from the timeline the calling code runs on.
        if (args.empty())
            return Value();
        Instance* mask = nullptr;
        const Value target = args[0];
        if (Object* o = target.asObject())
            mask = inst(o);
        else if (!target.isNullish()) {
            Object* from = in.runningClip();
            mask = inst(in.resolveTarget(from ? from : self, in.toString(target)));
        }
        if (!mask && !target.isNullish())
            return Value(false);
        rt.endLayerMasking(i);
        rt.endLayerMasking(mask);
        rt.setMask(i, mask);
        return Value(true);
    });
}

// Bounds, hit tests, coordinate spaces and dragging.
void defineGeometryMethods(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    auto inst = [&rt](Object* self) { return rt.instanceOf(self); };
    auto def = [&](const char* name, script::NativeFunction f) { in.defineMethod(proto, name, std::move(f)); };

    // A clip given to a method: the clip itself, or a path to it from the
    // caller (any other object by its text); an empty path names no clip.
    auto clipArgument = [inst](Interpreter& in, Object* self, const Value& v) -> Instance* {
        if (Object* o = v.asObject()) {
            if (Instance* clip = inst(o))
                return clip;
        }
        const std::string path = in.toString(v);
        return path.empty() ? nullptr : inst(in.resolveTarget(self, path));
    };
    auto boundsMethod = [&rt, inst, clipArgument](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i)
            return Value();
        QRectF r = rt.localBounds(*i->object);
        if (r.isValid() && !args.empty()) {
            Instance* space = clipArgument(in, self, args[0]);
            if (!space)
                return Value();
            // Each corner goes to the stage and from there into the other
            // clip's space, in whole twips at each step, as points do.
            const QTransform toStage = rt.pointsToStage(i), toSpace = rt.pointsToLocal(space);
            const auto twips = [](QPointF p) { return QPointF(std::round(p.x()), std::round(p.y())); };
            QPolygonF corners;
            for (const QPointF& p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
                corners << twips(toSpace.map(twips(toStage.map(p))));
            r = corners.boundingRect();
        }
        // Asked for by code of SWF 8, even of a clip that has bounds, the
        // corner of empty bounds changes for good.
        const bool otherSpace = !args.empty() && arg(args, 0).asObject() != self;
        const double emptyCorner = rt.emptyBoundsCorner(in.swfVersion(), !args.empty(), otherSpace);
        return Value(makeBoundsObject(in, r, r.isValid() ? 0.0 : emptyCorner));
    };
    def("getBounds", boundsMethod);
    def("getRect", boundsMethod);
    def("hitTest", [&rt, inst, clipArgument](Interpreter& in, Object* self, const Args& args) {
        Instance* i = inst(self);
        if (!i || args.empty())
            return Value(false);
        if (args.size() >= 2) {
            // The point is in the coordinates of the clip's level root: moving,
            // scaling or turning the root moves the point with it. It reaches
            // the stage in whole twips, as points do.
            const Instance* root = i;
            while (root->parent && !root->isRoot)
                root = root->parent;
            QPointF p = rt.pointsToStage(root).map(QPointF(in.toNumber(args[0]) * 20.0, in.toNumber(args[1]) * 20.0));
            p = QPointF(std::round(p.x()), std::round(p.y()));
            return Value(rt.hitTest(i, p.x(), p.y(), args.size() > 2 && in.toBoolean(args[2]), true));
        }
        Instance* other = clipArgument(in, self, args[0]);
        if (!other)
            return Value(false);
        const QRectF a = rt.toStage(i).mapRect(rt.localBounds(*i->object));
        const QRectF b = rt.toStage(other).mapRect(rt.localBounds(*other->object));
        return Value(a.isValid() && b.isValid() && a.intersects(b));
    });
    auto convert = [&rt, inst](bool toGlobal) {
        return [&rt, inst, toGlobal](Interpreter&, Object* self, const Args& args) {
            Instance* i = inst(self);
            Object* point = arg(args, 0).asObject();
            if (!i || !point)
                return Value();
            // The point's own x and y, both plain numbers (whatever versions
            // their flags hide them from): inherited values, getters and other
            // types leave the point as it is. Each is taken in whole twips,
            // wrapped to 32 bits, and the result, in whole twips too, goes
            // straight into them.
            script::Property* px = point->findOwnAnyVersion("x");
            script::Property* py = point->findOwnAnyVersion("y");
            if (!px || !py || px->isAccessor() || py->isAccessor() || !px->value.isNumber() || !py->value.isNumber())
                return Value();
            const double x = script::toInt32(px->value.asNumber() * 20.0);
            const double y = script::toInt32(py->value.asNumber() * 20.0);
            const QTransform t = toGlobal ? rt.pointsToStage(i) : rt.pointsToLocal(i);
            const QPointF p = t.map(QPointF(x, y));
            px->value = std::round(p.x()) / 20.0;
            py->value = std::round(p.y()) / 20.0;
            return Value();
        };
    };
    def("localToGlobal", convert(true));
    def("globalToLocal", convert(false));
    def("startDrag", [&rt](Interpreter& in, Object* self, const Args& args) {
        const bool lock = in.toBoolean(arg(args, 0));
        const bool constrain = args.size() >= 5;
        double r[4] = {0, 0, 0, 0};
        for (int k = 0; constrain && k < 4; ++k)
            r[k] = in.toNumber(args[std::size_t(k) + 1]);
        rt.startDrag(self, lock, constrain, r[0], r[1], r[2], r[3]);
        return Value();
    });
    def("stopDrag", [&rt](Interpreter&, Object*, const Args&) { rt.stopDrag(); return Value(); });
}

// The movie a clip comes from, web addresses, and what a clip draws.
void defineMovieMethods(Interpreter& in, Object* proto, MovieRuntime& rt)
{
    auto def = [&](const char* name, script::NativeFunction f) { in.defineMethod(proto, name, std::move(f)); };

    def("getBytesLoaded", [&rt](Interpreter&, Object* self, const Args&) {
        Instance* i = rt.instanceOf(self);
        return i ? Value(rt.bytesLoaded(i)) : Value();
    });
    def("getBytesTotal", [&rt](Interpreter&, Object* self, const Args&) {
        Instance* i = rt.instanceOf(self);
        return i ? Value(rt.bytesTotal(i)) : Value();
    });
    def("getSWFVersion", [&rt](Interpreter&, Object* self, const Args&) {
        // Called on anything but a clip, it answers -1.
        Instance* i = rt.instanceOf(self);
        return Value(i ? double(rt.swfVersionOf(i)) : -1.0);
    });
    // meth(method): the code of a request method, 1 for "GET" and 2 for
    // "POST", 0 for anything else or nothing. The argument is lowered with
    // its own toLowerCase method, so only strings (or values given one) can
    // name a method.
    def("meth", [](Interpreter& in, Object*, const Args& args) {
        if (args.empty())
            return Value(0);
        const Value lowered = in.callMethod(args[0], "toLowerCase", {});
        if (!lowered.isString())
            return Value(0);
        const std::string method = in.toString(lowered);
        return Value(method == "get" ? 1 : method == "post" ? 2 : 0);
    });
    // loadMovie, loadVariables and getURL ask the clip's own meth for their
    // method argument first, whatever else they are given: a script that
    // replaces meth is called each time.
    auto askMethod = [](Interpreter& in, Object* self, const Args& args, std::size_t at) {
        return in.callMethod(Value(self), "meth", at < args.size() ? Args{args[at]} : Args{});
    };
    // loadMovie(url[, method]) and loadVariables: what arrives replaces what
    // the clip shows, or sets its variables, on a later frame.
    def("loadMovie", [&rt, askMethod](Interpreter& in, Object* self, const Args& args) {
        askMethod(in, self, args, 1);
        Instance* i = rt.instanceOf(self);
        if (!i || args.empty())
            return Value();
        rt.requestMovie(i, -1, in.toString(args[0]), nullptr, Value());
        return Value();
    });
    // As loadMovie of nothing: a level goes at once, a clip is made anew,
    // empty, a frame later (until then it keeps its drawing and members).
    def("unloadMovie", [&rt](Interpreter&, Object* self, const Args&) {
        if (Instance* i = rt.instanceOf(self))
            rt.requestMovie(i, -1, "", nullptr, Value());
        return Value();
    });
    def("loadVariables", [&rt, askMethod](Interpreter& in, Object* self, const Args& args) {
        const int method = script::toInt32(in.toNumber(askMethod(in, self, args, 1)));
        Instance* i = rt.instanceOf(self);
        if (i && !args.empty())
            rt.loadVariables(i, -1, in.toString(args[0]), method, self);
        return Value();
    });
    def("getURL", [&rt, askMethod](Interpreter& in, Object* self, const Args& args) {
        askMethod(in, self, args, 2);
        if (!args.empty())
            rt.getUrl(self, in.toString(args[0]), args.size() > 1 ? in.toString(args[1]) : std::string(), 0, false, false);
        return Value();
    });
    installDrawingMethods(in, proto, [&rt](Object* clip) -> movie::Drawing* {
        Instance* i = rt.instanceOf(clip);
        if (!i || !i->object || !i->object->clip)
            return nullptr;
        auto& drawing = i->object->clip->drawing;
        if (!drawing)
            drawing = movie::Box<movie::Drawing>(movie::Drawing{});
        return drawing.get();
    });
}

void installButtonClass(Interpreter& in, MovieRuntime& rt)
{
    auto inst = [&rt](Object* self) { return rt.instanceOf(self); };
    Object* buttonProto = in.newObject(in.objectPrototype());
    script::makeConstructor(
        in, "Button", [](Interpreter&, Object*, const Args&) { return Value(); },
        [](Interpreter&, Object* self, const Args&) {
            if (self)
                self->markNative();
            return Value();
        },
        buttonProto);
    // Plain values a button inherits until a script gives it its own: what
    // the pointer may do with it and whether it shows the hand.
    buttonProto->put("useHandCursor", true);
    buttonProto->put("enabled", true);
    // A button's getDepth answers for buttons only: given to a clip, it
    // reads undefined.
    in.defineMethod(buttonProto, "getDepth", [inst](Interpreter&, Object* self, const Args&) {
        Instance* i = inst(self);
        const bool button = i && i->object && i->object->character
                            && i->object->character->kind == movie::Character::Kind::Button;
        return button ? Value(double(i->depth - kScriptDepthOffset)) : Value();
    });
    // Unlike a clip's, a button's display members show to for..in and to
    // movies of every version, in the order they were made.
    const InstanceSettings settings{in, buttonProto, rt, script::PropertyFlag::DontDelete};
    settings.rectangle("scale9Grid", &Instance::scale9Grid);
    defineFilters(in, buttonProto, rt);
    settings.flag("cacheAsBitmap", &Instance::cacheAsBitmap);
    defineBlendMode(in, buttonProto, rt);
    for (const char* name : {"getDepth", "filters", "blendMode"})
        buttonProto->findOwnAnyVersion(name)->flags = script::PropertyFlag::DontDelete;
    defineTabIndex(in, buttonProto, rt, true);
}

} // namespace

void addVideoMembers(Interpreter& in, MovieRuntime& rt, Object* video)
{
    // Each video has them as its own members, as for..in shows: the size of
    // its stream and how it is drawn.
    auto size = [&in, &rt](bool width) {
        return in.newFunction([&rt, width](Interpreter&, Object* self, const Args&) {
            Instance* inst = rt.instanceOf(self);
            // With a stream attached: the size of the picture it shows, 0 before the first.
            if (const movie::LiveBitmap* feed = inst && inst->object ? inst->object->videoFeed.get() : nullptr)
                return Value(feed->pixels.empty() ? 0.0 : double(width ? feed->width : feed->height));
            const movie::VideoStream* stream =
                inst && inst->object && inst->object->character ? inst->object->character->video.get() : nullptr;
            return Value(stream ? double(width ? stream->header.width : stream->header.height) : 0.0);
        });
    };
    video->setAccessor("width", size(true), nullptr);
    video->setAccessor("height", size(false), nullptr);
    video->put("smoothing", false);
    video->put("deblocking", 0.0);
}

Value objectFilters(Interpreter& in, MovieRuntime& rt, Object* self)
{
    Instance* inst = rt.instanceOf(self);
    if (!inst || !inst->object)
        return Value();
    const movie::DisplayObject& object = *inst->object;
    if (object.scriptFilters)
        return script::filterObjects(in, *object.scriptFilters);
    std::vector<FilterValues> placed;
    if (object.filters) {
        for (const Filter& f : *object.filters) {
            if (auto values = decodeFilter(f))
                placed.push_back(std::move(*values));
        }
    }
    return script::filterObjects(in, placed);
}

void setObjectFilters(Interpreter& in, MovieRuntime& rt, Object* self, const Value& list)
{
    Instance* inst = rt.instanceOf(self);
    if (!inst || !inst->object)
        return;
    inst->object->scriptFilters = script::readFilters(in, list);
}

std::shared_ptr<script::ObjectExtension> installMovieClipClass(Interpreter& in, MovieRuntime& rt)
{
    auto extension = std::make_shared<ClipExtension>(rt);
    Object* proto = in.newObject(in.objectPrototype());
    script::makeConstructor(
        in, "MovieClip", [](Interpreter&, Object*, const Args&) { return Value(); },
        [](Interpreter&, Object*, const Args&) { return Value(); }, proto);
    // As for buttons: a clip acts on the pointer and shows the hand until
    // its own values say otherwise.
    proto->put("useHandCursor", true, script::PropertyFlag::DontEnum);
    proto->put("enabled", true, script::PropertyFlag::DontEnum);
    defineTimelineMethods(in, proto, rt);
    defineDepthMethods(in, proto, rt);
    defineStageMethods(in, proto, rt);
    defineGeometryMethods(in, proto, rt);
    defineMovieMethods(in, proto, rt);
    auto def = [&](const char* name, script::NativeFunction f) { in.defineMethod(proto, name, std::move(f)); };
    // new TextSnapshot(this), through whatever the name holds now as a
    // variable of the clip: a member of the clip's own, else the global.
    def("getTextSnapshot", [](Interpreter& in, Object* self, const Args&) -> Value {
        if (!self)
            return Value();
        const script::Property* own = self->findOwn("TextSnapshot");
        const Value ctor = own ? in.getMember(self, "TextSnapshot") : in.getMember(in.global(), "TextSnapshot");
        Object* fn = ctor.asObject();
        if (!fn || !fn->isFunction())
            return Value();
        return in.construct(ctor, {Value(self)});
    });
    for (const char* name : {"attachAudio", "attachVideo", "clear",
                             "lineStyle", "beginFill", "beginGradientFill", "moveTo", "lineTo", "curveTo", "endFill"}) {
        if (!proto->findOwn(name))
            def(name, [](Interpreter&, Object*, const Args&) { return Value(); });
    }

    // Methods that came with later players are hidden from older movies.
    // createTextField is older: version 5 movies call it too.
    script::markVersion(proto, {"createEmptyMovieClip", "getDepth", "setMask", "attachAudio",
                                "attachVideo", "clear", "lineStyle", "beginFill", "beginGradientFill", "moveTo",
                                "lineTo", "curveTo", "endFill"},
                        script::PropertyFlag::Version6);
    script::markVersion(proto, {"getTextSnapshot"}, script::PropertyFlag::Version6);
    // getSWFVersion answers in movies of every version.
    script::markVersion(proto, {"getInstanceAtDepth", "getNextHighestDepth"}, script::PropertyFlag::Version7);
    proto->setAccessor("transform", in.newFunction([](Interpreter& in, Object* self, const Args&) {
        return clipTransform(in, self);
    }), in.newFunction([&rt](Interpreter&, Object* self, const Args& args) {
        setClipTransform(rt, self, arg(args, 0));
        return Value();
    }));
    proto->findOwnAnyVersion("transform")->flags = script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete;
    script::markVersion(proto, {"getRect", "transform", "attachBitmap"}, script::PropertyFlag::Version8);
    defineDisplayMembers(in, proto, rt);
    defineClipSettings(in, proto, rt);
    defineTabIndex(in, proto, rt, false);
    installTransformClass(in, rt);
    installNetStreams(in, rt);

    installButtonClass(in, rt);
    return extension;
}

} // namespace swf::runtime
