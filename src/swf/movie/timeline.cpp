#include "swf/movie/timeline.h"

#include <algorithm>

namespace swf::movie {

namespace {

FrameSound& soundOf(Timeline& timeline, std::size_t frame)
{
    if (timeline.sounds.empty())
        timeline.sounds.resize(timeline.frames.size());
    return timeline.sounds[frame];
}

void addSound(Timeline& timeline, std::size_t frame, const UnknownTag& tag)
{
    if (auto start = readStartSound(tag)) {
        soundOf(timeline, frame).starts.push_back(std::move(*start));
    } else if (auto head = readSoundStreamHead(tag)) {
        if (!timeline.streamHead || timeline.sounds.empty())
            timeline.streamHead = *head;
    } else if (auto block = soundStreamBlock(tag)) {
        // One block a frame; a second in the same frame is the original
        // player's to drop as well.
        if (timeline.streamHead && !soundOf(timeline, frame).streamBlock)
            timeline.sounds[frame].streamBlock = *block;
    }
}

} // namespace

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
        } else if (const auto* unknown = std::get_if<UnknownTag>(&tag)) {
            addSound(timeline, frame, *unknown);
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
