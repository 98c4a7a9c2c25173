#pragma once

// CSMTextSettings: how a text definition asks to be rendered (the advanced
// anti-aliasing engine, its grid fitting, thickness and sharpness). The reader
// keeps the tag unread; this reads its body and writes it back for test movies.

#include "swf/format/records.h"

#include <optional>

namespace swf {

struct TextRenderSettings {
    std::uint16_t textId = 0;
    bool advanced = false;      // the advanced anti-aliasing engine
    std::uint8_t gridFit = 0;   // 0: none, 1: pixel, 2: subpixel
    float thickness = 0;
    float sharpness = 0;
    bool operator==(const TextRenderSettings&) const = default;
};

std::optional<TextRenderSettings> readTextRenderSettings(const UnknownTag& tag);
Tag writeTextRenderSettings(const TextRenderSettings& settings);

} // namespace swf
