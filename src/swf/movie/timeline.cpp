#include "swf/movie/timeline.h"

#include <algorithm>

namespace swf::movie {

Timeline buildTimeline(const std::vector<Tag>& tags, int declaredFrames)
{
    Timeline timeline;
    const int frameCount = std::max(1, declaredFrames);
    timeline.frames.resize(static_cast<size_t>(frameCount));
    size_t frame = 0;
    for (const Tag& tag : tags) {
        if (frame >= timeline.frames.size())
            break;
        if (const auto* place = std::get_if<PlaceObject>(&tag)) {
            timeline.frames[frame].push_back(place);
        } else if (const auto* remove = std::get_if<RemoveObject>(&tag)) {
            timeline.frames[frame].push_back(remove);
        } else if (std::holds_alternative<ShowFrame>(tag)) {
            ++frame;
            timeline.shownFrames = static_cast<int>(frame);
        } else if (std::holds_alternative<End>(tag)) {
            break;
        }
    }
    return timeline;
}

} // namespace swf::movie
