#include "swf/movie/playhead.h"

#include "swf/movie/limits.h"

#include <algorithm>

namespace swf::movie {

namespace {

// All snapshots together hold at most this many display objects; past it the
// spacing doubles and every other snapshot goes.
constexpr long long kMaxSnapshotObjects = 2'000'000;

} // namespace

Playhead::Playhead(const Timeline& root, const CharacterDictionary& dictionary)
    : m_root(root), m_runner(dictionary), m_interval(kSnapshotInterval)
{
    m_state = m_runner.startRoot(m_root);
    m_snapshots.push_back(m_state);
    m_snapshotObjects = countObjects(m_state);
}

void Playhead::advance()
{
    const int next = m_state.frame + 1;
    m_runner.advanceRoot(m_state);
    // The first time through, the frames played are the frames a seek rebuilds:
    // keep the snapshots that fall on the way.
    if (next < m_root.frameCount() && next % m_interval == 0
        && next / m_interval == static_cast<int>(m_snapshots.size())) {
        m_snapshots.push_back(m_state);
        m_snapshotObjects += countObjects(m_state);
        thinSnapshots();
    }
}

void Playhead::gotoFrame(int frame)
{
    frame = std::clamp(frame, 0, m_root.frameCount() - 1);
    extendSnapshots(frame);
    const int index = std::min(frame / m_interval, static_cast<int>(m_snapshots.size()) - 1);
    ClipState state = m_snapshots[static_cast<size_t>(index)];
    while (state.frame < frame)
        m_runner.advanceRoot(state);
    m_state = std::move(state);
}

void Playhead::prepareSnapshots(long long work)
{
    const int last = m_root.frameCount() - 1;
    while (static_cast<int>(m_snapshots.size()) * m_interval <= last && work > 0) {
        const int next = static_cast<int>(m_snapshots.size()) * m_interval;
        work -= static_cast<long long>(m_interval) * (1 + countObjects(m_snapshots.back()));
        extendSnapshots(next);
    }
}

void Playhead::extendSnapshots(int frame)
{
    while (static_cast<int>(m_snapshots.size()) * m_interval <= frame) {
        ClipState state = m_snapshots.back();
        const int target = static_cast<int>(m_snapshots.size()) * m_interval;
        while (state.frame < target)
            m_runner.advanceRoot(state);
        m_snapshotObjects += countObjects(state);
        m_snapshots.push_back(std::move(state));
        thinSnapshots();
    }
}

void Playhead::thinSnapshots()
{
    while (m_snapshotObjects > kMaxSnapshotObjects && m_snapshots.size() > 1) {
        std::vector<ClipState> kept;
        long long objects = 0;
        for (size_t i = 0; i < m_snapshots.size(); i += 2) {
            objects += countObjects(m_snapshots[i]);
            kept.push_back(std::move(m_snapshots[i]));
        }
        m_snapshots = std::move(kept);
        m_snapshotObjects = objects;
        m_interval *= 2;
    }
}

} // namespace swf::movie
