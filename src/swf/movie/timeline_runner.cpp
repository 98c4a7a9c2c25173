#include "swf/movie/timeline_runner.h"

#include "swf/movie/limits.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace swf::movie {

namespace {

// Characters drawn from their record alone: only these take each other's place
// in a move. A clip (sprite or button) or a text field is never swapped for
// another character, nor a drawing for one of them, as in the original player.
bool isDrawing(const Character& character)
{
    return character.kind == Character::Kind::Shape || character.kind == Character::Kind::MorphShape
        || character.kind == Character::Kind::Text;
}

// What a move changes. Name, clip depth and clip actions belong to the first
// placement only; visibility too (the flag came for later players' movies).
void applyMove(DisplayObject& object, const PlaceObject& record)
{
    if (!object.scriptTransformed) {
        if (record.matrix)
            object.matrix = *record.matrix;
        if (record.colorTransform)
            object.colorTransform = *record.colorTransform;
    }
    if (record.ratio)
        object.ratio = *record.ratio;
    if (record.clipDepth)
        object.clipDepth = *record.clipDepth;
    if (record.blendMode)
        object.blendMode = *record.blendMode;
    if (record.backgroundColor)
        object.opaqueBackground = record.backgroundColor->rgb();
    if (record.filters)
        object.filters = &*record.filters;
}

// What a first placement sets: whatever it leaves out takes its default.
void applyPlacement(DisplayObject& object, const PlaceObject& record)
{
    if (!object.scriptTransformed) {
        object.matrix = record.matrix.value_or(Matrix{});
        object.colorTransform = record.colorTransform.value_or(ColorTransform{});
    }
    object.ratio = record.ratio.value_or(0);
    object.blendMode = record.blendMode.value_or(BlendMode::Normal);
    object.opaqueBackground = record.backgroundColor ? std::optional(record.backgroundColor->rgb()) : std::nullopt;
    object.filters = record.filters ? &*record.filters : nullptr;
}

// Whether an object a frame shows already stands for the placement of
// `character` with `ratio` on its depth when the timeline goes back. The ratio
// tells placements apart (authoring tools number them so): a clip keeps its
// identity while its ratio matches, even where a later keyframe put another
// sprite on that depth. Anything else counts as placed from the character a
// move last named for it, whether or not it could take that character.
bool samePlacement(const DisplayObject& object, std::uint16_t characterId, const Character* character,
                   std::uint16_t ratio)
{
    if (object.ratio != ratio)
        return false;
    if (object.movedAsCharacterId.value_or(object.characterId) == characterId)
        return true;
    return character && object.character && character->kind == Character::Kind::Sprite
        && object.character->kind == Character::Kind::Sprite;
}

} // namespace

TimelineRunner::TimelineRunner(const CharacterDictionary& dictionary, int swfVersion)
    : m_dictionary(dictionary), m_version(swfVersion)
{
}

void TimelineRunner::makeRoot(DisplayObject& root, const Timeline& timeline)
{
    root.clip = Box<ClipState>(ClipState{});
    root.clip->timeline = &timeline;
}

void TimelineRunner::recount(const DisplayObject& root)
{
    m_objects = root.clip ? countObjects(*root.clip) : 0;
}

// ---------------------------------------------------------------- frames

void TimelineRunner::showFirstFrame(DisplayObject& clip)
{
    if (!clip.clip || !clip.clip->timeline || clip.clip->nesting > kMaxNesting)
        return;
    enterFrame(clip, 0);
}

void TimelineRunner::enterFrame(DisplayObject& clip, int frame)
{
    if (m_hooks)
        m_hooks->enteringFrame(clip, frame);
    applyFrame(clip, frame);
}

