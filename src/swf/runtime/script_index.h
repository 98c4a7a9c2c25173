#pragma once

// Where a movie's scripts are: each timeline's frame scripts and labels, the
// initialisation scripts of exported symbols, the linkage names, decoded once.

#include "swf/format/records.h"
#include "swf/movie/character_dictionary.h"
#include "swf/script/interpreter.h"

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace swf::runtime {

struct TimelineScripts {
    // The DoAction blocks of each frame, in stream order.
    std::vector<std::vector<script::ActionList>> frameActions;
    // For each block, how many of its frame's placements and removals come
    // before it in the stream: a clip placed before a block runs its first
    // frame's blocks before it.
    std::vector<std::vector<int>> frameActionOps;
    // The same blocks as bytes (the Call action runs them again).
    std::vector<std::vector<std::vector<std::uint8_t>>> frameBytes;
    // Frame labels with the frame they name (first one wins).
    std::vector<std::pair<std::string, int>> labels;
};

struct InitAction {
    std::uint16_t spriteId = 0;
    script::ActionList code;
    int frame = 0; // the root frame whose tags hold it
    // How many of that frame's placements and removals come before it: a
    // clip placed before it hears its initialize event first, one placed
    // after it afterwards.
    int opsBefore = 0;
};

class ScriptIndex {
public:
    ScriptIndex(const std::vector<Tag>& tags, int rootFrames, const movie::CharacterDictionary& dictionary, int swfVersion);

    const TimelineScripts* scriptsOf(const movie::Timeline* timeline) const;
    const TimelineScripts& rootScripts() const { return m_root; }
    // Initialisation scripts in stream order.
    const std::vector<InitAction>& initActions() const { return m_initActions; }
    // The character exported under a linkage name (case-insensitive) by the
    // root frames up to `reachedFrame` (counted from 0), or 0: a name is
    // known once the root has come to the frame that exports it.
    std::uint16_t exported(const std::string& name, int reachedFrame) const;
    // Whether `name` is one of the linkage names the character is exported
    // under (a character may have several), compared case-sensitively or not.
    bool exportedAs(std::uint16_t id, const std::string& name, bool caseSensitive) const;
    // Whether the movie has any script at all.
    bool hasScripts() const { return m_hasScripts; }
    // Decoded clip actions and button actions, cached by the bytes they come from.
    script::ActionList decode(const Bytes& bytes) const;

private:
    TimelineScripts collect(const std::vector<Tag>& tags, int frames);
    void collectSprites(const std::vector<Tag>& tags, const movie::CharacterDictionary& dictionary, int nesting);

    int m_version;
    bool m_hasScripts = false;
    TimelineScripts m_root;
    std::unordered_map<const movie::Timeline*, TimelineScripts> m_sprites;
    std::vector<InitAction> m_initActions;
    // By lower-case name: the root frame of each export and its character, in stream order.
    std::map<std::string, std::vector<std::pair<int, std::uint16_t>>> m_exports;
    std::unordered_map<std::uint16_t, std::vector<std::string>> m_exportNames;
    mutable std::unordered_map<const Bytes*, script::ActionList> m_decoded;
};

// Lower-case ASCII, for names that compare without case.
std::string lowerAscii(std::string s);

} // namespace swf::runtime
