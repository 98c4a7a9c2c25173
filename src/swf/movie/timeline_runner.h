#pragma once

// The one placement path of the display list. Timelines (the root's and every
// sprite's), buttons and scripts change the tree only through these operations:
// place, move, replace and remove, a clip's frames forwards and backwards, a
// button's state, and the objects scripts add. Movies without scripts run it
// alone; the script runtime attaches its objects and events through DisplayHooks.
//
// Deterministic: the same state always leads to the same next state, which is
// what makes snapshots and seeking exact.

#include "swf/movie/character_dictionary.h"
#include "swf/movie/display_list.h"

#include <functional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace swf::movie {

// What the owner of the objects' script side hears of the tree's changes. The
// hooks record and queue; they never change the display list themselves.
class DisplayHooks {
public:
    virtual ~DisplayHooks() = default;
    // `object` has just been put at `depth` of `parent` by a placement of its
    // timeline (`record`) or by a button's state (`record` null). A clip shows
    // its first frame after this.
    virtual void placed(DisplayObject& parent, int depth, DisplayObject& object, const PlaceObject* record) = 0;
    // `clip` is about to show `frame`: what that frame runs comes before what
    // it places (a goto forwards has passed the frames between already).
    virtual void enteringFrame(DisplayObject& clip, int frame) = 0;
    // The first `applied` display operations of the frame `clip` shows are
    // done (`applied` is the frame's whole count once the frame is complete).
    virtual void frameProgress(DisplayObject& clip, int frame, int applied)
    {
        (void)clip, (void)frame, (void)applied;
    }
    // A clip `placed` announced is about to show its first frame.
    virtual void started(DisplayObject& clip) = 0;
    // A clip that was on the stage is about to move on to its next frame (or
    // to stay where it is) as the movie advances.
    virtual void advancing(DisplayObject& clip) { (void)clip; }
    // `object` leaves the stage; its children left just before it.
    virtual void removing(DisplayObject& object) = 0;
    // A timeline is about to take clip `object` off the stage. True keeps it
    // a while: the runner moves it below every depth timelines and scripts
    // use and tells keptLeaving where it went from `from`; the owner removes
    // it later.
    virtual bool keepsLeaving(DisplayObject& object) { (void)object; return false; }
    virtual void keptLeaving(DisplayObject& parent, int from, int depth, DisplayObject& object)
    {
        (void)parent, (void)from, (void)depth, (void)object;
    }
    // A frame placed a new object on a depth of `parent` that something holds:
    // the placement was ignored.
    virtual void placeRefused(DisplayObject& parent, int depth) { (void)parent, (void)depth; }
};

class TimelineRunner {
public:
    // `dictionary` must outlive the runner.
    TimelineRunner(const CharacterDictionary& dictionary, int swfVersion);

    void setHooks(DisplayHooks* hooks) { m_hooks = hooks; }
    // Whether the movie's own timeline stops before a frame its stream never
    // brought (a header declaring more frames than the file holds), as a
    // playing movie waits for frames still loading. Seeking ignores it.
    void setRootWaitsForMissingFrames(bool wait) { m_rootWaitsForMissingFrames = wait; }
    // How text fields measure their text (with the movie's fonts); without it
    // they estimate from their sizes. Set it before the first frame.
    void setTextMeasurer(text::TextMeasurer measurer) { m_measurer = std::move(measurer); }
    // How fields of another movie's characters (a movie loaded into a clip)
    // measure: with that movie's fonts. Without it they measure as the
    // runner's own movie does.
    using MeasurerForMovie = std::function<text::TextMeasurer(const CharacterDictionary&)>;
    void setTextMeasurerFor(MeasurerForMovie measurerFor) { m_measurerFor = std::move(measurerFor); }

