#include "swf/movie/timeline.h"

#include <algorithm>

namespace swf::movie {

namespace {

FrameSound& soundOf(Timeline& timeline, std::size_t frame)
{
    if (timeline.sounds.size() <= frame)
        timeline.sounds.resize(std::max(timeline.frames.size(), frame + 1));
    return timeline.sounds[frame];
}

std::vector<DisplayOp>& opsOf(Timeline& timeline, std::size_t frame)
{
    if (timeline.frames.size() <= frame)
        timeline.frames.resize(frame + 1);
    return timeline.frames[frame];
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

Timeline buildTimeline(const std::vector<Tag>& tags, int declaredFrames, bool terminated)
{
    Timeline timeline;
    timeline.complete = terminated;
    timeline.declaredFrames = std::max(1, declaredFrames);
    timeline.frames.resize(static_cast<size_t>(timeline.declaredFrames));
    size_t frame = 0;
    bool frameOpen = false; // the frame being read holds something to play
    for (const Tag& tag : tags) {
        if (const auto* place = std::get_if<PlaceObject>(&tag)) {
            opsOf(timeline, frame).push_back(place);
            frameOpen = true;
        } else if (const auto* remove = std::get_if<RemoveObject>(&tag)) {
            opsOf(timeline, frame).push_back(remove);
            frameOpen = true;
        } else if (const auto* unknown = std::get_if<UnknownTag>(&tag)) {
            addSound(timeline, frame, *unknown);
        } else if (std::holds_alternative<DoAction>(tag)) {
            frameOpen = true;
        } else if (std::holds_alternative<ShowFrame>(tag)) {
            ++frame;
            frameOpen = false;
            timeline.shownFrames = static_cast<int>(frame);
        } else if (std::holds_alternative<End>(tag)) {
            break;
        }
    }
    timeline.streamFrames = std::max(1, timeline.shownFrames + (frameOpen ? 1 : 0));
    if (timeline.frames.size() < std::size_t(timeline.streamFrames))
        timeline.frames.resize(std::size_t(timeline.streamFrames));
    if (!timeline.sounds.empty() && timeline.sounds.size() < timeline.frames.size())
        timeline.sounds.resize(timeline.frames.size());
    return timeline;
}

} // namespace swf::movie
