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

QPainterPath drawingOutline(const movie::Drawing& drawing)
{
    if (drawing.empty())
        return {};
    return drawingGeometry(drawing).fillOutline();
}

} // namespace swf::render
