#include "swf/format/record_writers.h"

#include <algorithm>

namespace swf::write {
namespace {

Bytes glyphBytes(const Shape& glyph)
{
    ByteWriter g;
    shapeRecords(g, glyph.records, 1, 0, 0);
    return g.take();
}

} // namespace

void defineFont(ByteWriter& w, const DefineFont& f)
{
    w.u16(f.id);
    std::vector<Bytes> shapes;
    shapes.reserve(f.glyphs.size());
    for (const Shape& glyph : f.glyphs)
        shapes.push_back(glyphBytes(glyph));
    if (f.version == 1) {
        std::size_t offset = shapes.size() * 2;
        for (const Bytes& s : shapes) {
            w.u16(std::uint16_t(offset));
            offset += s.size();
        }
        for (const Bytes& s : shapes)
            w.bytes(s);
        return;
    }
    const std::size_t count = std::min<std::size_t>(f.glyphs.size(), 0xFFFF);
    std::size_t glyphArea = 0;
    for (std::size_t i = 0; i < count; ++i)
        glyphArea += shapes[i].size();
    // Offsets are 16-bit unless the font asks for more or needs them.
    const bool wideOffsets = f.wideOffsets || (count + 1) * 2 + glyphArea > 0xFFFF;
    std::uint8_t flags = 0;
    flags |= f.hasLayout ? 0x80 : 0;
    flags |= f.shiftJis ? 0x40 : 0;
    flags |= f.smallText ? 0x20 : 0;
    flags |= f.ansi ? 0x10 : 0;
    flags |= wideOffsets ? 0x08 : 0;
    flags |= f.wideCodes ? 0x04 : 0;
    flags |= f.italic ? 0x02 : 0;
    flags |= f.bold ? 0x01 : 0;
    w.u8(flags);
    w.u8(f.languageCode);
    const std::string name = f.name.substr(0, 255);
    w.u8(std::uint8_t(name.size()));
    w.bytes(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
    w.u16(std::uint16_t(count));
    const std::size_t entry = wideOffsets ? 4 : 2;
    std::size_t offset = (count + 1) * entry;
    auto writeOffset = [&](std::size_t v) {
        if (wideOffsets)
            w.u32(std::uint32_t(v));
        else
            w.u16(std::uint16_t(v));
    };
    for (std::size_t i = 0; i < count; ++i) {
        writeOffset(offset);
        offset += shapes[i].size();
    }
    writeOffset(offset);
    for (std::size_t i = 0; i < count; ++i)
        w.bytes(shapes[i]);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t code = i < f.codeTable.size() ? f.codeTable[i] : 0;
        if (f.wideCodes)
            w.u16(code);
        else
            w.u8(std::uint8_t(code));
    }
    if (!f.hasLayout)
        return;
    w.u16(f.ascent);
    w.u16(f.descent);
    w.s16(f.leading);
    for (std::size_t i = 0; i < count; ++i)
        w.s16(i < f.advances.size() ? f.advances[i] : 0);
    for (std::size_t i = 0; i < count; ++i)
        w.rect(i < f.glyphBounds.size() ? f.glyphBounds[i] : Rect{});
    const std::size_t kernings = std::min<std::size_t>(f.kerning.size(), 0xFFFF);
    w.u16(std::uint16_t(kernings));
    for (std::size_t i = 0; i < kernings; ++i) {
        const KerningRecord& k = f.kerning[i];
        if (f.wideCodes) {
            w.u16(k.code1);
            w.u16(k.code2);
        } else {
            w.u8(std::uint8_t(k.code1));
            w.u8(std::uint8_t(k.code2));
        }
        w.s16(k.adjustment);
    }
}

void defineFontInfo(ByteWriter& w, const DefineFontInfo& f)
{
    w.u16(f.fontId);
    const std::string name = f.name.substr(0, 255);
    w.u8(std::uint8_t(name.size()));
    w.bytes(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
    const bool wide = f.wideCodes || f.version >= 2;
    std::uint8_t flags = 0;
    flags |= f.smallText ? 0x20 : 0;
    flags |= f.shiftJis ? 0x10 : 0;
    flags |= f.ansi ? 0x08 : 0;
    flags |= f.italic ? 0x04 : 0;
    flags |= f.bold ? 0x02 : 0;
    flags |= wide ? 0x01 : 0;
    w.u8(flags);
    if (f.version >= 2)
        w.u8(f.languageCode);
    for (std::uint16_t code : f.codeTable) {
        if (wide)
            w.u16(code);
        else
            w.u8(std::uint8_t(code));
    }
}

void defineText(ByteWriter& w, const DefineText& t)
{
    w.u16(t.id);
    w.rect(t.bounds);
    w.matrix(t.matrix);
    std::uint32_t maxIndex = 0;
    unsigned advanceBits = 0;
    for (const TextRecord& rec : t.records) {
        for (const GlyphEntry& g : rec.glyphs) {
            maxIndex = std::max(maxIndex, g.index);
            advanceBits = std::max(advanceBits, signedBits(g.advance));
        }
    }
    const unsigned glyphBits = unsignedBits(maxIndex);
    w.u8(std::uint8_t(glyphBits));
    w.u8(std::uint8_t(advanceBits));
    for (const TextRecord& rec : t.records) {
        // A record holds at most 255 glyphs; longer runs continue in plain records.
        std::size_t done = 0;
        bool first = true;
        do {
            std::uint8_t flags = 0x80;
            if (first) {
                flags |= rec.fontId ? 0x08 : 0;
                flags |= rec.color ? 0x04 : 0;
                flags |= rec.yOffset ? 0x02 : 0;
                flags |= rec.xOffset ? 0x01 : 0;
            }
            w.u8(flags);
            if (flags & 0x08)
                w.u16(*rec.fontId);
            if (flags & 0x04) {
                if (t.version >= 2)
                    w.rgba(*rec.color);
                else
                    w.rgb(*rec.color);
            }
            if (flags & 0x01)
                w.s16(std::int16_t(rec.xOffset->get()));
            if (flags & 0x02)
                w.s16(std::int16_t(rec.yOffset->get()));
            if (flags & 0x08)
                w.u16(std::uint16_t(rec.height.value_or(Twips(0)).get()));
            const std::size_t n = std::min<std::size_t>(rec.glyphs.size() - done, 255);
            w.u8(std::uint8_t(n));
            for (std::size_t i = done; i < done + n; ++i) {
                w.ub(glyphBits, rec.glyphs[i].index);
                w.sb(advanceBits, rec.glyphs[i].advance);
            }
            w.align();
            done += n;
            first = false;
        } while (done < rec.glyphs.size());
    }
    w.u8(0);
}

void defineEditText(ByteWriter& w, const DefineEditText& e)
{
    w.u16(e.id);
    w.rect(e.bounds);
    std::uint8_t a = 0, b = 0;
    a |= e.initialText ? 0x80 : 0;
    a |= e.wordWrap ? 0x40 : 0;
    a |= e.multiline ? 0x20 : 0;
    a |= e.password ? 0x10 : 0;
    a |= e.readOnly ? 0x08 : 0;
    a |= e.color ? 0x04 : 0;
    a |= e.maxLength ? 0x02 : 0;
    a |= e.fontId ? 0x01 : 0;
    b |= e.fontClass ? 0x80 : 0;
    b |= e.autoSize ? 0x40 : 0;
    b |= e.layout ? 0x20 : 0;
    b |= e.noSelect ? 0x10 : 0;
    b |= e.border ? 0x08 : 0;
    b |= e.wasStatic ? 0x04 : 0;
    b |= e.html ? 0x02 : 0;
    b |= e.useOutlines ? 0x01 : 0;
    w.u8(a);
    w.u8(b);
    if (e.fontId)
        w.u16(*e.fontId);
    if (e.fontClass)
        w.string(*e.fontClass);
    if (e.fontId || e.fontClass)
        w.u16(std::uint16_t(e.height.value_or(Twips(240)).get()));
    if (e.color)
        w.rgba(*e.color);
    if (e.maxLength)
        w.u16(*e.maxLength);
    if (e.layout) {
        w.u8(std::uint8_t(e.layout->align));
        w.u16(std::uint16_t(e.layout->leftMargin.get()));
        w.u16(std::uint16_t(e.layout->rightMargin.get()));
        w.u16(std::uint16_t(e.layout->indent.get()));
        w.s16(std::int16_t(e.layout->leading.get()));
    }
    w.string(e.variableName);
    if (e.initialText)
        w.string(*e.initialText);
}

} // namespace swf::write
