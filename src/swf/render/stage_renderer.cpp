#include "swf/render/stage_renderer.h"

#include "swf/movie/limits.h"
#include "swf/render/drawing_painter.h"
#include "swf/render/painters.h"
#include "swf/render/text_field_painter.h"

#include <QPainter>
#include <algorithm>
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

QPainterPath rectPath(const swf::Rect& r)
{
    QPainterPath path;
    path.addRect(QRectF(r.xMin.get(), r.yMin.get(), r.width().get(), r.height().get()));
    return path;
}

} // namespace

struct StageRenderer::Frame {
    QImage& target;
    QPainter painter;
    QRectF baseClip;
    std::vector<QPainterPath> masks;

    void open();
    void applyClip();
};

StageRenderer::StageRenderer(const std::vector<swf::Tag>& tags)
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
}

void StageRenderer::render(QImage& target, const QRectF& clip, const movie::ClipState& root,
                           const QTransform& stageToDevice)
{
    Frame frame{target, {}, clip, {}};
    frame.open();
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
    if (clip.drawing)
        paintDrawing(frame.painter, *clip.drawing, m_active->bitmaps(), toDevice, color);
    std::vector<ActiveMask> masks;
    for (const auto& [depth, object] : clip.objects) {
        // A mask ends at its clip depth; masks can overlap, so look at every one.
        std::erase_if(masks, [depth = depth](const ActiveMask& m) { return m.clipDepth < depth; });
        if (object.clipDepth > 0) {
            // A mask inside another mask's range only shows through that mask too:
            // the areas in effect here go with it.
            ActiveMask mask{object.clipDepth, {}};
            for (const ActiveMask& outer : masks)
                mask.areas.insert(mask.areas.end(), outer.areas.begin(), outer.areas.end());
            const QTransform objectToDevice = toQTransform(object.matrix) * toDevice;
            mask.areas.push_back(maskArea(object, objectToDevice, nesting));
            masks.push_back(std::move(mask));
            continue;
        }
        // A clip another uses as its mask (setMask) is not drawn.
        if (object.isScriptMask)
            continue;
        const auto scriptMask = object.maskId ? m_scriptMasks.find(object.maskId) : m_scriptMasks.end();
        const bool scriptMasked = scriptMask != m_scriptMasks.end();
        if ((masks.empty() && !scriptMasked) || !object.visible) {
            drawObject(frame, object, toDevice, color, nesting);
            continue;
        }
        const size_t outer = frame.masks.size();
        bool hidden = false;
        if (scriptMasked) {
            QPainterPath area = maskArea(*scriptMask->second.object, scriptMask->second.toDevice, nesting);
            hidden = area.isEmpty();
            frame.masks.push_back(std::move(area));
        }
        for (const ActiveMask& mask : masks) {
            for (const QPainterPath& area : mask.areas) {
                hidden = hidden || area.isEmpty();
                frame.masks.push_back(area);
            }
        }
        if (!hidden) {
            frame.applyClip();
            drawObject(frame, object, toDevice, color, nesting);
        }
        frame.masks.resize(outer);
        frame.applyClip();
    }
}

void StageRenderer::drawObject(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                               const swf::ColorTransform& color, int nesting)
{
    if (!object.visible || !object.character)
        return;
    const QTransform objectToDevice = toQTransform(object.matrix) * toDevice;
    const swf::ColorTransform objectColor = color * object.colorTransform;
    const BlendMode mode = toBlendMode(object.blendMode);
    if (!needsLayer(mode)) {
        drawCharacter(frame, object, objectToDevice, objectColor, nesting);
        return;
    }
    // The object goes into a layer of its own, under the same clip, and the layer
    // is blended onto what is drawn so far.
    QImage layer(frame.target.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        Frame layerFrame{layer, {}, frame.baseClip, frame.masks};
        layerFrame.open();
        drawCharacter(layerFrame, object, objectToDevice, objectColor, nesting);
    }
    frame.painter.end();
    compositeLayer(frame.target, layer, mode);
    frame.open();
}

void StageRenderer::drawCharacter(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                                  const swf::ColorTransform& color, int nesting)
{
    const movie::Character& character = *object.character;
    QPainter& painter = frame.painter;
    switch (character.kind) {
    case movie::Character::Kind::Shape:
        if (const auto* shape = character.shape())
            paintShape(painter, m_active->shape(*shape), m_active->bitmaps(), toDevice, color);
        break;
    case movie::Character::Kind::MorphShape:
        if (const auto* morph = character.morphShape())
            paintShape(painter, m_active->morph(*morph, object.ratio), m_active->bitmaps(), toDevice, color);
        break;
    case movie::Character::Kind::Text:
        if (const auto* text = character.text())
            paintStaticText(painter, *text, m_active->fonts(), toDevice, color);
        break;
    case movie::Character::Kind::EditText:
        if (object.text)
            paintTextField(painter, *object.text, m_active->fonts(), toDevice, color);
        break;
    case movie::Character::Kind::Sprite:
    case movie::Character::Kind::Button:
        if (object.clip)
            drawClip(frame, *object.clip, toDevice, color, nesting + 1);
        break;
    }
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

} // namespace swf::render
