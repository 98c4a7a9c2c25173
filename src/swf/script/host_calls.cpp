// Entry points for the host: calls that start outside any running script.

#include "swf/script/interpreter.h"

namespace swf::script {

Value Interpreter::callFromHost(const Value& function, Object* thisObject, const std::vector<Value>& args)
{
    if (m_running)
        return call(function, thisObject, args);
    m_running = true;
    m_aborted = false;
    m_budget = m_instructions + m_limits.maxInstructions;
    Value result = call(function, thisObject, args);
    m_running = false;
    m_aborted = false;
    m_throwing = false;
    m_thrown = Value();
    m_depth = 0;
    m_callee = nullptr;
    return result;
}

Value Interpreter::callMethodFromHost(Object* o, const std::string& name, const std::vector<Value>& args)
{
    if (!o)
        return Value();
    if (m_running)
        return callMethod(o, name, args);
    m_running = true;
    m_aborted = false;
    m_budget = m_instructions + m_limits.maxInstructions;
    Value fn = getMember(o, name);
    Value result = fn.isObject() ? call(fn, o, args) : Value();
    m_running = false;
    m_aborted = false;
    m_throwing = false;
    m_thrown = Value();
    m_depth = 0;
    m_callee = nullptr;
    return result;
}

} // namespace swf::script
