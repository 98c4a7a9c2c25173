#pragma once

// String conversion as the original player's String.concat and Array.join
// do it: an object whose toString gives no string reads as its type.

#include "swf/script/interpreter.h"

#include <string>

namespace swf::script {

inline std::string objectAwareString(Interpreter& in, const Value& v)
{
    Object* o = v.asObject();
    if (!o || o->objectClass() == ObjectClass::Clip)
        return in.toString(v);
    const Value s = in.callMethod(v, "toString", {});
    if (s.isString())
        return s.asString();
    return o->isFunction() ? "[type Function]" : "[type Object]";
}

} // namespace swf::script
