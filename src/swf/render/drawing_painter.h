#pragma once

// Paints a clip's script drawing (movie::Drawing): its shape records are built
// into geometry once per change of the drawing and painted like any shape.

#include "swf/format/types.h"
#include "swf/movie/drawing.h"
#include "swf/render/bitmap_library.h"
#include "swf/render/shape_geometry.h"

#include <QPainterPath>
#include <QTransform>

class QPainter;

namespace swf::render {

// The drawing's geometry in twips, built on first use after each change.
const ShapeGeometry& drawingGeometry(const movie::Drawing& drawing);

// `toDevice` maps the clip's twips to the painter's device.
// `wholeClip` as for paintShape().
void paintDrawing(QPainter& painter, const movie::Drawing& drawing, const BitmapLibrary& bitmaps,
                  const QTransform& toDevice, const swf::ColorTransform& color, const QRectF& wholeClip = QRectF());

// The pictures of the script pixels the drawing's bitmap fills show, as they
// are now, by the ids its fills give them.
BitmapLibrary liveBitmaps(const movie::Drawing& drawing);

// The area the drawing's fills cover, in the clip's twips, for a clip used as a mask.
QPainterPath drawingOutline(const movie::Drawing& drawing);

} // namespace swf::render
