#pragma once

// The command line of veskor-render, parsed without Qt so that byte paths stay bytes.

#include "common/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace veskor::render_tool {

struct Options {
    std::filesystem::path movie;
    std::filesystem::path output; // empty: no picture (only with --audio)
    std::filesystem::path audio;  // the sound of the frames played, as WAV; empty: none
    // From 1, as the program counts frames; unset: the first frame.
    std::optional<int> frame;
    // Frames played after the frame shown first. Without --frame and --advance, ten:
    // the picture the reference images of the test data show.
    int advance = 10;
    int width = 0; // 0: the stage size
    int height = 0;
    int scaleMode = 0;
    // Seed of Math.random; unset: the same numbers on every run.
    std::optional<std::uint32_t> seed;
    // Time each frame played (advance and drawing, as the program draws) and
    // print the figures; with `fresh`, every frame is drawn whole and anew.
    bool timing = false;
    bool fresh = false;
};

// Parses the arguments after the program name.
Result<Options> parseOptions(const std::vector<std::string>& args);

const char* usage();

} // namespace veskor::render_tool
