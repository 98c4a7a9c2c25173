#pragma once

// A timeline (the root's, a sprite's) as the display-list operations of each
// frame, taken from the tag stream once at load.

#include "swf/format/records.h"

#include <variant>
#include <vector>

namespace swf::movie {

using DisplayOp = std::variant<const PlaceObject*, const RemoveObject*>;

struct Timeline {
    // Never empty: a clip has at least one frame.
    std::vector<std::vector<DisplayOp>> frames;
    // The frames the stream ends with a ShowFrame: a movie declaring more
    // never finishes loading the rest.
    int shownFrames = 0;

    int frameCount() const { return static_cast<int>(frames.size()); }
};

// The timeline of a tag list. `declaredFrames` is the count the header or sprite
// declares; frames the stream lacks stay empty, extra shown frames are dropped.
Timeline buildTimeline(const std::vector<Tag>& tags, int declaredFrames);

} // namespace swf::movie
