#include "swf/render/drawing_painter.h"

namespace swf::render {

void paintDrawing(QPainter&, const movie::Drawing&, const BitmapLibrary&, const QTransform&, const swf::ColorTransform&)
{
}

} // namespace swf::render
