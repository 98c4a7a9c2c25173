#pragma once

// What changed on the stage between two pictures. Each frame the renderer lists
// what it would draw (one item per shape, text, field or drawing, in drawing
// order, with the device pixels it may touch and a signature of everything that
// decides its pixels); comparing the list with the previous frame's gives the
// areas whose pixels can differ. Redrawing only those, over the previous
// picture, gives the picture a full redraw would.

#include <QRect>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace swf::render {

struct DrawItem {
    // Which object this is, stable from frame to frame (its path in the tree).
    std::uint64_t key = 0;
    // Everything that decides its pixels: character, transform, colour,
    // masks, text... Equal signatures and bounds draw equal pixels.
    std::uint64_t signature = 0;
    // The device pixels it may touch (antialiasing and strokes included).
    QRect bounds;
    // Keeps what the signature names by address alive while the item is
    // remembered, so that the address cannot come back for something else.
    std::shared_ptr<const void> keep;
    // Painted straight onto the picture rather than copied from a picture of
    // its own. Gradients and bitmaps are computed along each row from where
    // the row's span begins, and Qt steps antialiased rectangles and wide
    // lines across from the clip's left edge: cut short on the left, they come
    // out a rounding step apart from the same rows drawn whole. Damage over
    // such an item takes in its whole width.
    bool wholeWidth = false;
};

// 64-bit FNV-1a, enough to tell frames apart; collisions only cost a
// missing repaint with a chance of 2^-64.
class Hasher {
public:
    explicit Hasher(std::uint64_t seed = 0xcbf29ce484222325ull) : m_value(seed) {}
    Hasher& bytes(const void* data, std::size_t size);
    Hasher& add(std::uint64_t value) { return bytes(&value, sizeof value); }
    Hasher& add(double value);
    Hasher& add(const void* pointer) { return add(std::uint64_t(reinterpret_cast<std::uintptr_t>(pointer))); }
    std::uint64_t value() const { return m_value; }

private:
    std::uint64_t m_value;
};

class DamageTracker {
public:
    // Past this many rectangles, damage is gathered onto a coarser grid: the
    // drawing clips to every rectangle.
    static constexpr int kMaxRects = 256;

    // Takes this frame's items and returns the rectangles of `canvas` to draw
    // afresh (apart from each other): all of it after reset() or when `full`,
    // none when nothing changed.
    std::vector<QRect> update(std::vector<DrawItem> items, const QRect& canvas, bool full);
    // Forgets the previous frame: the next update draws everything.
    void reset();

private:
    struct Previous {
        std::uint64_t signature;
        QRect bounds;
        std::size_t order;
    };
    std::vector<DrawItem> m_items;
    std::unordered_map<std::uint64_t, Previous> m_previous;
    bool m_valid = false;
};

} // namespace swf::render
