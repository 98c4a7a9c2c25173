#include "swf/format/record_readers.h"

#include <algorithm>

namespace swf::read {
namespace {

// A glyph outline: a SHAPE without style tables, read within its own bytes.
Shape glyph(const ByteReader& parent, std::span<const std::uint8_t> bytes, bool& ok)
{
    ByteReader g = parent.sub(bytes);
    Shape shape;
    shape.records = shapeRecords(g, 1);
    if (g.failed())
        ok = false;
    return shape;
}

// Glyph shapes from an offset table: offsets are relative to `table`, the
// bytes from the start of the offset table to the end of the glyph area.
std::vector<Shape> glyphs(ByteReader& r, std::span<const std::uint8_t> table,
                          const std::vector<std::uint32_t>& offsets, std::size_t glyphAreaEnd, bool& ok)
{
    std::vector<Shape> shapes;
    shapes.reserve(offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const std::size_t start = offsets[i];
        const std::size_t end = i + 1 < offsets.size() ? offsets[i + 1] : glyphAreaEnd;
        if (start > end || end > table.size() || !r.charge(sizeof(Shape))) {
            ok = false;
            return shapes;
        }
        shapes.push_back(glyph(r, table.subspan(start, end - start), ok));
    }
    return shapes;
}

} // namespace

DefineFont defineFont(ByteReader& r, int version)
{
    DefineFont f;
    f.version = std::uint8_t(version);
    f.id = r.u16();
    bool ok = true;
    if (version == 1) {
        f.wideCodes = false;
        const auto table = r.rest();
        ByteReader t = r.sub(table);
        const std::uint16_t first = t.u16();
        if (t.failed())
            return f; // a font without glyphs
        const std::size_t count = first / 2;
        if (count == 0)
            return f;
        std::vector<std::uint32_t> offsets{first};
        for (std::size_t i = 1; i < count && t.charge(sizeof(std::uint32_t)); ++i)
            offsets.push_back(t.u16());
        if (t.failed())
            r.fail();
        else
            f.glyphs = glyphs(r, table, offsets, table.size(), ok);
        if (!ok)
            r.fail();
        return f;
    }
    const std::uint8_t flags = r.u8();
    f.hasLayout = flags & 0x80;
    f.shiftJis = flags & 0x40;
    f.smallText = flags & 0x20;
    f.ansi = flags & 0x10;
    f.wideOffsets = flags & 0x08;
    f.wideCodes = flags & 0x04;
    f.italic = flags & 0x02;
    f.bold = flags & 0x01;
    f.languageCode = r.u8();
    f.name = r.fixedString(r.u8());
    const std::size_t count = r.u16();
    if (r.failed())
        return f;
    // Device fonts without glyphs: some writers leave out the code table offset.
    if (count == 0 && r.remaining() < (f.wideOffsets ? 4u : 2u))
        return f;
    // Offsets count from the start of the offset table.
    const std::size_t tableStart = r.position();
    ByteReader probe = r;
    const auto table = probe.rest();
    std::vector<std::uint32_t> offsets;
    offsets.reserve(std::min<std::size_t>(count, r.remaining()));
    for (std::size_t i = 0; i < count && !r.failed(); ++i)
        offsets.push_back(f.wideOffsets ? r.u32() : r.u16());
    const std::uint32_t codeTableOffset = f.wideOffsets ? r.u32() : r.u16();
    if (r.failed())
        return f;
    if (codeTableOffset > table.size()) {
        r.fail();
        return f;
    }
    f.glyphs = glyphs(r, table, offsets, codeTableOffset, ok);
    if (!ok) {
        r.fail();
        return f;
    }
    const std::size_t here = r.position() - tableStart;
    if (codeTableOffset < here) {
        r.fail();
        return f;
    }
    r.skip(codeTableOffset - here);
    for (std::size_t i = 0; i < count && !r.failed(); ++i)
        f.codeTable.push_back(f.wideCodes ? r.u16() : r.u8());
    if (!f.hasLayout)
        return f;
    f.ascent = r.u16();
    f.descent = r.u16();
    f.leading = r.s16();
    for (std::size_t i = 0; i < count && !r.failed(); ++i)
        f.advances.push_back(r.s16());
    for (std::size_t i = 0; i < count && !r.failed(); ++i)
        f.glyphBounds.push_back(r.rect());
    // Some writers leave the kerning count out when it is zero.
    if (r.failed() || r.atEnd())
        return f;
    const std::size_t kernings = r.u16();
    for (std::size_t i = 0; i < kernings && r.charge(sizeof(KerningRecord)); ++i) {
        KerningRecord k;
        k.code1 = f.wideCodes ? r.u16() : r.u8();
        k.code2 = f.wideCodes ? r.u16() : r.u8();
        k.adjustment = r.s16();
        f.kerning.push_back(k);
    }
    return f;
}

DefineFontInfo defineFontInfo(ByteReader& r, int version)
{
    DefineFontInfo f;
    f.version = std::uint8_t(version);
    f.fontId = r.u16();
    f.name = r.fixedString(r.u8());
    const std::uint8_t flags = r.u8();
    f.smallText = flags & 0x20;
    f.shiftJis = flags & 0x10;
    f.ansi = flags & 0x08;
    f.italic = flags & 0x04;
    f.bold = flags & 0x02;
    f.wideCodes = flags & 0x01;
    if (version >= 2)
        f.languageCode = r.u8();
    while (!r.failed() && r.remaining() >= (f.wideCodes ? 2u : 1u))
        f.codeTable.push_back(f.wideCodes ? r.u16() : r.u8());
    return f;
}

DefineText defineText(ByteReader& r, int version)
{
    DefineText t;
    t.version = std::uint8_t(version);
    t.id = r.u16();
    t.bounds = r.rect();
    t.matrix = r.matrix();
    const unsigned glyphBits = r.u8();
    const unsigned advanceBits = r.u8();
    if (glyphBits > 32 || advanceBits > 32) {
        r.fail();
        return t;
    }
    while (r.charge(sizeof(TextRecord))) {
        const std::uint8_t flags = r.u8();
        if (flags == 0 || r.failed())
            break;
        TextRecord rec;
        if (flags & 0x08)
            rec.fontId = r.u16();
        if (flags & 0x04)
            rec.color = version >= 2 ? r.rgba() : r.rgb();
        if (flags & 0x01)
            rec.xOffset = Twips(r.s16());
        if (flags & 0x02)
            rec.yOffset = Twips(r.s16());
        if (flags & 0x08)
            rec.height = Twips(r.u16());
        const std::size_t count = r.u8();
        if (!r.charge(count * sizeof(GlyphEntry)))
            break;
        for (std::size_t i = 0; i < count && !r.failed(); ++i) {
            GlyphEntry g;
            g.index = r.ub(glyphBits);
            g.advance = r.sb(advanceBits);
            rec.glyphs.push_back(g);
        }
        r.align();
        t.records.push_back(std::move(rec));
    }
    return t;
}

DefineEditText defineEditText(ByteReader& r)
{
    DefineEditText e;
    e.id = r.u16();
    e.bounds = r.rect();
    const std::uint8_t a = r.u8();
    const std::uint8_t b = r.u8();
    const bool hasText = a & 0x80;
    e.wordWrap = a & 0x40;
    e.multiline = a & 0x20;
    e.password = a & 0x10;
    e.readOnly = a & 0x08;
    const bool hasColor = a & 0x04;
    const bool hasMaxLength = a & 0x02;
    const bool hasFont = a & 0x01;
    const bool hasFontClass = b & 0x80;
    e.autoSize = b & 0x40;
    const bool hasLayout = b & 0x20;
    e.noSelect = b & 0x10;
    e.border = b & 0x08;
    e.wasStatic = b & 0x04;
    e.html = b & 0x02;
    e.useOutlines = b & 0x01;
    if (hasFont)
        e.fontId = r.u16();
    if (hasFontClass)
        e.fontClass = r.string();
    if (hasFont || hasFontClass)
        e.height = Twips(r.u16());
    if (hasColor)
        e.color = r.rgba();
    if (hasMaxLength)
        e.maxLength = r.u16();
    if (hasLayout) {
        EditTextLayout l;
        l.align = static_cast<TextAlign>(std::min<std::uint8_t>(r.u8(), 3));
        l.leftMargin = Twips(r.u16());
        l.rightMargin = Twips(r.u16());
        l.indent = Twips(r.u16());
        l.leading = Twips(r.s16());
        e.layout = l;
    }
    e.variableName = r.string();
    if (hasText)
        e.initialText = r.string();
    return e;
}

} // namespace swf::read
