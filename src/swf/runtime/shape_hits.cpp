#include "swf/runtime/shape_hits.h"

#include "swf/render/shape_geometry.h"
#include "swf/render/text_painter.h"

#include <QPainterPathStroker>

#include <algorithm>

namespace swf::runtime {

namespace {

std::vector<QPainterPath> areasOf(const render::ShapeGeometry& geometry)
{
    std::vector<QPainterPath> areas;
    for (const render::ShapeLayer& layer : geometry.layers) {
        for (const render::FillLayer& fill : layer.fills)
            areas.push_back(fill.path);
        for (const render::StrokeLayer& stroke : layer.strokes) {
            // A hairline is still a pixel wide to the pointer.
            QPainterPathStroker stroker;
            stroker.setWidth(std::max(20.0, double(stroke.style.width.get())));
            stroker.setCapStyle(Qt::RoundCap);
            stroker.setJoinStyle(Qt::RoundJoin);
            areas.push_back(stroker.createStroke(stroke.path));
        }
    }
    return areas;
}

bool anyHolds(const std::vector<QPainterPath>& areas, QPointF point)
{
    return std::any_of(areas.begin(), areas.end(), [&](const QPainterPath& area) {
        return area.controlPointRect().contains(point) && area.contains(point);
    });
}

} // namespace

std::optional<bool> ShapeHits::covers(const movie::DisplayObject& object, QPointF local,
                                      const render::FontLibrary& fonts)
{
    if (!object.character)
        return std::nullopt;
    if (const swf::DefineShape* shape = object.character->shape()) {
        auto it = m_shapes.find(shape);
        if (it == m_shapes.end())
            it = m_shapes.emplace(shape, areasOf(render::buildShape(*shape))).first;
        return anyHolds(it->second, local);
    }
    // A morph changes with its ratio: built for the one test.
    if (const swf::DefineMorphShape* morph = object.character->morphShape())
        return anyHolds(areasOf(render::buildMorph(*morph, object.ratio / 65535.0)), local);
    if (const swf::DefineText* text = object.character->text()) {
        auto it = m_texts.find(text);
        if (it == m_texts.end()) {
            std::optional<Glyphs> glyphs;
            const render::StaticTextGeometry geometry = render::buildStaticText(*text, fonts);
            const bool outlined = std::ranges::all_of(
                geometry.runs, [](const render::StaticTextRun& run) { return run.deviceGlyphs.empty(); });
            if (outlined) {
                glyphs.emplace();
                glyphs->matrix = geometry.matrix;
                for (const render::StaticTextRun& run : geometry.runs)
                    glyphs->runs.push_back(run.outlines);
            }
            it = m_texts.emplace(text, std::move(glyphs)).first;
        }
        if (!it->second)
            return std::nullopt;
        bool invertible = false;
        const QTransform back = it->second->matrix.inverted(&invertible);
        return invertible && anyHolds(it->second->runs, back.map(local));
    }
    return std::nullopt;
}

} // namespace swf::runtime
