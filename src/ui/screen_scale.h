#pragma once

// The twips-to-pixels scale of the screen a widget is on (the primary screen before it
// is shown), from the screen's logical resolution.

#include "ui/twips.h"

class QWidget;

namespace veskor {

TwipsScale screenScale(const QWidget* widget = nullptr);

} // namespace veskor
