#pragma once

// A timeline (the root's, a sprite's) as the display-list operations of each
// frame, taken from the tag stream once at load.

#include "swf/format/records.h"
#include "swf/format/sounds.h"

#include <optional>
#include <span>

#include <variant>
#include <vector>

namespace swf::movie {

using DisplayOp = std::variant<const PlaceObject*, const RemoveObject*>;

// The sound of a frame: the event sounds it starts or stops, and its block of
// the timeline's stream.
struct FrameSound {
    std::vector<StartSound> starts;
    std::optional<std::span<const std::uint8_t>> streamBlock;
};

struct Timeline {
    // Never empty: a clip has at least one frame.
    std::vector<std::vector<DisplayOp>> frames;
    // The frames the stream ends with a ShowFrame: a movie declaring more
    // never finishes loading the rest.
    int shownFrames = 0;
    // The frames the stream brings, whatever the header declares: its shown
    // frames and a last one that scripts or placements open without a
    // ShowFrame. Playing goes no further than these.
    int streamFrames = 1;
    // The count the header or sprite declares (at least one): what scripts
    // read as the total.
    int declaredFrames = 1;
    // Whether the stream closed with its End tag. Without it the timeline is
    // still loading as far as the player knows, and waits at its last frame
    // instead of looping.
    bool complete = true;
    // Per frame when any frame has sound, else empty; spans point into the tags.
    std::vector<FrameSound> sounds;
    // The stream the timeline's blocks belong to (the last head before the first block).
    std::optional<SoundStreamHead> streamHead;

    int frameCount() const { return static_cast<int>(frames.size()); }
    const FrameSound* soundAt(int frame) const
    {
        return frame >= 0 && std::size_t(frame) < sounds.size() ? &sounds[std::size_t(frame)] : nullptr;
    }
};

// The timeline of a tag list. `declaredFrames` is the count the header or sprite
// declares; frames the stream lacks stay empty, frames it brings beyond the
// declared count are kept. `terminated` tells whether the stream closed with
// its End tag (the tag lists of records leave it out).
Timeline buildTimeline(const std::vector<Tag>& tags, int declaredFrames, bool terminated = true);

} // namespace swf::movie
