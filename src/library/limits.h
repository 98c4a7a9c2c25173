#pragma once

// Bounds on what a folder of courseware can make the library build.

namespace veskor {

// Folder levels below the data folder that the scan walks. Deeper folders get
// their node, empty: real courseware is a few levels deep, and every level
// lengthens the path each node below it keeps as its key.
inline constexpr int kMaxScanDepth = 64;

} // namespace veskor
