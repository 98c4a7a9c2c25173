#pragma once

// Paints a clip's script drawing (movie::Drawing).

#include "swf/format/types.h"
#include "swf/movie/drawing.h"
#include "swf/render/bitmap_library.h"

#include <QTransform>

class QPainter;

namespace swf::render {

void paintDrawing(QPainter& painter, const movie::Drawing& drawing, const BitmapLibrary& bitmaps,
                  const QTransform& toDevice, const swf::ColorTransform& color);

} // namespace swf::render
