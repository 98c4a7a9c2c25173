#pragma once

// Runs timelines: shows a clip's first frame, and plays one frame of a clip and of
// everything inside it. Deterministic: the same state always leads to the same next
// state, which is what makes snapshots and seeking exact.

#include "swf/movie/character_dictionary.h"
#include "swf/movie/display_list.h"

namespace swf::movie {

class TimelineRunner {
public:
    explicit TimelineRunner(const CharacterDictionary& dictionary) : m_dictionary(dictionary) {}

    // A clip of `timeline` showing its first frame. `nesting` is the clip's depth in the tree.
    ClipState start(const Timeline& timeline, int nesting, int& budget) const;

    // Plays one frame of the root (its last frame continues at its first).
    void advanceRoot(ClipState& root) const;
    // A fresh root at its first frame.
    ClipState startRoot(const Timeline& timeline) const;

private:
    void advance(ClipState& clip, int nesting, int& budget) const;
    void applyFrame(ClipState& clip, int frame, int nesting, int& budget) const;
    void place(ClipState& clip, const PlaceObject& place, int frame, int nesting, int& budget) const;
    void loop(ClipState& clip, int nesting, int& budget) const;

    const CharacterDictionary& m_dictionary;
};

} // namespace swf::movie
