// Conversions and comparisons of values: to primitives, numbers and strings,
// loose equality, less-than, instanceof.

#include "common/utf8.h"
#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace swf::script {

Value Interpreter::add(const Value& a, const Value& b)
{
    // The right operand converts first, as the player's stack machine pops it first.
    const Value right = toPrimitive(b);
    const Value left = toPrimitive(a);
    if (!left.isString() && !right.isString())
        return toNumber(left) + toNumber(right);
    // An operand still an object gives its text; a String object whose
    // valueOf gave no primitive gives its own characters, not its toString.
    auto text = [this](const Value& v) {
        const Object* o = v.asObject();
        if (o && o->objectClass() == ObjectClass::String && o->primitive.isString())
            return o->primitive.asString();
        return toString(v);
    };
    std::string joined = text(left);
    const std::string tail = text(right);
    if (!reserveMemory(joined.size() + tail.size()))
        return Value();
    return joined.append(tail);
}

Value Interpreter::conversionMethod(Object* o, const char* name)
{
    // Conversions find valueOf and toString up the prototype chain, getters
    // included, but never ask __resolve for them.
    if (o->objectClass() == ObjectClass::Super)
        return getMember(Value(o), name);
    return lookup(o, name, nullptr);
}

Value Interpreter::toPrimitive(const Value& v, int hint)
{
    Object* o = v.asObject();
    if (!o || o->objectClass() == ObjectClass::Clip)
        return v;
    // A Date asks its toString first from SWF 6 on; SWF 5 treats it as any object.
    const bool stringFirst = hint == 2 || (hint == 0 && o->objectClass() == ObjectClass::Date && swfVersion() >= 6);
    // Without toString at all a string conversion asks valueOf from SWF 6
    // on (SWF 5 asks the preferred one alone); without valueOf the object
    // is undefined, whatever toString it has. A method there but no
    // function (set to undefined, say) makes the object undefined too.
    const char* preferred = stringFirst ? "toString" : "valueOf";
    Value fn = conversionMethod(o, preferred);
    if (!fn.isObject() || !fn.asObject()->isFunction()) {
        Object* owner = nullptr;
        lookup(o, preferred, &owner);
        if (owner || swfVersion() < 6 || !stringFirst)
            return Value();
        fn = conversionMethod(o, stringFirst ? "valueOf" : "toString");
        if (!fn.isObject() || !fn.asObject()->isFunction())
            return Value();
    }
    Value r = call(fn, o, {});
    // A clip stands for itself; any other object means "no primitive", and
    // the caller converts the original object again (calling toString or
    // valueOf a second time, as the original player does).
    if (r.isPrimitive() || r.asObject()->objectClass() == ObjectClass::Clip)
        return r;
    return v;
}

double Interpreter::toNumber(const Value& v)
{
    if (v.isPrimitive())
        return primitiveToNumber(v, swfVersion());
    Value p = toPrimitive(v, 1);
    if (p.isPrimitive())
        return primitiveToNumber(p, swfVersion());
    // SWF 4 knows no objects: one with no number in it counts as 0, as text
    // that is no number does there.
    return swfVersion() < 5 ? 0.0 : std::numeric_limits<double>::quiet_NaN();
}

double Interpreter::toDisplayNumber(const Value& v)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (v.isNullish())
        return nan;
    if (swfVersion() < 6)
        return toNumber(v);
    // What an object's valueOf gives converts by the movie's rules, except
    // empty text.
    const Value p = toPrimitive(v, 1);
    if (!p.isPrimitive() || (p.isString() && p.asString().empty()))
        return nan;
    return primitiveToNumber(p, swfVersion());
}

std::string Interpreter::toString(const Value& v)
{
    if (v.isPrimitive())
        return primitiveToString(v, swfVersion());
    Object* o = v.asObject();
    // Clips, buttons and text fields (the objects of the display tree, which
    // the host marks) are their paths.
    if (o->objectClass() == ObjectClass::Clip) {
        Object* clip = liveClip(o);
        return clip ? m_host.targetPath(clip, false) : std::string();
    }
    if (o->hostData)
        return m_host.targetPath(o, false);
    // A toString that gives no string, or is no function, leaves the
    // object's kind.
    const std::string kind = o->isFunction() ? "[type Function]" : "[type Object]";
    Value fn = conversionMethod(o, "toString");
    if (fn.isObject() && fn.asObject()->isFunction()) {
        Value r = call(fn, o, {});
        return r.isString() ? r.asString() : kind;
    }
    // So does one without a toString (an object cut off from Object.prototype,
    // an activation, the global object).
    return kind;
}

