#pragma once

// Writes movies from code: definitions, placements and frames in the order a
// timeline plays them. Tests of every layer and the start-up movie tool build
// their movies with it rather than by hand.
//
//   MovieBuilder b(Twips::fromPixels(550), Twips::fromPixels(400), 24);
//   b.setBackground({255, 255, 255});
//   const auto box = b.defineRectangle(rect, solidFill({255, 0, 0}));
//   b.place(1, box).showFrame();
//   b.move(1, Matrix::translation(Twips(200), Twips(0))).showFrame();
//   Bytes swf = b.bytes();

#include "common/result.h"
#include "swf/format/records.h"
#include "swf/format/shape_builder.h"

#include <filesystem>
#include <optional>

namespace swf {

// A tag list with frames: the movie's own timeline or a sprite's.
class Timeline {
public:
    // PlaceObject2 of a new character at an empty depth.
    Timeline& place(std::uint16_t depth, std::uint16_t characterId, const Matrix& matrix = {},
                    std::optional<ColorTransform> colorTransform = {}, std::optional<std::string> name = {});
    // PlaceObject2 that changes the object already at `depth`.
    Timeline& move(std::uint16_t depth, const Matrix& matrix, std::optional<ColorTransform> colorTransform = {});
    // PlaceObject2 that puts another character at an occupied depth.
    Timeline& replace(std::uint16_t depth, std::uint16_t characterId, const Matrix& matrix = {});
    Timeline& remove(std::uint16_t depth);
    Timeline& showFrame(int count = 1);
    Timeline& label(const std::string& name);
    Timeline& add(Tag tag);

    const std::vector<Tag>& tags() const { return m_tags; }
    std::uint16_t frameCount() const { return m_frames; }

protected:
    std::vector<Tag> m_tags;
    std::uint16_t m_frames = 0;
};

class MovieBuilder : public Timeline {
public:
    MovieBuilder(Twips width, Twips height, double frameRate, std::uint8_t version = 10);

    MovieBuilder& setBackground(Rgba color);

    // Each define* adds its tag at the current point of the timeline and
    // returns the new character id.
    std::uint16_t defineShape(const ShapeBuilder& shape, std::uint8_t shapeVersion = 3);
    std::uint16_t defineRectangle(const Rect& rect, const FillStyle& fill, std::optional<LineStyle> line = {});
    std::uint16_t defineEllipse(const Rect& box, const FillStyle& fill, std::optional<LineStyle> line = {});
    std::uint16_t defineSprite(const Timeline& timeline);
    // Any other definition: `make` receives the new id and returns the tag.
    template <typename Make>
    std::uint16_t define(Make&& make)
    {
        const std::uint16_t id = m_nextId++;
        add(make(id));
        return id;
    }

    // The movie; its frame count is the number of frames shown.
    Movie movie() const;
    Bytes bytes(Compression compression = Compression::None) const;
    veskor::Result<void> save(const std::filesystem::path& path, Compression compression = Compression::None) const;

private:
    Header m_header;
    std::uint16_t m_nextId = 1;
};

} // namespace swf
