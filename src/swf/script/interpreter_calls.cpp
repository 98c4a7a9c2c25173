// Calling functions: native and script functions, methods, constructors,
// super, and the frames script functions run in.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/native_extension.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace swf::script {

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
            home = thisObject->superProto();
        thisObject = thisObject->superThis;
    }
    if (fn->objectClass() == ObjectClass::Super) {
        // super(...): the constructor above the one running now.
        Object* superHome = fn->superHomeNow();
        if (!superHome)
            return Value();
        Value ctor = getMember(superHome, "__constructor__");
        if (!ctor.isObject() && fn->superProto())
            ctor = getMember(fn->superProto(), "constructor");
        if (ctor.asObject() == fn)
            return Value();
        // A built-in class sets up the object as `new` would (a
        // ColorTransform's numbers), on the subclass's instance.
        if (Object* native = ctor.asObject(); native && !native->script() && native->nativeConstructor() && fn->superThis) {
            NativeFunction construct = native->nativeConstructor();
            return construct(*this, fn->superThis, args);
        }
        return call(ctor, fn->superThis, args, fn->superProto());
    }
    if (fn->script()) {
        Value r = callScript(fn, thisObject, args, home, withSuper);
        // Only a script block's own calls count, not those of a function
        // the player itself called (a handler, an interval).
        if (m_frames.size() == 1 && !m_frames.back()->activation)
            m_host.scriptCallReturned();
        return r;
    }
    if (fn->native()) {
        if (++m_depth > m_limits.maxCallDepth) {
            --m_depth;
            abortForGood("too deep recursion");
            return Value();
        }
        NativeFunction native = fn->native();
        Value r = native(*this, thisObject, args);
        --m_depth;
        return r;
    }
    return Value();
}

Interpreter::SharedStack Interpreter::shareStack(const Frame& f, const Value& fn)
{
    m_callerStack = {fn.asObject(), f.stackBase};
    return SharedStack{*this};
}

Value Interpreter::callMethod(const Value& base, const std::string& name, const std::vector<Value>& args)
{
    // A clip that left the stage is its path, as it is to scripts: where
    // nothing is there any more, it has no methods to call.
    Object* o = base.isObject() ? liveClip(base.asObject()) : toObject(base);
    if (!o)
        return Value();
    return call(lookup(o, name, nullptr), o, args);
}

Value Interpreter::construct(const Value& constructor, const std::vector<Value>& args)
{
    Object* ctor = constructor.asObject();
    if (!ctor || !ctor->isFunction())
        return Value();
    // The instance links to whatever the constructor's prototype holds, a
    // number or nothing included: then it inherits nothing at all. One the
    // constructor keeps hidden from this movie's version links all the same.
    const Property* hidden = ctor->findOwn("prototype") ? nullptr : ctor->findOwnAnyVersion("prototype");
    Value protoValue = hidden && !hidden->isAccessor() ? hidden->value : getMember(ctor, "prototype");
    Object* proto = protoValue.asObject();
    // A constructor without a prototype at all gives no link either.
    Object* o = newObjectLinkedTo(protoValue);
    recordConstructor(o, ctor);
    if (ctor->nativeConstructor()) {
        NativeFunction nc = ctor->nativeConstructor();
        Value r = nc(*this, o, args);
        if (dynamic_cast<const RefusedConstruction*>(o->extension()))
            return Value();
        return r.isObject() ? r : Value(o);
    }
    if (ctor->script()) {
        m_nextCallConstructs = true;
        callScript(ctor, o, args, proto, true);
        return o;
    }
    Value r = call(ctor, o, args);
    return r.isObject() ? r : Value(o);
}

Value Interpreter::constructFrom(Object* caller, const Value& constructor, const std::vector<Value>& args)
{
    Object* const outer = m_callee;
    m_callee = caller;
    Value made = construct(constructor, args);
    m_callee = outer;
    return made;
}

void Interpreter::recordConstructorLink(Object* o, Object* ctor)
{
    o->put("__constructor__", ctor, PropertyFlag::DontEnum | (swfVersion() >= 6 ? 0 : PropertyFlag::Version6));
}

