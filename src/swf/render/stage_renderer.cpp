#include "swf/render/stage_renderer.h"

#include "swf/movie/limits.h"
#include "swf/render/color_transform_image.h"
#include "swf/render/drawing_painter.h"
#include "swf/render/painters.h"
#include "swf/render/text_field_painter.h"

#include "swf/text/text_field.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace swf::render {

namespace {

// Masks in effect while a clip draws: each hides everything outside its area up
// to its clip depth.
struct ActiveMask {
    int clipDepth;
    // Every area an object under this mask must lie in.
    std::vector<QPainterPath> areas;
};

QRectF rectF(const swf::Rect& r)
{
    return QRectF(r.xMin.get(), r.yMin.get(), r.width().get(), r.height().get());
}

QPainterPath rectPath(const swf::Rect& r)
{
    QPainterPath path;
    path.addRect(rectF(r));
    return path;
}

} // namespace

namespace {

Hasher& addTransform(Hasher& h, const QTransform& t)
{
    return h.add(t.m11()).add(t.m12()).add(t.m13()).add(t.m21()).add(t.m22()).add(t.m23()).add(t.m31()).add(t.m32())
        .add(t.m33());
}

// The picture a stream attached to a video shows now.
Hasher& addVideoFeed(Hasher& h, const movie::DisplayObject& object)
{
    if (object.videoFeed)
        h.add(object.videoFeed.get()).add(object.videoFeed->generation).add(object.videoCleared.value_or(~std::uint64_t(0)));
    return h;
}

// The transform that moves what a clip's scroll rectangle shows to its origin.
QTransform scrolled(const swf::Rect& scroll, const QTransform& toDevice)
{
    return QTransform::fromTranslate(-scroll.xMin.get(), -scroll.yMin.get()) * toDevice;
}

Hasher& addColor(Hasher& h, const swf::ColorTransform& c)
{
    return h.add(c.rMult).add(c.gMult).add(c.bMult).add(c.aMult).add(c.rAdd).add(c.gAdd).add(c.bAdd).add(c.aAdd);
}

Hasher& addString(Hasher& h, const std::string& text)
{
    return h.add(std::uint64_t(text.size())).bytes(text.data(), text.size());
}

template <typename T>
Hasher& addOptional(Hasher& h, const std::optional<T>& value)
{
    h.add(std::uint64_t(value.has_value()));
    if (!value)
        return h;
    if constexpr (std::is_same_v<T, std::string>)
        return addString(h, *value);
    else if constexpr (std::is_same_v<T, std::vector<double>>) {
        for (const double d : *value)
            h.add(d);
        return h.add(std::uint64_t(value->size()));
    } else if constexpr (std::is_floating_point_v<T>)
        return h.add(double(*value));
    else
        return h.add(std::uint64_t(*value));
}

// Everything of a text field that its layout and painting read.
std::uint64_t fieldSignature(const text::TextFieldState& field)
{
    Hasher h;
    h.add(std::uint64_t(field.text.size())).bytes(field.text.data(), field.text.size() * sizeof(char32_t));
    for (const text::FormatRun& run : field.runs) {
        const text::TextFieldFormat& f = run.format;
        h.add(std::uint64_t(run.length));
        addOptional(h, f.font);
        addOptional(h, f.size);
        addOptional(h, f.color);
        addOptional(h, f.bold);
        addOptional(h, f.italic);
        addOptional(h, f.underline);
        addOptional(h, f.align);
        addOptional(h, f.leftMargin);
        addOptional(h, f.rightMargin);
        addOptional(h, f.indent);
        addOptional(h, f.blockIndent);
        addOptional(h, f.leading);
        addOptional(h, f.bullet);
        addOptional(h, f.tabStops);
        addOptional(h, f.kerning);
        addOptional(h, f.letterSpacing);
        addOptional(h, f.url);
    }
    h.add(std::uint64_t(field.runs.size()));
    h.add(std::uint64_t(field.swfVersion)).add(std::uint64_t(field.html)).add(std::uint64_t(field.background));
    h.add(std::uint64_t(field.backgroundColor)).add(std::uint64_t(field.border)).add(std::uint64_t(field.borderColor));
    h.add(std::uint64_t(field.wordWrap)).add(std::uint64_t(field.multiline)).add(std::uint64_t(field.autoSize));
    h.add(std::uint64_t(field.password)).add(std::uint64_t(field.embedFonts)).add(std::uint64_t(field.condenseWhite));
    addString(h, field.antiAliasType);
    addString(h, field.gridFitType);
    h.add(field.sharpness).add(field.thickness);
    addOptional(h, field.fontId);
    h.add(std::uint64_t(field.selectionBegin)).add(std::uint64_t(field.selectionEnd));
    h.add(std::uint64_t(std::int64_t(field.scroll))).add(std::uint64_t(std::int64_t(field.hscroll)));
    h.add(std::uint64_t(std::int64_t(field.bounds.xMin.get()))).add(std::uint64_t(std::int64_t(field.bounds.xMax.get())));
    h.add(std::uint64_t(std::int64_t(field.bounds.yMin.get()))).add(std::uint64_t(std::int64_t(field.bounds.yMax.get())));
    return h.value();
}

Hasher& addFilters(Hasher& h, const std::vector<FilterValues>& filters)
{
    for (const FilterValues& f : filters) {
        h.add(std::uint64_t(f.kind)).add(f.blurX).add(f.blurY).add(std::uint64_t(std::int64_t(f.quality)));
        h.add(f.angle).add(f.distance).add(f.strength);
        h.add(std::uint64_t(f.color) << 8 | f.alpha).add(std::uint64_t(f.highlightColor) << 8 | f.highlightAlpha);
        h.add(std::uint64_t(f.shadowColor) << 8 | f.shadowAlpha);
        h.add(std::uint64_t(f.inner) | std::uint64_t(f.knockout) << 1 | std::uint64_t(f.hideObject) << 2
              | std::uint64_t(f.preserveAlpha) << 3 | std::uint64_t(f.clamp) << 4 | std::uint64_t(f.side) << 8);
        h.add(std::uint64_t(std::int64_t(f.stops)));
        for (int i = 0; i < std::clamp(f.stops, 0, kMaxFilterStops); ++i)
            h.add(std::uint64_t(f.colors[i]) << 16 | std::uint64_t(f.alphas[i]) << 8 | f.ratios[i]);
        for (const double v : f.colorMatrix)
            h.add(v);
        h.add(std::uint64_t(std::int64_t(f.matrixX))).add(std::uint64_t(std::int64_t(f.matrixY)));
        for (const double v : f.matrix)
            h.add(v);
        h.add(std::uint64_t(f.matrix.size())).add(f.divisor).add(f.bias);
    }
    return h.add(std::uint64_t(filters.size()));
}

// The largest layer filters are run on: a picture of the whole stage at
// full screen with the room the filters add.
constexpr qint64 kMaxFilterLayerPixels = 2 * kMaxRasterPixels;

// The stage's scale on the device: filters are sized in stage pixels.
FilterScale filterScaleOf(const QTransform& stageToDevice)
{
    // Stage twips to device pixels, twenty twips to the stage pixel.
    return {std::hypot(stageToDevice.m11(), stageToDevice.m12()) * 20,
            std::hypot(stageToDevice.m21(), stageToDevice.m22()) * 20};
}

// A shape of one fill and no strokes, whose pixels a mask's edge scales
// alike whether it is drawn from its outline or from a picture.
bool oneFill(const ShapeGeometry& geometry)
{
    return geometry.layers.size() == 1 && geometry.layers.front().fills.size() == 1
        && geometry.layers.front().strokes.empty();
}

} // namespace

