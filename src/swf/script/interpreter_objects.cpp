// Actions on objects: creating them, functions and calls, inheritance,
// enumeration.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace swf::script {

namespace {
// The most items a short array literal is padded to with undefined.
constexpr std::size_t kMaxArrayPadding = 1u << 20;
} // namespace

bool Interpreter::stepObjects(Frame& f, const Action& a, std::size_t& next)
{
    const int v = f.version;
    switch (a.code) {
    case ActionCode::InstanceOf:
    case ActionCode::CastOp:
        classTest(f, a.code == ActionCode::CastOp);
        break;
    case ActionCode::ImplementsOp: {
        Value ctor = pop(f);
        double n = toNumber(pop(f));
        std::vector<Value> ifaces;
        for (double i = 0; i < n && i < 256; ++i)
            ifaces.push_back(pop(f));
        Object* proto = getMember(ctor, "prototype").asObject();
        if (proto)
            proto->put("__implements__", newArray(ifaces), PropertyFlag::DontEnum);
        break;
    }
    case ActionCode::Extends: {
        Value superclass = pop(f);
        Value subclass = pop(f);
        Object* sub = subclass.asObject();
        Object* sup = superclass.asObject();
        if (!sub || !sup)
            break;
        Object* proto = newObject(getMember(sup, "prototype").asObject());
        recordConstructorLink(proto, sup);
        sub->put("prototype", proto, PropertyFlag::DontEnum);
        break;
    }
    case ActionCode::Enumerate:
    case ActionCode::Enumerate2: {
        Value x = pop(f);
        Object* o = nullptr;
        if (a.code == ActionCode::Enumerate)
            o = getVariable(f, toString(x)).asObject();
        else
            o = x.asObject();
        // The names sit on an undefined that ends them.
        push(f, Value());
        if (o) {
            std::vector<std::string> names = enumerableNames(o);
            // The loop pops names, so the first to visit goes on last.
            for (auto it = names.rbegin(); it != names.rend(); ++it)
                push(f, *it);
        }
        break;
    }

    // Objects and functions.
    // A literal of more items than the stack holds makes undefined, and the
    // values stay where they are.
    case ActionCode::InitArray: {
        const double n = toNumber(m_stack.size() > f.stackBase ? m_stack.back() : Value());
        const double held = double(m_stack.size() - f.stackBase) - 1;
        // A literal promising more items than the stack holds takes what is
        // there and leaves the rest undefined.
        if (n > held && !(n <= double(kMaxArrayPadding) && reserveMemory(std::size_t(n) * sizeof(Value)))) {
            pop(f);
            push(f, Value());
            break;
        }
        std::vector<Value> items = popList(f);
        if (n > held)
            items.resize(std::size_t(n));
        // A literal names its constructor, for good, where Array is an
        // object with a prototype to link to.
        Object* array = newArray(std::move(items));
        if (const Property* ctor = global()->findOwnAnyVersion("Array"); ctor && ctor->value.isObject() && !currentPrototype("Array").isUndefined())
            array->put("constructor", ctor->value, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        push(f, array);
        break;
    }
    case ActionCode::InitObject: {
        double n = toNumber(pop(f));
        if (n * 2 > double(m_stack.size() - f.stackBase)) {
            push(f, Value());
            break;
        }
        // Literals take whatever _global.Object.prototype holds now.
        Object* o = newObjectLinkedTo(currentPrototype("Object"));
        // A literal also names its constructor, as `new Object` does.
        if (swfVersion() >= 5) {
            if (const Property* ctor = global()->findOwnAnyVersion("Object"))
                o->put("constructor", ctor->value, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        }
        for (double i = 0; i < n && m_stack.size() > f.stackBase; ++i) {
            Value value = pop(f);
            std::string name = toString(pop(f));
            setMember(o, name, value);
        }
        push(f, o);
        break;
    }
    case ActionCode::DefineFunction:
    case ActionCode::DefineFunction2: {
        // Functions take whatever _global.Function.prototype is now.
        Object* fn = newFunctionObject(prototypeOf("Function"));
        auto sf = std::make_unique<ScriptFunction>();
        sf->code = f.code;
        sf->info = &a.function;
        // SWF 5 functions do not close over activations or With blocks:
        // they see the timeline they were defined on and the globals.
        sf->scope = v >= 6 ? f.scope : f.target ? m_heap.scope(f.target, m_heap.scope(global(), nullptr)) : m_heap.scope(global(), nullptr);
        sf->target = f.target;
        sf->constants = f.constants;
        // Functions came with SWF 5: their code keeps SWF 5's rules even in
        // an older movie, whose own code around them keeps SWF 4's.
        sf->swfVersion = std::max(v, 5);
        fn->setScript(std::move(sf));
        if (const Property* function = global()->findOwnAnyVersion("Function"))
            fn->put("constructor", function->value, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        // So does the function's own prototype.
        Object* proto = newObjectLinkedTo(currentPrototype("Object"));
        proto->put("constructor", fn, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        fn->put("prototype", proto, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        next = a.target;
        if (a.function.name.empty()) {
            push(f, fn);
        } else {
            Object* where = f.activation ? f.activation : f.target;
            if (where)
                setMember(where, a.function.name, fn);
        }
        break;
    }
    case ActionCode::CallFunction: {
        std::string name = toString(pop(f));
        const std::vector<Value> args = popList(f);
        Object* foundIn = nullptr;
        Value fn;
        Object* holder = nullptr;
        std::string var;
        if (splitPath(f, name, holder, var, true)) {
            fn = holder ? getMember(holder, var) : Value();
            foundIn = holder;
        } else {
            fn = lookupName(f, name, &foundIn);
        }
        // `this` is the scope object that held the name (a With object, a
        // clip, even a function's activation); functions from _global run on
        // the current target.
        Object* thisObject = foundIn && foundIn != global() ? foundIn : f.target;
        const Value& function = callee(fn);
        const SharedStack shared = shareStack(f, function);
        push(f, invoke(function, thisObject, args, nullptr, false));
        haltIfClipLeft(f);
        break;
    }
    case ActionCode::CallMethod: {
        Value nameValue = pop(f);
        Value base = pop(f);
        const std::vector<Value> args = popList(f);
        std::string name = nameValue.isUndefined() ? std::string() : toString(nameValue);
        Object* o = base.isObject() ? liveClip(base.asObject()) : toObject(base);
        if (!o) {
            push(f, Value());
            break;
        }
        struct Halt {
            Interpreter& in;
            Frame& f;
            ~Halt() { in.haltIfClipLeft(f); }
        } halt{*this, f};
        if (o->objectClass() == ObjectClass::Super) {
            // super(...) runs the superclass constructor; super.m(...) a method above the current one.
            if (name.empty()) {
                push(f, call(o, o->superThis, args));
            } else {
                Object* owner = nullptr;
                Value fn = o->superProto() ? lookup(o->superProto(), name, &owner) : Value();
                // The method's own super starts one level up; from SWF 7 a
                // method found further up the chain starts two levels up,
                // as the original player does.
                Object* home = o->superProto();
                if (v >= 7 && owner && owner != home && home)
                    home = home->proto();
                push(f, call(fn, o->superThis, args, home));
            }
            break;
        }
        if (name.empty()) {
            // The base itself is the function; it runs without a `this`.
            push(f, call(o, nullptr, args, o->proto()));
            break;
        }
        Object* owner = nullptr;
        Value fn = lookup(o, name, &owner);
        if (!owner)
            fn = getPropertyOf(o, name, o);
        // From SWF 7, a method found above the object's own prototype has its
        // super start above the prototype it was found on.
        Object* home = v >= 7 && owner && owner != o && owner != o->proto() ? owner : nullptr;
        const SharedStack shared = shareStack(f, fn);
        push(f, call(fn, o, args, home));
        break;
    }
    case ActionCode::NewObject: {
        std::string name = toString(pop(f));
        const std::vector<Value> args = popList(f);
        push(f, construct(callee(getVariable(f, name)), args));
        haltIfClipLeft(f);
        break;
    }
    case ActionCode::NewMethod: {
        Value nameValue = pop(f);
        Value base = pop(f);
        const std::vector<Value> args = popList(f);
        std::string name = nameValue.isUndefined() ? std::string() : toString(nameValue);
        Value ctor = name.empty() ? base : getMember(base, name);
        push(f, construct(callee(ctor), args));
        if (base.isObject())
            haltIfClipLeft(f);
        break;
    }
    default:
        return false;
    }
    return true;
}

void Interpreter::classTest(Frame& f, bool cast)
{
    // A primitive is an instance of nothing, and its class is not even
    // looked at; a cast makes it an object first, and then casts it to
    // nothing. Any other class is made an object (a clip that left the
    // stage is none).
    // A cast pops the object first, instanceof its class.
    Value o = pop(f);
    Value ctor = pop(f);
    if (!cast)
        std::swap(o, ctor);
    if (o.isPrimitive()) {
        if (cast)
            toObject(o);
        push(f, cast ? Value::null() : Value(false));
        return;
    }
    const bool is = instanceOf(liveClip(o.asObject()), classObject(ctor));
    push(f, cast ? (is ? o : Value::null()) : Value(is));
}

const Value& Interpreter::callee(const Value& v)
{
    // A primitive is made an object to be called, and then calls nothing.
    if (v.isPrimitive())
        toObject(v);
    return v;
}

} // namespace swf::script
