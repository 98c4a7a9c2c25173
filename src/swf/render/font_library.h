#pragma once

// The fonts of a movie, by character id: DefineFont 1 to 3 completed by
// DefineFontInfo, with glyph outlines built on first use.

#include "swf/format/records.h"

#include <QFont>
#include <QPainterPath>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace swf::render {

class Font {
public:
    explicit Font(const swf::DefineFont& font);

    void applyInfo(const swf::DefineFontInfo& info);

    std::uint16_t id() const { return m_font.id; }
    const QString& name() const { return m_name; }
    bool bold() const { return m_bold; }
    bool italic() const { return m_italic; }
    // A font made for small sizes: its glyphs stand on whole pixels.
    bool smallText() const { return m_smallText; }
    // Units of the glyph outlines per em.
    double emSquare() const { return m_font.emSquare(); }
    std::size_t glyphCount() const { return m_font.glyphs.size(); }
    // True when the font brings outlines to draw with; a font with codes but no
    // outlines names a font installed on the machine.
    bool hasOutlines() const { return m_hasOutlines; }

    // The glyph's outline in em units, empty for an index past the table.
    const QPainterPath& glyph(std::size_t index) const;
    // The character a glyph stands for (0 when the code table lacks it).
    char16_t code(std::size_t index) const;
    // The glyph for a character, if the font has one.
    std::optional<std::size_t> glyphForCode(char16_t code) const;
    // Advance of a glyph in em units when the font has layout; otherwise the
    // width of its outline.
    double advance(std::size_t index) const;
    // Ascent and descent in em units (estimated from the em when missing).
    double ascent() const;
    double descent() const;
    double leading() const;

private:
    swf::DefineFont m_font;
    QString m_name;
    bool m_bold = false;
    bool m_italic = false;
    bool m_smallText = false;
    std::vector<std::uint16_t> m_codes;
    bool m_hasOutlines = false;
    mutable std::vector<std::optional<QPainterPath>> m_glyphs;
    mutable std::unordered_map<char16_t, std::size_t> m_byCode;
};

class FontLibrary {
public:
    void add(const swf::DefineFont& font);
    // Font info may come before or after its font.
    void addInfo(const swf::DefineFontInfo& info);
    const Font* font(std::uint16_t id) const;
    // The font with outlines that a text format naming `name` in that style
    // draws with (names compare without case); of several, the one with the
    // most glyphs. Null when none has that name and style.
    const Font* findEmbedded(const QString& name, bool bold, bool italic) const;

private:
    std::unordered_map<std::uint16_t, Font> m_fonts;
    std::unordered_map<std::uint16_t, swf::DefineFontInfo> m_pendingInfo;
};

// The fonts a movie defines, sprites' tags included.
std::shared_ptr<FontLibrary> collectFonts(const std::vector<swf::Tag>& tags);

// An installed font for a font name used by a movie: the player's generic
// names (_sans, _serif, _typewriter) and common Windows fonts map to families
// with the same metrics here, and Chinese text falls back to a CJK family.
// `pixelSize` is in the caller's units (twips for the text painters).
QFont deviceFont(const QString& name, int pixelSize, bool bold, bool italic);

} // namespace swf::render
