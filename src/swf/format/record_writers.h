#pragma once

// One writing function per record, the mirror of record_readers.h. Bit counts
// (style index bits, edge bits, glyph bits) are computed from the data.

#include "swf/format/byte_writer.h"
#include "swf/format/records.h"

namespace swf::write {

void fillStyle(ByteWriter& w, const FillStyle& f, int shapeVersion);
void lineStyle(ByteWriter& w, const LineStyle& s, int shapeVersion);
void shapeStyles(ByteWriter& w, const ShapeStyles& styles, int shapeVersion);
// Writes the fill/line bit counts, then the records and the end record.
// `fillCount`/`lineCount` are the sizes of the style tables in force.
void shapeRecords(ByteWriter& w, const std::vector<ShapeRecord>& records, int shapeVersion, std::size_t fillCount,
                  std::size_t lineCount);
void defineShape(ByteWriter& w, const DefineShape& d);
void defineMorphShape(ByteWriter& w, const DefineMorphShape& d);

void filterList(ByteWriter& w, const std::vector<Filter>& filters);
void placeObject(ByteWriter& w, const PlaceObject& p, int swfVersion);
void removeObject(ByteWriter& w, const RemoveObject& o);
void defineButton(ByteWriter& w, const DefineButton& b);

void defineBitsJpeg(ByteWriter& w, const DefineBitsJpeg& d);
void defineBitsLossless(ByteWriter& w, const DefineBitsLossless& d);

void defineFont(ByteWriter& w, const DefineFont& f);
void defineFontInfo(ByteWriter& w, const DefineFontInfo& f);
void defineText(ByteWriter& w, const DefineText& t);
void defineEditText(ByteWriter& w, const DefineEditText& e);

} // namespace swf::write