struct StageRenderer::Frame {
    QImage& target;
    QPainter painter;
    QRectF baseClip;
    std::vector<QPainterPath> masks;
    // When not empty, drawing is restricted to it and characters outside it are skipped.
    QRegion area;
    // The device bounds of the clip without `area`, as a whole drawing has it.
    QRectF wholeClip;

    void open();
    void applyClip();
};

StageRenderer::StageRenderer(const std::vector<swf::Tag>& tags, std::shared_ptr<RasterCache> pictures)
    : m_pictures(std::move(pictures))
{
    for (const swf::Tag& tag : tags)
        m_cache.addDefinition(tag);
}

void StageRenderer::Frame::open()
{
    painter.begin(&target);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    applyClip();
}

void StageRenderer::Frame::applyClip()
{
    painter.resetTransform();
    painter.setClipRect(baseClip);
    for (const QPainterPath& mask : masks)
        painter.setClipPath(mask, Qt::IntersectClip);
    wholeClip = painter.clipBoundingRect();
    // The area's pixels, rounded as they are when all of the clip is drawn.
    if (!area.isEmpty())
        painter.setClipRegion(area, Qt::IntersectClip);
}

void StageRenderer::render(QImage& target, const QRectF& clip, const movie::ClipState& root,
                           const QTransform& stageToDevice, const QRegion& area)
{
    Frame frame{target, {}, clip, {}, area, {}};
    frame.open();
    m_filterScale = filterScaleOf(stageToDevice);
    m_layerOrigin = {};
    m_scriptMasks.clear();
    findScriptMasks(root, stageToDevice, 0);
    drawClip(frame, root, stageToDevice, swf::ColorTransform(), 0);
}

void StageRenderer::findScriptMasks(const movie::ClipState& clip, const QTransform& toDevice, int nesting)
{
    if (nesting > movie::kMaxNesting)
        return;
    for (const auto& [depth, object] : clip.objects) {
        const QTransform objectToDevice = toQTransform(object.matrix) * toDevice;
        if (object.isScriptMask)
            m_scriptMasks[object.id] = {&object, objectToDevice};
        if (object.clip)
            findScriptMasks(*object.clip, objectToDevice, nesting + 1);
    }
}

CharacterCache& StageRenderer::cacheFor(const movie::CharacterDictionary& dictionary)
{
    std::unique_ptr<CharacterCache>& cache = m_loaded[&dictionary];
    if (!cache) {
        cache = std::make_unique<CharacterCache>();
        for (const swf::Tag& tag : dictionary.tags())
            cache->addDefinition(tag);
    }
    return *cache;
}

namespace {

// Draws with the characters of the movie a clip comes from while inside it.
class ActiveCache {
public:
    ActiveCache(CharacterCache*& active, CharacterCache* inside) : m_active(active), m_outer(active)
    {
        if (inside)
            m_active = inside;
    }
    ~ActiveCache() { m_active = m_outer; }
    ActiveCache(const ActiveCache&) = delete;
    ActiveCache& operator=(const ActiveCache&) = delete;

private:
    CharacterCache*& m_active;
    CharacterCache* m_outer;
};

} // namespace

