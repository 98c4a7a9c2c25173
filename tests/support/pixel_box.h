#pragma once

#include "swf/format/types.h"

namespace swf::test {

// The rectangle of w by h pixels whose top left corner is (x, y), in twips.
inline Rect box(int x, int y, int w, int h)
{
    return Rect{Twips::fromPixels(x), Twips::fromPixels(x + w), Twips::fromPixels(y), Twips::fromPixels(y + h)};
}

} // namespace swf::test
