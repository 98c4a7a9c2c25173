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
        } else if (std::holds_alternative<End>(tag)) {
            break;
        }
    }
    return timeline;
}

Timeline buildButtonTimeline(const DefineButton& button)
{
    Timeline timeline;
    timeline.frames.resize(1);
    for (const ButtonRecord& record : button.records) {
        if (!record.stateUp)
            continue;
        auto place = std::make_unique<PlaceObject>();
        place->version = 3;
        place->depth = record.depth;
        place->characterId = record.characterId;
        place->matrix = record.matrix;
        place->colorTransform = record.colorTransform;
        if (record.blendMode != BlendMode::Normal)
            place->blendMode = record.blendMode;
        timeline.frames[0].push_back(place.get());
        timeline.ownedPlacements.push_back(std::move(place));
    }
    return timeline;
}

} // namespace swf::movie
