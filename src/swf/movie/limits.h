#pragma once

// Bounds on what a movie can make the player build, so that no file (a sprite that
// contains itself, a million placements) can exhaust the machine. A movie past a limit
// still plays; the part past the limit is left out.

namespace swf::movie {

// Display objects alive at once in the whole tree (root, sprites, buttons).
inline constexpr int kMaxDisplayObjects = 50'000;

// Sprites inside sprites; deeper instances are left empty. Also bounds the
// renderer's recursion.
inline constexpr int kMaxNesting = 32;

// Root frames between two kept snapshots of the whole display tree: a seek replays
// at most this many frames' display-list operations (no drawing).
inline constexpr int kSnapshotInterval = 16;

} // namespace swf::movie
