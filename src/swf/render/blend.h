#pragma once

// Blend modes of PlaceObject3: how an object's offscreen layer is combined with
// what is already drawn beneath it.

#include <cstdint>

class QImage;

namespace swf::render {

enum class BlendMode {
    Normal,
    Layer,
    Multiply,
    Screen,
    Lighten,
    Darken,
    Difference,
    Add,
    Subtract,
    Invert,
    Alpha,
    Erase,
    Overlay,
    HardLight,
};

// Maps the byte stored in PlaceObject3 (0 and 1 both mean normal) to a mode;
// unknown values draw as normal.
BlendMode blendModeFromByte(std::uint8_t value);

// True when the mode needs the object drawn into a layer of its own first
// (everything but Normal).
bool needsLayer(BlendMode mode);

// Composites `layer` onto `destination`. Both must be Format_ARGB32_Premultiplied
// images of the same size; otherwise nothing happens. Alpha and Erase multiply
// the destination's alpha by the layer's (or its complement), which is what the
// movie expects when their parent is drawn as a layer of its own.
void compositeLayer(QImage& destination, const QImage& layer, BlendMode mode);

} // namespace swf::render
