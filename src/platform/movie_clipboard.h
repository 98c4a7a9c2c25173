#pragma once

// The desktop's keys for Select All, Copy, Cut and Paste (as the desktop
// binds them) in a movie's focused text field, with the desktop's clipboard.
// Apart from the widget so that tests drive it with key events and a
// clipboard, without a window.

#include "swf/player.h"

#include <optional>

class QClipboard;
class QKeyEvent;

namespace veskor {

// The field command a key press stands for, if any.
std::optional<swf::Player::FieldCommand> fieldCommandOf(const QKeyEvent& event);

// Whether the movie's focused text field takes the key as its command: then
// the key goes to the movie rather than to a shortcut of the window that has
// the same keys.
bool movieTakesFieldKey(const swf::Player& player, const QKeyEvent& event);

// Runs the key's command in the movie with `clipboard`: Copy and Cut put the
// text they took on it (and leave it alone when they took none), Paste types
// its text into the field. Says whether the key was one the field took.
bool runFieldKey(swf::Player& player, const QKeyEvent& event, QClipboard& clipboard);

} // namespace veskor