void StageRenderer::drawClip(Frame& frame, const movie::ClipState& clip, const QTransform& toDevice,
                             const swf::ColorTransform& color, int nesting)
{
    if (nesting > movie::kMaxNesting)
        return;
    ActiveCache active(m_active, clip.dictionary ? &cacheFor(*clip.dictionary) : nullptr);
    if (clip.drawing && !clip.drawing->empty()) {
        const movie::Drawing& drawing = *clip.drawing;
        const ShapeGeometry& geometry = ownGeometry(drawing);
        // The geometry is made anew when the drawing changes; the picture
        // holds it, so that its address names this drawing alone.
        const std::shared_ptr<const void> built = drawing.renderData();
        const auto bounds = [&](const QTransform& t) { return std::optional<QRect>(shapeDeviceBounds(geometry, t)); };
        const auto paint = [&](Frame& layer, const QTransform& t) {
            // A drawing's bitmap fills show a script's pixels, never the library's.
            paintShape(layer.painter, geometry, liveBitmaps(drawing), t, color, layer.wholeClip);
        };
        if (!drawPicture(frame, Hasher().add(built.get()).add(m_active).add(drawing.bitmapsGeneration()).value(),
                         built, toDevice, color, oneFill(geometry), bounds, paint))
            paint(frame, toDevice);
    }
    std::vector<ActiveMask> masks;
    // The areas of the masks in effect stay applied from one object to the
    // next under the same masks: applying them rasterises every area anew.
    const std::size_t outer = frame.masks.size();
    bool applied = false;
    auto release = [&] {
        if (!applied)
            return;
        frame.masks.resize(outer);
        frame.applyClip();
        applied = false;
    };
    for (const auto& [depth, object] : clip.objects) {
        // A mask ends at its clip depth; masks can overlap, so look at every one.
        if (std::erase_if(masks, [depth = depth](const ActiveMask& m) { return m.clipDepth < depth; }) > 0)
            release();
        if (object.clipDepth > 0) {
            // A mask inside another mask's range only shows through that mask too:
            // the areas in effect here go with it.
            ActiveMask mask{object.clipDepth, {}};
            for (const ActiveMask& outerMask : masks)
                mask.areas.insert(mask.areas.end(), outerMask.areas.begin(), outerMask.areas.end());
            const QTransform objectToDevice = toQTransform(object.matrix) * toDevice;
            mask.areas.push_back(keptMaskArea(object, objectToDevice, nesting));
            masks.push_back(std::move(mask));
            release();
            continue;
        }
        // A clip another uses as its mask (setMask) is not drawn.
        if (object.isScriptMask || !object.visible)
            continue;
        const auto scriptMask = object.maskId ? m_scriptMasks.find(object.maskId) : m_scriptMasks.end();
        const bool scriptMasked = scriptMask != m_scriptMasks.end();
        // A script mask is the object's own.
        if (scriptMasked || masks.empty())
            release();
        if (masks.empty() && !scriptMasked) {
            drawObject(frame, object, toDevice, color, nesting);
            continue;
        }
        // Applying masks rasterises their areas over all of the picture:
        // not for an object outside the area being drawn.
        if (!frame.area.isEmpty() && object.character) {
            const std::optional<QRect> bounds = characterBounds(object, toQTransform(object.matrix) * toDevice);
            if (bounds && !frame.area.intersects(*bounds))
                continue;
        }
        if (!applied) {
            // Nothing shows where a mask covers nothing, nor outside the area
            // being drawn.
            const auto hides = [&frame](const QPainterPath& area) {
                return area.isEmpty()
                    || (!frame.area.isEmpty()
                        && !frame.area.intersects(area.controlPointRect().toAlignedRect().adjusted(-1, -1, 1, 1)));
            };
            bool hidden = false;
            if (scriptMasked) {
                QPainterPath area = keptMaskArea(*scriptMask->second.object, scriptMask->second.toDevice, nesting)
                                        .translated(-m_layerOrigin);
                hidden = hides(area);
                frame.masks.push_back(std::move(area));
            }
            for (const ActiveMask& mask : masks) {
                for (const QPainterPath& area : mask.areas) {
                    hidden = hidden || hides(area);
                    frame.masks.push_back(area);
                }
            }
            if (hidden) {
                frame.masks.resize(outer);
                continue;
            }
            frame.applyClip();
            applied = true;
        }
        drawObject(frame, object, toDevice, color, nesting);
        if (scriptMasked)
            release();
    }
    release();
}

namespace {

// A path of its own, not shared with the one it copies: painting a path
// fills caches inside it, which threads drawing one path at once would race on.
QPainterPath unshared(const QPainterPath& path)
{
    QPainterPath copy = path;
    if (copy.elementCount() > 0) {
        const QPainterPath::Element first = copy.elementAt(0);
        copy.setElementPositionAt(0, first.x, first.y);
    }
    return copy;
}

// Script drawings kept per renderer; past this many they are all copied again.
constexpr std::size_t kMaxOwnDrawings = 64;

} // namespace

const ShapeGeometry& StageRenderer::ownGeometry(const movie::Drawing& drawing)
{
    const ShapeGeometry& shared = drawingGeometry(drawing);
    const std::shared_ptr<const void> built = drawing.renderData();
    if (const auto found = m_drawings.find(built.get()); found != m_drawings.end())
        return found->second.geometry;
    if (m_drawings.size() >= kMaxOwnDrawings)
        m_drawings.clear();
    OwnDrawing own{built, shared};
    for (ShapeLayer& layer : own.geometry.layers) {
        for (FillLayer& fill : layer.fills) {
            fill.path = unshared(fill.path);
            fill.seams = unshared(fill.seams);
        }
        for (StrokeLayer& stroke : layer.strokes)
            stroke.path = unshared(stroke.path);
    }
    return m_drawings.emplace(built.get(), std::move(own)).first->second.geometry;
}

void StageRenderer::drawObject(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                               const swf::ColorTransform& color, int nesting)
{
    if (!object.visible || !object.character)
        return;
    const QTransform objectToDevice = toQTransform(object.matrix) * toDevice;
    const swf::ColorTransform objectColor = color * object.colorTransform;
    const BlendMode mode = toBlendMode(object.blendMode);
    const std::vector<FilterValues> filters = activeFilters(object.filters, object.scriptFilters);
    if (!needsLayer(mode) && filters.empty()) {
        drawCharacter(frame, object, objectToDevice, objectColor, nesting);
        return;
    }
    drawLayer(frame, object, objectToDevice, objectColor, nesting, mode, filters);
}

