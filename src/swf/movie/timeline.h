#pragma once

// A timeline (the root's, a sprite's, a button's up state) as the display-list
// operations of each frame, taken from the tag stream once at load.

#include "swf/format/records.h"

#include <memory>
#include <variant>
#include <vector>

namespace swf::movie {

using DisplayOp = std::variant<const PlaceObject*, const RemoveObject*>;

struct Timeline {
    // Never empty: a clip has at least one frame.
    std::vector<std::vector<DisplayOp>> frames;
    // Operations made up by the loader (a button's up state) live here.
    std::vector<std::unique_ptr<PlaceObject>> ownedPlacements;

    int frameCount() const { return static_cast<int>(frames.size()); }
};

// The timeline of a tag list. `declaredFrames` is the count the header or sprite
// declares; frames the stream lacks stay empty, extra shown frames are dropped.
Timeline buildTimeline(const std::vector<Tag>& tags, int declaredFrames);

// A one-frame timeline of a button's up-state records.
Timeline buildButtonTimeline(const DefineButton& button);

} // namespace swf::movie
