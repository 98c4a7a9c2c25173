#include "swf/format/movie_builder.h"

#include "swf/format/writer.h"

#include <algorithm>
#include <cmath>

namespace swf {

Timeline& Timeline::place(std::uint16_t depth, std::uint16_t characterId, const Matrix& matrix,
                          std::optional<ColorTransform> colorTransform, std::optional<std::string> name)
{
    PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = characterId;
    p.matrix = matrix;
    p.colorTransform = colorTransform;
    p.name = std::move(name);
    return add(std::move(p));
}

Timeline& Timeline::move(std::uint16_t depth, const Matrix& matrix, std::optional<ColorTransform> colorTransform)
{
    PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.isMove = true;
    p.matrix = matrix;
    p.colorTransform = colorTransform;
    return add(std::move(p));
}

Timeline& Timeline::replace(std::uint16_t depth, std::uint16_t characterId, const Matrix& matrix)
{
    PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.isMove = true;
    p.characterId = characterId;
    p.matrix = matrix;
    return add(std::move(p));
}

Timeline& Timeline::remove(std::uint16_t depth)
{
    RemoveObject r;
    r.version = 2;
    r.depth = depth;
    return add(r);
}

Timeline& Timeline::showFrame(int count)
{
    for (int i = 0; i < count; ++i) {
        add(ShowFrame{});
        ++m_frames;
    }
    return *this;
}

Timeline& Timeline::label(const std::string& name) { return add(FrameLabel{name, false}); }

Timeline& Timeline::add(Tag tag)
{
    m_tags.push_back(std::move(tag));
    return *this;
}

MovieBuilder::MovieBuilder(Twips width, Twips height, double frameRate, std::uint8_t version)
{
    m_header.version = version;
    m_header.frameSize = Rect{Twips(0), width, Twips(0), height};
    m_header.frameRate88 = static_cast<std::uint16_t>(std::lround(std::clamp(frameRate, 0.0, 255.99) * 256.0));
}

MovieBuilder& MovieBuilder::setBackground(Rgba color)
{
    add(SetBackgroundColor{color});
    return *this;
}

std::uint16_t MovieBuilder::defineShape(const ShapeBuilder& shape, std::uint8_t shapeVersion)
{
    return define([&](std::uint16_t id) {
        DefineShape d;
        d.version = shapeVersion;
        d.id = id;
        d.bounds = shape.bounds();
        d.edgeBounds = shapeVersion >= 4 ? shape.edgeBounds() : d.bounds;
        d.shape = shape.shape();
        return d;
    });
}

std::uint16_t MovieBuilder::defineRectangle(const Rect& rect, const FillStyle& fill, std::optional<LineStyle> line)
{
    ShapeBuilder s;
    const std::uint32_t f = s.addFill(fill);
    const std::uint32_t l = line ? s.addLine(*line) : 0;
    s.setStyles(f, l).rectangle(rect);
    return defineShape(s);
}

std::uint16_t MovieBuilder::defineEllipse(const Rect& box, const FillStyle& fill, std::optional<LineStyle> line)
{
    ShapeBuilder s;
    const std::uint32_t f = s.addFill(fill);
    const std::uint32_t l = line ? s.addLine(*line) : 0;
    s.setStyles(f, l).ellipse(box);
    return defineShape(s);
}

std::uint16_t MovieBuilder::defineSprite(const Timeline& timeline)
{
    return define([&](std::uint16_t id) {
        DefineSprite s;
        s.id = id;
        s.frameCount = timeline.frameCount();
        s.tags = timeline.tags();
        return s;
    });
}

Movie MovieBuilder::movie() const
{
    Movie m;
    m.header = m_header;
    m.header.frameCount = m_frames;
    m.tags = m_tags;
    return m;
}

Bytes MovieBuilder::bytes(Compression compression) const { return writeMovie(movie(), compression); }

veskor::Result<void> MovieBuilder::save(const std::filesystem::path& path, Compression compression) const
{
    return writeMovieFile(movie(), path, compression);
}

} // namespace swf
