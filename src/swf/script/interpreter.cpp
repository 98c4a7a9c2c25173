#include "swf/script/interpreter.h"

#include "swf/script/builtins/builtins.h"
#include "swf/script/frame.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace swf::script {

namespace {

// Prototype chains deeper than this are treated as cycles.
constexpr int kMaxProtoDepth = 256;

bool isArrayIndex(const std::string& name, std::uint32_t& index)
{
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0'))
        return false;
    std::uint64_t v = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + std::uint64_t(c - '0');
    }
    if (v >= 4294967295u)
        return false;
    index = std::uint32_t(v);
    return true;
}

std::string lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return s;
}

} // namespace


Interpreter::Interpreter(ScriptHost& host, int swfVersion, Limits limits)
    : m_host(host), m_version(swfVersion), m_limits(limits), m_heap(swfVersion)
{
    m_objectPrototype = m_heap.make();
    m_functionPrototype = m_heap.make(ObjectClass::Function);
    m_functionPrototype->put("__proto__", m_objectPrototype, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    m_global = newObject();
    installBuiltins(*this);
    setLiveMemory(0);
}

Interpreter::~Interpreter() = default;

// ---------------------------------------------------------------- objects

Object* Interpreter::newObject() { return newObject(m_objectPrototype); }

Object* Interpreter::newObject(Object* proto)
{
    Object* o = m_heap.make();
    if (proto)
        o->put("__proto__", proto, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return o;
}

Object* Interpreter::newArray(const std::vector<Value>& items)
{
    Object* a = newObject(prototypeOf("Array"));
    a->setObjectClass(ObjectClass::Array);
    a->put("length", 0, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    if (!reserveMemory(items.size() * kPropertyBytes))
        return a;
    for (std::size_t i = 0; i < items.size(); ++i)
        a->put(std::to_string(i), items[i]);
    a->put("length", double(items.size()));
    return a;
}

Object* Interpreter::newFunction(NativeFunction f, NativeFunction constructor)
{
    Object* fn = newObject(m_functionPrototype);
    fn->setObjectClass(ObjectClass::Function);
    fn->setNative(std::move(f));
    if (const Property* function = m_global->findOwnAnyVersion("Function"))
        fn->put("constructor", function->value, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    if (constructor)
        fn->setNativeConstructor(std::move(constructor));
    return fn;
}

Object* Interpreter::defineMethod(Object* on, const std::string& name, NativeFunction f)
{
    Object* fn = newFunction(std::move(f));
    on->put(name, fn, PropertyFlag::DontEnum);
    return fn;
}

Object* Interpreter::prototypeOf(const std::string& constructorName)
{
    const Property* ctor = m_global->findOwn(constructorName);
    if (!ctor || !ctor->value.isObject())
        return constructorName == "Function" ? m_functionPrototype : m_objectPrototype;
    const Property* proto = ctor->value.asObject()->findOwn("prototype");
    return proto && proto->value.isObject() ? proto->value.asObject() : m_objectPrototype;
}

Object* Interpreter::toObject(const Value& v)
{
    switch (v.type()) {
    case ValueType::Object:
        return v.asObject();
    case ValueType::String: {
        Object* o = newObject(prototypeOf("String"));
        o->setObjectClass(ObjectClass::String);
        o->primitive = v;
        o->put("length", double(stringLength(v.asString(), m_version)), PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly);
        return o;
    }
    case ValueType::Number: {
        Object* o = newObject(prototypeOf("Number"));
        o->setObjectClass(ObjectClass::Number);
        o->primitive = v;
        return o;
    }
    case ValueType::Boolean: {
        Object* o = newObject(prototypeOf("Boolean"));
        o->setObjectClass(ObjectClass::Boolean);
        o->primitive = v;
        return o;
    }
    default:
        return nullptr;
    }
}

Value Interpreter::lookup(Object* o, const std::string& name, Object** owner)
{
    Object* thisObject = o;
    for (int depth = 0; o; ++depth) {
        if (depth > kMaxProtoDepth) {
            // The original player gives up on the whole script here.
            abort("prototype chain too deep");
            return Value();
        }
        if (ObjectExtension* ext = o->extension()) {
            Value out;
            if (ext->getMember(*this, *o, name, out)) {
                if (owner)
                    *owner = o;
                return out;
            }
        }
        if (const Property* p = o->findOwn(name)) {
            if (owner)
                *owner = o;
            if (p->isAccessor()) {
                Object* getter = p->getter;
                return call(getter, thisObject, {});
            }
            return p->value;
        }
        o = o->proto();
    }
    if (owner)
        *owner = nullptr;
    return Value();
}

Value Interpreter::getPropertyOf(Object* o, const std::string& name, Object* thisObject)
{
    (void)thisObject;
    Object* owner = nullptr;
    Value v = lookup(o, name, &owner);
    if (!owner && m_version >= 6 && name != "__resolve") {
        // An object may answer for missing names through __resolve.
        Object* resolveOwner = nullptr;
        Value resolver = lookup(o, "__resolve", &resolveOwner);
        if (resolveOwner && resolver.isObject() && resolver.asObject()->isFunction())
            return call(resolver, o, {Value(name)});
    }
    return v;
}

Value Interpreter::getMember(const Value& base, const std::string& name)
{
    if (base.isObject()) {
        Object* o = base.asObject();
        if (o->objectClass() == ObjectClass::Super) {
            Object* start = o->superProto;
            for (int depth = 0; start && depth < kMaxProtoDepth; ++depth) {
                if (const Property* p = start->findOwn(name)) {
                    if (p->isAccessor())
                        return call(p->getter, o->superThis, {});
                    return p->value;
                }
                start = start->proto();
            }
            return Value();
        }
        return getPropertyOf(o, name, o);
    }
    if (base.isString() && name == "length")
        return double(stringLength(base.asString(), m_version));
    Object* o = toObject(base);
    return o ? getPropertyOf(o, name, o) : Value();
}

bool Interpreter::hasOwnName(Object* o, const std::string& name)
{
    if (ObjectExtension* ext = o->extension()) {
        Value out;
        if (ext->getMember(*this, *o, name, out))
            return true;
    }
    return o->findOwn(name) != nullptr;
}

bool Interpreter::hasProperty(Object* o, const std::string& name)
{
    for (int depth = 0; o && depth < kMaxProtoDepth; ++depth) {
        if (ObjectExtension* ext = o->extension()) {
            Value out;
            if (ext->getMember(*this, *o, name, out))
                return true;
        }
        if (o->findOwn(name))
            return true;
        o = o->proto();
    }
    return false;
}

void Interpreter::setMember(const Value& base, const std::string& name, const Value& input)
{
    Object* o = base.asObject();
    // Native code that fills objects in a loop (decoding, parsing) ends up
    // here: past the memory budget its assignments stop.
    if (!o || !reserveMemory(0))
        return;
    if (o->objectClass() == ObjectClass::Super)
        o = o->superThis;
    if (!o)
        return;
    if (ObjectExtension* ext = o->extension()) {
        if (ext->setMember(*this, *o, name, input))
            return;
    }
    Value value = input;
    auto& watches = o->watches();
    if (!watches.empty()) {
        auto it = watches.find(o->key(name));
        if (it != watches.end() && it->second.callback) {
            // The watch runs once per assignment; a watch that assigns the
            // same name does not re-enter itself.
            Watch w = it->second;
            it->second.callback = nullptr;
            const Property* old = o->findOwn(name);
            Value oldValue = old ? old->value : Value();
            value = call(w.callback, o, {Value(name), oldValue, input, w.userData});
            auto again = o->watches().find(o->key(name));
            if (again != o->watches().end() && !again->second.callback)
                again->second.callback = w.callback;
        }
    }
    // A getter/setter property anywhere on the chain takes the assignment.
    Object* p = o;
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        if (Property* prop = p->findOwn(name)) {
            if (prop->isAccessor()) {
                if (prop->setter)
                    call(prop->setter, o, {value});
                return;
            }
            break;
        }
        p = p->proto();
    }
    if (Property* own = o->findOwn(name)) {
        if (own->flags & PropertyFlag::ReadOnly)
            return;
        m_heap.charge(heapBytes(value));
        own->value = value;
    } else {
        o->put(name, value);
    }
    if (o->objectClass() == ObjectClass::Array) {
        std::uint32_t index = 0;
        if (name == "length") {
            double n = toNumber(value);
            setArrayLength(o, n >= 0 && n < 4294967295.0 ? std::uint32_t(n) : 0);
            // The elements go as the number says, but length keeps what was assigned.
            if (!value.isNumber())
                o->put("length", value);
        } else if (isArrayIndex(name, index) && index >= arrayLength(o)) {
            o->put("length", double(index) + 1);
        }
    }
}

bool Interpreter::deleteMember(Object* o, const std::string& name)
{
    if (!o)
        return false;
    return o->remove(name);
}

std::uint32_t Interpreter::arrayLength(Object* a)
{
    if (!a)
        return 0;
    const Property* p = a->findOwn("length");
    if (!p)
        return 0;
    double n = p->value.isNumber() ? p->value.asNumber() : toNumber(p->value);
    if (!(n > 0))
        return 0;
    return n >= 4294967295.0 ? 4294967295u : std::uint32_t(n);
}

void Interpreter::setArrayLength(Object* a, std::uint32_t length)
{
    std::uint32_t old = arrayLength(a);
    if (length < old) {
        // Only the elements that exist are removed, not every index in between.
        std::vector<std::string> doomed;
        for (const Property& p : a->properties()) {
            std::uint32_t index = 0;
            if (isArrayIndex(p.name, index) && index >= length)
                doomed.push_back(p.name);
        }
        for (const std::string& n : doomed)
            a->remove(n);
    }
    a->put("length", double(length));
}

std::vector<Value> Interpreter::arrayItems(Object* a)
{
    std::vector<Value> items;
    const std::uint32_t n = std::min(arrayLength(a), 1u << 24);
    // A sparse array's length costs nothing, its list of items does.
    if (!reserveMemory(std::size_t(n) * sizeof(Value)))
        return items;
    items.reserve(std::min<std::uint32_t>(n, 1u << 20));
    for (std::uint32_t i = 0; i < n; ++i)
        items.push_back(getMember(a, std::to_string(i)));
    return items;
}

std::vector<std::string> Interpreter::enumerableNames(Object* o)
{
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    if (o && o->extension()) {
        o->extension()->enumerate(*this, *o, names);
        for (const std::string& n : names)
            seen.insert(o->key(n));
    }
    for (int depth = 0; o && depth < kMaxProtoDepth; ++depth) {
        const auto& props = o->properties();
        for (auto it = props.rbegin(); it != props.rend(); ++it) {
            std::string k = o->key(it->name);
            if (seen.count(k) || !visibleInVersion(it->flags, m_version))
                continue;
            seen.insert(k);
            if (!(it->flags & PropertyFlag::DontEnum))
                names.push_back(it->name);
        }
        o = o->proto();
    }
    return names;
}

// ---------------------------------------------------------------- conversions

Value Interpreter::toPrimitive(const Value& v, int hint)
{
    Object* o = v.asObject();
    if (!o || o->objectClass() == ObjectClass::Clip)
        return v;
    const bool stringFirst = hint == 2 || (hint == 0 && o->objectClass() == ObjectClass::Date);
    Value fn = getMember(v, stringFirst ? "toString" : "valueOf");
    if (!fn.isObject() || !fn.asObject()->isFunction()) {
        // Without the preferred method the other one is used; an object
        // with neither converts as undefined.
        fn = getMember(v, stringFirst ? "valueOf" : "toString");
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
        return primitiveToNumber(v, m_version);
    Value p = toPrimitive(v, 1);
    if (p.isPrimitive())
        return primitiveToNumber(p, m_version);
    return std::numeric_limits<double>::quiet_NaN();
}

std::string Interpreter::toString(const Value& v)
{
    if (v.isPrimitive())
        return primitiveToString(v, m_version);
    Object* o = v.asObject();
    if (o->objectClass() == ObjectClass::Clip)
        return m_host.targetPath(o, false);
    Value fn = getMember(v, "toString");
    if (fn.isObject() && fn.asObject()->isFunction()) {
        Value r = call(fn, o, {});
        if (r.isPrimitive())
            return primitiveToString(r, m_version);
        return o->isFunction() ? "[type Function]" : "[type Object]";
    }
    // Activations and super objects with nothing above them name their kind.
    if (o->objectClass() == ObjectClass::Activation || o->objectClass() == ObjectClass::Super)
        return "[type Object]";
    // Without a toString method (an object cut off from Object.prototype)
    // the result is what calling nothing gives: undefined.
    return primitiveToString(Value(), m_version);
}

bool Interpreter::looseEquals(const Value& a, const Value& b)
{
    // Objects convert through valueOf; SWF 5 asks a second time when the
    // first answer is an object.
    auto primitive = [&](const Value& o) {
        Value p = toPrimitive(o, 0);
        if (p.isObject() && m_version < 6 && p.asObject()->objectClass() != ObjectClass::Clip)
            p = toPrimitive(o, 0);
        return p;
    };
    if (m_version < 6 && (a.isObject() || b.isObject()))
        return looseEqualsVersion5(a, b);
    if (a.type() == b.type()) {
        Object* x = a.asObject();
        Object* y = b.asObject();
        if (!x || !y || x == y)
            return strictEquals(a, b);
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
        return !b.asString().empty() && a.asNumber() == stringToNumber(b.asString(), m_version);
    if (a.isString() && b.isNumber())
        return !a.asString().empty() && stringToNumber(a.asString(), m_version) == b.asNumber();
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

bool Interpreter::looseEqualsVersion5(const Value& a, const Value& b)
{
    // SWF 5 converts every object operand through valueOf, the right one
    // first and even when both are the same object; an object that stays an
    // object against a primitive is asked once more.
    auto isClip = [](const Value& v) { return v.isObject() && v.asObject()->objectClass() == ObjectClass::Clip; };
    Value pb = b.isObject() ? toPrimitive(b, 0) : b;
    Value pa = a.isObject() ? toPrimitive(a, 0) : a;
    if (isClip(a) && !isClip(b) && pb.isObject())
        pb = toPrimitive(b, 0);
    if (pa.isObject() && pb.isObject())
        return pa.asObject() == pb.asObject();
    if (pa.isObject() && !isClip(pa))
        pa = toPrimitive(a, 0);
    if (pb.isObject() && !isClip(pb))
        pb = toPrimitive(b, 0);
    if (pa.isObject() || pb.isObject())
        return false;
    return looseEquals(pa, pb);
}

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
        Value fn = getMember(v, "valueOf");
        if (!fn.isObject() || !fn.asObject()->isFunction())
            fn = getMember(v, "toString");
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
        return pa.asString() < pb.asString();
    }
    // The empty string is NaN here in every version.
    auto number = [&](const Value& p) { return p.isString() ? stringToNumber(p.asString(), 7) : primitiveToNumber(p, m_version); };
    double x = number(pa);
    double y = number(pb);
    if (std::isnan(x) || std::isnan(y))
        return Value();
    return x < y;
}

bool Interpreter::instanceOf(Object* o, Object* constructor)
{
    if (!o || !constructor)
        return false;
    Value protoValue = getMember(constructor, "prototype");
    Object* target = protoValue.asObject();
    if (!target)
        return false;
    Object* p = o->proto();
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        if (p == target)
            return true;
        // Interfaces recorded by ImplementsOp on this prototype.
        if (const Property* list = p->findOwn("__implements__")) {
            if (Object* ifaces = list->value.asObject()) {
                for (const Property& entry : ifaces->properties()) {
                    Object* iface = entry.value.asObject();
                    if (iface == constructor)
                        return true;
                    Value ip = iface ? getMember(iface, "prototype") : Value();
                    if (ip.asObject() && ip.asObject() == target)
                        return true;
                }
            }
        }
        p = p->proto();
    }
    return false;
}

// ---------------------------------------------------------------- calls

void Interpreter::throwValue(const Value& v)
{
    m_throwing = true;
    m_thrown = v;
}

void Interpreter::abort(const std::string& reason)
{
    if (!m_aborted)
        m_host.scriptAborted(reason);
    m_aborted = true;
}

Value Interpreter::call(const Value& function, Object* thisObject, const std::vector<Value>& args, Object* home)
{
    return invoke(function, thisObject, args, home, true);
}

Value Interpreter::invoke(const Value& function, Object* thisObject, const std::vector<Value>& args, Object* home, bool withSuper)
{
    Object* fn = function.asObject();
    if (!fn || m_aborted)
        return Value();
    if (thisObject && thisObject->objectClass() == ObjectClass::Super) {
        // A method reached through super runs on the object super was made
        // for, one prototype level further up (its own super looks above that).
        if (!home)
            home = thisObject->superProto;
        thisObject = thisObject->superThis;
    }
    if (fn->objectClass() == ObjectClass::Super) {
        // super(...): the constructor above the one running now.
        if (!fn->superHome)
            return Value();
        Value ctor = getMember(fn->superHome, "__constructor__");
        if (!ctor.isObject() && fn->superProto)
            ctor = getMember(fn->superProto, "constructor");
        if (ctor.asObject() == fn)
            return Value();
        return call(ctor, fn->superThis, args, fn->superProto);
    }
    if (fn->script())
        return callScript(fn, thisObject, args, home, withSuper);
    if (fn->native()) {
        if (++m_depth > m_limits.maxCallDepth) {
            --m_depth;
            abort("too deep recursion");
            return Value();
        }
        NativeFunction native = fn->native();
        Value r = native(*this, thisObject, args);
        --m_depth;
        return r;
    }
    return Value();
}

Value Interpreter::callMethod(const Value& base, const std::string& name, const std::vector<Value>& args)
{
    Object* o = base.isObject() ? base.asObject() : toObject(base);
    if (!o)
        return Value();
    return call(lookup(o, name, nullptr), o, args);
}

Value Interpreter::construct(const Value& constructor, const std::vector<Value>& args)
{
    Object* ctor = constructor.asObject();
    if (!ctor || !ctor->isFunction())
        return Value();
    Value protoValue = getMember(ctor, "prototype");
    Object* proto = protoValue.asObject() ? protoValue.asObject() : m_objectPrototype;
    Object* o = newObject(proto);
    // Instances record their constructor as __constructor__ from SWF 6 and
    // as constructor up to SWF 6.
    if (m_version >= 6)
        o->put("__constructor__", ctor, PropertyFlag::DontEnum);
    if (m_version <= 6)
        o->put("constructor", ctor, PropertyFlag::DontEnum);
    if (ctor->nativeConstructor()) {
        NativeFunction nc = ctor->nativeConstructor();
        Value r = nc(*this, o, args);
        return r.isObject() ? r : Value(o);
    }
    if (ctor->script()) {
        callScript(ctor, o, args, proto, true);
        return o;
    }
    Value r = call(ctor, o, args);
    return r.isObject() ? r : Value(o);
}

Object* Interpreter::makeSuper(Object* home, Object* thisObject)
{
    if (!home || !thisObject)
        return nullptr;
    Object* s = m_heap.make(ObjectClass::Super);
    s->superHome = home;
    s->superProto = home->proto();
    s->superThis = thisObject;
    return s;
}

Value Interpreter::callScript(Object* fn, Object* thisObject, const std::vector<Value>& args, Object* home, bool withSuper)
{
    ScriptFunction& sf = *fn->script();
    if (++m_depth > m_limits.maxCallDepth) {
        --m_depth;
        abort("too deep recursion");
        return Value();
    }
    const FunctionInfo& info = *sf.info;
    Frame f(m_frames);
    f.code = sf.code;
    f.constants = sf.constants;
    f.thisObject = thisObject;
    f.target = f.originalTarget = sf.target ? sf.target : thisObject;
    f.version = sf.swfVersion;
    Object* activation = m_heap.make(ObjectClass::Activation);
    f.activation = activation;
    f.scope = m_heap.scope(activation, sf.scope);

    Object* arguments = newArray(args);
    arguments->setObjectClass(ObjectClass::Arguments);
    const std::uint16_t hidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    arguments->put("callee", fn, hidden);
    arguments->put("caller", m_callee ? Value(m_callee) : Value::null(), hidden);
    if (const Property* array = m_global->findOwnAnyVersion("Array"))
        arguments->put("constructor", array->value, hidden);
    Object* const caller = m_callee;
    m_callee = fn;
    // `super` starts at the prototype of `this` (whatever object the method
    // was found on), exists only for method calls and constructors, and only
    // from SWF 6 on.
    if (!home && thisObject)
        home = thisObject->proto();
    Object* super = withSuper && sf.swfVersion >= 6 ? makeSuper(home, thisObject) : nullptr;

    if (!info.isFunction2) {
        f.registers.resize(4);
        activation->put("arguments", arguments, PropertyFlag::DontEnum);
        if (super)
            activation->put("super", super, PropertyFlag::DontEnum);
        for (std::size_t i = 0; i < info.params.size(); ++i)
            activation->put(info.params[i].name, i < args.size() ? args[i] : Value());
    } else {
        f.registers.resize(std::max<std::size_t>(info.registerCount, 4));
        std::size_t r = 1;
        auto preload = [&](const Value& v) {
            if (r < f.registers.size())
                f.registers[r] = v;
            ++r;
        };
        const std::uint16_t flags = info.flags;
        // A suppress flag wins over the matching preload flag.
        if ((flags & FunctionFlag::PreloadThis) && !(flags & FunctionFlag::SuppressThis))
            preload(thisObject);
        if ((flags & FunctionFlag::PreloadArguments) && !(flags & FunctionFlag::SuppressArguments))
            preload(arguments);
        else if (!(flags & FunctionFlag::SuppressArguments))
            activation->put("arguments", arguments, PropertyFlag::DontEnum);
        if ((flags & FunctionFlag::PreloadSuper) && !(flags & FunctionFlag::SuppressSuper))
            preload(super);
        else if (!(flags & FunctionFlag::SuppressSuper) && super)
            activation->put("super", super, PropertyFlag::DontEnum);
        if (flags & FunctionFlag::PreloadRoot)
            preload(m_host.root(f.target));
        if (flags & FunctionFlag::PreloadParent)
            preload(m_host.parent(f.target));
        if (flags & FunctionFlag::PreloadGlobal)
            preload(m_global);
        for (std::size_t i = 0; i < info.params.size(); ++i) {
            Value v = i < args.size() ? args[i] : Value();
            std::uint8_t reg = info.params[i].reg;
            if (reg != 0 && reg < f.registers.size())
                f.registers[reg] = v;
            else if (reg == 0)
                activation->put(info.params[i].name, v);
        }
    }

    f.stackBase = m_stack.size();
    std::size_t jumpTo = 0;
    Completion c = execute(f, info.bodyBegin, info.bodyEnd, jumpTo);
    if (m_stack.size() > f.stackBase)
        m_stack.resize(f.stackBase);
    --m_depth;
    m_callee = caller;
    return c == Completion::Return ? f.returnValue : Value();
}

// ---------------------------------------------------------------- running

void Interpreter::run(const ActionList& code, Object* clip)
{
    if (!code)
        return;
    const bool outermost = !m_running;
    if (outermost)
        beginOutermost();
    Frame f(m_frames);
    f.code = code;
    f.thisObject = clip;
    f.target = f.originalTarget = clip;
    // Frame code defines its locals on the current target (SetTarget moves it).
    f.activation = clip ? nullptr : m_global;
    f.scope = m_heap.scope(m_global, nullptr);
    if (clip)
        f.scope = m_heap.scope(clip, f.scope);
    f.registers.resize(4);
    f.version = m_version;
    f.stackBase = m_stack.size();
    std::size_t jumpTo = 0;
    Completion c = execute(f, 0, code->size(), jumpTo);
    if (c == Completion::Throw) {
        m_throwing = false;
        m_thrown = Value();
    }
    if (m_stack.size() > f.stackBase)
        m_stack.resize(f.stackBase);
    if (outermost)
        endOutermost();
}

void Interpreter::beginOutermost()
{
    m_running = true;
    m_aborted = false;
    m_budget = std::min(m_instructions + m_limits.maxInstructions, m_frameInstructionEnd);
}

void Interpreter::endOutermost()
{
    m_running = false;
    m_aborted = false;
    m_throwing = false;
    m_thrown = Value();
    m_depth = 0;
    m_callee = nullptr;
}

void Interpreter::beginFrame()
{
    m_frameExpired = false;
    const std::uint64_t perFrame = m_limits.maxInstructionsPerFrame;
    m_frameInstructionEnd = perFrame > UINT64_MAX - m_instructions ? UINT64_MAX : m_instructions + perFrame;
    const int milliseconds = m_limits.maxFrameMilliseconds;
    m_frameDeadline = milliseconds > 0 ? std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)
                                       : std::chrono::steady_clock::time_point::max();
}

void Interpreter::setLimits(const Limits& limits)
{
    m_limits = limits;
    setLiveMemory(m_liveMemory);
}

bool Interpreter::frameBudgetSpent()
{
    if (!m_frameExpired && (m_instructions >= m_frameInstructionEnd || std::chrono::steady_clock::now() > m_frameDeadline))
        m_frameExpired = true;
    return m_frameExpired;
}

// ---------------------------------------------------------------- memory

bool Interpreter::reserveMemory(std::size_t bytes)
{
    if (m_aborted)
        return false;
    const std::size_t created = m_heap.createdSinceMeasure();
    if (created <= m_memoryHeadroom && bytes <= m_memoryHeadroom - created) {
        m_heap.charge(bytes);
        return true;
    }
    return checkMemory(bytes);
}

bool Interpreter::checkMemory(std::size_t pending)
{
    std::vector<Object*> roots;
    std::vector<Scope*> scopes;
    std::vector<Value> values;
    gatherRoots(roots, scopes, values);
    setLiveMemory(m_heap.measure(roots, scopes, values));
    if (m_liveMemory <= m_limits.maxMemory && pending <= m_limits.maxMemory - m_liveMemory) {
        m_heap.charge(pending);
        return true;
    }
    abort("script uses too much memory");
    return false;
}

void Interpreter::setLiveMemory(std::size_t bytes)
{
    m_liveMemory = bytes;
    m_heap.resetCreated();
    // A measure walks all the data: at least a sixteenth of the budget may be
    // created between two, so a movie near its budget does not measure at every step.
    const std::size_t max = m_limits.maxMemory;
    m_memoryHeadroom = std::max(max - std::min(max, bytes), max / 16);
}

veskor::Result<void> Interpreter::runBytes(const std::vector<std::uint8_t>& bytes, Object* clip)
{
    auto actions = decodeActions(bytes, m_version);
    if (!actions.ok())
        return actions.error();
    run(std::make_shared<const std::vector<Action>>(std::move(actions).value()), clip);
    return {};
}

Interpreter::Completion Interpreter::execute(Frame& f, std::size_t begin, std::size_t end, std::size_t& jumpTo)
{
    struct Nesting {
        int& depth;
        explicit Nesting(int& d) : depth(++d) {}
        ~Nesting() { --depth; }
    } nesting(m_nesting);
    const auto frameAddress = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (m_nesting == 1)
        m_stackBase = frameAddress;
    const std::uintptr_t stackUsed = m_stackBase > frameAddress ? m_stackBase - frameAddress : 0;
    if (m_nesting > m_limits.maxNesting || stackUsed > m_limits.maxNativeStack) {
        abort("script nested too deep");
        return Completion::Abort;
    }
    const std::vector<Action>& code = *f.code;
    end = std::min(end, code.size());
    std::size_t pc = begin;
    while (pc < end) {
        if (m_aborted)
            return Completion::Abort;
        if (++m_instructions > m_budget) {
            if (m_instructions > m_frameInstructionEnd)
                m_frameExpired = true;
            abort("script runs too long");
            return Completion::Abort;
        }
        // The clock costs a little: it is read every thousand instructions.
        if ((m_instructions & 1023) == 0 && std::chrono::steady_clock::now() > m_frameDeadline) {
            m_frameExpired = true;
            abort("frame takes too long");
            return Completion::Abort;
        }
        std::size_t next = pc + 1;
        Completion c = step(f, code[pc], next, jumpTo);
        if (m_aborted)
            return Completion::Abort;
        if (c == Completion::Normal && m_throwing)
            c = Completion::Throw;
        if (c == Completion::Jump) {
            if (jumpTo >= begin && jumpTo < end) {
                pc = jumpTo;
                continue;
            }
            return c;
        }
        if (c != Completion::Normal)
            return c;
        if (m_stack.size() > m_limits.maxStack) {
            abort("stack overflow");
            return Completion::Abort;
        }
        if (m_heap.createdSinceMeasure() > m_memoryHeadroom && !checkMemory(0))
            return Completion::Abort;
        pc = next;
    }
    return Completion::Normal;
}

Value Interpreter::pop(Frame& f)
{
    if (m_stack.size() <= f.stackBase)
        return Value();
    Value v = std::move(m_stack.back());
    m_stack.pop_back();
    return v;
}

void Interpreter::push(Frame&, Value v)
{
    // A string pushed is a copy of its own; the next memory check sees it.
    m_heap.charge(heapBytes(v));
    m_stack.push_back(std::move(v));
}

Value Interpreter::pushValue(Frame& f, const PushValue& p)
{
    switch (p.type) {
    case PushValue::Type::String:
        return Value(p.string);
    case PushValue::Type::Float:
    case PushValue::Type::Double:
    case PushValue::Type::Integer:
        return Value(p.number);
    case PushValue::Type::Null:
        return Value::null();
    case PushValue::Type::Undefined:
        return Value();
    case PushValue::Type::Register:
        return p.index < f.registers.size() ? f.registers[p.index] : Value();
    case PushValue::Type::Boolean:
        return Value(p.boolean);
    case PushValue::Type::Constant8:
    case PushValue::Type::Constant16:
        if (f.constants && p.index < f.constants->size())
            return Value((*f.constants)[p.index]);
        return Value();
    }
    return Value();
}

Value Interpreter::lookupName(Frame& f, const std::string& name, Object** foundIn)
{
    const std::string n = f.version >= 7 ? name : lower(name);
    if (n == "this")
        return f.thisObject;
    if (n == "_global" && f.version >= 6)
        return m_global;
    if (n == "_root" || n == "_level0")
        return m_host.root(f.target);
    for (Scope* s = f.scope; s; s = s->parent) {
        Object* o = scopeObject(f, s);
        if (o && hasProperty(o, name)) {
            if (foundIn)
                *foundIn = o;
            return getMember(o, name);
        }
    }
    if (n == "_parent" && f.target)
        return m_host.parent(f.target);
    if (foundIn)
        *foundIn = nullptr;
    return Value();
}

Object* Interpreter::resolveTarget(Object* base, const std::string& path)
{
    if (path.empty())
        return base;
    Object* cur = base;
    std::size_t i = 0;
    if (path[0] == '/') {
        cur = m_host.root(base);
        i = 1;
    }
    while (cur && i < path.size()) {
        std::size_t j = i;
        if (path.compare(i, 2, "..") == 0)
            j = i + 2;
        else
            while (j < path.size() && path[j] != '/' && path[j] != '.' && path[j] != ':')
                ++j;
        std::string seg = path.substr(i, j - i);
        i = j < path.size() ? j + 1 : j;
        // Two delimiters in a row (or one at the start) name nothing.
        if (seg.empty())
            return nullptr;
        const std::string n = m_version >= 7 ? seg : lower(seg);
        if (n == ".." || n == "_parent")
            cur = m_host.parent(cur);
        else if (n == "_root" || n == "_level0")
            cur = m_host.root(cur);
        else if (n == "this")
            continue;
        else if (n == "_global")
            cur = m_global;
        else {
            Object* c = m_host.child(cur, seg);
            if (!c)
                c = getMember(cur, seg).asObject();
            // The first name of a relative path may also be a global ("Number:MAX_VALUE").
            if (!c && cur == base && path[0] != '/')
                c = getMember(m_global, seg).asObject();
            cur = c;
        }
    }
    return cur;
}

bool Interpreter::splitPath(Frame& f, const std::string& name, Object*& holder, std::string& var)
{
    std::size_t colon = name.rfind(':');
    std::size_t slash = name.rfind('/');
    if (colon != std::string::npos || slash != std::string::npos) {
        std::size_t cut = colon != std::string::npos ? colon : slash;
        std::string path = name.substr(0, cut);
        var = name.substr(cut + 1);
        if (path.empty() && name[0] == '/')
            holder = m_host.root(f.target);
        else
            holder = resolveTarget(f.target, path);
        return true;
    }
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() || f.version < 5)
        return false;
    // a.b.c: the first name from the scope chain, the rest as members.
    var = name.substr(dot + 1);
    std::string path = name.substr(0, dot);
    std::size_t first = path.find('.');
    Value v = lookupName(f, path.substr(0, first));
    while (first != std::string::npos && v.isObject()) {
        std::size_t nextDot = path.find('.', first + 1);
        v = getMember(v, path.substr(first + 1, nextDot == std::string::npos ? std::string::npos : nextDot - first - 1));
        first = nextDot;
    }
    holder = v.asObject();
    return true;
}

Value Interpreter::getVariable(Frame& f, const std::string& name)
{
    Object* holder = nullptr;
    std::string var;
    if (splitPath(f, name, holder, var)) {
        if (!holder)
            return Value();
        if (var.empty())
            return holder;
        return getMember(holder, var);
    }
    return lookupName(f, name);
}

void Interpreter::setVariable(Frame& f, const std::string& name, const Value& value)
{
    Object* holder = nullptr;
    std::string var;
    if (splitPath(f, name, holder, var)) {
        if (holder && !var.empty())
            setMember(holder, var, value);
        return;
    }
    // Assignment only lands on a scope object that has the name itself: an
    // inherited name does not stop the search.
    for (Scope* s = f.scope; s; s = s->parent) {
        Object* o = scopeObject(f, s);
        if (o && o != m_global && hasOwnName(o, name)) {
            setMember(o, name, value);
            return;
        }
    }
    // A new name lands on the timeline the code belongs to.
    Object* target = f.target ? f.target : m_global;
    setMember(target, name, value);
}

Object* Interpreter::scopeObject(const Frame& f, const Scope* s) const
{
    // SetTarget swaps the timeline in the scope chain for the new target.
    return s->object && s->object == f.originalTarget ? f.target : s->object;
}

void Interpreter::setTarget(Frame& f, Object* target)
{
    // Only clips can be targets; anything else leaves the code's own timeline.
    f.target = target && target->objectClass() == ObjectClass::Clip ? target : f.originalTarget;
}

Object* Interpreter::targetFromValue(Frame& f, const Value& v)
{
    if (v.isObject())
        return v.asObject();
    std::string path = toString(v);
    return resolveTarget(f.target, path);
}

std::string Interpreter::traceString(const Value& v)
{
    if (v.isUndefined())
        return "undefined";
    std::string s = toString(v);
    if (m_version >= 6)
        return s;
    // Before SWF 6 strings are 8-bit text; the trace output is UTF-8.
    std::string out;
    for (unsigned char c : s)
        appendUtf8(out, c);
    return out;
}

} // namespace swf::script