// A clip value names its clip by its place on the stage: two live clips of
// the same name under the same parent (a timeline's copy beside a scripted
// one) compare equal, though each answers for itself.
bool Interpreter::sameClipPath(Object* x, Object* y)
{
    if (!x || !y || x == y || x->objectClass() != ObjectClass::Clip || y->objectClass() != ObjectClass::Clip)
        return false;
    // A reference to a clip that left the stage is the clip now at its path.
    x = liveClip(x);
    y = liveClip(y);
    if (!x || !y)
        return false;
    if (x == y)
        return true;
    if (!m_host.onStage(x) || !m_host.onStage(y))
        return false;
    return m_host.parent(x) == m_host.parent(y) && m_host.targetPath(x, false) == m_host.targetPath(y, false);
}

bool Interpreter::strictlyEqual(const Value& a, const Value& b)
{
    return strictEquals(a, b) || (a.isObject() && b.isObject() && sameClipPath(a.asObject(), b.asObject()));
}

bool Interpreter::looseEquals(const Value& a, const Value& b)
{
    // Objects convert through valueOf; SWF 5 asks a second time when the
    // first answer is an object.
    auto primitive = [&](const Value& o) {
        Value p = toPrimitive(o, 1);
        if (p.isObject() && swfVersion() < 6 && p.asObject()->objectClass() != ObjectClass::Clip)
            p = toPrimitive(o, 1);
        return p;
    };
    if (swfVersion() < 6 && (a.isObject() || b.isObject()))
        return looseEqualsVersion5(a, b);
    if (a.type() == b.type()) {
        Object* x = a.asObject();
        Object* y = b.asObject();
        if (!x || !y || x == y)
            return strictEquals(a, b);
        if (sameClipPath(x, y))
            return true;
        // A clip and another object are different kinds: the object is
        // converted first.
        const bool xClip = x->objectClass() == ObjectClass::Clip;
        if (xClip != (y->objectClass() == ObjectClass::Clip)) {
            Value p = primitive(xClip ? b : a);
            return p.asObject() == (xClip ? x : y);
        }
        return false;
    }
    if (a.isNullish() && b.isNullish())
        return true;
    // An object equals undefined or null when its valueOf gives one.
    if (a.isNullish() && b.isObject()) {
        Value p = primitive(b);
        return p.isObject() ? false : looseEquals(a, p);
    }
    if (b.isNullish() && a.isObject()) {
        Value p = primitive(a);
        return p.isObject() ? false : looseEquals(p, b);
    }
    if (a.isNullish() || b.isNullish())
        return false;
    // The empty string equals no number, whatever the version.
    if (a.isNumber() && b.isString())
        return !b.asString().empty() && a.asNumber() == stringToNumber(b.asString(), swfVersion());
    if (a.isString() && b.isNumber())
        return !a.asString().empty() && stringToNumber(a.asString(), swfVersion()) == b.asNumber();
    if (a.isBoolean())
        return looseEquals(Value(a.asBool() ? 1.0 : 0.0), b);
    if (b.isBoolean())
        return looseEquals(a, Value(b.asBool() ? 1.0 : 0.0));
    if (a.isObject() && !b.isObject()) {
        Value p = primitive(a);
        return p.isObject() ? false : looseEquals(p, b);
    }
    if (b.isObject() && !a.isObject()) {
        Value p = primitive(b);
        return p.isObject() ? false : looseEquals(a, p);
    }
    return false;
}

