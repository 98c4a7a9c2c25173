#pragma once

// Every character id a tag holds, so that characters can be copied from one
// movie into another under new ids. Sprites' own tags are visited too.

#include "swf/format/records.h"

#include <cstdint>
#include <functional>

namespace swf {

enum class IdRole {
    Defines,   // the id of the character the tag defines
    Describes, // a character the tag adds to (font info, init actions, button sounds...)
    Uses,      // a character the tag draws, places or plays (placements, bitmap fills, fonts of text)
};

// Calls `visit` with a reference to each id, which it may change. Ids of tags
// the engine keeps unread are found by their documented layouts.
void forEachCharacterId(Tag& tag, const std::function<void(std::uint16_t& id, IdRole role)>& visit);

} // namespace swf