bool TimelineRunner::applyFrame(DisplayObject& owner, int frame)
{
    ClipState& clip = *owner.clip;
    const int before = clip.frame;
    clip.frame = frame;
    if (!clip.timeline || frame < 0 || frame >= clip.timeline->frameCount())
        return true;
    if (clip.nesting == 0 && !clip.dictionary)
        m_rootLoaded = std::max(m_rootLoaded, frame);
    const auto& ops = clip.timeline->frames[std::size_t(frame)];
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (const auto* placeOp = std::get_if<const PlaceObject*>(&ops[i])) {
            const PlaceObject& record = **placeOp;
            // A placement that names no character and moves nothing stops
            // the frame there: the playhead stays on the frame before.
            if (record.version != 1 && !record.isMove && !record.characterId) {
                clip.frame = std::max(before, 0);
                return false;
            }
            const bool occupied =
                !(record.version != 1 && record.isMove) && clip.objects.contains(record.depth) && m_version > 5;
            place(owner, record);
            if (occupied && m_hooks)
                m_hooks->placeRefused(owner, record.depth);
        }
        else if (const auto* removeOp = std::get_if<const RemoveObject*>(&ops[i]))
            removeByTimeline(owner, (*removeOp)->depth);
        if (m_hooks)
            m_hooks->frameProgress(owner, frame, int(i + 1));
    }
    if (m_hooks && ops.empty())
        m_hooks->frameProgress(owner, frame, 0);
    return true;
}

void TimelineRunner::advance(DisplayObject& root)
{
    advance(std::vector<DisplayObject*>{&root});
}

