// The action switch: what each decoded action does to the stack, the scope
// chain and the host.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <cmath>
#include <limits>
#include <optional>

namespace swf::script {

namespace {


// Legacy SWF 4 comparisons push numbers in SWF 4 and booleans from SWF 5 on.
Value legacyBool(bool b, int version)
{
    if (version < 5)
        return Value(b ? 1.0 : 0.0);
    return Value(b);
}

} // namespace

std::optional<std::size_t> Interpreter::jumpBackInto(Frame& f, std::size_t& pc, std::size_t begin, std::size_t end)
{
    const std::vector<Action>& code = *f.code;
    // Only jumps run here; anything else (or an If not taken) leaves the
    // block for good at `pc`. A short chain is enough for real scripts.
    for (int hops = 0; hops < 16 && pc < code.size(); ++hops) {
        const Action& a = code[pc];
        if (a.code != ActionCode::Jump && a.code != ActionCode::If)
            return std::nullopt;
        if (++m_instructions > m_budget) {
            abort("script runs too long");
            return std::nullopt;
        }
        if (a.code == ActionCode::If && !toBoolean(pop(f))) {
            ++pc;
            return std::nullopt;
        }
        pc = a.target;
        if (pc >= begin && pc < end)
            return pc;
    }
    return std::nullopt;
}

Interpreter::Completion Interpreter::step(Frame& f, const Action& a, std::size_t& next, std::size_t& jumpTo)
{
    const int v = f.version;
    switch (a.code) {
    case ActionCode::End:
        next = f.code->size();
        return Completion::Normal;

    // Timeline control.
    case ActionCode::NextFrame:
        if (f.target)
            m_host.nextFrame(f.target);
        break;
    case ActionCode::PreviousFrame:
        if (f.target)
            m_host.prevFrame(f.target);
        break;
    case ActionCode::Play:
        if (f.target)
            m_host.play(f.target);
        break;
    case ActionCode::Stop:
        if (f.target)
            m_host.stop(f.target);
        break;
    case ActionCode::ToggleQuality:
        m_host.toggleQuality();
        break;
    case ActionCode::StopSounds:
        m_host.stopSounds();
        break;
    case ActionCode::GotoFrame:
        if (f.target)
            m_host.gotoFrame(f.target, a.number, false);
        break;
    case ActionCode::GoToLabel:
        if (f.target)
            m_host.gotoLabel(f.target, a.text, false);
        break;
    case ActionCode::GotoFrame2: {
        Value frame = pop(f);
        const bool play = a.number & 1;
        Object* clip = f.target;
        if (frame.isString()) {
            // "path:frame" or a label; a number in a string is a frame number.
            std::string s = frame.asString();
            std::size_t colon = s.rfind(':');
            if (colon != std::string::npos) {
                clip = resolveTarget(f.target, s.substr(0, colon));
                s = s.substr(colon + 1);
            }
            double n = stringToNumber(s, 7);
            if (!clip)
                break;
            if (std::isnan(n))
                m_host.gotoLabel(clip, s, play);
            else
                m_host.gotoFrame(clip, frameIndex(n + a.number2), play);
        } else if (clip) {
            double n = toNumber(frame);
            if (std::isfinite(n))
                m_host.gotoFrame(clip, frameIndex(n + a.number2), play);
        }
        break;
    }
    case ActionCode::WaitForFrame:
        if (f.target && !m_host.frameLoaded(f.target, a.number))
            next += std::size_t(std::max(0, a.number2));
        break;
    case ActionCode::WaitForFrame2: {
        Value frame = pop(f);
        if (f.target && !m_host.frameLoaded(f.target, frameIndex(toNumber(frame))))
            next += std::size_t(std::max(0, a.number2));
        break;
    }
    case ActionCode::SetTarget:
        setTarget(f, a.text.empty() ? f.originalTarget : resolveTarget(f.originalTarget, a.text));
        break;
    case ActionCode::SetTarget2: {
        Value t = pop(f);
        std::string s = t.isObject() ? std::string() : toString(t);
        setTarget(f, t.isObject() ? t.asObject() : s.empty() ? f.originalTarget : resolveTarget(f.originalTarget, s));
        break;
    }
    case ActionCode::GetURL:
        m_host.getUrl(f.target, a.text, a.text2, 0, false, false);
        break;
    case ActionCode::GetURL2: {
        Value window = pop(f);
        Value url = pop(f);
        m_host.getUrl(f.target, toString(url), toString(window), (a.number >> 6) & 3, a.number & 2, a.number & 1);
        break;
    }
    case ActionCode::Call: {
        // Runs another frame's scripts now, on the target or on "path:frame".
        std::string frame = toString(pop(f));
        Object* clip = f.target;
        const std::size_t colon = frame.rfind(':');
        if (colon != std::string::npos) {
            clip = resolveTarget(f.target, frame.substr(0, colon));
            frame = frame.substr(colon + 1);
        }
        if (!clip)
            break;
        for (const std::vector<std::uint8_t>& bytes : m_host.frameScripts(clip, frame)) {
            if (m_aborted)
                break;
            (void)runBytes(bytes, clip);
        }
        break;
    }

    // Arithmetic, SWF 4 style.
    case ActionCode::Add: {
        double b = toNumber(pop(f)), x = toNumber(pop(f));
        push(f, x + b);
        break;
    }
    case ActionCode::Subtract: {
        double b = toNumber(pop(f)), x = toNumber(pop(f));
        push(f, x - b);
        break;
    }
    case ActionCode::Multiply: {
        double b = toNumber(pop(f)), x = toNumber(pop(f));
        push(f, x * b);
        break;
    }
    case ActionCode::Divide: {
        double b = toNumber(pop(f)), x = toNumber(pop(f));
        if (b == 0 && v < 5)
            push(f, Value("#ERROR#"));
        else
            push(f, x / b);
        break;
    }
    case ActionCode::Equals: {
        double b = toNumber(pop(f)), x = toNumber(pop(f));
        push(f, legacyBool(x == b, v));
        break;
    }
    case ActionCode::Less: {
        // The empty string is NaN here, whatever the version.
        auto number = [&](const Value& x) {
            const Value p = toPrimitive(x, 1);
            if (p.isObject() || (p.isString() && p.asString().empty()))
                return std::numeric_limits<double>::quiet_NaN();
            return toNumber(p);
        };
        double b = number(pop(f)), x = number(pop(f));
        push(f, legacyBool(x < b, v));
        break;
    }
    case ActionCode::And: {
        bool b = toBoolean(pop(f)), x = toBoolean(pop(f));
        push(f, legacyBool(x && b, v));
        break;
    }
    case ActionCode::Or: {
        bool b = toBoolean(pop(f)), x = toBoolean(pop(f));
        push(f, legacyBool(x || b, v));
        break;
    }
    case ActionCode::Not:
        push(f, legacyBool(!toBoolean(pop(f)), v));
        break;
    case ActionCode::StringEquals: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        push(f, legacyBool(x == b, v));
        break;
    }
    case ActionCode::StringLess: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        push(f, legacyBool(x < b, v));
        break;
    }
    case ActionCode::StringGreater: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        push(f, legacyBool(x > b, v));
        break;
    }
    case ActionCode::StringAdd: {
        std::string b = toString(pop(f)), x = toString(pop(f));
        if (reserveMemory(x.size() + b.size()))
            push(f, x + b);
        break;
    }
    case ActionCode::StringLength:
        push(f, double(stringLength(toString(pop(f)), v)));
        break;
    case ActionCode::MBStringLength:
        push(f, double(decodeUtf8(toString(pop(f))).size()));
        break;
    case ActionCode::StringExtract:
    case ActionCode::MBStringExtract: {
        double count = toNumber(pop(f));
        double index = toNumber(pop(f));
        std::string s = toString(pop(f));
        const int model = a.code == ActionCode::MBStringExtract ? 6 : v;
        std::vector<std::uint32_t> units = stringUnits(s, model);
        // Index is 1-based; a negative count takes the rest.
        double start = std::isnan(index) ? 0 : std::max(0.0, std::trunc(index) - 1);
        double len = std::isnan(count) ? 0 : std::trunc(count);
        if (len < 0)
            len = double(units.size());
        if (start >= double(units.size()) || len == 0) {
            push(f, std::string());
            break;
        }
        std::size_t b = std::size_t(start);
        std::size_t e = std::size_t(std::min(double(units.size()), start + len));
        push(f, joinUnits(units, b, e, model));
        break;
    }
    case ActionCode::CharToAscii:
    case ActionCode::MBCharToAscii: {
        std::string s = toString(pop(f));
        const int model = a.code == ActionCode::MBCharToAscii ? 6 : v;
        std::vector<std::uint32_t> units = stringUnits(s, model);
        push(f, units.empty() ? Value(0.0) : Value(double(units[0])));
        break;
    }
    case ActionCode::AsciiToChar:
    case ActionCode::MBAsciiToChar: {
        double n = toNumber(pop(f));
        const int model = a.code == ActionCode::MBAsciiToChar ? 6 : v;
        std::uint32_t code = std::uint32_t(toInt32(n)) & (model >= 6 ? 0xFFFFu : 0xFFu);
        push(f, code == 0 ? std::string() : unitToString(code, model));
        break;
    }
    case ActionCode::ToInteger: {
        // Wraps to a 32-bit integer in every version.
        push(f, double(toInt32(toNumber(pop(f)))));
        break;
    }

    // Stack and registers.
    case ActionCode::Push:
        for (const PushValue& p : a.values)
            push(f, pushValue(f, p));
        break;
    case ActionCode::Pop:
        pop(f);
        break;
    case ActionCode::PushDuplicate: {
        Value top = pop(f);
        push(f, top);
        push(f, top);
        break;
    }
    case ActionCode::StackSwap: {
        Value b = pop(f), x = pop(f);
        push(f, b);
        push(f, x);
        break;
    }
    case ActionCode::StoreRegister: {
        Value top = m_stack.size() > f.stackBase ? m_stack.back() : Value();
        if (std::size_t(a.number) < f.registers.size())
            f.registers[std::size_t(a.number)] = top;
        break;
    }
    case ActionCode::ConstantPool:
        f.constants = std::make_shared<const std::vector<std::string>>(a.strings);
        break;

    // Control flow.
    case ActionCode::Jump:
        jumpTo = a.target;
        return Completion::Jump;
    case ActionCode::If:
        if (toBoolean(pop(f))) {
            jumpTo = a.target;
            return Completion::Jump;
        }
        break;
    case ActionCode::Return:
        f.returnValue = pop(f);
        return Completion::Return;
    case ActionCode::Throw:
        throwValue(pop(f));
        return Completion::Throw;
    case ActionCode::Try: {
        const TryInfo& t = a.tryBlock;
        std::size_t inner = 0;
        Completion c = execute(f, t.tryBegin, t.tryEnd, inner);
        if (c == Completion::Throw && t.hasCatch) {
            Value thrown = m_thrown;
            m_throwing = false;
            m_thrown = Value();
            if (t.catchInRegister) {
                if (t.catchRegister < f.registers.size())
                    f.registers[t.catchRegister] = thrown;
            } else if (f.activation && f.activation != f.target) {
                f.activation->put(t.catchName, thrown);
            } else {
                setVariable(f, t.catchName, thrown);
            }
            c = execute(f, t.catchBegin, t.catchEnd, inner);
        }
        if (t.hasFinally && c != Completion::Abort && c != Completion::Jump) {
            // Finally runs with any pending throw or return set aside; if it
            // completes normally, what was pending goes on. A jump out of the
            // try or catch block skips it, as in the original player.
            const bool wasThrowing = m_throwing;
            Value thrown = m_thrown;
            Value returned = f.returnValue;
            m_throwing = false;
            std::size_t finallyJump = 0;
            Completion fc = execute(f, t.finallyBegin, t.finallyEnd, finallyJump);
            if (fc != Completion::Normal) {
                c = fc;
                inner = finallyJump;
            } else {
                m_throwing = wasThrowing;
                m_thrown = thrown;
                f.returnValue = returned;
            }
        }
        if (c == Completion::Jump)
            jumpTo = inner;
        next = a.target;
        return c;
    }
    case ActionCode::With: {
        Value o = pop(f);
        next = a.target;
        Object* obj = o.isObject() ? o.asObject() : toObject(o);
        if (!obj)
            break;
        Scope* saved = f.scope;
        f.scope = m_heap.scope(obj, saved);
        const std::size_t begin = std::size_t(&a - f.code->data()) + 1;
        std::size_t start = begin;
        std::size_t inner = 0;
        Completion c = Completion::Normal;
        for (;;) {
            c = execute(f, start, a.target, inner);
            if (c != Completion::Jump || m_aborted)
                break;
            // The block closes when an action outside it runs; jumps that
            // lead straight back inside keep it open, as in the original player.
            std::optional<std::size_t> back = jumpBackInto(f, inner, begin, a.target);
            if (!back)
                break;
            start = *back;
        }
        f.scope = saved;
        if (c == Completion::Jump)
            jumpTo = inner;
        return c;
    }

    // Variables.
    case ActionCode::GetVariable: {
        std::string name = toString(pop(f));
        push(f, getVariable(f, name));
        break;
    }
    case ActionCode::SetVariable: {
        Value value = pop(f);
        std::string name = toString(pop(f));
        setVariable(f, name, value);
        break;
    }
    case ActionCode::DefineLocal: {
        Value value = pop(f);
        std::string name = toString(pop(f));
        Object* where = f.activation ? f.activation : f.target;
        if (where)
            setMember(where, name, value);
        break;
    }
    case ActionCode::DefineLocal2: {
        std::string name = toString(pop(f));
        Object* where = f.activation ? f.activation : f.target;
        if (where && !where->findOwn(name))
            where->put(name, Value());
        break;
    }
    case ActionCode::Delete: {
        std::string name = toString(pop(f));
        Value o = pop(f);
        push(f, deleteMember(o.asObject(), name));
        break;
    }
    case ActionCode::Delete2: {
        std::string name = toString(pop(f));
        bool done = false;
        for (Scope* s = f.scope; s; s = s->parent) {
            Object* o = scopeObject(f, s);
            if (o && o->findOwn(name)) {
                done = deleteMember(o, name);
                break;
            }
        }
        push(f, done);
        break;
    }
    case ActionCode::GetMember: {
        Value name = pop(f);
        Value o = pop(f);
        push(f, getMember(o, toString(name)));
        break;
    }
    case ActionCode::SetMember: {
        Value value = pop(f);
        Value name = pop(f);
        Value o = pop(f);
        setMember(o, toString(name), value);
        break;
    }
    case ActionCode::GetProperty: {
        double index = toNumber(pop(f));
        Object* clip = targetFromValue(f, pop(f));
        int i = std::isnan(index) ? -1 : saturatedInt(index);
        push(f, clip && i >= 0 && i < kClipPropertyCount ? m_host.getProperty(clip, i) : Value());
        break;
    }
    case ActionCode::SetProperty: {
        Value value = pop(f);
        double index = toNumber(pop(f));
        Object* clip = targetFromValue(f, pop(f));
        int i = std::isnan(index) ? -1 : saturatedInt(index);
        if (clip && i >= 0 && i < kClipPropertyCount)
            m_host.setProperty(clip, i, value);
        break;
    }
    case ActionCode::TargetPath: {
        Value o = pop(f);
        Object* clip = o.asObject();
        if (clip && clip->objectClass() == ObjectClass::Clip)
            push(f, m_host.targetPath(clip, false));
        else
            push(f, Value());
        break;
    }
    case ActionCode::CloneSprite: {
        double depth = toNumber(pop(f));
        std::string name = toString(pop(f));
        Object* source = targetFromValue(f, pop(f));
        if (source)
            m_host.cloneClip(source, name, int(toInteger(depth)));
        break;
    }
    case ActionCode::RemoveSprite:
        if (Object* clip = targetFromValue(f, pop(f)))
            m_host.removeClip(clip);
        break;
    case ActionCode::StartDrag: {
        Object* clip = targetFromValue(f, pop(f));
        bool lock = toBoolean(pop(f));
        bool constrain = toBoolean(pop(f));
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (constrain) {
            y2 = toNumber(pop(f));
            x2 = toNumber(pop(f));
            y1 = toNumber(pop(f));
            x1 = toNumber(pop(f));
        }
        if (clip)
            m_host.startDrag(clip, lock, constrain, x1, y1, x2, y2);
        break;
    }
    case ActionCode::EndDrag:
        m_host.stopDrag();
        break;
    case ActionCode::Trace:
        m_host.trace(traceString(pop(f)));
        break;
    case ActionCode::GetTime:
        push(f, std::floor(m_host.movieTime()));
        break;
    case ActionCode::RandomNumber: {
        double max = toNumber(pop(f));
        std::int32_t m = toInt32(max);
        push(f, m > 0 ? double(m_host.random(std::uint32_t(m))) : 0.0);
        break;
    }

    // Typed operations of SWF 5 on.
    case ActionCode::Add2: {
        Value b = toPrimitive(pop(f));
        Value x = toPrimitive(pop(f));
        if (x.isString() || b.isString()) {
            std::string joined = toString(x);
            const std::string tail = toString(b);
            if (reserveMemory(joined.size() + tail.size()))
                push(f, joined.append(tail));
        } else
            push(f, toNumber(x) + toNumber(b));
        break;
    }
    case ActionCode::Less2: {
        Value b = pop(f), x = pop(f);
        push(f, lessThan(x, b));
        break;
    }
    case ActionCode::Greater: {
        Value b = pop(f), x = pop(f);
        push(f, lessThan(b, x));
        break;
    }
    case ActionCode::Equals2: {
        Value b = pop(f), x = pop(f);
        push(f, looseEquals(x, b));
        break;
    }
    case ActionCode::StrictEquals: {
        Value b = pop(f), x = pop(f);
        push(f, strictEquals(x, b));
        break;
    }
    case ActionCode::Modulo: {
        double b = toNumber(pop(f)), x = toNumber(pop(f));
        push(f, std::fmod(x, b));
        break;
    }
    case ActionCode::BitAnd:
    case ActionCode::BitOr:
    case ActionCode::BitXor:
    case ActionCode::BitLShift:
    case ActionCode::BitRShift:
    case ActionCode::BitURShift: {
        std::int32_t b = toInt32(toNumber(pop(f)));
        std::int32_t x = toInt32(toNumber(pop(f)));
        const unsigned shift = unsigned(b) & 31;
        double r = 0;
        switch (a.code) {
        case ActionCode::BitAnd: r = x & b; break;
        case ActionCode::BitOr: r = x | b; break;
        case ActionCode::BitXor: r = x ^ b; break;
        case ActionCode::BitLShift: r = std::int32_t(std::uint32_t(x) << shift); break;
        case ActionCode::BitRShift: r = x >> shift; break;
        default: r = std::uint32_t(x) >> shift; break;
        }
        push(f, r);
        break;
    }
    case ActionCode::Increment:
        push(f, toNumber(pop(f)) + 1);
        break;
    case ActionCode::Decrement:
        push(f, toNumber(pop(f)) - 1);
        break;
    case ActionCode::ToNumber:
        push(f, toNumber(pop(f)));
        break;
    case ActionCode::ToString:
        push(f, toString(pop(f)));
        break;
    case ActionCode::TypeOf: {
        Value x = pop(f);
        const char* type = typeName(x.type());
        if (Object* o = x.asObject()) {
            if (o->objectClass() == ObjectClass::Clip)
                type = "movieclip";
            else if (o->isFunction())
                type = "function";
        }
        push(f, Value(type));
        break;
    }
    case ActionCode::InstanceOf: {
        Value ctor = pop(f);
        Value o = pop(f);
        push(f, instanceOf(o.asObject(), ctor.asObject()));
        break;
    }
    case ActionCode::CastOp: {
        Value o = pop(f);
        Value ctor = pop(f);
        push(f, instanceOf(o.asObject(), ctor.asObject()) ? o : Value::null());
        break;
    }
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
        proto->put("__constructor__", sup, PropertyFlag::DontEnum);
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
        push(f, Value::null());
        if (o) {
            std::vector<std::string> names = enumerableNames(o);
            // The loop pops names, so the first to visit goes on last.
            for (auto it = names.rbegin(); it != names.rend(); ++it)
                push(f, *it);
        }
        break;
    }

    // Objects and functions.
    case ActionCode::InitArray: {
        double n = toNumber(pop(f));
        std::vector<Value> items;
        for (double i = 0; i < n && m_stack.size() > f.stackBase; ++i)
            items.push_back(pop(f));
        push(f, newArray(items));
        break;
    }
    case ActionCode::InitObject: {
        double n = toNumber(pop(f));
        // Literals take whatever _global.Object.prototype is now.
        Object* o = newObject(prototypeOf("Object"));
        // From SWF 6 a literal also names its constructor, as `new Object` does.
        if (m_version >= 6) {
            if (const Property* ctor = m_global->findOwnAnyVersion("Object"))
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
        Object* fn = newObject(prototypeOf("Function"));
        fn->setObjectClass(ObjectClass::Function);
        auto sf = std::make_unique<ScriptFunction>();
        sf->code = f.code;
        sf->info = &a.function;
        // SWF 5 functions do not close over activations or With blocks:
        // they see the timeline they were defined on and the globals.
        sf->scope = v >= 6 ? f.scope : f.target ? m_heap.scope(f.target, m_heap.scope(m_global, nullptr)) : m_heap.scope(m_global, nullptr);
        sf->target = f.target;
        sf->constants = f.constants;
        sf->swfVersion = v;
        fn->setScript(std::move(sf));
        if (const Property* function = m_global->findOwnAnyVersion("Function"))
            fn->put("constructor", function->value, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        Object* proto = newObject();
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
        double n = toNumber(pop(f));
        std::vector<Value> args;
        for (double i = 0; i < n && m_stack.size() > f.stackBase; ++i)
            args.push_back(pop(f));
        Object* foundIn = nullptr;
        Value fn;
        Object* holder = nullptr;
        std::string var;
        if (splitPath(f, name, holder, var)) {
            fn = holder ? getMember(holder, var) : Value();
            foundIn = holder;
        } else {
            fn = lookupName(f, name, &foundIn);
        }
        // `this` is the scope object that held the name (a With object, a
        // clip, even a function's activation); functions from _global run on
        // the current target.
        Object* thisObject = foundIn && foundIn != m_global ? foundIn : f.target;
        push(f, invoke(fn, thisObject, args, nullptr, false));
        break;
    }
    case ActionCode::CallMethod: {
        Value nameValue = pop(f);
        Value base = pop(f);
        double n = toNumber(pop(f));
        std::vector<Value> args;
        for (double i = 0; i < n && m_stack.size() > f.stackBase; ++i)
            args.push_back(pop(f));
        std::string name = nameValue.isUndefined() ? std::string() : toString(nameValue);
        Object* o = base.isObject() ? base.asObject() : toObject(base);
        if (!o) {
            push(f, Value());
            break;
        }
        if (o->objectClass() == ObjectClass::Super) {
            // super(...) runs the superclass constructor; super.m(...) a method above the current one.
            if (name.empty()) {
                push(f, call(o, o->superThis, args));
            } else {
                Object* owner = nullptr;
                Value fn = o->superProto ? lookup(o->superProto, name, &owner) : Value();
                // The method's own super starts one level up; from SWF 7 a
                // method found further up the chain starts two levels up,
                // as the original player does.
                Object* home = o->superProto;
                if (v >= 7 && owner && owner != home && home)
                    home = home->proto();
                push(f, call(fn, o->superThis, args, home));
            }
            break;
        }
        if (name.empty()) {
            // The base itself is the function; it runs without a `this`.
            push(f, call(o, nullptr, args));
            break;
        }
        Object* owner = nullptr;
        Value fn = lookup(o, name, &owner);
        if (!owner && m_version >= 6) {
            Value resolved = getPropertyOf(o, name, o);
            fn = resolved;
        }
        // From SWF 7, a method found above the object's own prototype has its
        // super start above the prototype it was found on.
        Object* home = v >= 7 && owner && owner != o && owner != o->proto() ? owner : nullptr;
        push(f, call(fn, o, args, home));
        break;
    }
    case ActionCode::NewObject: {
        std::string name = toString(pop(f));
        double n = toNumber(pop(f));
        std::vector<Value> args;
        for (double i = 0; i < n && m_stack.size() > f.stackBase; ++i)
            args.push_back(pop(f));
        push(f, construct(getVariable(f, name), args));
        break;
    }
    case ActionCode::NewMethod: {
        Value nameValue = pop(f);
        Value base = pop(f);
        double n = toNumber(pop(f));
        std::vector<Value> args;
        for (double i = 0; i < n && m_stack.size() > f.stackBase; ++i)
            args.push_back(pop(f));
        std::string name = nameValue.isUndefined() ? std::string() : toString(nameValue);
        Value ctor = name.empty() ? base : getMember(base, name);
        push(f, construct(ctor, args));
        break;
    }
    }
    return Completion::Normal;
}

} // namespace swf::script
