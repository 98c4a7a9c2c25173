#pragma once

// The state of one running block or function call, shared by the
// interpreter's files.

#include "swf/script/interpreter.h"

namespace swf::script {

struct Interpreter::Frame {
    ActionList code;
    std::shared_ptr<const std::vector<std::string>> constants;
    Scope* scope = nullptr;
    Object* thisObject = nullptr;
    Object* target = nullptr;
    Object* originalTarget = nullptr;
    Object* activation = nullptr; // where DefineLocal puts names
    std::vector<Value> registers;
    std::size_t stackBase = 0;
    Value returnValue;
    int version = 0;
};

} // namespace swf::script
