// Color: reads and sets the colour transform of a clip, named by the
// object's `target` (a clip, or a path resolved each time from the calling
// clip). Multipliers are percentages kept in the player's 8.8 fixed point,
// offsets whole numbers, both 16 bits wide.

#include "swf/script/builtins/env_support.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace swf::script {

namespace {

double percentFromMultiplier(double multiplier)
{
    const double fixed = std::round(multiplier * 256.0);
    return fixed * 100.0 / 256.0;
}

double offsetFromNumber(double n)
{
    return double(std::int16_t(toInt32(n)));
}

struct Channel {
    const char* multName;
    const char* addName;
    double swf::ColorTransform::*mult;
    double swf::ColorTransform::*add;
};

constexpr Channel kChannels[] = {
    {"ra", "rb", &swf::ColorTransform::rMult, &swf::ColorTransform::rAdd},
    {"ga", "gb", &swf::ColorTransform::gMult, &swf::ColorTransform::gAdd},
    {"ba", "bb", &swf::ColorTransform::bMult, &swf::ColorTransform::bAdd},
    {"aa", "ab", &swf::ColorTransform::aMult, &swf::ColorTransform::aAdd},
};

// The clip of a Color object, with its transform; null when the target names no clip.
Object* targetClip(Interpreter& in, Object* self, swf::ColorTransform& transform)
{
    if (!self)
        return nullptr;
    Object* clip = env::resolveClip(in, in.getMember(self, "target"));
    return clip && in.host().clipColorTransform(clip, transform) ? clip : nullptr;
}

} // namespace

void installColor(Interpreter& in)
{
    auto construct = [](Interpreter&, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        self->put("target", arg(args, 0));
        env::addFlagsToAll(self, env::kLocked);
        return self;
    };
    auto made = std::make_shared<Object*>(nullptr);
    Object* ctor = makeConstructor(in, "Color", env::superCall(made, construct), construct);
    *made = ctor;
    // The call form keeps a pointer to it: it lives as long as the machine.
    in.pin(ctor);
    Object* proto = in.getMember(ctor, "prototype").asObject();
    if (!proto)
        return;

    in.defineMethod(proto, "getRGB", [](Interpreter& in, Object* self, const Args&) -> Value {
        swf::ColorTransform t;
        if (!targetClip(in, self, t))
            return Value();
        const std::int32_t r = toInt32(t.rAdd), g = toInt32(t.gAdd), b = toInt32(t.bAdd);
        return double(std::int32_t(std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b)));
    });
    in.defineMethod(proto, "setRGB", [](Interpreter& in, Object* self, const Args& args) -> Value {
        swf::ColorTransform t;
        Object* clip = targetClip(in, self, t);
        if (!clip || args.empty())
            return Value();
        const std::uint32_t rgb = toUint32(in.toNumber(args[0]));
        t.rMult = t.gMult = t.bMult = 0;
        t.rAdd = double((rgb >> 16) & 0xFF);
        t.gAdd = double((rgb >> 8) & 0xFF);
        t.bAdd = double(rgb & 0xFF);
        in.host().setClipColorTransform(clip, t);
        return Value();
    });
    in.defineMethod(proto, "getTransform", [](Interpreter& in, Object* self, const Args&) -> Value {
        swf::ColorTransform t;
        if (!targetClip(in, self, t))
            return Value();
        Object* out = in.newObject();
        for (const Channel& c : kChannels) {
            out->put(c.multName, percentFromMultiplier(t.*c.mult));
            out->put(c.addName, std::round(t.*c.add));
        }
        return out;
    });
    // Members the object lacks keep their current values.
    in.defineMethod(proto, "setTransform", [](Interpreter& in, Object* self, const Args& args) -> Value {
        swf::ColorTransform t;
        Object* clip = targetClip(in, self, t);
        Object* source = arg(args, 0).asObject();
        if (!clip || !source)
            return Value();
        for (const Channel& c : kChannels) {
            if (in.hasProperty(source, c.multName))
                t.*c.mult = swf::ColorTransform::multiplierFromPercent(in.toNumber(in.getMember(source, c.multName)));
            if (in.hasProperty(source, c.addName))
                t.*c.add = offsetFromNumber(in.toNumber(in.getMember(source, c.addName)));
        }
        in.host().setClipColorTransform(clip, t);
        return Value();
    });
    env::addFlagsToAll(proto, env::kLocked);
}

} // namespace swf::script
