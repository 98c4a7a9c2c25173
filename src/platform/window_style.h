#pragma once

// Removing and restoring a top-level window's caption and sizing frame, for full
// screen. The window manager draws both on Linux, so they go away together through
// the frameless hint; a window that was on screen stays on screen.

class QWidget;

namespace veskor {

void removeCaptionAndFrame(QWidget* window);
void restoreCaptionAndFrame(QWidget* window);
bool hasCaptionAndFrame(const QWidget* window);

} // namespace veskor
