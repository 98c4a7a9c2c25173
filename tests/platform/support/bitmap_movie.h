#pragma once

// Movies whose loading is mostly bitmap decoding, for the tests of loading off
// the window's thread.

#include "swf/format/types.h"

namespace veskor {

// A 64x64 stage showing `count` distinct 32-bit lossless bitmaps of side
// `side`, each stretched over the whole stage.
swf::Bytes bitmapMovie(int count, int side);

} // namespace veskor
