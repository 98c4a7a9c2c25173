#include "swf/movie/timeline_runner.h"

#include "swf/movie/limits.h"

namespace swf::movie {

namespace {

bool isDrawing(const Character& character)
{
    return character.kind == Character::Kind::Shape || character.kind == Character::Kind::MorphShape
        || character.kind == Character::Kind::Text;
}

} // namespace

ClipState TimelineRunner::startRoot(const Timeline& timeline) const
{
    int budget = kMaxDisplayObjects;
    return start(timeline, 0, budget);
}

void TimelineRunner::advanceRoot(ClipState& root) const
{
    int budget = kMaxDisplayObjects - countObjects(root);
    advance(root, 0, budget);
}

ClipState TimelineRunner::start(const Timeline& timeline, int nesting, int& budget) const
{
    ClipState clip;
    clip.timeline = &timeline;
    clip.frame = 0;
    if (!timeline.frames.empty())
        applyFrame(clip, 0, nesting, budget);
    return clip;
}

void TimelineRunner::advance(ClipState& clip, int nesting, int& budget) const
{
    // Children already on stage play their next frame; those this frame places
    // below show their first frame, so they are placed after this.
    for (auto& [depth, object] : clip.objects) {
        if (object.clip)
            advance(*object.clip, nesting + 1, budget);
    }
    const int frameCount = clip.timeline ? clip.timeline->frameCount() : 0;
    // A one-frame clip stays as it is: its single frame is not shown again.
    if (frameCount <= 1)
        return;
    if (clip.frame + 1 < frameCount) {
        ++clip.frame;
        applyFrame(clip, clip.frame, nesting, budget);
    } else {
        loop(clip, nesting, budget);
    }
}

void TimelineRunner::loop(ClipState& clip, int nesting, int& budget) const
{
    ClipState fresh = start(*clip.timeline, nesting, budget);
    // Objects that the first frame's placements still account for keep their
    // identity: a sprite on stage the whole time goes on with its own frames.
    for (auto& [depth, object] : fresh.objects) {
        const auto old = clip.objects.find(depth);
        if (old == clip.objects.end())
            continue;
        if (old->second.characterId == object.characterId && old->second.placedFrame == object.placedFrame
            && old->second.clip && object.clip)
            object.clip = std::move(old->second.clip);
    }
    clip = std::move(fresh);
}

void TimelineRunner::applyFrame(ClipState& clip, int frame, int nesting, int& budget) const
{
    if (frame < 0 || frame >= clip.timeline->frameCount())
        return;
    for (const DisplayOp& op : clip.timeline->frames[static_cast<size_t>(frame)]) {
        if (const auto* placeOp = std::get_if<const PlaceObject*>(&op)) {
            place(clip, **placeOp, frame, nesting, budget);
        } else if (const auto* removeOp = std::get_if<const RemoveObject*>(&op)) {
            clip.objects.erase((*removeOp)->depth);
        }
    }
}

void TimelineRunner::place(ClipState& clip, const PlaceObject& record, int frame, int nesting, int& budget) const
{
    const int depth = record.depth;
    auto existing = clip.objects.find(depth);
    const bool modifies = record.version != 1 && record.isMove;

    const Character* character = nullptr;
    if (record.characterId)
        character = m_dictionary.find(*record.characterId);

    DisplayObject* object = nullptr;
    if (existing != clip.objects.end()) {
        // A new placement on an occupied depth is ignored; a move modifies what is there.
        if (!modifies)
            return;
        object = &existing->second;
        // Only a drawing can take another drawing's place: a clip (sprite or
        // button) is never swapped for another character, nor a drawing for a
        // clip, as in the original player. The rest of the record still applies.
        if (character && object->characterId != *record.characterId && isDrawing(*character)
            && object->character && isDrawing(*object->character)) {
            object->characterId = *record.characterId;
            object->character = character;
            object->ratio = 0;
        }
    } else {
        // Nothing to move, or a character this movie does not define: nothing to show.
        if (!character || budget <= 0)
            return;
        --budget;
        DisplayObject fresh;
        fresh.characterId = *record.characterId;
        fresh.character = character;
        fresh.placedFrame = frame;
        if (character->hasTimeline() && nesting + 1 <= kMaxNesting)
            fresh.clip = Box<ClipState>(start(*character->timeline, nesting + 1, budget));
        object = &clip.objects.emplace(depth, std::move(fresh)).first->second;
    }

    if (record.matrix)
        object->matrix = *record.matrix;
    if (record.colorTransform)
        object->colorTransform = *record.colorTransform;
    if (record.ratio)
        object->ratio = *record.ratio;
    if (record.name)
        object->name = *record.name;
    if (record.clipDepth)
        object->clipDepth = *record.clipDepth;
    if (record.blendMode)
        object->blendMode = *record.blendMode;
    if (record.visible)
        object->visible = *record.visible;
}

} // namespace swf::movie