void Interpreter::recordConstructor(Object* o, Object* ctor)
{
    recordConstructorLink(o, ctor);
    if (swfVersion() <= 6)
        o->put("constructor", ctor, PropertyFlag::DontEnum);
}

bool Interpreter::runningConstructor() const { return !m_frames.empty() && m_frames.back()->constructing; }

Object* Interpreter::makeSuper(Object* home, Object* thisObject)
{
    if (!home || !thisObject)
        return nullptr;
    Object* s = m_heap.make(ObjectClass::Super);
    s->superHome = home;
    s->superThis = thisObject;
    return s;
}

Object* Interpreter::functionTarget(const ScriptFunction& sf, Object* thisObject)
{
    // A function works on the clip whose timeline defined it. A SWF 5
    // function called on a clip works on that clip instead, and so does one
    // whose clip has left the stage; without a clip to call it on, that one
    // works on the root.
    const bool onClip = thisObject && thisObject->objectClass() == ObjectClass::Clip && m_host.onStage(thisObject);
    if (!sf.target)
        return thisObject;
    if (sf.swfVersion < 6 && onClip)
        return thisObject;
    if (sf.target->objectClass() == ObjectClass::Clip && !m_host.onStage(sf.target))
        return onClip ? thisObject : m_host.root(sf.target);
    return sf.target;
}

int Interpreter::callVersion(const ScriptFunction& sf, Object* thisObject, Object* target)
{
    // A function keeps the rules of the movie that defined it, but never
    // later ones than those of the movie its clip belongs to now (a root
    // replaced by an older movie) or than the code that made the object it
    // is called on. Functions came with SWF 5: none runs under older rules.
    int version = sf.swfVersion;
    auto lower = [&](int v) {
        if (v > 0)
            version = std::min(version, std::max(v, 5));
    };
    if (target && target->objectClass() == ObjectClass::Clip)
        lower(m_host.clipSwfVersion(target));
    if (thisObject)
        lower(thisObject->objectClass() == ObjectClass::Clip ? m_host.clipSwfVersion(thisObject) : thisObject->madeInVersion());
    return version;
}

