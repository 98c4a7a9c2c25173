#pragma once

// What the runtime keeps of the pointer, the keys and a drag between events.

#include <vector>

namespace swf::movie {
struct Character;
}

namespace swf::runtime {

struct Instance;

// A button the pointer was over or pressing when it left the stage: a button
// of the same character that the same timeline puts at its depth before the
// pointer is looked at again takes over, so that a timeline re-placing its
// button (a loop going back to the frame that places it) sends no events.
struct LeftButton {
    Instance* parent = nullptr;
    int depth = 0;
    const movie::Character* character = nullptr;
    bool hover = false;
    bool pressed = false;
};

struct PointerState {
    double x = 0, y = 0; // stage twips
    bool down = false;
    bool seen = false;           // a mouse event told where the pointer is
    Instance* hover = nullptr;   // the button or clip under the pointer
    Instance* pressed = nullptr; // the one pressed
    LeftButton left;             // parent null: none left
};

struct KeyboardState {
    std::vector<int> down;
    int lastCode = 0;
    int lastAscii = 0;
};

// startDrag: the clip follows the pointer, kept at its distance from it (or
// centred on it) and within the bounds when constrained.
struct DragState {
    Instance* clip = nullptr;
    bool lockCenter = false;
    double dx = 0, dy = 0;
    bool constrained = false;
    double bounds[4] = {0, 0, 0, 0}; // left, top, right, bottom
};

} // namespace swf::runtime
