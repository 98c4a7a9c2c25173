// Entry points for the host: calls that start outside any running script.

#include "swf/script/interpreter.h"

namespace swf::script {

Value Interpreter::callFromHost(const Value& function, Object* thisObject, const std::vector<Value>& args)
{
    if (m_running)
        return call(function, thisObject, args);
    beginOutermost();
    Value result = call(function, thisObject, args);
    endOutermost();
    return result;
}

Value Interpreter::callMethodFromHost(Object* o, const std::string& name, const std::vector<Value>& args)
{
    if (!o)
        return Value();
    if (m_running)
        return callMethod(o, name, args);
    beginOutermost();
    Value fn = getMember(o, name);
    Value result = fn.isObject() ? call(fn, o, args) : Value();
    endOutermost();
    return result;
}

} // namespace swf::script
