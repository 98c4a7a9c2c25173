#pragma once

// The root's play position and the display tree it shows, with seeking.
//
// A seek shows exactly what playing from the first frame up to the target shows
// (the first time through: sprites that ran on while the root looped are not
// what a seek reproduces). Snapshots of the whole tree, taken every few root
// frames, make a seek cost a few frames of display-list work, never a replay
// from the start.

#include "swf/movie/timeline_runner.h"

#include <vector>

namespace swf::movie {

class Playhead {
public:
    // `measurer` lays out the movie's text fields (see TimelineRunner).
    Playhead(const Timeline& root, const CharacterDictionary& dictionary, int swfVersion,
             text::TextMeasurer measurer = {});

    int frame() const { return m_state.clip->frame; }
    int frameCount() const { return m_root.frameCount(); }
    const ClipState& state() const { return *m_state.clip; }

    // Plays one frame; after the last frame the root continues at its first.
    void advance();
    // Shows `frame` (clamped to the movie) as playing up to it would.
    void gotoFrame(int frame);

    // Takes the snapshots of the whole movie ahead of time, as far as `work` display
    // objects visited allows, so that even the first seek is quick. Without it,
    // snapshots are taken as play or seeks pass them.
    void prepareSnapshots(long long work);

    // Snapshots taken so far and their spacing in frames (for tests and benchmarks).
    int snapshotCount() const { return static_cast<int>(m_snapshots.size()); }
    int snapshotInterval() const { return m_interval; }

private:
    // Makes sure the snapshot that precedes `frame` exists.
    void extendSnapshots(int frame);
    void thinSnapshots();

    const Timeline& m_root;
    TimelineRunner m_runner;
    DisplayObject m_state;
    // m_snapshots[i] is the tree at frame i * m_interval on the way through from the start.
    std::vector<DisplayObject> m_snapshots;
    int m_interval;
    long long m_snapshotObjects = 0;
};

} // namespace swf::movie
