#include "swf/format/record_writers.h"

#include <algorithm>

namespace swf::write {
namespace {

constexpr std::uint32_t kClipEventKeyPress = 0x00020000;

} // namespace

void filterList(ByteWriter& w, const std::vector<Filter>& filters)
{
    const std::size_t count = std::min<std::size_t>(filters.size(), 255);
    w.u8(std::uint8_t(count));
    for (std::size_t i = 0; i < count; ++i) {
        w.u8(std::uint8_t(filters[i].type));
        w.bytes(filters[i].data);
    }
}

void placeObject(ByteWriter& w, const PlaceObject& p, int swfVersion)
{
    if (p.version == 1) {
        w.u16(p.characterId.value_or(0));
        w.u16(p.depth);
        w.matrix(p.matrix.value_or(Matrix()));
        if (p.colorTransform)
            w.colorTransform(*p.colorTransform, false);
        return;
    }
    const bool hasClipActions = !p.clipActions.empty();
    std::uint8_t flags = 0;
    flags |= hasClipActions ? 0x80 : 0;
    flags |= p.clipDepth ? 0x40 : 0;
    flags |= p.name ? 0x20 : 0;
    flags |= p.ratio ? 0x10 : 0;
    flags |= p.colorTransform ? 0x08 : 0;
    flags |= p.matrix ? 0x04 : 0;
    flags |= p.characterId ? 0x02 : 0;
    flags |= p.isMove ? 0x01 : 0;
    w.u8(flags);
    if (p.version >= 3) {
        std::uint8_t flags3 = 0;
        flags3 |= p.backgroundColor ? 0x40 : 0;
        flags3 |= p.visible ? 0x20 : 0;
        flags3 |= p.hasImage ? 0x10 : 0;
        flags3 |= p.className ? 0x08 : 0;
        flags3 |= p.cacheAsBitmap ? 0x04 : 0;
        flags3 |= p.blendMode ? 0x02 : 0;
        flags3 |= p.filters ? 0x01 : 0;
        w.u8(flags3);
    }
    w.u16(p.depth);
    if (p.version >= 3 && p.className)
        w.string(*p.className);
    if (p.characterId)
        w.u16(*p.characterId);
    if (p.matrix)
        w.matrix(*p.matrix);
    if (p.colorTransform)
        w.colorTransform(*p.colorTransform, true);
    if (p.ratio)
        w.u16(*p.ratio);
    if (p.name)
        w.string(*p.name);
    if (p.clipDepth)
        w.u16(*p.clipDepth);
    if (p.version >= 3) {
        if (p.filters)
            filterList(w, *p.filters);
        if (p.blendMode)
            w.u8(std::uint8_t(*p.blendMode));
        if (p.cacheAsBitmap)
            w.u8(*p.cacheAsBitmap ? 1 : 0);
        if (p.visible)
            w.u8(*p.visible ? 1 : 0);
        if (p.backgroundColor)
            w.rgba(*p.backgroundColor);
    }
    if (hasClipActions) {
        const bool wide = swfVersion >= 6;
        w.u16(0);
        // The events given, or when none are, those of the actions.
        std::uint32_t all = p.allEventFlags;
        if (all == 0) {
            for (const ClipAction& a : p.clipActions)
                all |= a.eventFlags;
        }
        if (wide)
            w.u32(all);
        else
            w.u16(std::uint16_t(all));
        for (const ClipAction& a : p.clipActions) {
            const bool keyCode = wide && (a.eventFlags & kClipEventKeyPress);
            if (wide)
                w.u32(a.eventFlags);
            else
                w.u16(std::uint16_t(a.eventFlags));
            w.u32(std::uint32_t(a.actions.size() + (keyCode ? 1 : 0)));
            if (keyCode)
                w.u8(a.keyCode);
            w.bytes(a.actions);
        }
        if (wide)
            w.u32(0);
        else
            w.u16(0);
    }
}

void removeObject(ByteWriter& w, const RemoveObject& o)
{
    if (o.version == 1)
        w.u16(o.characterId);
    w.u16(o.depth);
}

void defineButton(ByteWriter& w, const DefineButton& b)
{
    const int v = b.version >= 2 ? 2 : 1;
    w.u16(b.id);
    std::size_t offsetAt = 0;
    if (v == 2) {
        w.u8(b.trackAsMenu ? 1 : 0);
        offsetAt = w.size();
        w.u16(0);
    }
    for (const ButtonRecord& rec : b.records) {
        std::uint8_t flags = 0;
        if (v == 2) {
            flags |= rec.blendMode != BlendMode::Normal ? 0x20 : 0;
            flags |= !rec.filters.empty() ? 0x10 : 0;
        }
        flags |= rec.stateHitTest ? 0x08 : 0;
        flags |= rec.stateDown ? 0x04 : 0;
        flags |= rec.stateOver ? 0x02 : 0;
        flags |= rec.stateUp ? 0x01 : 0;
        if (flags == 0)
            continue; // a record in no state would read back as the end marker
        w.u8(flags);
        w.u16(rec.characterId);
        w.u16(rec.depth);
        w.matrix(rec.matrix);
        if (v == 2) {
            w.colorTransform(rec.colorTransform, true);
            if (!rec.filters.empty())
                filterList(w, rec.filters);
            if (rec.blendMode != BlendMode::Normal)
                w.u8(std::uint8_t(rec.blendMode));
        }
    }
    w.u8(0);
    if (v == 1) {
        w.bytes(b.actions);
        return;
    }
    if (b.condActions.empty())
        return;
    w.patchU16(offsetAt, std::uint16_t(w.size() - offsetAt));
    for (std::size_t i = 0; i < b.condActions.size(); ++i) {
        const ButtonCondAction& a = b.condActions[i];
        const bool last = i + 1 == b.condActions.size();
        w.u16(last ? 0 : std::uint16_t(a.actions.size() + 4));
        w.ub(16, a.conditions);
        w.bytes(a.actions);
    }
}

void defineBitsJpeg(ByteWriter& w, const DefineBitsJpeg& d)
{
    w.u16(d.id);
    if (d.version == 2) {
        w.bytes(d.imageData);
        return;
    }
    w.u32(std::uint32_t(d.imageData.size()));
    if (d.version >= 4)
        w.u16(d.deblockParam);
    w.bytes(d.imageData);
    w.bytes(d.alphaData);
}

void defineBitsLossless(ByteWriter& w, const DefineBitsLossless& d)
{
    w.u16(d.id);
    w.u8(d.format);
    w.u16(d.width);
    w.u16(d.height);
    if (d.format == 3)
        w.u8(std::uint8_t(std::clamp<int>(d.colorTableSize, 1, 256) - 1));
    w.bytes(d.zlibData);
}

} // namespace swf::write
