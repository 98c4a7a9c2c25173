#pragma once

// Paints a text field from its live state (text::TextFieldState).

#include "swf/format/types.h"
#include "swf/render/font_library.h"
#include "swf/text/text_field.h"

#include <QTransform>

class QPainter;

namespace swf::render {

void paintTextField(QPainter& painter, const text::TextFieldState& field, const FontLibrary& fonts,
                    const QTransform& toDevice, const swf::ColorTransform& color);

} // namespace swf::render