namespace {

// Strings order by their characters, which is the order of their UTF-8
// bytes, except that a file may store a surrogate pair as two three-byte
// sequences: the pair counts as the character it encodes.
bool stringLess(const std::string& a, const std::string& b)
{
    if (a.find('\xED') == std::string::npos && b.find('\xED') == std::string::npos)
        return a < b;
    auto characters = [](const std::string& s) {
        std::vector<std::uint32_t> units = veskor::decodeUtf8(s), out;
        for (std::size_t i = 0; i < units.size(); ++i) {
            if (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00
                && units[i + 1] < 0xE000) {
                out.push_back(0x10000 + ((units[i] - 0xD800) << 10) + (units[i + 1] - 0xDC00));
                ++i;
            } else {
                out.push_back(units[i]);
            }
        }
        return out;
    };
    const std::vector<std::uint32_t> x = characters(a), y = characters(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
}

} // namespace

Value Interpreter::lessThan(const Value& a, const Value& b)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Operands go through valueOf (toString when there is none; undefined
    // when neither exists). An object whose conversion gives another object
    // cannot be ordered: the comparison is false. A clip counts as NaN.
    bool unordered = false;
    auto primitive = [&](const Value& v) -> Value {
        Object* o = v.asObject();
        if (!o)
            return v;
        if (o->objectClass() == ObjectClass::Clip)
            return nan;
        Value fn = conversionMethod(o, "valueOf");
        if (!fn.isObject() || !fn.asObject()->isFunction())
            fn = conversionMethod(o, "toString");
        if (!fn.isObject() || !fn.asObject()->isFunction())
            return Value();
        Value r = call(fn, o, {});
        if (r.isObject()) {
            unordered = unordered || r.asObject()->objectClass() != ObjectClass::Clip;
            return nan;
        }
        return r;
    };
    Value pa = primitive(a);
    if (unordered)
        return false; // the second operand is not converted at all
    Value pb = primitive(b);
    if (unordered)
        return false;
    // Strings compare by bytes, except that the empty string sorts after
    // every other string, as in the original player.
    if (pa.isString() && pb.isString()) {
        if (pa.asString().empty() || pb.asString().empty())
            return !pa.asString().empty();
        return stringLess(pa.asString(), pb.asString());
    }
    // The empty string is NaN here in every version.
    auto number = [&](const Value& p) {
        if (!p.isString())
            return primitiveToNumber(p, swfVersion());
        return p.asString().empty() ? kNaN : stringToNumber(p.asString(), swfVersion());
    };
    double x = number(pa);
    double y = number(pb);
    if (std::isnan(x) || std::isnan(y))
        return Value();
    return x < y;
}

bool Interpreter::instanceOf(Object* o, Object* constructor)
{
    if (!constructor)
        return false;
    // The class's own prototype as stored, whatever versions its flags hide
    // it from: no getter runs and the class's own prototypes are not asked.
    // A primitive there is made an object, which nothing inherits from;
    // the instance's chain is walked all the same.
    const Property* stored = constructor->findOwnAnyVersion("prototype");
    const Value protoValue = stored && !stored->isAccessor() ? stored->value : Value();
    if (protoValue.isPrimitive())
        toObject(protoValue);
    Object* target = protoValue.asObject();
    if (!o)
        return false;
    // Interfaces recorded by ImplementsOp on a prototype; an interface that
    // extends others has them recorded on its own prototype in turn.
    int budget = kMaxProtoDepth;
    auto implements = [&](auto& self, Object* proto) -> bool {
        const Property* list = proto->findOwn("__implements__");
        Object* ifaces = list ? list->value.asObject() : nullptr;
        if (!ifaces)
            return false;
        for (const Property& entry : ifaces->properties()) {
            Object* iface = entry.value.asObject();
            if (!iface || --budget < 0)
                continue;
            if (iface == constructor)
                return true;
            Object* ip = getMember(iface, "prototype").asObject();
            if (ip && (ip == target || self(self, ip)))
                return true;
        }
        return false;
    };
    // The chain ends where it would lead to a clip.
    auto next = [](Object* from) {
        Object* up = from->proto();
        return up && up->objectClass() == ObjectClass::Clip ? nullptr : up;
    };
    Object* p = next(o);
    for (int depth = 0; p; ++depth) {
        if (depth > kMaxProtoDepth) {
            // As on any walk up a chain, the player gives up on the script.
            abort("prototype chain too deep");
            return false;
        }
        if (target && (p == target || implements(implements, p)))
            return true;
        p = next(p);
    }
    return false;
}

Object* Interpreter::classObject(const Value& v)
{
    return v.isObject() ? liveClip(v.asObject()) : toObject(v);
}

} // namespace swf::script
