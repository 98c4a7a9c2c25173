#include "swf/render/character_cache.h"

namespace swf::render {

namespace {

// Morph shapes tweened over many frames build a geometry per ratio; past this
// many the cache starts again rather than grow without end.
constexpr std::size_t kMaxMorphGeometries = 2048;

} // namespace

void CharacterCache::addDefinition(const swf::Tag& tag)
{
    if (const auto* bits = std::get_if<swf::DefineBits>(&tag))
        m_bitmaps.add(*bits);
    else if (const auto* jpeg = std::get_if<swf::DefineBitsJpeg>(&tag))
        m_bitmaps.add(*jpeg);
    else if (const auto* lossless = std::get_if<swf::DefineBitsLossless>(&tag))
        m_bitmaps.add(*lossless);
    else if (const auto* tables = std::get_if<swf::JpegTables>(&tag))
        m_bitmaps.setJpegTables(*tables);
    else if (const auto* font = std::get_if<swf::DefineFont>(&tag))
        m_fonts->add(*font);
    else if (const auto* info = std::get_if<swf::DefineFontInfo>(&tag))
        m_fonts->addInfo(*info);
    else if (const auto* sprite = std::get_if<swf::DefineSprite>(&tag)) {
        for (const swf::Tag& inner : sprite->tags)
            addDefinition(inner);
    }
}

const ShapeGeometry& CharacterCache::shape(const swf::DefineShape& shape)
{
    auto found = m_shapes.find(shape.id);
    if (found == m_shapes.end())
        found = m_shapes.emplace(shape.id, buildShape(shape)).first;
    return found->second;
}

const ShapeGeometry& CharacterCache::morph(const swf::DefineMorphShape& morph, std::uint16_t ratio)
{
    const auto key = std::make_pair(morph.id, ratio);
    auto found = m_morphs.find(key);
    if (found == m_morphs.end()) {
        if (m_morphs.size() >= kMaxMorphGeometries)
            m_morphs.clear();
        found = m_morphs.emplace(key, buildMorph(morph, ratio / 65535.0)).first;
    }
    return found->second;
}

const StaticTextGeometry& CharacterCache::staticText(const swf::DefineText& text)
{
    auto found = m_texts.find(text.id);
    if (found == m_texts.end())
        found = m_texts.emplace(text.id, buildStaticText(text, *m_fonts)).first;
    return found->second;
}

QImage CharacterCache::videoPicture(std::uint16_t id, std::uint8_t codec,
                                    const std::vector<std::span<const std::uint8_t>>& frames, int frame)
{
    auto& decoder = m_videos[id];
    if (!decoder)
        decoder = std::make_unique<video::VideoDecoder>(codec, frames);
    return decoder->picture(frame);
}

void CharacterCache::clear()
{
    m_videos.clear();
    m_texts.clear();
    m_shapes.clear();
    m_morphs.clear();
    m_bitmaps.clearDecoded();
}

} // namespace swf::render
