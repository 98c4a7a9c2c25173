#pragma once

// One reading function per record of the format, used by the movie reader.
// Each reads from a ByteReader bounded to its tag's body; running past the end
// leaves the reader failed(), and the caller then keeps the tag as unknown.

#include "swf/format/byte_reader.h"
#include "swf/format/records.h"

namespace swf::read {

// Shapes. `shapeVersion` is 1..4 (DefineShape..DefineShape4); it decides colour
// sizes, extended counts and LineStyle2.
FillStyle fillStyle(ByteReader& r, int shapeVersion);
LineStyle lineStyle(ByteReader& r, int shapeVersion);
ShapeStyles shapeStyles(ByteReader& r, int shapeVersion);
// Edge records until the end record; `fillBits`/`lineBits` are read first.
std::vector<ShapeRecord> shapeRecords(ByteReader& r, int shapeVersion);
Shape shapeWithStyles(ByteReader& r, int shapeVersion);
DefineShape defineShape(ByteReader& r, int version);
DefineMorphShape defineMorphShape(ByteReader& r, int version);

// Display list.
std::vector<Filter> filterList(ByteReader& r);
PlaceObject placeObject(ByteReader& r, int version, int swfVersion);
RemoveObject removeObject(ByteReader& r, int version);
DefineButton defineButton(ByteReader& r, int version);

// Bitmaps.
DefineBits defineBits(ByteReader& r);
JpegTables jpegTables(ByteReader& r);
DefineBitsJpeg defineBitsJpeg(ByteReader& r, int version);
DefineBitsLossless defineBitsLossless(ByteReader& r, int version);

// Fonts and text.
DefineFont defineFont(ByteReader& r, int version);
DefineFontInfo defineFontInfo(ByteReader& r, int version);
DefineText defineText(ByteReader& r, int version);
DefineEditText defineEditText(ByteReader& r);

} // namespace swf::read
