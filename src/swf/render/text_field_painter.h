#pragma once

// Paints a text field from its live state (script::TextFieldState).

#include "swf/format/types.h"
#include "swf/render/font_library.h"
#include "swf/script/text_field_state.h"

#include <QTransform>

class QPainter;

namespace swf::render {

void paintTextField(QPainter& painter, const script::TextFieldState& field, const FontLibrary& fonts,
                    const QTransform& toDevice, const swf::ColorTransform& color);

} // namespace swf::render