    // Makes `root` the root clip of `timeline`, before its first frame.
    static void makeRoot(DisplayObject& root, const Timeline& timeline);
    // Shows the first frame of a clip that shows nothing yet (the root, a
    // clip a script placed).
    void showFirstFrame(DisplayObject& clip);
    // Plays one frame of `root` and of every clip inside it: each shows its
    // next frame (after its last, its first), the newest clip first and the
    // root last. Clips placed meanwhile show their first frame instead.
    void advance(DisplayObject& root);
    // The same for several trees at once (the levels): their clips play
    // together, the newest first.
    void advance(const std::vector<DisplayObject*>& roots);
    // An id no object has had: an object that starts anew (a movie loaded
    // into it) takes one, and plays as the newest.
    std::uint32_t newId() { return ++m_nextId; }
    // Shows `frame` (clamped) of `clip` as a goto does: forwards through the
    // frames between, backwards by rebuilding the frame from the timeline.
    void gotoFrame(DisplayObject& clip, int frame);

    // One placement record of `clip`'s timeline: places, moves or
    // replaces. The object it placed or changed, if any.
    DisplayObject* place(DisplayObject& clip, const PlaceObject& record);
    // Takes the object at `depth` (a display-list key) off `clip`.
    void remove(DisplayObject& clip, int depth);
    // Puts an object a script made at `depth` of `clip`, in place of what is
    // there; null when the nesting or the object budget forbids it. Its first
    // frame is the caller's to show; no hook hears of it.
    DisplayObject* insert(DisplayObject& clip, int depth, DisplayObject object);
    // Swaps the objects at two depths of `clip` (either may be empty).
    void swap(DisplayObject& clip, int depth, int otherDepth);
    // Shows a button's records for `state` (0 up, 1 over, 2 down).
    void setButtonState(DisplayObject& button, int state);

    // Objects alive in the tree, against the budget of the movie.
    int objectCount() const { return m_objects; }
    // Counts the objects of `root` afresh (after a snapshot took its place).
    void recount(const DisplayObject& root);

private:
    void enterFrame(DisplayObject& clip, int frame);
    static void collectClips(DisplayObject& object, std::vector<std::pair<std::uint32_t, DisplayObject*>>& out);
    void advanceOwn(DisplayObject& clip);
    // False when the frame stopped short of its end (the playhead stayed).
    bool applyFrame(DisplayObject& clip, int frame);
    void rewind(DisplayObject& clip, int frame);
    DisplayObject* add(DisplayObject& clip, int depth, DisplayObject fresh, const PlaceObject* record);
    static DisplayObject placedObject(const PlaceObject& record, const Character& character);
    // A placement on a taken depth in a movie of SWF 5 or before: the new
    // object goes below every timeline depth, so it shows beneath.
    DisplayObject* placeBeneath(DisplayObject& clip, const PlaceObject& record, const Character& character);
    // Gives a new object what its character needs: a clip state, a text field;
    // `dictionary` is its parent's.
    void prepare(DisplayObject& object, int nesting, const CharacterDictionary* dictionary) const;
    const CharacterDictionary& dictionaryOf(const ClipState& clip) const
    {
        return clip.dictionary ? *clip.dictionary : m_dictionary;
    }
    void start(DisplayObject& object);
    void leave(DisplayObject& object);
    // A removal a timeline makes: the hooks may keep a clip a while.
    void removeByTimeline(DisplayObject& clip, int depth);

    const CharacterDictionary& m_dictionary;
    int m_version;
    DisplayHooks* m_hooks = nullptr;
    text::TextMeasurer m_measurer;
    MeasurerForMovie m_measurerFor;
    int m_objects = 0;
    std::uint32_t m_nextId = 0;
    // The furthest frame of the root played so far (-1: no root yet): the
    // movie has loaded up to it, and characters defined further on do not
    // exist yet for a placement.
    int m_rootLoaded = -1;
    bool m_rootWaitsForMissingFrames = false;
    // While advance() runs: the ids of the objects that left the stage.
    bool m_trackLeaving = false;
    std::unordered_set<std::uint32_t> m_left;
};

} // namespace swf::movie
