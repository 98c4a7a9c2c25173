#pragma once

// What the renderer keeps per movie: built shape geometry (per morph ratio for
// morph shapes), the bitmap library and the font library. One per loaded movie,
// held by whoever draws it; characters are looked up by their id.

#include "swf/format/records.h"
#include "swf/render/bitmap_library.h"
#include "swf/render/font_library.h"
#include "swf/render/shape_geometry.h"
#include "swf/render/text_painter.h"
#include "swf/video/video_decoder.h"

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>

namespace swf::render {

class CharacterCache {
public:
    // Hands a definition tag to the library that keeps it: bitmaps, JPEG
    // tables, fonts and font info. Other tags are ignored, so a movie's tags
    // can be fed in as they come, sprites' tags included.
    void addDefinition(const swf::Tag& tag);

    BitmapLibrary& bitmaps() { return m_bitmaps; }
    const BitmapLibrary& bitmaps() const { return m_bitmaps; }
    const FontLibrary& fonts() const { return *m_fonts; }
    // The same fonts, for those who lay text out before it is drawn.
    std::shared_ptr<const FontLibrary> sharedFonts() const { return m_fonts; }

    // The geometry of a shape, built on first use (keyed by its id).
    const ShapeGeometry& shape(const swf::DefineShape& shape);
    // The geometry of a morph shape at the ratio of PlaceObject (0..65535).
    const ShapeGeometry& morph(const swf::DefineMorphShape& morph, std::uint16_t ratio);
    // Static text with its glyphs placed, built on first use (keyed by its id).
    const StaticTextGeometry& staticText(const swf::DefineText& text);

    // The picture an embedded video (keyed by its id) shows at `frame`, from
    // its codec and coded pictures by frame number; null when there is none.
    QImage videoPicture(std::uint16_t id, std::uint8_t codec, const std::vector<std::span<const std::uint8_t>>& frames,
                        int frame);
    // Forgets built geometry and decoded bitmaps (the records stay).
    void clear();

private:
    BitmapLibrary m_bitmaps;
    std::shared_ptr<FontLibrary> m_fonts = std::make_shared<FontLibrary>();
    std::unordered_map<std::uint16_t, ShapeGeometry> m_shapes;
    std::map<std::pair<std::uint16_t, std::uint16_t>, ShapeGeometry> m_morphs;
    std::unordered_map<std::uint16_t, StaticTextGeometry> m_texts;
    std::unordered_map<std::uint16_t, std::unique_ptr<video::VideoDecoder>> m_videos;
};

} // namespace swf::render
