#pragma once

// The state of one running block or function call, shared by the
// interpreter's files.

#include "swf/script/interpreter.h"

namespace swf::script {

struct Interpreter::Frame {
    // A frame is listed among the running ones while it lives: the memory
    // measure starts from their registers and scopes.
    // The heap learns the version of the code running while the frame lives.
    Frame(std::vector<Frame*>& running, Heap& heap)
        : m_running(running), m_heap(heap), m_outerVersion(heap.runningVersion())
    {
        running.push_back(this);
    }
    ~Frame()
    {
        m_heap.setRunningVersion(m_outerVersion);
        m_running.pop_back();
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    ActionList code;
    std::shared_ptr<const std::vector<std::string>> constants;
    Scope* scope = nullptr;
    Object* thisObject = nullptr;
    // A function that keeps `this` in a register, or has none, leaves the
    // name to the scope chain, where it finds the timeline.
    bool thisByName = true;
    Object* target = nullptr;
    Object* originalTarget = nullptr;
    // The last tellTarget named nothing: the code runs on a stand-in
    // timeline, but the empty path no longer names a clip.
    bool targetLost = false;
    Object* activation = nullptr; // where DefineLocal puts names
    int withDepth = 0; // with blocks open in this frame
    // The clip the code works on was on the stage when the code began. Once
    // it has left, the next call the code makes (to an object, or by name)
    // ends the code there, as in the original player; `halted` says so.
    bool clipOnStage = false;
    bool halted = false;
    bool constructing = false; // a function's body run for `new`
    std::vector<Value> registers;
    // A function has the registers it declares; past those, it works on the
    // registers of the code that called it.
    Frame* registerHome = nullptr;
    std::size_t ownRegisters = 4;
    Value* reg(std::size_t index)
    {
        if (index < ownRegisters)
            return index < registers.size() ? &registers[index] : nullptr;
        return registerHome ? registerHome->reg(index) : nullptr;
    }
    std::size_t stackBase = 0;
    Value returnValue;
    // The SWF version of the movie the code came from, or the one a call
    // was lowered to; its rules hold while the code runs.
    int version = 0;
    void setVersion(int v)
    {
        version = v;
        m_heap.setRunningVersion(v);
    }

private:
    std::vector<Frame*>& m_running;
    Heap& m_heap;
    int m_outerVersion;
};

// Prototype chains deeper than this are treated as cycles.
inline constexpr int kMaxProtoDepth = 256;

// The player's scope chain holds 15 objects: the global object, the
// timeline and 13 with blocks. A with block past that is skipped.
inline constexpr int kMaxWithDepth = 13;

// Legacy SWF 4 comparisons push booleans in every version (a SWF 4 movie
// prints them as 1 and 0).
inline Value legacyBool(bool b, int) { return Value(b); }

} // namespace swf::script
