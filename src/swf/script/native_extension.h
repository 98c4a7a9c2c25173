#pragma once

// Host data of built-in objects beyond the plain ObjectExtension.

#include "swf/script/object.h"

#include <cstddef>

namespace swf::script {

// Data that keeps another object alive (a Transform's clip) or holds memory
// of its own (a bitmap's pixels): the collector marks the one and counts
// the other against the movie's memory.
class HoldingExtension : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    virtual Object* heldObject() const { return nullptr; }
    virtual std::size_t heldBytes() const { return 0; }
};

// Set by a native constructor on the object it was given when its arguments
// make none (a bitmap of no size): the `new` then gives undefined.
class RefusedConstruction final : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
};

} // namespace swf::script