void StageRenderer::drawLayer(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                              const swf::ColorTransform& color, int nesting, BlendMode mode,
                              const std::vector<FilterValues>& filters)
{
    // Without filters the layer is the picture's size, drawn under the same
    // clip and masks. Filters work on the object alone: the layer holds the
    // object with room for what the filters add, unclipped, and the masks
    // and clip apply to the filtered result.
    QRect place = frame.target.rect();
    QRect region;
    if (!filters.empty()) {
        const Extent extent = objectExtent(object, toDevice, nesting);
        if (extent.pixels.isEmpty())
            return;
        const QMargins reach = filterReach(filters);
        const QRect shown = frame.baseClip.toAlignedRect();
        place = extent.pixels.marginsAdded(reach) & shown.marginsAdded(reach);
        if (place.isEmpty() || (!frame.area.isEmpty() && !frame.area.intersects(place)))
            return;
        if (qint64(place.width()) * place.height() > kMaxFilterLayerPixels) {
            drawCharacter(frame, object, toDevice, color, nesting); // too large to filter: drawn as it is
            return;
        }
        // The object's bounds, whole pixels outward (a pixel past the far edges).
        const QRectF a = extent.area;
        region = QRect(QPoint(int(std::floor(a.left())), int(std::floor(a.top()))),
                       QPoint(int(std::ceil(a.right())), int(std::ceil(a.bottom()))));
    }
    QImage layer(place.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return;
    layer.fill(Qt::transparent);
    const QPoint outerOrigin = m_layerOrigin;
    {
        const QTransform shift = QTransform::fromTranslate(-place.x(), -place.y());
        Frame layerFrame = filters.empty() ? Frame{layer, {}, frame.baseClip, frame.masks, frame.area, {}}
                                           : Frame{layer, {}, QRectF(layer.rect()), {}, QRegion(), {}};
        m_layerOrigin += place.topLeft();
        layerFrame.open();
        // Filters work on the object's own colours; its colour transform
        // (and those above it) colour what they give, shadows and glows too.
        drawCharacter(layerFrame, object, toDevice * shift, filters.empty() ? color : swf::ColorTransform(), nesting);
    }
    m_layerOrigin = outerOrigin;
    region.translate(-place.topLeft());
    for (const FilterValues& filter : filters) {
        applyFilter(layer, filter, m_filterScale, region);
        region = region.marginsAdded(filterMargins(filter, m_filterScale));
    }
    if (!filters.empty() && !color.isIdentity())
        layer = transformImage(layer, color, true);
    if (filters.empty()) {
        frame.painter.end();
        compositeLayer(frame.target, layer, mode);
        frame.open();
        return;
    }
    if (!needsLayer(mode)) {
        frame.painter.drawImage(place.topLeft(), layer);
        return;
    }
    // A blend mode combines the masked, filtered layer with the picture's size.
    QImage whole(frame.target.size(), QImage::Format_ARGB32_Premultiplied);
    if (whole.isNull())
        return;
    whole.fill(Qt::transparent);
    {
        Frame wholeFrame{whole, {}, frame.baseClip, frame.masks, frame.area, {}};
        wholeFrame.open();
        wholeFrame.painter.drawImage(place.topLeft(), layer);
    }
    frame.painter.end();
    compositeLayer(frame.target, whole, mode);
    frame.open();
}

QMargins StageRenderer::filterReach(const std::vector<FilterValues>& filters) const
{
    QMargins reach;
    for (const FilterValues& filter : filters)
        reach += filterMargins(filter, m_filterScale);
    return reach;
}

StageRenderer::Extent StageRenderer::objectExtent(const movie::DisplayObject& object, const QTransform& toDevice,
                                                  int nesting)
{
    Extent extent;
    if (!object.character || nesting > movie::kMaxNesting)
        return extent;
    const movie::Character& character = *object.character;
    auto mapped = [&](const QRectF& twips) { return toDevice.mapRect(twips.normalized()); };
    switch (character.kind) {
    case movie::Character::Kind::Shape:
        if (const auto* shape = character.shape())
            extent.area = mapped(m_active->shape(*shape).bounds);
        break;
    case movie::Character::Kind::MorphShape:
        if (const auto* morph = character.morphShape())
            extent.area = mapped(m_active->morph(*morph, object.ratio).bounds);
        break;
    case movie::Character::Kind::Text:
        if (const auto* text = character.text())
            extent.area = mapped(toQTransform(text->matrix).mapRect(rectF(text->bounds)));
        break;
    case movie::Character::Kind::EditText:
        if (object.text)
            extent.area = mapped(rectF(object.text->bounds));
        break;
    case movie::Character::Kind::Video:
        if (character.video)
            extent.area = mapped(rectF(movie::videoBounds(*character.video)));
        break;
    case movie::Character::Kind::Sprite:
    case movie::Character::Kind::Button: {
        if (!object.clip)
            return extent;
        if (object.scrollRect) {
            extent.area = mapped(rectF(movie::scrollWindow(*object.scrollRect)));
            extent.pixels = extent.area.toAlignedRect().adjusted(-1, -1, 1, 1);
            break;
        }
        ActiveCache active(m_active, object.clip->dictionary ? &cacheFor(*object.clip->dictionary) : nullptr);
        if (object.clip->drawing && !object.clip->drawing->empty()) {
            const ShapeGeometry& geometry = drawingGeometry(*object.clip->drawing);
            extent.area = mapped(geometry.bounds);
            extent.pixels = shapeDeviceBounds(geometry, toDevice);
        }
        for (const auto& [depth, child] : object.clip->objects) {
            if (child.clipDepth > 0 || child.isScriptMask || !child.visible)
                continue;
            const Extent part = objectExtent(child, toQTransform(child.matrix) * toDevice, nesting + 1);
            if (part.pixels.isEmpty())
                continue;
            extent.area = extent.area.isEmpty() ? part.area : extent.area.united(part.area);
            extent.pixels |= part.pixels.marginsAdded(
                filterReach(activeFilters(child.filters, child.scriptFilters)));
        }
        break;
    }
    }
    if (character.kind != movie::Character::Kind::Sprite && character.kind != movie::Character::Kind::Button) {
        const std::optional<QRect> bounds = characterBounds(object, toDevice);
        if (!bounds || bounds->isEmpty())
            return {};
        extent.pixels = *bounds;
    }
    return extent;
}

void StageRenderer::drawCharacter(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                                  const swf::ColorTransform& color, int nesting)
{
    const movie::Character& character = *object.character;
    if (!frame.area.isEmpty()) {
        const std::optional<QRect> bounds = characterBounds(object, toDevice);
        if (bounds && !frame.area.intersects(*bounds))
            return;
    }
    if (object.opaqueBackground)
        drawOpaqueBackground(frame, object, toDevice, color, nesting);
    if (character.kind == movie::Character::Kind::Sprite || character.kind == movie::Character::Kind::Button) {
        if (!object.clip)
            return;
        if (!object.scrollRect) {
            drawClip(frame, *object.clip, toDevice, color, nesting + 1);
            return;
        }
        // Shown through its scroll rectangle, as through a mask at its origin.
        QPainterPath window;
        window.addPolygon(toDevice.map(QPolygonF(rectF(movie::scrollWindow(*object.scrollRect)))));
        window.closeSubpath();
        frame.masks.push_back(window);
        frame.applyClip();
        drawClip(frame, *object.clip, scrolled(*object.scrollRect, toDevice), color, nesting + 1);
        frame.masks.pop_back();
        frame.applyClip();
        return;
    }
    if (!drawPicture(frame, object, toDevice, color))
        paintCharacter(frame, object, toDevice, color);
}

void StageRenderer::drawOpaqueBackground(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                                         const swf::ColorTransform& color, int nesting)
{
    const QRectF box = objectExtent(object, QTransform(), nesting).area;
    if (box.isEmpty())
        return;
    QPainter& painter = frame.painter;
    painter.save();
    painter.setTransform(toDevice);
    painter.fillRect(box, transformColor(swf::Rgba::fromRgb(*object.opaqueBackground), color));
    painter.restore();
}

void StageRenderer::paintCharacter(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                                   const swf::ColorTransform& color)
{
    const movie::Character& character = *object.character;
    QPainter& painter = frame.painter;
    switch (character.kind) {
    case movie::Character::Kind::Shape:
        if (const auto* shape = character.shape())
            paintShape(painter, m_active->shape(*shape), m_active->bitmaps(), toDevice, color, frame.wholeClip);
        break;
    case movie::Character::Kind::MorphShape:
        if (const auto* morph = character.morphShape())
            paintShape(painter, m_active->morph(*morph, object.ratio), m_active->bitmaps(), toDevice, color,
                       frame.wholeClip);
        break;
    case movie::Character::Kind::Text:
        if (const auto* text = character.text())
            paintStaticText(painter, m_active->staticText(*text), toDevice, color);
        break;
    case movie::Character::Kind::EditText:
        if (object.text)
            paintTextField(painter, *object.text, m_active->fonts(), toDevice, color);
        break;
    case movie::Character::Kind::Video:
        if (character.video)
            paintVideo(painter, object, *character.video, toDevice, color);
        break;
    case movie::Character::Kind::Sprite:
    case movie::Character::Kind::Button:
        break;
    }
}

void StageRenderer::paintVideo(QPainter& painter, const movie::DisplayObject& object, const movie::VideoStream& video,
                               const QTransform& toDevice, const swf::ColorTransform& color)
{
    // The placement's ratio is the stream's frame number; the picture fills
    // the size the stream declares, however large it was coded. A stream a
    // script attached shows its own pictures instead, at the same size.
    QImage picture;
    if (const movie::LiveBitmap* feed = object.videoFeed.get()) {
        const bool cleared = object.videoCleared && *object.videoCleared == feed->generation;
        const std::size_t count = std::size_t(std::max(feed->width, 0)) * std::size_t(std::max(feed->height, 0));
        if (!cleared && count > 0 && feed->pixels.size() >= count)
            picture = QImage(reinterpret_cast<const uchar*>(feed->pixels.data()), feed->width, feed->height,
                             feed->width * 4, QImage::Format_ARGB32_Premultiplied);
    } else {
        picture = m_active->videoPicture(video.header.id, video.header.codec, video.frames, object.ratio);
    }
    if (picture.isNull())
        return;
    painter.save();
    painter.setWorldTransform(toDevice);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, video.header.smoothing);
    painter.drawImage(rectF(movie::videoBounds(video)), transformImage(picture, color), QRectF(picture.rect()));
    painter.restore();
}

