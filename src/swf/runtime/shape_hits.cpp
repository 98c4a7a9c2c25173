#include "swf/runtime/shape_hits.h"

#include "swf/render/shape_geometry.h"
#include "swf/render/text_painter.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace swf::runtime {

namespace {

// Lines thinner than this many twips may be thinner than a pixel of the stage:
// they are widened for each test's scale.
constexpr double kThickest = 200;

QPainterPath widened(const QPainterPath& path, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

// Lines at least `pixel` wide are widened once; thinner ones (hairlines
// among them) are still a pixel of the stage wide to the pointer, so their
// width depends on the scale they are tested at: kept in `thin` when given,
// widened to `pixel` otherwise.
void collectAreas(const render::ShapeGeometry& geometry, double pixel, std::vector<QPainterPath>& solid,
                  std::vector<ShapeHits::ThinLine>* thin)
{
    for (const render::ShapeLayer& layer : geometry.layers) {
        for (const render::FillLayer& fill : layer.fills)
            solid.push_back(fill.path);
        for (const render::StrokeLayer& stroke : layer.strokes) {
            const double width = stroke.style.width.get();
            if (thin && width < kThickest)
                thin->push_back({stroke.path, width});
            else
                solid.push_back(widened(stroke.path, std::max(width, pixel)));
        }
    }
}

bool anyHolds(const std::vector<QPainterPath>& areas, QPointF point)
{
    return std::any_of(areas.begin(), areas.end(), [&](const QPainterPath& area) {
        return area.controlPointRect().contains(point) && area.contains(point);
    });
}

} // namespace

double pixelThrough(const QTransform& fromStage)
{
    const double scale = std::sqrt(std::abs(fromStage.determinant()));
    return std::isfinite(scale) ? std::clamp(20 * scale, 1e-6, 1e9) : 20;
}

std::optional<bool> ShapeHits::covers(const movie::DisplayObject& object, QPointF local,
                                      const render::FontLibrary& fonts, double pixel)
{
    if (!object.character)
        return std::nullopt;
    if (const swf::DefineShape* shape = object.character->shape()) {
        auto it = m_shapes.find(shape);
        if (it == m_shapes.end()) {
            ShapeAreas areas;
            collectAreas(render::buildShape(*shape), kThickest, areas.solid, &areas.thin);
            it = m_shapes.emplace(shape, std::move(areas)).first;
        }
        ShapeAreas& areas = it->second;
        if (anyHolds(areas.solid, local))
            return true;
        if (areas.thin.empty())
            return false;
        if (areas.thinWidth != pixel) {
            areas.thinWidened.clear();
            for (const ThinLine& line : areas.thin)
                areas.thinWidened.push_back(widened(line.path, std::max(line.width, pixel)));
            areas.thinWidth = pixel;
        }
        return anyHolds(areas.thinWidened, local);
    }
    // A morph changes with its ratio: built for the one test.
    if (const swf::DefineMorphShape* morph = object.character->morphShape()) {
        std::vector<QPainterPath> areas;
        collectAreas(render::buildMorph(*morph, object.ratio / 65535.0), pixel, areas, nullptr);
        return anyHolds(areas, local);
    }
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
