#pragma once

// The HTML subset of edit text fields as styled runs: paragraphs with their
// alignment, runs with their colour, size, face, bold and italic.

#include "swf/format/records.h"

#include <QString>

#include <optional>
#include <vector>

namespace swf::render {

struct TextStyle {
    swf::Rgba color{0, 0, 0, 255};
    double height = 240; // twips
    QString face;        // empty: the field's own font
    bool bold = false;
    bool italic = false;
    bool operator==(const TextStyle&) const = default;
};

struct TextRun {
    QString text;
    TextStyle style;
};

struct TextParagraph {
    std::vector<TextRun> runs;
    std::optional<swf::TextAlign> align; // from <p align>, else the field's
};

// Plain text: one paragraph per line, all in `style`.
std::vector<TextParagraph> plainParagraphs(const QString& text, const TextStyle& style);

// HTML: <p align>, <br>, <font color size face>, <b>, <i>, <li> and entities;
// other tags are dropped with their angle brackets, their text kept.
std::vector<TextParagraph> htmlParagraphs(const QString& html, const TextStyle& style);

} // namespace swf::render