void TimelineRunner::advance(const std::vector<DisplayObject*>& roots)
{
    // The clips play in the order the original player keeps them in: the
    // newest first, the root last. A clip that arrives now shows its first
    // frame instead; one that a frame before it took off is skipped.
    std::vector<std::pair<std::uint32_t, DisplayObject*>> clips;
    for (DisplayObject* root : roots)
        collectClips(*root, clips);
    std::sort(clips.begin(), clips.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    m_left.clear();
    m_trackLeaving = true;
    for (const auto& [id, object] : clips) {
        if (!m_left.contains(id) && object->id == id) {
            if (m_hooks)
                m_hooks->advancing(*object);
            advanceOwn(*object);
        }
    }
    m_trackLeaving = false;
    m_left.clear();
}

void TimelineRunner::collectClips(DisplayObject& object, std::vector<std::pair<std::uint32_t, DisplayObject*>>& out)
{
    if (!object.clip)
        return;
    out.emplace_back(object.id, &object);
    for (auto& [depth, child] : object.clip->objects)
        collectClips(child, out);
}

void TimelineRunner::advanceOwn(DisplayObject& owner)
{
    ClipState& clip = *owner.clip;
    const int count = clip.timeline ? clip.timeline->frameCount() : 1;
    // A clip that shows no frame yet (a movie just loaded into it) shows its first.
    if (clip.frame < 0) {
        gotoFrame(owner, 0);
        return;
    }
    if (clip.stopped || count <= 1)
        return;
    // Seeking walks the movie's own timeline through every frame it declares.
    if (!clip.timeline || (clip.nesting == 0 && !m_rootWaitsForMissingFrames)) {
        gotoFrame(owner, clip.frame + 1 < count ? clip.frame + 1 : 0);
        return;
    }
    const Timeline& timeline = *clip.timeline;
    // The movie itself waits at a frame its stream never brought.
    if (clip.nesting == 0 && clip.frame + 1 >= timeline.shownFrames && timeline.declaredFrames > timeline.shownFrames)
        return;
    if (clip.frame + 1 < timeline.streamFrames) {
        gotoFrame(owner, clip.frame + 1);
        return;
    }
    // Past the stream's last frame the player loops only once it has read
    // the timeline's End tag, and only over more than one shown frame: a
    // single frame is not shown again, and a stream without its end waits
    // for frames that never come.
    if (timeline.complete && timeline.shownFrames > 1)
        gotoFrame(owner, 0);
}

void TimelineRunner::gotoFrame(DisplayObject& owner, int frame)
{
    if (!owner.clip)
        return;
    ClipState& clip = *owner.clip;
    const int count = clip.timeline ? clip.timeline->frameCount() : 1;
    frame = std::clamp(frame, 0, std::max(count - 1, 0));
    if (frame == clip.frame)
        return;
    if (frame > clip.frame) {
        // What the frames between place arrives before the frame's own scripts.
        for (int f = clip.frame + 1; f < frame; ++f) {
            if (!applyFrame(owner, f))
                return;
        }
        if (m_hooks)
            m_hooks->enteringFrame(owner, frame);
        if (!applyFrame(owner, frame))
            return;
    } else {
        rewind(owner, frame);
    }
    clip.frame = frame;
}

// Going back replays the timeline's placements from the first frame up to
// `frame`: what the frame still shows from before keeps its identity (and a
// clip its own state) with the properties the frame gives it; the rest leaves
// first, and the frame's own objects arrive in the order the timeline placed
// them. A clip the timeline placed and took off again before `frame` comes
// and goes on the way, as the original player's replay made it: it hears its
// events if it stays long enough (an unload handler keeps it a while).
void TimelineRunner::rewind(DisplayObject& owner, int frame)
{
    ClipState& clip = *owner.clip;
    clip.frame = frame;
    if (!clip.timeline)
        return;
    struct Slot {
        const PlaceObject* first = nullptr;
        std::uint16_t characterId = 0;
        std::uint16_t ratio = 0;
        std::vector<const PlaceObject*> moves;
        std::size_t order = 0;
    };
    // A clip on the way: placed at `slot.order`, taken off at `removedAt`.
    struct Passing {
        int depth = 0;
        Slot slot;
        std::size_t removedAt = 0;
    };
    std::map<int, Slot> wanted;
    std::vector<Passing> passing;
    std::size_t order = 0;
    // The steps after this one are the frame's own.
    std::size_t frameStart = 0;
    for (int f = 0; f <= frame && f < clip.timeline->frameCount(); ++f) {
        if (f == frame)
            frameStart = order;
        for (const DisplayOp& op : clip.timeline->frames[std::size_t(f)]) {
            ++order;
            if (const auto* placeOp = std::get_if<const PlaceObject*>(&op)) {
                const PlaceObject& record = **placeOp;
                const bool modifies = record.version != 1 && record.isMove;
                auto it = wanted.find(record.depth);
                if (it == wanted.end()) {
                    // A move on an empty depth places nothing.
                    if (record.characterId && !modifies)
                        wanted[record.depth] = Slot{&record, *record.characterId, record.ratio.value_or(0), {}, order};
                } else if (modifies) {
                    it->second.moves.push_back(&record);
                    it->second.ratio = record.ratio.value_or(it->second.ratio);
                }
            } else if (const auto* removeOp = std::get_if<const RemoveObject*>(&op)) {
                const auto it = wanted.find((*removeOp)->depth);
                if (it == wanted.end())
                    continue;
                const Character* character = dictionaryOf(clip).find(it->second.characterId);
                if (character && character->kind == Character::Kind::Sprite)
                    passing.push_back(Passing{it->first, std::move(it->second), order});
                wanted.erase(it);
            }
        }
    }
    std::vector<int> leaving;
    for (const auto& [depth, object] : clip.objects) {
        // Only the timeline's own depths are rebuilt; what scripts put below
        // or above them stays. What a timeline placed beneath a taken depth
        // goes.
        if (object.beneath) {
            leaving.push_back(depth);
            continue;
        }
        if (depth < 0 || depth >= kScriptDepthOffset)
            continue;
        // A timeline object a script moved to another depth stays while the
        // frame shows something at the depth it sits on, and that placement
        // finds the depth occupied; at a depth the frame leaves empty it goes.
        const auto it = wanted.find(depth);
        if (object.swapped && !object.dynamic) {
            if (it == wanted.end())
                leaving.push_back(depth);
            continue;
        }
        if (it == wanted.end() || object.dynamic
            || !samePlacement(object, it->second.characterId, dictionaryOf(clip).find(it->second.characterId),
                              it->second.ratio))
            leaving.push_back(depth);
    }
    for (int depth : leaving)
        removeByTimeline(owner, depth);

    // The placements and removals still to make, in the timeline's order.
    struct Step {
        std::size_t order = 0;
        int depth = 0;
        const Slot* slot = nullptr;
        bool removal = false;
    };
    std::vector<Step> steps;
    for (const auto& [depth, slot] : wanted)
        steps.push_back(Step{slot.order, depth, &slot, false});
    for (const Passing& clipOnTheWay : passing) {
        // A depth that holds an object the frame keeps has no room for it.
        if (clip.objects.contains(clipOnTheWay.depth))
            continue;
        steps.push_back(Step{clipOnTheWay.slot.order, clipOnTheWay.depth, &clipOnTheWay.slot, false});
        steps.push_back(Step{clipOnTheWay.removedAt, clipOnTheWay.depth, nullptr, true});
    }
    std::sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.order < b.order; });
    // What the frame runs comes after the frames before it and before what
    // it places itself.
    bool entered = false;
    const auto enter = [&] {
        if (entered || !m_hooks)
            return;
        entered = true;
        m_hooks->enteringFrame(owner, frame);
        m_hooks->frameProgress(owner, frame, int(clip.timeline->frames[std::size_t(frame)].size()));
    };
    for (const Step& step : steps) {
        if (step.order > frameStart)
            enter();
        if (step.removal) {
            removeByTimeline(owner, step.depth);
            continue;
        }
        const auto it = clip.objects.find(step.depth);
        if (it == clip.objects.end())
            place(owner, *step.slot->first);
        else if (it->second.swapped)
            continue;
        else
            applyPlacement(it->second, *step.slot->first);
        for (const PlaceObject* move : step.slot->moves)
            place(owner, *move);
    }
    enter();
}

