#include "swf/movie/playhead.h"

#include "swf/movie/limits.h"

#include <algorithm>

namespace swf::movie {

namespace {

// All snapshots together hold at most this many display objects; past it the
// spacing doubles and every other snapshot goes.
constexpr long long kMaxSnapshotObjects = 2'000'000;

} // namespace

Playhead::Playhead(const Timeline& root, const CharacterDictionary& dictionary, int swfVersion,
                   text::TextMeasurer measurer)
    : m_root(root), m_runner(dictionary, swfVersion), m_interval(kSnapshotInterval)
{
    m_runner.setTextMeasurer(std::move(measurer));
    TimelineRunner::makeRoot(m_state, m_root);
    m_runner.showFirstFrame(m_state);
    m_snapshots.push_back(m_state);
    m_snapshotObjects = countObjects(*m_state.clip);
}

void Playhead::advance()
{
    const int next = frame() + 1;
    m_runner.advance(m_state);
    // The first time through, the frames played are the frames a seek rebuilds:
    // keep the snapshots that fall on the way.
    if (next < m_root.frameCount() && next % m_interval == 0
        && next / m_interval == static_cast<int>(m_snapshots.size())) {
        m_snapshots.push_back(m_state);
        m_snapshotObjects += countObjects(*m_state.clip);
        thinSnapshots();
    }
}

void Playhead::gotoFrame(int frame)
{
    frame = std::clamp(frame, 0, m_root.frameCount() - 1);
    extendSnapshots(frame);
    const int index = std::min(frame / m_interval, static_cast<int>(m_snapshots.size()) - 1);
    m_state = m_snapshots[static_cast<size_t>(index)];
    m_runner.recount(m_state);
    while (m_state.clip->frame < frame)
        m_runner.advance(m_state);
}

void Playhead::prepareSnapshots(long long work)
{
    const int last = m_root.frameCount() - 1;
    while (static_cast<int>(m_snapshots.size()) * m_interval <= last && work > 0) {
        const int next = static_cast<int>(m_snapshots.size()) * m_interval;
        work -= static_cast<long long>(m_interval) * (1 + countObjects(*m_snapshots.back().clip));
        extendSnapshots(next);
    }
}

void Playhead::extendSnapshots(int frame)
{
    if (static_cast<int>(m_snapshots.size()) * m_interval > frame)
        return;
    // The runner counts the objects of the tree it works on: the snapshot's
    // while it is built, the shown tree's again afterwards.
    while (static_cast<int>(m_snapshots.size()) * m_interval <= frame) {
        DisplayObject state = m_snapshots.back();
        m_runner.recount(state);
        const int target = static_cast<int>(m_snapshots.size()) * m_interval;
        while (state.clip->frame < target)
            m_runner.advance(state);
        m_snapshotObjects += countObjects(*state.clip);
        m_snapshots.push_back(std::move(state));
        thinSnapshots();
    }
    m_runner.recount(m_state);
}

void Playhead::thinSnapshots()
{
    while (m_snapshotObjects > kMaxSnapshotObjects && m_snapshots.size() > 1) {
        std::vector<DisplayObject> kept;
        long long objects = 0;
        for (size_t i = 0; i < m_snapshots.size(); i += 2) {
            objects += countObjects(*m_snapshots[i].clip);
            kept.push_back(std::move(m_snapshots[i]));
        }
        m_snapshots = std::move(kept);
        m_snapshotObjects = objects;
        m_interval *= 2;
    }
}

} // namespace swf::movie
