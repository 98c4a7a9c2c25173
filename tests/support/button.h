#pragma once

#include "swf/format/movie_builder.h"

#include <vector>

namespace swf::test {

// A button of one character in every state that runs each action on its condition.
inline std::uint16_t defineButton(MovieBuilder& b, std::uint16_t shape, std::vector<ButtonCondAction> actions = {})
{
    return b.define([&](std::uint16_t id) {
        DefineButton def;
        def.version = 2;
        def.id = id;
        ButtonRecord record;
        record.characterId = shape;
        record.depth = 1;
        record.stateUp = record.stateOver = record.stateDown = record.stateHitTest = true;
        def.records = {record};
        def.condActions = std::move(actions);
        return Tag(def);
    });
}

} // namespace swf::test