bool StageRenderer::drawPicture(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                                const swf::ColorTransform& color)
{
    Hasher h;
    h.add(object.character).add(std::uint64_t(object.ratio));
    addVideoFeed(h, object);
    if (object.character->kind == movie::Character::Kind::EditText && object.text)
        h.add(fieldSignature(*object.text));
    const movie::Character& character = *object.character;
    bool single = false;
    if (const auto* shape = character.shape())
        single = oneFill(m_active->shape(*shape));
    else if (const auto* morph = character.morphShape())
        single = oneFill(m_active->morph(*morph, object.ratio));
    return drawPicture(
        frame, h.value(), {}, toDevice, color, single, [&](const QTransform& t) { return characterBounds(object, t); },
        [&](Frame& layer, const QTransform& t) { paintCharacter(layer, object, t, color); });
}

bool StageRenderer::drawPicture(Frame& frame, std::uint64_t content, std::shared_ptr<const void> keep,
                                const QTransform& toDevice, const swf::ColorTransform& color, bool single,
                                const std::function<std::optional<QRect>(const QTransform&)>& boundsAt,
                                const std::function<void(Frame&, const QTransform&)>& paint)
{
    if (!m_pictures)
        return false;
    // Far enough out to hold any picture's place, near enough for int arithmetic.
    constexpr double kReach = 1 << 24;
    const double wholeX = std::floor(toDevice.dx());
    const double wholeY = std::floor(toDevice.dy());
    if (!(std::abs(wholeX) < kReach && std::abs(wholeY) < kReach))
        return false;
    // The drawing at its place within a pixel: moved by whole pixels, it
    // draws the same picture further along.
    const QPoint origin{int(wholeX), int(wholeY)};
    const QTransform phase(toDevice.m11(), toDevice.m12(), toDevice.m21(), toDevice.m22(), toDevice.dx() - wholeX,
                           toDevice.dy() - wholeY);
    const std::optional<QRect> bounds = boundsAt(phase);
    if (!bounds)
        return false;
    // Under a mask, a character wholly inside its area draws as without it; the
    // antialiased edge of a mask scales each fill and stroke of a character
    // across it on its own, where a picture would be scaled as one (alike
    // for a single fill).
    if (!frame.masks.empty()) {
        const QRectF inside(bounds->translated(origin));
        for (const QPainterPath& mask : frame.masks) {
            if (!inside.intersects(mask.boundingRect()))
                return true; // wholly outside: nothing shows
        }
        for (const QPainterPath& mask : frame.masks) {
            if (!single && !mask.contains(inside))
                return false;
        }
    }
    // Only what the picture's clip can show of a character larger than it.
    const QRect visible = *bounds & frame.baseClip.toAlignedRect().translated(-origin);
    if (visible.isEmpty())
        return true;
    if (qint64(visible.width()) * visible.height() > kMaxRasterPixels)
        return false;

    Hasher h(content);
    addColor(addTransform(h, phase), color);
    h.add(std::uint64_t(std::int64_t(visible.x()))).add(std::uint64_t(std::int64_t(visible.y())));
    h.add(std::uint64_t(std::int64_t(visible.width()))).add(std::uint64_t(std::int64_t(visible.height())));
    const std::uint64_t key = h.value();

    std::shared_ptr<const RasterCache::Picture> picture = m_pictures->find(key);
    if (!picture) {
        auto made = std::make_shared<RasterCache::Picture>();
        made->image = QImage(visible.size(), QImage::Format_ARGB32_Premultiplied);
        if (made->image.isNull())
            return false;
        made->image.fill(Qt::transparent);
        made->offset = visible.topLeft();
        made->keep = std::move(keep);
        {
            Frame layer{made->image, {}, QRectF(made->image.rect()), {}, QRegion(), {}};
            layer.open();
            paint(layer, phase * QTransform::fromTranslate(-visible.x(), -visible.y()));
        }
        // Drawn once, it is drawn through its picture all the same, so that
        // every drawing of it gives the same pixels; kept once it comes back.
        if (m_pictures->wanted(key))
            m_pictures->insert(key, made);
        picture = std::move(made);
    }
    frame.painter.drawImage(origin + picture->offset, picture->image);
    return true;
}

