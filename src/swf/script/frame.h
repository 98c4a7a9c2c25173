#pragma once

// The state of one running block or function call, shared by the
// interpreter's files.

#include "swf/script/interpreter.h"

namespace swf::script {

struct Interpreter::Frame {
    // A frame is listed among the running ones while it lives: the memory
    // measure starts from their registers and scopes.
    explicit Frame(std::vector<Frame*>& running) : m_running(running) { running.push_back(this); }
    ~Frame() { m_running.pop_back(); }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

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

private:
    std::vector<Frame*>& m_running;
};

// Prototype chains deeper than this are treated as cycles.
inline constexpr int kMaxProtoDepth = 256;

// Legacy SWF 4 comparisons push numbers in SWF 4 and booleans from SWF 5 on.
inline Value legacyBool(bool b, int version)
{
    if (version < 5)
        return Value(b ? 1.0 : 0.0);
    return Value(b);
}

} // namespace swf::script
