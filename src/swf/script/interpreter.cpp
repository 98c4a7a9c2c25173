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

// A name made of digits, with a minus sign or not, written as an array
// element: its number wrapped to a signed 32-bit index.
bool arrayIndexName(const std::string& name, std::int32_t& index)
{
    const std::size_t digits = name.size() - (name.empty() || name[0] != '-' ? 0 : 1);
    if (digits == 0 || digits > 400 || (digits > 1 && name[name.size() - digits] == '0'))
        return false;
    if (!std::all_of(name.end() - std::ptrdiff_t(digits), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    // The digits are read in 32-bit arithmetic, wrapping as they go.
    std::uint32_t v = 0;
    for (auto it = name.end() - std::ptrdiff_t(digits); it != name.end(); ++it)
        v = v * 10u + std::uint32_t(*it - '0');
    index = std::int32_t(name[0] == '-' ? 0u - v : v);
    return true;
}

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

} // namespace

Interpreter::Interpreter(ScriptHost& host, int swfVersion, Limits limits)
    : m_host(host), m_version(swfVersion), m_limits(limits), m_heap(swfVersion)
{
    makeRealm(swfVersion);
    setLiveMemory(0);
}

void Interpreter::makeRealm(int version)
{
    Realm& r = m_realms[realmIndex(version)];
    r.objectPrototype = m_heap.make();
    r.functionPrototype = m_heap.make(ObjectClass::Function);
    r.functionPrototype->put("__proto__", r.objectPrototype, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    // The global object inherits nothing, not even Object.prototype's toString.
    r.global = m_heap.make();
    installBuiltins(*this);
}

void Interpreter::prepareGlobalsFor(int version)
{
    if (m_realms[realmIndex(version)].global)
        return;
    // The built-ins are made as code of that version would see them made.
    const int outer = m_heap.runningVersion();
    m_heap.setRunningVersion(version);
    makeRealm(version);
    m_host.installGlobals();
    m_heap.setRunningVersion(outer);
}

std::vector<Object*> Interpreter::globalObjects() const
{
    std::vector<Object*> out;
    for (const Realm& r : m_realms) {
        if (r.global)
            out.push_back(r.global);
    }
    return out;
}

Interpreter::~Interpreter() = default;

// ---------------------------------------------------------------- objects

Object* Interpreter::newObject() { return newObject(objectPrototype()); }

Object* Interpreter::newObject(Object* proto)
{
    Object* o = m_heap.make();
    if (proto)
        o->put("__proto__", proto, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return o;
}

Object* Interpreter::newObjectLinkedTo(const Value& proto)
{
    Object* o = m_heap.make();
    if (!proto.isUndefined())
        o->put("__proto__", proto, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return o;
}

Value Interpreter::currentPrototype(const std::string& constructorName)
{
    const Property* ctor = global()->findOwn(constructorName);
    if (!ctor || !ctor->value.isObject())
        return Value();
    const Property* proto = ctor->value.asObject()->findOwn("prototype");
    return proto ? proto->value : Value();
}

Object* Interpreter::newArray(const std::vector<Value>& items)
{
    // An array links to whatever _global.Array.prototype holds now, a
    // number included; with no Array class at all it inherits nothing.
    Object* a = newObjectLinkedTo(currentPrototype("Array"));
    a->setObjectClass(ObjectClass::Array);
    a->put("length", 0, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    if (!reserveMemory(items.size() * kPropertyBytes))
        return a;
    for (std::size_t i = 0; i < items.size(); ++i)
        a->put(std::to_string(i), items[i]);
    a->put("length", double(items.size()));
    return a;
}

Object* Interpreter::newFunctionObject(Object* proto)
{
    // SWF 5 has no Function class: a function's link to its prototype is
    // hidden from SWF 5 movies, as the class itself is.
    Object* fn = m_heap.make(ObjectClass::Function);
    if (proto)
        fn->put("__proto__", proto, PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::Version6);
    return fn;
}

Object* Interpreter::newFunction(NativeFunction f, NativeFunction constructor)
{
    Object* fn = newFunctionObject(functionPrototype());
    fn->setNative(std::move(f));
    if (const Property* function = global()->findOwnAnyVersion("Function"))
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

Object* Interpreter::prototypeOf(const std::string& constructorName, int version)
{
    const Realm& r = realm(version);
    const Property* ctor = r.global->findOwn(constructorName);
    if (!ctor || !ctor->value.isObject())
        return constructorName == "Function" ? r.functionPrototype : r.objectPrototype;
    const Property* proto = ctor->value.asObject()->findOwn("prototype");
    return proto && proto->value.isObject() ? proto->value.asObject() : r.objectPrototype;
}

Object* Interpreter::toObject(const Value& v)
{
    // A primitive used as an object is made by its class's constructor as
    // the globals name it now: `new String(v)` through whatever the name
    // leads to, getters and the globals' prototypes included (but not
    // __resolve). Where the name leads to no function, or the constructor
    // makes nothing, there is no object.
    const char* constructorName = nullptr;
    switch (v.type()) {
    case ValueType::Object:
        return v.asObject();
    case ValueType::String:
        constructorName = "String";
        break;
    case ValueType::Number:
        constructorName = "Number";
        break;
    case ValueType::Boolean:
        constructorName = "Boolean";
        break;
    default:
        return nullptr;
    }
    return construct(lookup(global(), constructorName, nullptr), {v}).asObject();
}

namespace {

// The next object up a prototype chain. A clip, or a text field or button
// on the stage (the host marks those), can be no prototype: the chain ends
// where it would lead to one.
Object* inheritedFrom(const Object* o)
{
    Object* proto = o->memberProto();
    return proto && (proto->objectClass() == ObjectClass::Clip || proto->hostData) ? nullptr : proto;
}

} // namespace

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
            if (p->isAccessor() && accessorCallable(p->accessorId, thisObject))
                return callAccessor(p->getter, p->accessorId, thisObject, {});
            return p->value;
        }
        o = inheritedFrom(o);
    }
    if (owner)
        *owner = nullptr;
    return Value();
}

// The original player nests the calls of one accessor property's getter and
// setter (and the watches of its name) at most 65 deep; past that the
// property reads and writes the plain value underneath it. Before SWF 7 it
// does so too while the innermost of those calls runs on the same object.
bool Interpreter::accessorCallable(std::uint32_t accessorId, const Object* self) const
{
    int running = 0;
    const RunningAccessor* innermost = nullptr;
    for (const RunningAccessor& r : m_runningAccessors) {
        if (r.id == accessorId) {
            ++running;
            innermost = &r;
        }
    }
    if (swfVersion() < 7 && innermost && innermost->self == self)
        return false;
    return running < kMaxNestedAccessorCalls;
}

Value Interpreter::callAccessor(Object* function, std::uint32_t accessorId, Object* self, const std::vector<Value>& args)
{
    m_runningAccessors.push_back({accessorId, self});
    Value result = function ? call(function, self, args) : Value();
    m_runningAccessors.pop_back();
    return result;
}

Object* Interpreter::resolver(Object* o)
{
    // The stored value of the first __resolve up the chain answers, never a
    // getter, whatever versions its flags hide it from. From SWF 7 a value
    // that is no object is passed over; an object that is no function still
    // ends the search, with nothing.
    const bool skipPlain = swfVersion() >= 7;
    for (int depth = 0; o && depth < kMaxProtoDepth; ++depth, o = inheritedFrom(o)) {
        const Property* p = o->findOwnAnyVersion("__resolve");
        if (!p || (skipPlain && !p->value.isObject()))
            continue;
        Object* fn = p->value.asObject();
        return fn && fn->isFunction() ? fn : nullptr;
    }
    return nullptr;
}

Value Interpreter::getPropertyOf(Object* o, const std::string& name, Object* thisObject)
{
    (void)thisObject;
    Object* owner = nullptr;
    Value v = lookup(o, name, &owner);
    // An object may answer for missing names through __resolve.
    if (!owner && name != "__resolve") {
        if (Object* fn = resolver(o))
            return call(fn, o, {Value(name)});
    }
    return v;
}

Object* Interpreter::liveClip(Object* o)
{
    // Clips and the text fields and buttons beside them (the host marks every
    // object of the display tree) are references by path.
    if (!o || (o->objectClass() != ObjectClass::Clip && !o->hostData) || m_host.onStage(o))
        return o;
    return m_host.relocate(o);
}

Value Interpreter::getMember(const Value& base, const std::string& name)
{
    if (base.isObject()) {
        Object* o = liveClip(base.asObject());
        if (!o)
            return Value();
        if (o->objectClass() == ObjectClass::Super) {
            Object* start = o->superProto();
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
    Object* o = toObject(base);
    return o ? getPropertyOf(o, name, o) : Value();
}

bool Interpreter::hasOwnName(Object* o, const std::string& name)
{
    if (ObjectExtension* ext = o->extension(); ext && ext->holdsName(*this, *o, name))
        return true;
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
        o = inheritedFrom(o);
    }
    return false;
}

void Interpreter::setMember(const Value& base, const std::string& name, const Value& input)
{
    Object* o = liveClip(base.asObject());
    // Native code that fills objects in a loop (decoding, parsing) ends up
    // here: past the memory budget its assignments stop.
    if (!o || !reserveMemory(0))
        return;
    if (o->objectClass() == ObjectClass::Super)
        o = o->superThis;
    // A clip or an array keeps no member without a name.
    if (!o || (name.empty() && (o->objectClass() == ObjectClass::Clip || o->objectClass() == ObjectClass::Array)))
        return;
    Value value = input;
    // A member the host keeps behind an accessor runs its watch first.
    ObjectExtension* ext = o->extension();
    const bool watchedFirst = ext && ext->watchesMember(*this, *o, name);
    if (ext && !watchedFirst) {
        if (ext->setMember(*this, *o, name, input))
            return;
    }
    auto& watches = o->watches();
    if (!watches.empty()) {
        const std::string key = o->key(name);
        auto it = watches.find(key);
        const auto nested = std::count_if(m_runningWatches.begin(), m_runningWatches.end(),
                                          [&](const RunningWatch& r) { return r.object == o && r.key == key; });
        // An accessor property of the name that may not be called now (its
        // own setter assigning it, say) takes the plain value underneath
        // without running the watch again.
        bool plainWrite = false;
        Object* bearer = it != watches.end() ? o : nullptr;
        for (int depth = 0; bearer && depth < kMaxProtoDepth; ++depth, bearer = bearer->proto()) {
            if (const Property* held = bearer->findOwn(name)) {
                plainWrite = held->isAccessor() && !accessorCallable(held->accessorId, o);
                break;
            }
        }
        if (it != watches.end() && it->second.callback && nested < kMaxNestedAccessorCalls && !plainWrite) {
            // The watch runs once per assignment. Before SWF 7 a watch that
            // assigns the same name does not re-enter itself; later it does,
            // as deep as accessors nest.
            Watch w = it->second;
            if (swfVersion() < 7)
                it->second.callback = nullptr;
            m_runningWatches.push_back({o, key});
            // The old value is the one stored along the prototype chain; no
            // getter runs for it.
            Value oldValue;
            Object* holder = o;
            for (int depth = 0; holder && depth < kMaxProtoDepth; ++depth, holder = holder->proto()) {
                if (const Property* old = holder->findOwn(name)) {
                    oldValue = old->value;
                    break;
                }
            }
            // While the watch runs, an accessor property of that name is
            // left alone, as while its own getter or setter runs.
            std::uint32_t accessorId = 0;
            if (holder) {
                if (const Property* held = holder->findOwn(name); held && held->isAccessor())
                    accessorId = held->accessorId;
            }
            // The name is made before the watch runs: a watch that deletes
            // it leaves nothing for the assignment to store.
            const bool placed = !accessorId && !o->findOwn(name);
            if (placed)
                o->put(name, Value());
            value = accessorId ? callAccessor(w.callback, accessorId, o, {Value(name), oldValue, input, w.userData})
                               : call(w.callback, o, {Value(name), oldValue, input, w.userData});
            m_runningWatches.pop_back();
            auto again = o->watches().find(o->key(name));
            if (again != o->watches().end() && !again->second.callback)
                again->second.callback = w.callback;
            if (!accessorId && !o->findOwn(name))
                return;
        }
    }
    if (ObjectExtension* now = o->extension(); watchedFirst && now && now->setMember(*this, *o, name, value))
        return;
    // A getter/setter property anywhere on the chain takes the assignment,
    // past plain values of the name on prototypes (only the object's own
    // value stops the search, also one hidden from this version, which the
    // assignment then replaces with a visible one).
    const bool ownHidden = !o->findOwn(name) && o->findOwnAnyVersion(name);
    Object* p = ownHidden ? nullptr : o;
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        if (Property* prop = p->findOwn(name)) {
            if (prop->isAccessor()) {
                const std::uint32_t id = prop->accessorId;
                if (accessorCallable(id, o) && prop->setter)
                    callAccessor(prop->setter, id, o, {value});
                // The value assigned stays underneath, for reads while a call
                // runs, also when there is no setter to take it.
                if (Property* again = p->findOwn(name); again && again->accessorId == id)
                    again->value = value;
                return;
            }
            if (p == o)
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
        if (name == "length") {
            double n = toNumber(value);
            setArrayLength(o, n >= 0 && n < 4294967295.0 ? std::uint32_t(n) : 0);
            // The elements go as the whole number says, but length keeps what
            // was assigned: 3.5, -4 or an object.
            o->put("length", value);
        } else {
            arrayIndexWritten(o, name);
        }
    }
}

void Interpreter::arrayIndexWritten(Object* o, const std::string& name)
{
    std::int32_t written = 0;
    if (!o || o->objectClass() != ObjectClass::Array || !arrayIndexName(name, written))
        return;
    // The player counts in signed 32 bits: an index at or past the length
    // moves it to one past the index, wrapping at 2^31, and a length that
    // wraps below the old one drops the elements between.
    const Property* length = o->findOwn("length");
    const std::int32_t old = length ? toInt32(toNumber(length->value)) : 0;
    if (written < old)
        return;
    const std::int32_t grown = std::int32_t(std::uint32_t(written) + 1u);
    if (grown < old) {
        std::vector<std::string> doomed;
        std::uint32_t index = 0;
        for (const Property& p : o->properties()) {
            if (isArrayIndex(p.name, index) && index >= std::uint32_t(std::max(grown, 0)) && index < std::uint32_t(old))
                doomed.push_back(p.name);
        }
        for (const std::string& n : doomed)
            o->remove(n);
    }
    o->put("length", double(grown));
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
    // The length the array held may be gone already (an assignment stored
    // its new value first): every element at or past the new length is
    // looked for, and only the elements that exist are removed.
    {
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
        items.push_back(arrayItem(a, i));
    return items;
}

Value Interpreter::arrayItem(Object* a, std::uint64_t index)
{
    const Property* p = a->findOwn(std::to_string(index));
    return p && !p->isAccessor() ? p->value : Value();
}

void Interpreter::registerClass(const std::string& name, Object* ctor)
{
    const bool anyCase = swfVersion() < 7;
    auto it = std::find_if(m_registeredClasses.begin(), m_registeredClasses.end(), [&](const auto& entry) {
        return anyCase ? asciiLower(entry.first) == asciiLower(name) : entry.first == name;
    });
    if (!ctor) {
        if (it != m_registeredClasses.end())
            m_registeredClasses.erase(it);
        return;
    }
    if (it != m_registeredClasses.end())
        *it = {name, ctor};
    else
        m_registeredClasses.emplace_back(name, ctor);
}

std::string Interpreter::classAlias(const Object* ctor) const
{
    for (auto it = m_registeredClasses.rbegin(); it != m_registeredClasses.rend(); ++it) {
        if (ctor && it->second == ctor)
            return it->first;
    }
    return {};
}

std::vector<std::string> Interpreter::enumerableNames(Object* o)
{
    // Each object along the prototype chain lists its names, the latest
    // first; a name an object nearer the start already has is left out. The
    // loop visits the farthest prototype's names first and the object's own
    // last, as the player walked the chain from the object and the loop took
    // the names from the top of the stack.
    std::vector<std::vector<std::string>> levels;
    std::unordered_set<std::string> seen;
    for (int depth = 0; o && depth < kMaxProtoDepth; ++depth) {
        std::vector<std::string>& names = levels.emplace_back();
        const auto& props = o->properties();
        for (auto it = props.rbegin(); it != props.rend(); ++it) {
            std::string k = o->key(it->name);
            // A property hidden from this version is listed all the same;
            // reading it gives undefined.
            if (seen.count(k))
                continue;
            seen.insert(k);
            if (!(it->flags & PropertyFlag::DontEnum))
                names.push_back(it->name);
        }
        // What the host adds (a clip's children) comes after the object's own
        // properties.
        if (depth == 0 && o->extension()) {
            std::vector<std::string> hosted;
            o->extension()->enumerate(*this, *o, hosted);
            for (std::string& n : hosted) {
                if (seen.insert(o->key(n)).second)
                    names.push_back(std::move(n));
            }
        }
        o = o->proto();
    }
    std::vector<std::string> names;
    for (auto level = levels.rbegin(); level != levels.rend(); ++level)
        names.insert(names.end(), std::make_move_iterator(level->begin()), std::make_move_iterator(level->end()));
    return names;
}

// ---------------------------------------------------------------- conversions

bool Interpreter::looseEqualsVersion5(const Value& a, const Value& b)
{
    // SWF 5 converts every object operand through valueOf, the right one
    // first and even when both are the same object; an object that stays an
    // object (not a clip) against a primitive or against a clip (the operand
    // or what its valueOf gave) is asked once more.
    auto isClip = [](const Value& v) { return v.isObject() && v.asObject()->objectClass() == ObjectClass::Clip; };
    auto staysObject = [&](const Value& v) { return v.isObject() && !isClip(v); };
    Value pb = b.isObject() ? toPrimitive(b, 0) : b;
    Value pa = a.isObject() ? toPrimitive(a, 0) : a;
    if (isClip(pa) && staysObject(pb))
        pb = toPrimitive(b, 0);
    else if (isClip(pb) && staysObject(pa))
        pa = toPrimitive(a, 0);
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

void Interpreter::abortForGood(const std::string& reason)
{
    abort(reason);
    m_actionsDisabled = true;
}

// ---------------------------------------------------------------- running

void Interpreter::run(const ActionList& code, Object* clip, int version)
{
    if (!code)
        return;
    const bool outermost = !m_running;
    if (outermost)
        beginOutermost();
    Frame f(m_frames, m_heap);
    f.code = code;
    f.thisObject = clip;
    f.target = f.originalTarget = clip;
    // First, since the version picks the globals the code sees.
    f.setVersion(version > 0 ? version : m_version);
    // Frame code defines its locals on the current target (SetTarget moves it).
    f.activation = clip ? nullptr : global();
    f.scope = m_heap.scope(global(), nullptr);
    if (clip)
        f.scope = m_heap.scope(clip, f.scope);
    f.registers.resize(4);
    f.clipOnStage = clip && clip->objectClass() == ObjectClass::Clip && m_host.onStage(clip);
    // A block without a constant pool of its own reads the one the block
    // before it declared.
    f.constants = m_lastConstants;
    // The blocks of a frame share one stack: what one leaves, the next finds
    // underneath its own values.
    f.stackBase = outermost ? 0 : m_stack.size();
    std::size_t jumpTo = 0;
    const Completion c = execute(f, 0, code->size(), jumpTo);
    if (c == Completion::Throw)
        reportUncaught();
    m_lastConstants = f.constants;
    if ((c == Completion::Throw || m_aborted) && m_stack.size() > f.stackBase)
        m_stack.resize(f.stackBase);
    if (outermost)
        endOutermost();
}

void Interpreter::beginOutermost()
{
    m_running = true;
    m_aborted = m_actionsDisabled;
    m_budget = std::min(m_instructions + m_limits.maxInstructions, m_frameInstructionEnd);
}

void Interpreter::reportUncaught()
{
    if (!m_throwing)
        return;
    m_throwing = false;
    const Value thrown = std::move(m_thrown);
    m_thrown = Value();
    if (!m_aborted)
        m_host.uncaughtException(toString(thrown));
    // A toString that threw in turn ends here too.
    m_throwing = false;
    m_thrown = Value();
}

void Interpreter::endOutermost()
{
    reportUncaught();
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
    m_stack.clear();
    const std::uint64_t perFrame = m_limits.maxInstructionsPerFrame;
    m_frameInstructionEnd = perFrame > UINT64_MAX - m_instructions ? UINT64_MAX : m_instructions + perFrame;
    const int milliseconds = m_limits.maxFrameMilliseconds;
    m_frameDeadline = milliseconds > 0 ? std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)
                                       : std::chrono::steady_clock::time_point::max();
}

double Interpreter::scriptClock()
{
    const double now = m_host.movieTime();
    if (now != m_clockBase) {
        m_clockBase = now;
        m_clockInstructions = m_instructions;
    }
    // The player ran some ten thousand actions a millisecond: a component's
    // setup takes a few, a short script none.
    constexpr double actionsPerMillisecond = 10'000;
    const double worked = double(m_instructions - m_clockInstructions) / actionsPerMillisecond;
    m_lastClock = std::max(m_lastClock, now + worked);
    return m_lastClock;
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
    auto actions = decodeActions(bytes, swfVersion());
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
        if (f.halted && c == Completion::Normal)
            return Completion::Return;
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

void Interpreter::haltIfClipLeft(Frame& f)
{
    if (f.clipOnStage && !m_host.onStage(f.originalTarget))
        f.halted = true;
}

Value Interpreter::pop(Frame& f)
{
    if (m_stack.size() <= f.stackBase)
        return Value();
    Value v = std::move(m_stack.back());
    m_stack.pop_back();
    return v;
}

std::vector<Value> Interpreter::popList(Frame& f)
{
    const double n = toNumber(pop(f));
    std::vector<Value> values;
    for (double i = 0; i < n && m_stack.size() > f.stackBase; ++i)
        values.push_back(pop(f));
    return values;
}

std::pair<double, double> Interpreter::popOperands(Frame& f)
{
    const Value second = pop(f);
    const Value first = pop(f);
    const double x = toNumber(first);
    return {x, toNumber(second)};
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
        if (const Value* r = f.reg(p.index))
            return *r;
        return Value();
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

void Interpreter::trace(const Value& v)
{
    m_host.trace(traceString(v));
}

std::string Interpreter::traceString(const Value& v)
{
    if (v.isUndefined())
        return "undefined";
    // A String object traces its own characters, whatever toString it was given.
    const Object* o = v.asObject();
    std::string s = o && o->objectClass() == ObjectClass::String && o->primitive.isString() ? o->primitive.asString() : toString(v);
    if (swfVersion() >= 6)
        return displayUtf8(s, swfVersion());
    // Before SWF 6 strings are 8-bit text; the trace output is UTF-8.
    std::string out;
    for (unsigned char c : s)
        appendUtf8(out, c);
    return out;
}

} // namespace swf::script