QPainterPath StageRenderer::maskArea(const movie::DisplayObject& object, const QTransform& toDevice, int nesting)
{
    if (!object.character || nesting > movie::kMaxNesting)
        return {};
    const movie::Character& character = *object.character;
    switch (character.kind) {
    case movie::Character::Kind::Shape: {
        const auto* shape = character.shape();
        if (!shape)
            return {};
        if (m_active != &m_cache)
            return toDevice.map(m_active->shape(*shape).fillOutline());
        auto found = m_outlines.find(shape->id);
        if (found == m_outlines.end())
            found = m_outlines.emplace(shape->id, m_active->shape(*shape).fillOutline()).first;
        return toDevice.map(found->second);
    }
    case movie::Character::Kind::MorphShape:
        if (const auto* morph = character.morphShape())
            return toDevice.map(m_active->morph(*morph, object.ratio).fillOutline());
        return {};
    case movie::Character::Kind::Video:
        if (character.video)
            return toDevice.map(rectPath(movie::videoBounds(*character.video)));
        return {};
    case movie::Character::Kind::Text:
        if (const auto* text = character.text())
            return toDevice.map(toQTransform(text->matrix).map(rectPath(text->bounds)));
        return {};
    case movie::Character::Kind::EditText:
        if (object.text)
            return toDevice.map(rectPath(object.text->bounds));
        return {};
    case movie::Character::Kind::Sprite:
    case movie::Character::Kind::Button: {
        // A clip as a mask covers what its drawing and its children cover (masks inside it aside).
        QPainterPath area;
        if (!object.clip)
            return area;
        ActiveCache active(m_active, object.clip->dictionary ? &cacheFor(*object.clip->dictionary) : nullptr);
        if (object.clip->drawing)
            area = toDevice.map(drawingOutline(*object.clip->drawing));
        for (const auto& [depth, child] : object.clip->objects) {
            if (child.clipDepth > 0 || !child.visible)
                continue;
            const QPainterPath part = maskArea(child, toQTransform(child.matrix) * toDevice, nesting + 1);
            if (part.isEmpty())
                continue;
            area = area.isEmpty() ? part : area.united(part);
        }
        return area;
    }
    }
    return {};
}

