#pragma once

// The windows name the font 宋体; on this system it maps to a CJK font that is
// installed, so Chinese text never shows as empty boxes.

#include <QFont>

namespace veskor {

// Registers the substitutes for 宋体 (and its Latin name SimSun) and returns the
// family that the program's text uses.
QString installFontSubstitutions();

// 宋体 at the given point size, bold or not.
QFont songti(qreal pointSize, bool bold = false);

} // namespace veskor
