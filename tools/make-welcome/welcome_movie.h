#pragma once

// The start-up movie: the name "Veskor" dropping in letter by letter over a
// soft sky, an underline growing beneath it, and coloured balls and squares
// circling and turning while their colours shift. 550 x 400 px, 20 frames a
// second, 100 frames, looping.

#include "swf/format/records.h"

namespace welcome {

inline constexpr int kFrameCount = 100;
inline constexpr double kFrameRate = 20.0;

swf::Movie welcomeMovie();

} // namespace welcome