std::optional<QRect> StageRenderer::characterBounds(const movie::DisplayObject& object, const QTransform& toDevice)
{
    const movie::Character& character = *object.character;
    switch (character.kind) {
    case movie::Character::Kind::Shape:
        if (const auto* shape = character.shape())
            return shapeDeviceBounds(m_active->shape(*shape), toDevice);
        return QRect();
    case movie::Character::Kind::MorphShape:
        if (const auto* morph = character.morphShape())
            return shapeDeviceBounds(m_active->morph(*morph, object.ratio), toDevice);
        return QRect();
    case movie::Character::Kind::Text:
        if (const auto* text = character.text())
            return staticTextDeviceBounds(m_active->staticText(*text), toDevice);
        return QRect();
    case movie::Character::Kind::EditText:
        if (!object.text)
            return QRect();
        // Text is clipped to the field; its border is a pixel wide.
        return deviceBounds(rectF(object.text->bounds), toDevice, 3);
    case movie::Character::Kind::Video:
        if (!object.character->video)
            return QRect();
        return deviceBounds(rectF(movie::videoBounds(*object.character->video)), toDevice, 1);
    case movie::Character::Kind::Sprite:
    case movie::Character::Kind::Button:
        break;
    }
    return std::nullopt;
}

bool StageRenderer::collect(std::vector<DrawItem>& items, const movie::ClipState& root,
                            const QTransform& stageToDevice, std::uint64_t rootKey)
{
    m_wholeOnly = false;
    m_filterScale = filterScaleOf(stageToDevice);
    m_scriptMasks.clear();
    findScriptMasks(root, stageToDevice, 0);
    collectClip(items, root, stageToDevice, swf::ColorTransform(), Hasher().add(rootKey).value(), 0, false, 0);
    return !m_wholeOnly;
}

bool StageRenderer::paintedDirectly(bool masked, const QRect& bounds)
{
    // Under a mask, only what lies wholly inside it is drawn from a picture;
    // telling that costs the mask's area, so any masked item counts.
    return masked || qint64(bounds.width()) * bounds.height() > kMaxRasterPixels;
}

void StageRenderer::collectClip(std::vector<DrawItem>& items, const movie::ClipState& clip, const QTransform& toDevice,
                                const swf::ColorTransform& color, std::uint64_t path, std::uint64_t context,
                                bool masked, int nesting)
{
    if (nesting > movie::kMaxNesting)
        return;
    ActiveCache active(m_active, clip.dictionary ? &cacheFor(*clip.dictionary) : nullptr);
    if (clip.drawing && !clip.drawing->empty()) {
        DrawItem item;
        item.key = Hasher(path).add(std::uint64_t(0xd7a3)).value();
        item.bounds = shapeDeviceBounds(drawingGeometry(*clip.drawing), toDevice);
        item.wholeWidth = paintedDirectly(masked, item.bounds);
        item.keep = clip.drawing->renderData();
        Hasher h(context);
        h.add(item.keep.get()).add(m_active).add(clip.drawing->bitmapsGeneration());
        addColor(addTransform(h, toDevice), color);
        item.signature = h.value();
        items.push_back(std::move(item));
    }
    // Masks in effect, as drawClip keeps them: clip depth and the signature
    // of every area the objects under it are clipped to.
    std::vector<std::pair<int, std::uint64_t>> masks;
    for (const auto& [depth, object] : clip.objects) {
        std::erase_if(masks, [depth = depth](const auto& m) { return m.first < depth; });
        if (object.clipDepth > 0) {
            Hasher h;
            for (const auto& outer : masks)
                h.add(outer.second);
            h.add(maskSignature(object, toQTransform(object.matrix) * toDevice, nesting));
            masks.emplace_back(object.clipDepth, h.value());
            continue;
        }
        if (object.isScriptMask || !object.visible || !object.character)
            continue;
        std::uint64_t objectContext = context;
        const auto scriptMask = object.maskId ? m_scriptMasks.find(object.maskId) : m_scriptMasks.end();
        const bool objectMasked = masked || !masks.empty() || scriptMask != m_scriptMasks.end();
        if (!masks.empty() || scriptMask != m_scriptMasks.end()) {
            Hasher h(context);
            for (const auto& mask : masks)
                h.add(mask.second);
            if (scriptMask != m_scriptMasks.end())
                h.add(maskSignature(*scriptMask->second.object, scriptMask->second.toDevice, nesting));
            objectContext = h.value();
        }
        const QTransform objectToDevice = toQTransform(object.matrix) * toDevice;
        const swf::ColorTransform objectColor = color * object.colorTransform;
        if (needsLayer(toBlendMode(object.blendMode)))
            m_wholeOnly = true;
        const std::uint64_t key
            = Hasher(path).add(std::uint64_t(object.id)).add(std::uint64_t(std::int64_t(depth))).value();
        // A filtered object's pixels depend on all of it at once: it is one
        // item, over the area its filters reach.
        const std::vector<FilterValues> filters = activeFilters(object.filters, object.scriptFilters);
        std::vector<DrawItem> inside;
        std::vector<DrawItem>& into = filters.empty() ? items : inside;
        if (object.opaqueBackground) {
            const QRectF box = objectExtent(object, QTransform(), nesting).area;
            Hasher h(objectContext);
            h.add(std::uint64_t(*object.opaqueBackground)).add(m_active);
            for (const double edge : {box.left(), box.top(), box.right(), box.bottom()})
                h.add(std::uint64_t(std::llround(edge * 64)));
            addColor(addTransform(h, objectToDevice), objectColor);
            const QRect pixels = objectToDevice.mapRect(box).toAlignedRect().adjusted(-1, -1, 1, 1);
            into.push_back({Hasher(key).add(std::uint64_t(0x0bac)).value(), h.value(), pixels, {}, true});
        }
        if (const std::optional<QRect> bounds = characterBounds(object, objectToDevice)) {
            Hasher h(objectContext);
            h.add(object.character).add(m_active).add(std::uint64_t(object.ratio));
            addVideoFeed(h, object);
            addColor(addTransform(h, objectToDevice), objectColor);
            if (object.character->kind == movie::Character::Kind::EditText && object.text)
                h.add(fieldSignature(*object.text));
            into.push_back({key, h.value(), *bounds, {}, paintedDirectly(objectMasked, *bounds)});
        } else if (object.clip && object.scrollRect) {
            const swf::Rect& scroll = *object.scrollRect;
            Hasher h(objectContext);
            for (const swf::Twips edge : {scroll.xMin, scroll.xMax, scroll.yMin, scroll.yMax})
                h.add(std::uint64_t(std::int64_t(edge.get())));
            collectClip(into, *object.clip, scrolled(scroll, objectToDevice), objectColor, key,
                        addTransform(h, objectToDevice).value(), true, nesting + 1);
        } else if (object.clip) {
            collectClip(into, *object.clip, objectToDevice, objectColor, key, objectContext, objectMasked,
                        nesting + 1);
        }
        if (!filters.empty())
            items.push_back(filteredItem(object, objectToDevice, nesting, key, filters, inside));
    }
}

