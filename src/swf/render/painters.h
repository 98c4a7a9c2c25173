#pragma once

// The drawing layer of the engine, as the movie layer uses it: records and
// display-list state in, pixels out through QPainter. It never sees bytes.
//
//   CharacterCache cache;                       // one per movie
//   for (const swf::Tag& tag : movie.tags)      // bitmaps, JPEG tables, fonts
//       cache.addDefinition(tag);
//   ...
//   QTransform toDevice = toQTransform(objectMatrix) * stageToDevice;
//   paintShape(painter, cache.shape(defineShape), cache.bitmaps(), toDevice, colorTransform);
//   paintShape(painter, cache.morph(defineMorph, ratio), cache.bitmaps(), toDevice, colorTransform);
//   paintStaticText(painter, cache.staticText(defineText), toDevice, colorTransform);
//   paintTextField(painter, textFieldState, cache.fonts(), toDevice, colorTransform);
//
// Every transform maps twips (the character's own space) to device pixels;
// stage twips to pixels is a scale of 1/20 times the zoom. Colour transforms
// apply to everything drawn, bitmaps included. Painting functions leave the
// painter's state as they found it.
//
// Blend modes: draw the object into a transparent Format_ARGB32_Premultiplied
// layer of the destination's size, then compositeLayer(destination, layer, mode).
// Masks: ShapeGeometry::fillOutline() is the area a shape covers.

#include "swf/render/blend.h"
#include "swf/render/bitmap_library.h"
#include "swf/render/character_cache.h"
#include "swf/render/color_transform_image.h"
#include "swf/render/font_library.h"
#include "swf/render/shape_geometry.h"
#include "swf/render/shape_painter.h"
#include "swf/render/text_field_painter.h"
#include "swf/render/text_painter.h"

namespace swf::render {

// The blend mode of a PlaceObject3 record.
inline BlendMode toBlendMode(swf::BlendMode mode)
{
    return blendModeFromByte(static_cast<std::uint8_t>(mode));
}

} // namespace swf::render
