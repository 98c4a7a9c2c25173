#include "swf/render/text_field_painter.h"

namespace swf::render {

void paintTextField(QPainter&, const script::TextFieldState&, const FontLibrary&, const QTransform&,
                    const swf::ColorTransform&)
{
}

} // namespace swf::render