// ---------------------------------------------------------------- objects

DisplayObject* TimelineRunner::place(DisplayObject& owner, const PlaceObject& record)
{
    ClipState& clip = *owner.clip;
    // A loaded movie has arrived whole; the opened one loads frame by frame.
    const Character* character = record.characterId ? dictionaryOf(clip).find(*record.characterId) : nullptr;
    if (character && !clip.dictionary && m_rootLoaded >= 0 && character->frame > m_rootLoaded)
        character = nullptr;
    const bool modifies = record.version != 1 && record.isMove;
    if (const auto existing = clip.objects.find(record.depth); existing != clip.objects.end()) {
        // A new placement on an occupied depth is ignored; a move changes what
        // is there, unless a script owns it (made it or moved it between depths).
        DisplayObject& object = existing->second;
        // Players up to SWF 5 still placed the newcomer, beneath what was
        // there; later ones ignore it.
        if (!modifies && m_version <= 5 && character)
            return placeBeneath(owner, record, *character);
        if (!modifies || object.swapped || object.dynamic)
            return nullptr;
        if (character && object.characterId != *record.characterId && isDrawing(*character) && object.character
            && isDrawing(*object.character)) {
            object.characterId = *record.characterId;
            object.character = character;
            object.ratio = 0;
            object.movedAsCharacterId.reset();
        } else if (character) {
            object.movedAsCharacterId = *record.characterId;
        }
        applyMove(object, record);
        return &object;
    }
    // A move finds nothing to move on an empty depth, even with a character;
    // a character this movie does not define shows nothing.
    if (modifies || !character)
        return nullptr;
    return add(owner, record.depth, placedObject(record, *character), &record);
}

DisplayObject TimelineRunner::placedObject(const PlaceObject& record, const Character& character)
{
    DisplayObject fresh;
    fresh.characterId = *record.characterId;
    fresh.character = &character;
    applyPlacement(fresh, record);
    fresh.name = record.name.value_or(std::string());
    fresh.clipDepth = record.clipDepth.value_or(0);
    fresh.visible = record.visible.value_or(true);
    return fresh;
}

