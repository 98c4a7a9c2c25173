#pragma once

// The display list: what each clip (the root, every sprite instance, every button)
// shows at its current frame, depth by depth. The whole tree is a plain value, so a
// copy is a snapshot of everything on stage, sprites' own frames included.

#include "swf/format/records.h"
#include "swf/movie/character_dictionary.h"

#include <map>
#include <memory>
#include <string>

namespace swf::script {
class Object;
struct TextFieldState;
} // namespace swf::script

namespace swf::movie {

// What a clip's script drew with the drawing methods (lineTo, beginFill...);
// defined in drawing.h.
class Drawing;

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

    // Only in movies that run scripts (the script runtime sets these):
    // the object scripts see for this instance,
    script::Object* object = nullptr;
    // the live state of a text field (its text, format and layout),
    std::shared_ptr<script::TextFieldState> text;
    // set once a script moved, scaled, rotated or recoloured the object: the
    // timeline no longer changes its matrix and colour then,
    bool scriptTransformed = false;
    // placed by a script (attachMovie, duplicateMovieClip...), not the timeline.
    bool dynamic = false;
    // setMask: the object shows only inside `mask`'s area; the mask itself is
    // not drawn. The runtime keeps the mask's place on the stage up to date.
    struct ScriptMask {
        const DisplayObject* mask = nullptr;
        Matrix maskToStage;
    };
    std::shared_ptr<ScriptMask> scriptMask;
    bool isScriptMask = false;
};

struct ClipState {
    const Timeline* timeline = nullptr;
    int frame = 0;
    std::map<int, DisplayObject> objects; // by depth, drawn from the lowest
    // Drawn below the objects; empty unless a script drew on this clip.
    std::shared_ptr<Drawing> drawing;
    // A script stopped this clip (stop(), gotoAndStop): advancing leaves it alone.
    bool stopped = false;
};

// Display objects in the tree below and including `clip`'s children.
int countObjects(const ClipState& clip);

} // namespace swf::movie
