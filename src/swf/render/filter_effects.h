#pragma once

// Bitmap filters drawn on an object's layer: blur, drop shadow, glow, bevel,
// gradient glow and bevel, colour matrix and convolution. A filter works on the
// object as drawn (premultiplied pixels) in stage pixel units: its blur sizes
// and distances follow the stage's scale, never the object's own transform.

#include "swf/format/filters.h"

#include <QMargins>
#include <QRect>

#include <vector>

class QImage;

namespace swf::render {

// Stage pixels to device pixels along each axis.
struct FilterScale {
    double x = 1;
    double y = 1;
};

// The filters of `placed` (a placement's records) unless `scripted` is set;
// records that cannot be read are left out.
std::vector<FilterValues> activeFilters(const std::vector<Filter>* placed,
                                        const std::optional<std::vector<FilterValues>>& scripted);

// How far `filter` reaches beyond the pixels it is given, in device pixels.
QMargins filterMargins(const FilterValues& filter, const FilterScale& scale);

// Filters `image` (Format_ARGB32_Premultiplied, holding the object with room
// for filterMargins around it) in place. `region` is the part of the image the
// object's bounds cover with that room: filters that colour transparent
// pixels (colour matrix, convolution) change nothing outside it.
void applyFilter(QImage& image, const FilterValues& filter, const FilterScale& scale, const QRect& region);

} // namespace swf::render
