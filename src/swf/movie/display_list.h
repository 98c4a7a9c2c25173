#pragma once

// The display list: what each clip (the root, every sprite instance, every button)
// shows at its current frame, depth by depth. The whole tree is a plain value, so a
// copy is a snapshot of everything on stage, sprites' own frames, drawings and text
// fields included. What scripts keep about an object lives with the script runtime,
// which knows each object by its id.

#include "swf/format/filters.h"
#include "swf/format/records.h"
#include "swf/movie/character_dictionary.h"
#include "swf/movie/drawing.h"
#include "swf/movie/live_bitmap.h"
#include "swf/text/text_field.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace swf::movie {

// Depths scripts use start here in the display list's keys: timeline depths
// 1..65535 are -16383..49151 to scripts, as in the original player.
inline constexpr int kScriptDepthOffset = 16384;

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
    void reset() { m_ptr.reset(); }

private:
    std::unique_ptr<T> m_ptr;
};

struct ClipState;

struct DisplayObject {
    // Unique among the objects one movie put on stage (0: none, the root of a
    // tree that no placement made).
    std::uint32_t id = 0;
    std::uint16_t characterId = 0;
    const Character* character = nullptr;
    // The character a move last named where the object could not take it
    // (anything but one drawing for another): it keeps its look, but going
    // back to a frame before that move no longer finds it the frame's placement.
    std::optional<std::uint16_t> movedAsCharacterId;
    Matrix matrix;
    ColorTransform colorTransform;
    std::uint16_t ratio = 0;
    std::string name;
    // Non-zero: this object is a mask for the objects above it up to this depth.
    std::uint16_t clipDepth = 0;
    BlendMode blendMode = BlendMode::Normal;
    // 0xRRGGBB: the box the object covers in its own space is filled with it,
    // beneath what the object draws (a placement's background colour, or a
    // script's opaqueBackground).
    std::optional<std::uint32_t> opaqueBackground;
    // A clip shows only this rectangle of its own space (twips), moved to
    // its origin: what lies at xMin, yMin shows where 0, 0 would.
    std::optional<Rect> scrollRect;
    // The filters of the placement (they live in the movie's records).
    const std::vector<Filter>* filters = nullptr;
    // The filters a script gave the object: once set, they stand for the
    // placement's.
    std::optional<std::vector<FilterValues>> scriptFilters;
    bool visible = true;
    // The running state of a sprite or button; empty for everything else.
    Box<ClipState> clip;
    // The live state of an edit text field; empty for everything else.
    Box<text::TextFieldState> text;
    // A video's pictures from a stream a script attached to it: shown in
    // place of its own frames, at its size. While the pictures are at the
    // generation `videoCleared` names, the video shows nothing.
    std::shared_ptr<const LiveBitmap> videoFeed;
    std::optional<std::uint64_t> videoCleared;

    // Set once a script moved, scaled, rotated or recoloured the object: the
    // timeline no longer changes its matrix and colour then.
    bool scriptTransformed = false;
    // Placed by a script (attachMovie, duplicateMovieClip...), not the timeline.
    bool dynamic = false;
    // A script moved it to another depth (swapDepths).
    bool swapped = false;
    // Placed by a timeline of SWF 5 or before on a depth another object held:
    // it sits beneath every timeline depth until the timeline goes back.
    bool beneath = false;
    // setMask: the object shows only inside the area of the object with this
    // id; that object is not drawn itself (isScriptMask).
    std::uint32_t maskId = 0;
    bool isScriptMask = false;
};

// The part of its space a clip with the scroll rectangle `scroll` shows, where
// it shows it: at its origin.
inline Rect scrollWindow(const Rect& scroll) { return {Twips(0), scroll.width(), Twips(0), scroll.height()}; }

struct ClipState {
    // Null for buttons, whose objects follow the button's state instead.
    const Timeline* timeline = nullptr;
    // The characters its timeline places: those of a movie loaded into the
    // tree, which its clips pass on to theirs; null for the movie the runner
    // was made with.
    const CharacterDictionary* dictionary = nullptr;
    int frame = 0;
    // The clip's depth in the tree: the root is 0.
    int nesting = 0;
    std::map<int, DisplayObject> objects; // by depth, drawn from the lowest
    // Drawn below the objects; empty unless a script drew on this clip.
    Box<Drawing> drawing;
    // A script stopped this clip (stop(), gotoAndStop): advancing leaves it alone.
    bool stopped = false;
    // A button's state: 0 up, 1 over, 2 down.
    int buttonState = 0;
};

// Display objects in the tree below and including `clip`'s children.
int countObjects(const ClipState& clip);

// The tree below `clip` as text, an object a line, indented by nesting: depth,
// kind, character, name, position, scale, visibility and a text field's text.
// For people reading what a movie built, not for machines.
std::string describeTree(const ClipState& clip);

} // namespace swf::movie
