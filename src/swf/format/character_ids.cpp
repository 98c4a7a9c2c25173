#include "swf/format/character_ids.h"

#include <type_traits>

namespace swf {

namespace {

using Visit = std::function<void(std::uint16_t& id, IdRole role)>;

// A bitmap fill names its bitmap; 0xFFFF is the documented "no bitmap".
template <typename Fill>
void visitFill(Fill& fill, const Visit& visit)
{
    if (isBitmapFill(fill.type) && fill.bitmapId != 0xFFFF)
        visit(fill.bitmapId, IdRole::Uses);
}

void visitStyles(ShapeStyles& styles, const Visit& visit)
{
    for (FillStyle& fill : styles.fillStyles)
        visitFill(fill, visit);
    for (LineStyle& line : styles.lineStyles) {
        if (line.hasFill)
            visitFill(line.fill, visit);
    }
}

void visitShape(Shape& shape, const Visit& visit)
{
    visitStyles(shape.styles, visit);
    for (ShapeRecord& record : shape.records) {
        if (auto* change = std::get_if<StyleChangeRecord>(&record); change && change->newStyles)
            visitStyles(*change->newStyles, visit);
    }
}

// An id stored as the little-endian 16 bits at `offset` of a body kept unread.
void visitStoredId(Bytes& data, std::size_t offset, IdRole role, const Visit& visit)
{
    if (data.size() < offset + 2)
        return;
    std::uint16_t id = std::uint16_t(data[offset] | (data[offset + 1] << 8));
    visit(id, role);
    data[offset] = std::uint8_t(id & 0xFF);
    data[offset + 1] = std::uint8_t(id >> 8);
}

// DefineButtonSound: the button, then for each of four transitions a sound id
// (0 for none) followed, when set, by its sound info.
void visitButtonSounds(Bytes& data, const Visit& visit)
{
    visitStoredId(data, 0, IdRole::Describes, visit);
    std::size_t pos = 2;
    for (int transition = 0; transition < 4 && pos + 2 <= data.size(); ++transition) {
        const bool none = data[pos] == 0 && data[pos + 1] == 0;
        if (!none)
            visitStoredId(data, pos, IdRole::Uses, visit);
        pos += 2;
        if (none || pos >= data.size())
            continue;
        const std::uint8_t flags = data[pos++];
        pos += (flags & 0x01 ? 4 : 0) + (flags & 0x02 ? 4 : 0) + (flags & 0x04 ? 2 : 0);
        if (flags & 0x08 && pos < data.size())
            pos += 1 + 8 * std::size_t(data[pos]);
    }
}

void visitUnknown(UnknownTag& tag, const Visit& visit)
{
    switch (tag.code) {
    case 14: // DefineSound
    case 60: // DefineVideoStream
    case 87: // DefineBinaryData
    case 91: // DefineFont4
        visitStoredId(tag.data, 0, IdRole::Defines, visit);
        break;
    case 23: // DefineButtonCxform
    case 73: // DefineFontAlignZones
    case 74: // CSMTextSettings
    case 78: // DefineScalingGrid
    case 88: // DefineFontName
        visitStoredId(tag.data, 0, IdRole::Describes, visit);
        break;
    case 15: // StartSound
    case 61: // VideoFrame
        visitStoredId(tag.data, 0, IdRole::Uses, visit);
        break;
    case 17: // DefineButtonSound
        visitButtonSounds(tag.data, visit);
        break;
    default:
        break;
    }
}

} // namespace

void forEachCharacterId(Tag& tag, const Visit& visit)
{
    std::visit(
        [&](auto& t) {
            using T = std::decay_t<decltype(t)>;
            if constexpr (std::is_same_v<T, DefineShape>) {
                visit(t.id, IdRole::Defines);
                visitShape(t.shape, visit);
            } else if constexpr (std::is_same_v<T, DefineMorphShape>) {
                visit(t.id, IdRole::Defines);
                for (MorphFillStyle& fill : t.fillStyles)
                    visitFill(fill, visit);
                for (MorphLineStyle& line : t.lineStyles) {
                    if (line.hasFill)
                        visitFill(line.fill, visit);
                }
            } else if constexpr (std::is_same_v<T, PlaceObject>) {
                if (t.characterId)
                    visit(*t.characterId, IdRole::Uses);
            } else if constexpr (std::is_same_v<T, DefineSprite>) {
                visit(t.id, IdRole::Defines);
                for (Tag& inner : t.tags)
                    forEachCharacterId(inner, visit);
            } else if constexpr (std::is_same_v<T, DefineBits> || std::is_same_v<T, DefineBitsJpeg>
                                 || std::is_same_v<T, DefineBitsLossless> || std::is_same_v<T, DefineFont>) {
                visit(t.id, IdRole::Defines);
            } else if constexpr (std::is_same_v<T, DefineFontInfo>) {
                visit(t.fontId, IdRole::Describes);
            } else if constexpr (std::is_same_v<T, DefineText>) {
                visit(t.id, IdRole::Defines);
                for (TextRecord& record : t.records) {
                    if (record.fontId)
                        visit(*record.fontId, IdRole::Uses);
                }
            } else if constexpr (std::is_same_v<T, DefineEditText>) {
                visit(t.id, IdRole::Defines);
                if (t.fontId)
                    visit(*t.fontId, IdRole::Uses);
            } else if constexpr (std::is_same_v<T, DefineButton>) {
                visit(t.id, IdRole::Defines);
                for (ButtonRecord& record : t.records)
                    visit(record.characterId, IdRole::Uses);
            } else if constexpr (std::is_same_v<T, DoInitAction>) {
                visit(t.spriteId, IdRole::Describes);
            } else if constexpr (std::is_same_v<T, UnknownTag>) {
                visitUnknown(t, visit);
            }
        },
        tag.variant());
}

} // namespace swf
