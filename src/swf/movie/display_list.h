#pragma once

// The display list: what each clip (the root, every sprite instance, every button)
// shows at its current frame, depth by depth. The whole tree is a plain value, so a
// copy is a snapshot of everything on stage, sprites' own frames included.

#include "swf/format/records.h"
#include "swf/movie/character_dictionary.h"

#include <map>
#include <memory>
#include <string>

namespace swf::movie {

// An owning pointer that copies what it points to, so that the tree copies deeply.
template <typename T>
class Box {
public:
    Box() = default;
    explicit Box(T value) : m_ptr(std::make_unique<T>(std::move(value))) {}
    Box(const Box& other) : m_ptr(other.m_ptr ? std::make_unique<T>(*other.m_ptr) : nullptr) {}
    Box(Box&&) noexcept = default;
    Box& operator=(const Box& other)
    {
        if (this != &other)
            m_ptr = other.m_ptr ? std::make_unique<T>(*other.m_ptr) : nullptr;
        return *this;
    }
    Box& operator=(Box&&) noexcept = default;

    explicit operator bool() const { return m_ptr != nullptr; }
    T& operator*() { return *m_ptr; }
    const T& operator*() const { return *m_ptr; }
    T* operator->() { return m_ptr.get(); }
    const T* operator->() const { return m_ptr.get(); }
    T* get() { return m_ptr.get(); }
    const T* get() const { return m_ptr.get(); }

private:
    std::unique_ptr<T> m_ptr;
};

struct ClipState;

struct DisplayObject {
    std::uint16_t characterId = 0;
    const Character* character = nullptr;
    Matrix matrix;
    ColorTransform colorTransform;
    std::uint16_t ratio = 0;
    std::string name;
    // Non-zero: this object is a mask for the objects above it up to this depth.
    std::uint16_t clipDepth = 0;
    BlendMode blendMode = BlendMode::Normal;
    bool visible = true;
    // The frame of the parent's timeline whose placement created this object: an
    // object keeps its identity (and a sprite its own frame) across a loop of the
    // parent only while that placement is still the one in effect.
    int placedFrame = 0;
    // The running state of a sprite or button; empty for everything else.
    Box<ClipState> clip;
};

struct ClipState {
    const Timeline* timeline = nullptr;
    int frame = 0;
    std::map<int, DisplayObject> objects; // by depth, drawn from the lowest
};

// Display objects in the tree below and including `clip`'s children.
int countObjects(const ClipState& clip);

} // namespace swf::movie
