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
    // delete by name: a path's member, or the first scope object that has the
    // name itself. A path to no object makes the debugging player complain
    // in the trace log, as it does.
    auto deleteVariable = [this](Frame& frame, const std::string& name) {
        Object* holder = nullptr;
        std::string var;
        if (splitPath(frame, name, holder, var)) {
            if (!holder)
                complainOfPrimitive();
            return holder && !var.empty() && deleteMember(holder, var);
        }
        for (Scope* s = frame.scope; s; s = s->parent) {
            Object* o = scopeObject(frame, s);
            if (o && o->findOwn(name))
                return deleteMember(o, name);
        }
        return false;
    };
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
        if (Value* r = f.reg(std::size_t(a.number)))
            *r = top;
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
        // Inside with blocks, an object of one that has the name itself takes it.
        for (Scope* s = f.scope; s && where; s = s->parent) {
            Object* o = scopeObject(f, s);
            if (!o || o == where || o == global())
                break;
            if (hasOwnName(o, name)) {
                where = o;
                break;
            }
        }
        if (where)
            setMember(where, name, value);
        // A function's declared locals cannot be deleted (its arguments can).
        if (where && where == f.activation && where->objectClass() == ObjectClass::Activation) {
            if (Property* p = where->findOwn(name))
                p->flags |= PropertyFlag::DontDelete;
        }
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
        // Without an object at all, up to SWF 6, the name is deleted as a variable.
        if (o.isObject())
            push(f, deleteMember(o.asObject(), name));
        else
            push(f, o.isUndefined() && f.version <= 6 && deleteVariable(f, name));
        break;
    }
    case ActionCode::Delete2:
        push(f, deleteVariable(f, toString(pop(f))));
        break;
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
        if (clip && i >= 0 && i < kClipPropertyCount) {
            m_host.setProperty(clip, i, value);
        } else if (!clip && i >= 0 && i < kClipPropertyCount) {
            // Without a clip the value is still read as the property reads
            // it: _name and _quality as strings, the paths not at all, the
            // rest as numbers.
            if (i == 13 || i == 19)
                (void)toString(value);
            else if (i != 11 && i != 14 && i != 15)
                (void)toNumber(value);
        }
        break;
    }
    default:
        return false;
    }
    return true;
}

} // namespace swf::script
