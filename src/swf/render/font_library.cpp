#include "swf/render/font_library.h"

#include "swf/format/strings.h"
#include "swf/movie/limits.h"
#include "swf/render/shape_geometry.h"

#include <QHash>

namespace swf::render {

Font::Font(const swf::DefineFont& font)
    : m_font(font)
    , m_name(swf::decodeString(font.name))
    , m_bold(font.bold)
    , m_italic(font.italic)
    , m_smallText(font.smallText)
    , m_codes(font.codeTable)
    , m_glyphs(font.glyphs.size())
{
    for (const swf::Shape& glyph : m_font.glyphs) {
        for (const swf::ShapeRecord& record : glyph.records) {
            if (!std::holds_alternative<swf::StyleChangeRecord>(record)) {
                m_hasOutlines = true;
                return;
            }
        }
    }
}

void Font::applyInfo(const swf::DefineFontInfo& info)
{
    m_name = swf::decodeString(info.name);
    m_bold = info.bold;
    m_italic = info.italic;
    m_smallText = info.smallText;
    if (!info.codeTable.empty())
        m_codes = info.codeTable;
    m_byCode.clear();
}

const QPainterPath& Font::glyph(std::size_t index) const
{
    static const QPainterPath empty;
    if (index >= m_glyphs.size())
        return empty;
    if (!m_glyphs[index])
        m_glyphs[index] = buildGlyph(m_font.glyphs[index]);
    return *m_glyphs[index];
}

char16_t Font::code(std::size_t index) const
{
    return index < m_codes.size() ? char16_t(m_codes[index]) : char16_t(0);
}

std::optional<std::size_t> Font::glyphForCode(char16_t code) const
{
    if (m_byCode.empty()) {
        for (std::size_t i = 0; i < m_codes.size(); ++i)
            m_byCode.emplace(char16_t(m_codes[i]), i);
    }
    auto found = m_byCode.find(code);
    if (found == m_byCode.end())
        return std::nullopt;
    return found->second;
}

double Font::advance(std::size_t index) const
{
    if (m_font.hasLayout && index < m_font.advances.size())
        return m_font.advances[index];
    const QRectF box = glyph(index).boundingRect();
    return box.isEmpty() ? emSquare() / 2 : box.right() + emSquare() / 20;
}

double Font::ascent() const
{
    return m_font.hasLayout && m_font.ascent > 0 ? m_font.ascent : emSquare() * 0.9;
}

double Font::descent() const
{
    return m_font.hasLayout && m_font.descent > 0 ? m_font.descent : emSquare() * 0.22;
}

double Font::leading() const
{
    return m_font.hasLayout ? m_font.leading : 0.0;
}

void FontLibrary::add(const swf::DefineFont& font)
{
    auto [it, inserted] = m_fonts.try_emplace(font.id, font);
    if (!inserted)
        return;
    if (auto info = m_pendingInfo.find(font.id); info != m_pendingInfo.end()) {
        it->second.applyInfo(info->second);
        m_pendingInfo.erase(info);
    }
}

void FontLibrary::addInfo(const swf::DefineFontInfo& info)
{
    if (auto found = m_fonts.find(info.fontId); found != m_fonts.end())
        found->second.applyInfo(info);
    else
        m_pendingInfo[info.fontId] = info;
}

const Font* FontLibrary::font(std::uint16_t id) const
{
    auto found = m_fonts.find(id);
    return found == m_fonts.end() ? nullptr : &found->second;
}

const Font* FontLibrary::findEmbedded(const QString& name, bool bold, bool italic) const
{
    const Font* best = nullptr;
    for (const auto& [id, font] : m_fonts) {
        if (!font.hasOutlines() || font.bold() != bold || font.italic() != italic
            || font.name().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!best || font.glyphCount() > best->glyphCount()
            || (font.glyphCount() == best->glyphCount() && font.id() < best->id()))
            best = &font;
    }
    return best;
}

namespace {

void collectInto(FontLibrary& fonts, const std::vector<swf::Tag>& tags, int nesting)
{
    // Definitions inside sprites count too, as deep as sprites nest.
    if (nesting > movie::kMaxNesting)
        return;
    for (const swf::Tag& tag : tags) {
        if (const auto* font = std::get_if<swf::DefineFont>(&tag))
            fonts.add(*font);
        else if (const auto* info = std::get_if<swf::DefineFontInfo>(&tag))
            fonts.addInfo(*info);
        else if (const auto* sprite = std::get_if<swf::DefineSprite>(&tag))
            collectInto(fonts, sprite->tags, nesting + 1);
    }
}

} // namespace

std::shared_ptr<FontLibrary> collectFonts(const std::vector<swf::Tag>& tags)
{
    auto fonts = std::make_shared<FontLibrary>();
    collectInto(*fonts, tags, 0);
    return fonts;
}

namespace {

const QString kCjkFamily = QStringLiteral("WenQuanYi Micro Hei");

QString installedFamily(const QString& name)
{
    // The Liberation families share Arial's, Times New Roman's and Courier New's
    // advances and line metrics, so text wraps and measures as it did.
    static const QHash<QString, QString> families = {
        {QStringLiteral("_sans"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("_serif"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("_typewriter"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("helvetica"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("verdana"), QStringLiteral("DejaVu Sans")},
        {QStringLiteral("tahoma"), QStringLiteral("DejaVu Sans")},
        {QStringLiteral("times new roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("times"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("courier new"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("courier"), QStringLiteral("Liberation Mono")},
    };
    const QString key = name.trimmed().toLower();
    if (auto found = families.find(key); found != families.end())
        return *found;
    // Chinese family names (宋体, 黑体, 楷体, SimSun, Microsoft YaHei and the
    // like) have no metric twin here; the CJK family draws them all.
    static const QStringList cjkNames = {
        QStringLiteral("simsun"), QStringLiteral("nsimsun"), QStringLiteral("simhei"), QStringLiteral("kaiti"),
        QStringLiteral("fangsong"), QStringLiteral("microsoft yahei"), QStringLiteral("mingliu"),
        QStringLiteral("pmingliu"), QStringLiteral("simkai"), QStringLiteral("stsong"), QStringLiteral("stheiti"),
    };
    for (const QString& cjk : cjkNames) {
        if (key.startsWith(cjk))
            return kCjkFamily;
    }
    for (QChar c : name) {
        if (c.unicode() >= 0x2E80)
            return kCjkFamily;
    }
    return name.isEmpty() ? QStringLiteral("Liberation Serif") : name;
}

} // namespace

QFont deviceFont(const QString& name, int pixelSize, bool bold, bool italic)
{
    QFont font;
    const QString family = installedFamily(name);
    font.setFamilies({family, QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"), kCjkFamily});
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(bold);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

} // namespace swf::render