DisplayObject* TimelineRunner::placeBeneath(DisplayObject& owner, const PlaceObject& record, const Character& character)
{
    ClipState& clip = *owner.clip;
    int key = -1 - record.depth;
    while (clip.objects.contains(key) && key > std::numeric_limits<int>::min())
        --key;
    if (clip.objects.contains(key))
        return nullptr;
    DisplayObject fresh = placedObject(record, character);
    fresh.beneath = true;
    return add(owner, key, std::move(fresh), &record);
}

DisplayObject* TimelineRunner::add(DisplayObject& owner, int depth, DisplayObject fresh, const PlaceObject* record)
{
    ClipState& clip = *owner.clip;
    if (m_objects >= kMaxDisplayObjects)
        return nullptr;
    ++m_objects;
    fresh.id = ++m_nextId;
    prepare(fresh, clip.nesting + 1, clip.dictionary);
    DisplayObject& object = clip.objects.insert_or_assign(depth, std::move(fresh)).first->second;
    if (m_hooks)
        m_hooks->placed(owner, depth, object, record);
    start(object);
    return &object;
}

void TimelineRunner::prepare(DisplayObject& object, int nesting, const CharacterDictionary* dictionary) const
{
    const Character* character = object.character;
    if (!character)
        return;
    const bool isClip = character->kind == Character::Kind::Sprite || character->kind == Character::Kind::Button;
    if (isClip && !object.clip) {
        object.clip = Box<ClipState>(ClipState{});
        object.clip->timeline = character->timeline.get();
    }
    if (object.clip) {
        object.clip->nesting = nesting;
        object.clip->dictionary = dictionary;
    }
    if (character->kind == Character::Kind::EditText && !object.text) {
        if (const DefineEditText* field = character->editText()) {
            const CharacterDictionary& characters = dictionary ? *dictionary : m_dictionary;
            const FontDescription font = field->fontId ? characters.font(*field->fontId) : FontDescription{};
            object.text = Box<text::TextFieldState>(
                text::textFieldFromDefinition(*field, m_version, font.name, font.bold, font.italic));
            if (const TextRenderSettings* settings = characters.textSettings(field->id)) {
                static const char* const kGridFits[] = {"none", "pixel", "subpixel"};
                object.text->antiAliasType = settings->advanced ? "advanced" : "normal";
                object.text->gridFitType = kGridFits[std::min<int>(settings->gridFit, 2)];
                object.text->thickness = settings->thickness;
                object.text->sharpness = settings->sharpness;
            }
        }
    }
    if (object.text) {
        if (!object.text->measurer) {
            object.text->measurer = dictionary && dictionary != &m_dictionary && m_measurerFor
                                        ? m_measurerFor(*dictionary)
                                        : m_measurer;
            // What was measured before the movie's fonts were at hand (the
            // scroll limits of the text the record brings) is measured again.
            object.text->invalidateLayout();
        }
        if (object.text->autoSize != text::AutoSize::None)
            object.text->fitToText();
    }
}

void TimelineRunner::start(DisplayObject& object)
{
    if (!object.clip)
        return;
    if (m_hooks)
        m_hooks->started(object);
    if (object.clip->nesting <= kMaxNesting) {
        if (object.character && object.character->kind == Character::Kind::Button)
            setButtonState(object, 0);
        else
            showFirstFrame(object);
    }
}

void TimelineRunner::remove(DisplayObject& owner, int depth)
{
    ClipState& clip = *owner.clip;
    const auto it = clip.objects.find(depth);
    if (it == clip.objects.end())
        return;
    leave(it->second);
    clip.objects.erase(it);
}

