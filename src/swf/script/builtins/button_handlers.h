#pragma once

// The handlers that make a movie clip act as a button: a clip with any of
// them (whatever its value) takes the keyboard focus and a place in the
// automatic tab order as a button would.

namespace swf::script {

inline constexpr const char* kButtonHandlers[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                                  "onRollOut", "onDragOver", "onDragOut"};

} // namespace swf::script
