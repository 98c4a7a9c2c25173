#pragma once

// Colour transforms applied to pixels and colours, so that bitmaps and bitmap
// fills change colour with the object that shows them, as vector fills do.

#include "swf/format/types.h"

#include <QColor>
#include <QImage>

namespace swf::render {

// The colour `color` after `transform`, as a QColor (not premultiplied).
QColor transformColor(const swf::Rgba& color, const swf::ColorTransform& transform);

// A copy of `image` (any format) with `transform` applied to every pixel, as
// Format_ARGB32_Premultiplied. The identity transform returns the image as is.
// With `coveredOnly`, transparent pixels stay transparent, as around a shape.
QImage transformImage(const QImage& image, const swf::ColorTransform& transform, bool coveredOnly = false);

} // namespace swf::render
