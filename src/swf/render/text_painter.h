#pragma once

// Draws text characters: static text from its glyph records, edit text laid
// out from its string with its font, size, alignment, margins and wrapping.

#include "swf/format/records.h"

#include <QString>
#include <QTransform>

class QPainter;

namespace swf::render {

class FontLibrary;

// Static text: each glyph's outline scaled by the record's height, placed at
// the record's offsets and moved on by each glyph's advance. `twipsToDevice`
// maps the text character's space (before its own matrix) to the device.
void paintStaticText(QPainter& painter, const swf::DefineText& text, const FontLibrary& fonts,
                     const QTransform& twipsToDevice, const swf::ColorTransform& transform);

// Edit text showing `text` (the initial text, or what a script put there);
// `text` is taken as HTML when the field says so, reduced to its text.
void paintEditText(QPainter& painter, const swf::DefineEditText& field, const FontLibrary& fonts,
                   const QString& text, const QTransform& twipsToDevice, const swf::ColorTransform& transform);

// The initial text of a field as the field shows it: decoded, and reduced to
// plain text when the field holds HTML.
QString editTextInitialText(const swf::DefineEditText& field);

// HTML reduced to its text: paragraph and line breaks become newlines, other
// tags go, entities are decoded.
QString plainTextFromHtml(const QString& html);

} // namespace swf::render
