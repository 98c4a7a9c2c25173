#pragma once

// Pixels a script draws into (a BitmapData), shared by the script object that
// changes them and by the drawings that show them: a bitmap fill of a clip's
// drawing, or a bitmap attached to a clip, shows the pixels as they are now.

#include <cstdint>
#include <vector>

namespace swf::movie {

struct LiveBitmap {
    int width = 0;
    int height = 0;
    // Opaque bitmaps keep the bits a script gives and show them at full alpha.
    bool transparent = true;
    // Premultiplied 0xAARRGGBB, row by row; empty once the bitmap is disposed.
    std::vector<std::uint32_t> pixels;
    // Bumped on every change, so that pictures made of the pixels are made again.
    std::uint64_t generation = 0;
};

} // namespace swf::movie