DrawItem StageRenderer::filteredItem(const movie::DisplayObject& object, const QTransform& toDevice, int nesting,
                                     std::uint64_t key, const std::vector<FilterValues>& filters,
                                     const std::vector<DrawItem>& inside)
{
    DrawItem item;
    item.key = key;
    const QRect pixels = objectExtent(object, toDevice, nesting).pixels;
    if (!pixels.isEmpty())
        item.bounds = pixels.marginsAdded(filterReach(filters));
    Hasher h;
    auto keep = std::make_shared<std::vector<std::shared_ptr<const void>>>();
    for (const DrawItem& part : inside) {
        h.add(part.signature).add(std::uint64_t(std::int64_t(part.bounds.x()))).add(std::uint64_t(std::int64_t(part.bounds.y())));
        h.add(std::uint64_t(std::int64_t(part.bounds.width()))).add(std::uint64_t(std::int64_t(part.bounds.height())));
        if (part.keep)
            keep->push_back(part.keep);
    }
    h.add(std::uint64_t(inside.size()));
    addFilters(h, filters);
    item.signature = h.value();
    item.keep = std::move(keep);
    return item;
}

namespace {

// Mask areas kept from frame to frame; past this many they are all made again.
constexpr std::size_t kMaxKeptMaskAreas = 256;

} // namespace

QPainterPath StageRenderer::keptMaskArea(const movie::DisplayObject& object, const QTransform& toDevice, int nesting)
{
    KeptMaskArea kept;
    const std::uint64_t signature = maskSignature(object, toDevice, nesting, &kept.drawings);
    if (const auto found = m_maskAreas.find(signature); found != m_maskAreas.end())
        return found->second.area;
    if (m_maskAreas.size() >= kMaxKeptMaskAreas)
        m_maskAreas.clear();
    kept.area = maskArea(object, toDevice, nesting);
    return m_maskAreas.emplace(signature, std::move(kept)).first->second.area;
}

std::uint64_t StageRenderer::maskSignature(const movie::DisplayObject& object, const QTransform& toDevice,
                                           int nesting, std::vector<std::shared_ptr<const void>>* drawings)
{
    Hasher h;
    if (!object.character || nesting > movie::kMaxNesting)
        return h.value();
    const movie::Character& character = *object.character;
    h.add(object.character).add(m_active).add(std::uint64_t(object.ratio));
    addTransform(h, toDevice);
    if (character.kind == movie::Character::Kind::EditText && object.text) {
        const swf::Rect& b = object.text->bounds;
        h.add(std::uint64_t(std::int64_t(b.xMin.get()))).add(std::uint64_t(std::int64_t(b.xMax.get())));
        h.add(std::uint64_t(std::int64_t(b.yMin.get()))).add(std::uint64_t(std::int64_t(b.yMax.get())));
    }
    if ((character.kind == movie::Character::Kind::Sprite || character.kind == movie::Character::Kind::Button)
        && object.clip) {
        ActiveCache active(m_active, object.clip->dictionary ? &cacheFor(*object.clip->dictionary) : nullptr);
        if (object.clip->drawing && !object.clip->drawing->empty()) {
            const movie::Drawing& drawing = *object.clip->drawing;
            drawingGeometry(drawing);
            h.add(drawing.renderData().get()).add(std::uint64_t(drawing.edgeCount()));
            if (drawings)
                drawings->push_back(drawing.renderData());
            if (const auto box = drawing.bounds()) {
                h.add(std::uint64_t(std::int64_t(box->xMin.get()))).add(std::uint64_t(std::int64_t(box->xMax.get())));
                h.add(std::uint64_t(std::int64_t(box->yMin.get()))).add(std::uint64_t(std::int64_t(box->yMax.get())));
            }
        }
        for (const auto& [depth, child] : object.clip->objects) {
            if (child.clipDepth > 0 || !child.visible)
                continue;
            h.add(std::uint64_t(std::int64_t(depth)));
            h.add(maskSignature(child, toQTransform(child.matrix) * toDevice, nesting + 1, drawings));
        }
    }
    return h.value();
}

} // namespace swf::render
