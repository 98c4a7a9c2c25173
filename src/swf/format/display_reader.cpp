#include "swf/format/record_readers.h"

namespace swf::read {
namespace {

constexpr std::uint32_t kClipEventKeyPress = 0x00020000;

// Bytes of a filter after its type byte; gradient filters and convolution
// size themselves from their first bytes.
bool filterSize(ByteReader& r, FilterType type, std::size_t& size)
{
    switch (type) {
    case FilterType::DropShadow: size = 23; return true;
    case FilterType::Blur: size = 9; return true;
    case FilterType::Glow: size = 15; return true;
    case FilterType::Bevel: size = 27; return true;
    case FilterType::GradientGlow:
    case FilterType::GradientBevel: {
        ByteReader peek = r;
        const std::size_t colors = peek.u8();
        size = 1 + colors * 5 + 19;
        return !peek.failed();
    }
    case FilterType::Convolution: {
        ByteReader peek = r;
        const std::size_t x = peek.u8();
        const std::size_t y = peek.u8();
        size = 2 + 4 + 4 + 4 * x * y + 4 + 1;
        return !peek.failed();
    }
    case FilterType::ColorMatrix: size = 80; return true;
    }
    return false;
}

std::vector<ClipAction> clipActions(ByteReader& r, int swfVersion, std::uint32_t& allEventFlags)
{
    std::vector<ClipAction> actions;
    const bool wide = swfVersion >= 6;
    r.u16(); // reserved
    allEventFlags = wide ? r.u32() : r.u16();
    while (r.charge(sizeof(ClipAction))) {
        const std::uint32_t flags = wide ? r.u32() : r.u16();
        if (flags == 0 || r.failed())
            break;
        ClipAction a;
        a.eventFlags = flags;
        std::uint32_t size = r.u32();
        if (wide && (flags & kClipEventKeyPress) && size > 0) {
            a.keyCode = r.u8();
            --size;
        }
        const auto bytes = r.take(size);
        a.actions.assign(bytes.begin(), bytes.end());
        actions.push_back(std::move(a));
    }
    return actions;
}

BlendMode blendMode(std::uint8_t value)
{
    return value <= 1 || value > 14 ? BlendMode::Normal : static_cast<BlendMode>(value);
}

} // namespace

std::vector<Filter> filterList(ByteReader& r)
{
    std::vector<Filter> filters;
    const std::size_t count = r.u8();
    for (std::size_t i = 0; i < count && r.charge(sizeof(Filter)); ++i) {
        const std::uint8_t type = r.u8();
        Filter f;
        f.type = static_cast<FilterType>(type);
        std::size_t size = 0;
        if (type > 7 || !filterSize(r, f.type, size)) {
            r.fail();
            break;
        }
        const auto bytes = r.take(size);
        f.data.assign(bytes.begin(), bytes.end());
        filters.push_back(std::move(f));
    }
    return filters;
}

PlaceObject placeObject(ByteReader& r, int version, int swfVersion)
{
    PlaceObject p;
    p.version = std::uint8_t(version);
    if (version == 1) {
        p.characterId = r.u16();
        p.depth = r.u16();
        p.matrix = r.matrix();
        if (!r.failed() && !r.atEnd())
            p.colorTransform = r.colorTransform(false);
        return p;
    }
    const std::uint8_t flags = r.u8();
    const std::uint8_t flags3 = version >= 3 ? r.u8() : 0;
    p.depth = r.u16();
    const bool hasClassName = flags3 & 0x08;
    p.hasImage = flags3 & 0x10;
    if (hasClassName)
        p.className = r.string();
    p.isMove = flags & 0x01;
    if (flags & 0x02)
        p.characterId = r.u16();
    if (flags & 0x04)
        p.matrix = r.matrix();
    if (flags & 0x08)
        p.colorTransform = r.colorTransform(true);
    if (flags & 0x10)
        p.ratio = r.u16();
    if (flags & 0x20)
        p.name = r.string();
    if (flags & 0x40)
        p.clipDepth = r.u16();
    if (flags3 & 0x01)
        p.filters = filterList(r);
    if (flags3 & 0x02)
        p.blendMode = blendMode(r.u8());
    if (flags3 & 0x04)
        p.cacheAsBitmap = r.u8() != 0;
    if (flags3 & 0x20)
        p.visible = r.u8() != 0;
    if (flags3 & 0x40)
        p.backgroundColor = r.rgba();
    if (flags & 0x80)
        p.clipActions = clipActions(r, swfVersion, p.allEventFlags);
    return p;
}

RemoveObject removeObject(ByteReader& r, int version)
{
    RemoveObject o;
    o.version = std::uint8_t(version);
    if (version == 1)
        o.characterId = r.u16();
    o.depth = r.u16();
    return o;
}

DefineButton defineButton(ByteReader& r, int version)
{
    DefineButton b;
    b.version = std::uint8_t(version);
    b.id = r.u16();
    std::uint16_t actionOffset = 0;
    std::size_t offsetBase = 0;
    if (version >= 2) {
        b.trackAsMenu = r.u8() & 0x01;
        offsetBase = r.position();
        actionOffset = r.u16();
    }
    while (r.charge(sizeof(ButtonRecord))) {
        const std::uint8_t flags = r.u8();
        if (flags == 0 || r.failed())
            break;
        ButtonRecord rec;
        const bool hasBlendMode = flags & 0x20;
        const bool hasFilters = flags & 0x10;
        rec.stateHitTest = flags & 0x08;
        rec.stateDown = flags & 0x04;
        rec.stateOver = flags & 0x02;
        rec.stateUp = flags & 0x01;
        rec.characterId = r.u16();
        rec.depth = r.u16();
        rec.matrix = r.matrix();
        if (version >= 2) {
            rec.colorTransform = r.colorTransform(true);
            if (hasFilters)
                rec.filters = filterList(r);
            if (hasBlendMode)
                rec.blendMode = blendMode(r.u8());
        }
        b.records.push_back(std::move(rec));
    }
    if (r.failed())
        return b;
    if (version == 1) {
        const auto bytes = r.rest();
        b.actions.assign(bytes.begin(), bytes.end());
        return b;
    }
    if (actionOffset == 0)
        return b;
    const std::size_t actionsStart = offsetBase + actionOffset;
    if (actionsStart < r.position() || actionsStart - r.position() > r.remaining()) {
        r.fail();
        return b;
    }
    r.skip(actionsStart - r.position());
    while (!r.atEnd() && r.charge(sizeof(ButtonCondAction))) {
        const std::uint16_t size = r.u16();
        ButtonCondAction a;
        a.conditions = std::uint16_t(r.ub(16));
        const std::size_t length = size == 0 ? r.remaining() : (size >= 4 ? size - 4u : 0u);
        if (size != 0 && size < 4) {
            r.fail();
            break;
        }
        const auto bytes = r.take(length);
        a.actions.assign(bytes.begin(), bytes.end());
        b.condActions.push_back(std::move(a));
        if (size == 0)
            break;
    }
    return b;
}

} // namespace swf::read
