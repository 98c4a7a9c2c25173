#include "swf/render/drawing_painter.h"

#include "swf/render/shape_painter.h"

namespace swf::render {

namespace {

struct DrawingGeometry : movie::Drawing::RenderData {
    explicit DrawingGeometry(ShapeGeometry built) : geometry(std::move(built)) {}
    ShapeGeometry geometry;
};

} // namespace

const ShapeGeometry& drawingGeometry(const movie::Drawing& drawing)
{
    if (const auto* cached = dynamic_cast<const DrawingGeometry*>(drawing.renderData().get()))
        return cached->geometry;
    // Drawn fills are even-odd, as in shapes before DefineShape4.
    auto built = std::make_shared<const DrawingGeometry>(buildShape(drawing.shape(), false));
    const ShapeGeometry& result = built->geometry;
    drawing.setRenderData(std::move(built));
    return result;
}

void paintDrawing(QPainter& painter, const movie::Drawing& drawing, const BitmapLibrary& bitmaps,
                  const QTransform& toDevice, const swf::ColorTransform& color, const QRectF& wholeClip)
{
    if (drawing.empty())
        return;
    paintShape(painter, drawingGeometry(drawing), bitmaps, toDevice, color, wholeClip);
}

BitmapLibrary liveBitmaps(const movie::Drawing& drawing)
{
    BitmapLibrary library;
    std::uint16_t id = 0;
    for (const auto& bitmap : drawing.bitmaps()) {
        ++id;
        if (bitmap->pixels.empty())
            continue;
        QImage image(bitmap->width, bitmap->height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < bitmap->height; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            const std::uint32_t* row = bitmap->pixels.data() + std::size_t(y) * std::size_t(bitmap->width);
            for (int x = 0; x < bitmap->width; ++x)
                line[x] = bitmap->transparent ? row[x] : (row[x] | 0xFF000000u);
        }
        library.add(id, image);
    }
    return library;
}

QPainterPath drawingOutline(const movie::Drawing& drawing)
{
    if (drawing.empty())
        return {};
    return drawingGeometry(drawing).fillOutline();
}

} // namespace swf::render