Value Interpreter::callScript(Object* fn, Object* thisObject, const std::vector<Value>& args, Object* home, bool withSuper)
{
    ScriptFunction& sf = *fn->script();
    const bool constructing = std::exchange(m_nextCallConstructs, false);
    if (++m_depth > m_limits.maxCallDepth) {
        --m_depth;
        abortForGood("too deep recursion");
        return Value();
    }
    const FunctionInfo& info = *sf.info;
    Object* const callerTarget = m_frames.empty() ? nullptr : m_frames.back()->target;
    Frame* const callerFrame = m_frames.empty() ? nullptr : m_frames.back();
    Frame f(m_frames, m_heap);
    f.constructing = constructing;
    f.code = sf.code;
    f.constants = sf.constants;
    f.thisObject = thisObject;
    f.target = f.originalTarget = functionTarget(sf, thisObject);
    f.setVersion(callVersion(sf, thisObject, f.target));
    // A later movie's function run under SWF 5 rules has no closure: it
    // works on the clip it is called on, or else on its caller's timeline.
    const bool lowered = sf.swfVersion >= 6 && f.version < 6;
    if (lowered && !(thisObject && thisObject->objectClass() == ObjectClass::Clip && m_host.onStage(thisObject)) && callerTarget)
        f.target = f.originalTarget = callerTarget;
    f.clipOnStage = f.target && f.target->objectClass() == ObjectClass::Clip && m_host.onStage(f.target);
    Object* activation = m_heap.make(ObjectClass::Activation);
    f.activation = activation;
    // A SWF 5 function sees the globals and the timeline it works on now (a
    // clip it is called on), not the one it was defined on.
    Scope* outer = sf.scope;
    if (f.target && ((f.version < 6 && f.target != sf.target) || lowered))
        outer = m_heap.scope(f.target, m_heap.scope(global(), nullptr));
    f.scope = m_heap.scope(activation, outer);

    // The arguments object is an ordinary array: assigning its length drops
    // elements as any array's does.
    Object* arguments = newArray(args);
    const std::uint16_t hidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    arguments->put("callee", fn, hidden);
    arguments->put("caller", m_callee ? Value(m_callee) : Value::null(), hidden);
    if (const Property* array = global()->findOwnAnyVersion("Array"))
        arguments->put("constructor", array->value, hidden);
    Object* const caller = m_callee;
    m_callee = fn;
    // `super` starts at the prototype of `this` (whatever object the method
    // was found on), exists only for method calls and constructors, and only
    // from SWF 6 on.
    // A function called as the method of no name has no `this`, but its
    // super stands on the function itself.
    const bool homeIsThisProto = !home && thisObject;
    if (homeIsThisProto)
        home = thisObject->proto();
    Object* super = withSuper && sf.swfVersion >= 6 ? makeSuper(home, thisObject ? thisObject : home ? fn : nullptr) : nullptr;
    if (super)
        super->superFollowsThis = homeIsThisProto;

    if (!info.isFunction2) {
        f.registers.resize(4);
        activation->put("arguments", arguments, PropertyFlag::DontEnum);
        if (super)
            activation->put("super", super, PropertyFlag::DontEnum);
        for (std::size_t i = 0; i < info.params.size(); ++i)
            activation->put(info.params[i].name, i < args.size() ? args[i] : Value());
    } else {
        // Called by the player itself (an event, a load), with no code
        // below it, the function has the four registers any code has at
        // least of its own.
        const std::size_t own = callerFrame ? info.registerCount : std::max<std::size_t>(info.registerCount, 4);
        f.registers.resize(own);
        f.ownRegisters = own;
        f.registerHome = callerFrame;
        std::size_t r = 1;
        auto preload = [&](const Value& v) {
            if (r < f.registers.size())
                f.registers[r] = v;
            ++r;
        };
        const std::uint16_t flags = info.flags;
        f.thisByName = !(flags & (FunctionFlag::PreloadThis | FunctionFlag::SuppressThis));
        // A preload flag takes its register whatever else is set. Suppressing
        // `this` or `super` leaves that register empty; `arguments` is
        // preloaded all the same, and suppressing it only hides the name.
        if (flags & FunctionFlag::PreloadThis)
            preload(flags & FunctionFlag::SuppressThis ? Value() : Value(thisObject));
        if (flags & FunctionFlag::PreloadArguments)
            preload(arguments);
        else if (!(flags & FunctionFlag::SuppressArguments))
            activation->put("arguments", arguments, PropertyFlag::DontEnum);
        if (flags & FunctionFlag::PreloadSuper)
            preload(flags & FunctionFlag::SuppressSuper ? Value() : Value(super));
        else if (!(flags & FunctionFlag::SuppressSuper) && super)
            activation->put("super", super, PropertyFlag::DontEnum);
        if (flags & FunctionFlag::PreloadRoot)
            preload(m_host.root(f.target));
        // The original player fills _global's register before _parent's.
        if (flags & FunctionFlag::PreloadGlobal)
            preload(global());
        if (flags & FunctionFlag::PreloadParent)
            preload(m_host.parent(f.target));
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
    if (m_callerStack.function == fn) {
        f.stackBase = std::min(m_callerStack.base, f.stackBase);
        m_callerStack = {};
    }
    std::size_t jumpTo = 0;
    Completion c = execute(f, info.bodyBegin, info.bodyEnd, jumpTo);
    // The machine has one stack: what a function pushed and left there stays
    // for its caller, under the result. A throw or an abort clears it away.
    if ((c == Completion::Throw || c == Completion::Abort || m_aborted) && m_stack.size() > f.stackBase)
        m_stack.resize(f.stackBase);
    --m_depth;
    m_callee = caller;
    return c == Completion::Return ? f.returnValue : Value();
}

} // namespace swf::script
