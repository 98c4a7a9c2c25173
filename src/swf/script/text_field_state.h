#pragma once

// The live state of a text field on the stage: what scripts read and write
// through TextField objects and what the renderer draws.

#include <string>

namespace swf::script {

struct TextFieldState {
    std::string text;
};

} // namespace swf::script
