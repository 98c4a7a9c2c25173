#include "swf/movie/character_dictionary.h"

#include "swf/format/strings.h"
#include "swf/format/text_settings.h"
#include "swf/movie/limits.h"

#include <algorithm>

namespace swf::movie {

CharacterDictionary::CharacterDictionary(const std::vector<Tag>& tags) : m_tags(&tags)
{
    collect(tags, 0, 0);
}

const Character* CharacterDictionary::find(std::uint16_t id) const
{
    const auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : &it->second;
}

FontDescription CharacterDictionary::font(std::uint16_t id) const
{
    const auto it = m_fonts.find(id);
    return it == m_fonts.end() ? FontDescription{} : it->second;
}

const std::vector<std::uint16_t>* CharacterDictionary::fontCodes(std::uint16_t id) const
{
    const auto it = m_fontCodes.find(id);
    return it == m_fontCodes.end() ? nullptr : it->second;
}

const DefineFont* CharacterDictionary::fontDefinition(std::uint16_t id) const
{
    const auto it = m_fontDefinitions.find(id);
    return it == m_fontDefinitions.end() ? nullptr : it->second;
}

const DefineSound* CharacterDictionary::sound(std::uint16_t id) const
{
    const auto it = m_sounds.find(id);
    return it == m_sounds.end() ? nullptr : &it->second;
}

const ButtonSounds* CharacterDictionary::buttonSounds(std::uint16_t id) const
{
    const auto it = m_buttonSounds.find(id);
    return it == m_buttonSounds.end() ? nullptr : &it->second;
}

const TextRenderSettings* CharacterDictionary::textSettings(std::uint16_t id) const
{
    const auto it = m_textSettings.find(id);
    return it == m_textSettings.end() ? nullptr : &it->second;
}

void CharacterDictionary::collect(const std::vector<Tag>& tags, int nesting, int frame)
{
    if (nesting > kMaxNesting)
        return;
    auto add = [this, &frame](std::uint16_t id, Character character) {
        character.frame = frame;
        m_characters.try_emplace(id, std::move(character));
    };
    for (const Tag& tag : tags) {
        if (nesting == 0 && std::holds_alternative<ShowFrame>(tag)) {
            ++frame;
        } else if (const auto* shape = std::get_if<DefineShape>(&tag)) {
            add(shape->id, {Character::Kind::Shape, &tag, nullptr});
        } else if (const auto* morph = std::get_if<DefineMorphShape>(&tag)) {
            add(morph->id, {Character::Kind::MorphShape, &tag, nullptr});
        } else if (const auto* text = std::get_if<DefineText>(&tag)) {
            add(text->id, {Character::Kind::Text, &tag, nullptr});
        } else if (const auto* edit = std::get_if<DefineEditText>(&tag)) {
            add(edit->id, {Character::Kind::EditText, &tag, nullptr});
        } else if (const auto* button = std::get_if<DefineButton>(&tag)) {
            add(button->id, {Character::Kind::Button, &tag, nullptr});
        } else if (const auto* font = std::get_if<DefineFont>(&tag)) {
            // Font info, before or after its font, has the last word on the name.
            m_fonts.try_emplace(font->id,
                                FontDescription{decodeString(font->name).toStdString(), font->bold, font->italic});
            if (font->version > 1)
                m_fontCodes.try_emplace(font->id, &font->codeTable);
            m_fontDefinitions.try_emplace(font->id, font);
        } else if (const auto* info = std::get_if<DefineFontInfo>(&tag)) {
            m_fonts.insert_or_assign(info->fontId,
                                     FontDescription{decodeString(info->name).toStdString(), info->bold, info->italic});
            m_fontCodes.insert_or_assign(info->fontId, &info->codeTable);
        } else if (const auto* sprite = std::get_if<DefineSprite>(&tag)) {
            // A sprite counts every frame its tags show in its total, even
            // past the count its header declares.
            if (!m_characters.contains(sprite->id)) {
                const auto shown = std::count_if(sprite->tags.begin(), sprite->tags.end(),
                                                 [](const Tag& t) { return std::holds_alternative<ShowFrame>(t); });
                const int frames = std::max<int>(sprite->frameCount, int(shown));
                add(sprite->id,
                    {Character::Kind::Sprite, &tag, std::make_shared<const Timeline>(buildTimeline(sprite->tags, frames, !sprite->unterminated))});
            }
            // Definitions do not belong inside sprites, but some tools put them there.
            collect(sprite->tags, nesting + 1, frame);
        } else if (const auto* unknown = std::get_if<UnknownTag>(&tag)) {
            if (auto sound = readDefineSound(*unknown))
                m_sounds.try_emplace(sound->id, *sound);
            else if (auto sounds = readButtonSounds(*unknown))
                m_buttonSounds.try_emplace(sounds->buttonId, std::move(*sounds));
            else if (auto settings = readTextRenderSettings(*unknown))
                m_textSettings.insert_or_assign(settings->textId, *settings);
            else if (auto stream = readDefineVideoStream(*unknown)) {
                if (!m_characters.contains(stream->id)) {
                    auto video = std::make_shared<VideoStream>();
                    video->header = *stream;
                    m_videos[stream->id] = video;
                    Character character{Character::Kind::Video, &tag, nullptr};
                    character.video = video;
                    add(stream->id, std::move(character));
                }
            } else if (auto videoFrame = readVideoFrame(*unknown))
                addVideoFrame(*videoFrame);
        }
    }
}

void CharacterDictionary::addVideoFrame(const VideoFrame& frame)
{
    // A frame belongs to the stream defined before it; the first one given
    // for a number stands.
    const auto it = m_videos.find(frame.streamId);
    if (it == m_videos.end() || frame.data.empty())
        return;
    auto& frames = it->second->frames;
    if (frames.size() <= frame.frame)
        frames.resize(std::size_t(frame.frame) + 1);
    if (frames[frame.frame].empty())
        frames[frame.frame] = frame.data;
}

} // namespace swf::movie
