// Actions on the stack, registers, the constant pool, variables, members
// and clip properties.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <cmath>
#include <limits>
#include <optional>

namespace swf::script {

bool Interpreter::stepVariables(Frame& f, const Action& a)
{
    switch (a.code) {
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
        // A name the object already has, through its prototypes too, is left as it is.
        Object* where = f.activation ? f.activation : f.target;
        if (where && !hasProperty(where, name))
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
    default:
        return false;
    }
    return true;
}

} // namespace swf::script