void TimelineRunner::removeByTimeline(DisplayObject& owner, int depth)
{
    ClipState& clip = *owner.clip;
    const auto it = clip.objects.find(depth);
    if (it == clip.objects.end())
        return;
    if (m_hooks && it->second.clip && m_hooks->keepsLeaving(it->second)) {
        int key = -1 - depth;
        while (clip.objects.contains(key) && key > std::numeric_limits<int>::min())
            --key;
        if (!clip.objects.contains(key)) {
            swap(owner, depth, key);
            m_hooks->keptLeaving(owner, depth, key, clip.objects.at(key));
            return;
        }
    }
    remove(owner, depth);
}

void TimelineRunner::leave(DisplayObject& object)
{
    if (object.clip) {
        for (auto& [depth, child] : object.clip->objects)
            leave(child);
    }
    --m_objects;
    if (m_trackLeaving)
        m_left.insert(object.id);
    if (m_hooks)
        m_hooks->removing(object);
}

DisplayObject* TimelineRunner::insert(DisplayObject& owner, int depth, DisplayObject object)
{
    if (!owner.clip || owner.clip->nesting >= kMaxNesting || m_objects >= kMaxDisplayObjects)
        return nullptr;
    remove(owner, depth);
    ++m_objects;
    object.id = ++m_nextId;
    object.dynamic = true;
    prepare(object, owner.clip->nesting + 1, owner.clip->dictionary);
    return &owner.clip->objects.insert_or_assign(depth, std::move(object)).first->second;
}

void TimelineRunner::swap(DisplayObject& owner, int depth, int otherDepth)
{
    if (!owner.clip || depth == otherDepth)
        return;
    auto& objects = owner.clip->objects;
    // Map nodes move between keys without moving the objects, so every
    // reference to them stays good.
    auto mine = objects.extract(depth);
    auto theirs = objects.extract(otherDepth);
    if (!theirs.empty()) {
        theirs.key() = depth;
        theirs.mapped().swapped = true;
        objects.insert(std::move(theirs));
    }
    if (!mine.empty()) {
        mine.key() = otherDepth;
        mine.mapped().swapped = true;
        objects.insert(std::move(mine));
    }
}

void TimelineRunner::setButtonState(DisplayObject& button, int state)
{
    const DefineButton* definition = button.character ? button.character->button() : nullptr;
    if (!definition || !button.clip)
        return;
    ClipState& clip = *button.clip;
    clip.buttonState = state;
    // The records the state shows, by depth (the first on a depth wins).
    std::map<int, const ButtonRecord*> shown;
    for (const ButtonRecord& record : definition->records) {
        const bool inState = state == 0 ? record.stateUp : state == 1 ? record.stateOver : record.stateDown;
        const Character* character = inState ? dictionaryOf(clip).find(record.characterId) : nullptr;
        if (character && character->kind != Character::Kind::Button)
            shown.try_emplace(record.depth, &record);
    }
    // What a state no longer shows leaves as from a timeline: a clip that
    // listens for its unload stays beneath until the next frame (those
    // already beneath wait for it).
    std::vector<int> leaving;
    for (const auto& [depth, object] : clip.objects) {
        const auto it = shown.find(depth);
        if (depth >= 0 && (it == shown.end() || it->second->characterId != object.characterId))
            leaving.push_back(depth);
    }
    for (int depth : leaving)
        removeByTimeline(button, depth);
    for (const auto& [depth, record] : shown) {
        const auto it = clip.objects.find(depth);
        DisplayObject fresh;
        DisplayObject& object = it != clip.objects.end() ? it->second : fresh;
        object.matrix = record->matrix;
        object.colorTransform = record->colorTransform;
        object.blendMode = record->blendMode;
        object.filters = record->filters.empty() ? nullptr : &record->filters;
        if (&object == &fresh) {
            fresh.characterId = record->characterId;
            fresh.character = dictionaryOf(clip).find(record->characterId);
            add(button, depth, std::move(fresh), nullptr);
        }
    }
}

} // namespace swf::movie
