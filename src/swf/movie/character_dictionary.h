#pragma once

// The characters of a movie by id: what a placement can put on the stage. Sprites and
// buttons carry a timeline of their own; everything else is drawn from its record.
// The dictionary points into the movie's records, which must outlive it.

#include "swf/format/records.h"
#include "swf/format/sounds.h"
#include "swf/format/text_settings.h"
#include "swf/format/video.h"
#include "swf/movie/timeline.h"

#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace swf::movie {

// An embedded video: its definition and its coded pictures by frame number
// (an empty one where the movie has none).
struct VideoStream {
    DefineVideoStream header;
    std::vector<std::span<const std::uint8_t>> frames;
};

// The area a video shows in, in twips: its declared size from the origin.
inline Rect videoBounds(const VideoStream& video)
{
    return {Twips(0), Twips::fromPixels(video.header.width), Twips(0), Twips::fromPixels(video.header.height)};
}

struct Character {
    enum class Kind { Shape, MorphShape, Text, EditText, Sprite, Button, Video };
    Kind kind = Kind::Shape;
    const Tag* tag = nullptr;
    // Sprites only: a button's objects follow its state instead.
    std::shared_ptr<const Timeline> timeline;
    // The frame of the root timeline whose tags define it (those of a sprite
    // that holds the definition): it exists once that frame has loaded.
    int frame = 0;
    std::shared_ptr<const VideoStream> video = {}; // Kind::Video

    const DefineShape* shape() const { return std::get_if<DefineShape>(tag); }
    const DefineMorphShape* morphShape() const { return std::get_if<DefineMorphShape>(tag); }
    const DefineText* text() const { return std::get_if<DefineText>(tag); }
    const DefineEditText* editText() const { return std::get_if<DefineEditText>(tag); }
    const DefineButton* button() const { return std::get_if<DefineButton>(tag); }
};

// A font definition as text fields refer to it: its name (UTF-8) and style.
struct FontDescription {
    std::string name;
    bool bold = false;
    bool italic = false;
};

class CharacterDictionary {
public:
    // Collects the characters defined anywhere in the tag list (sprites included).
    // When an id is defined twice, the first definition wins, as in the original player.
    explicit CharacterDictionary(const std::vector<Tag>& tags);

    const Character* find(std::uint16_t id) const;
    // The tag list it was made from (its bitmaps and fonts, for drawing).
    const std::vector<Tag>& tags() const { return *m_tags; }
    size_t size() const { return m_characters.size(); }
    // What a font definition (or its font info) says of font `id`; an empty
    // name when unknown.
    FontDescription font(std::uint16_t id) const;
    // The character codes of font `id`'s glyphs, in glyph order (from its
    // font info when it has one); null when unknown.
    const std::vector<std::uint16_t>* fontCodes(std::uint16_t id) const;
    // Font `id`'s definition (its layout: ascent, descent, advances), or null.
    const DefineFont* fontDefinition(std::uint16_t id) const;
    // Sound `id`'s definition, or null.
    const DefineSound* sound(std::uint16_t id) const;
    // The sounds button `id` plays on its transitions, or null.
    const ButtonSounds* buttonSounds(std::uint16_t id) const;
    // How text definition `id` asks to be rendered; null when it does not say.
    const TextRenderSettings* textSettings(std::uint16_t id) const;

private:
    // `frame`: the root frame of a sprite's tags; the root's own are counted.
    void collect(const std::vector<Tag>& tags, int nesting, int frame);
    void addVideoFrame(const VideoFrame& frame);
    const std::vector<Tag>* m_tags;
    std::unordered_map<std::uint16_t, Character> m_characters;
    std::unordered_map<std::uint16_t, FontDescription> m_fonts;
    std::unordered_map<std::uint16_t, const std::vector<std::uint16_t>*> m_fontCodes;
    std::unordered_map<std::uint16_t, const DefineFont*> m_fontDefinitions;
    std::unordered_map<std::uint16_t, DefineSound> m_sounds;
    std::unordered_map<std::uint16_t, ButtonSounds> m_buttonSounds;
    std::unordered_map<std::uint16_t, TextRenderSettings> m_textSettings;
    std::unordered_map<std::uint16_t, std::shared_ptr<VideoStream>> m_videos;
};

} // namespace swf::movie
