#pragma once

// The ID3 (version 2.3 and 2.4) tag at the start of an MP3 file: its text
// frames and comments, as a loaded sound shows them to scripts.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace swf {

struct Id3Frame {
    std::string id;   // "TIT2", "COMM"...
    std::string text; // UTF-8; a comment's text without its language and description
};

// The frames in file order; none when the file starts with no readable tag.
std::vector<Id3Frame> readId3(std::span<const std::uint8_t> file);

} // namespace swf
