#pragma once

// Draws the display tree: every clip's objects in depth order, sprites and buttons
// recursively, masks by clip depth (nested, and inside sprites) and by script
// (setMask), blend modes and filters through offscreen layers, each character
// through the painters of this layer.

#include "swf/format/records.h"
#include "swf/movie/display_list.h"
#include "swf/render/character_cache.h"
#include "swf/render/damage.h"
#include "swf/render/blend.h"
#include "swf/render/filter_effects.h"
#include "swf/render/raster_cache.h"

#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QPainter;

namespace swf::render {

class StageRenderer {
public:
    // Takes the movie's bitmaps, JPEG tables and fonts (sprites' tags included).
    // With `pictures`, characters drawn again alike are copied from pictures
    // kept there (renderers drawing parts of one picture may share them);
    // without, everything is drawn from its shapes each time.
    explicit StageRenderer(const std::vector<swf::Tag>& tags, std::shared_ptr<RasterCache> pictures = nullptr);

    // Draws `root` onto `target` (Format_ARGB32_Premultiplied, no painter active on
    // it), with `stageToDevice` mapping stage twips to the target's pixels; nothing
    // is drawn outside `clip`. The caller fills the background.
    // A non-empty `area` draws only the pixels of `clip` inside it, and skips
    // the characters whose device bounds miss it; those pixels come out as a
    // drawing of all of `clip` gives them (for what is painted directly, when
    // the area takes in its whole width: see DrawItem).
    void render(QImage& target, const QRectF& clip, const movie::ClipState& root, const QTransform& stageToDevice,
                const QRegion& area = QRegion());

    // Appends what render() would draw of `root` to `items`, in drawing order,
    // for damage tracking; `rootKey` tells the trees of one picture apart.
    // Returns false when the tree can only be drawn whole: a blend mode
    // composites whole layers, so its pixels depend on more than its items.
    bool collect(std::vector<DrawItem>& items, const movie::ClipState& root, const QTransform& stageToDevice,
                 std::uint64_t rootKey);

    // The movie's fonts, for laying text fields out as they will be drawn.
    std::shared_ptr<const FontLibrary> fonts() const { return m_cache.sharedFonts(); }

    // Decodes the movie's bitmaps now (on the calling thread and helpers of
    // its own) rather than when they are first drawn.
    void decodeBitmaps() { m_cache.bitmaps().decodeAll(); }
    // Starts from the bitmaps `other`, a renderer of the same movie, decoded.
    void shareBitmaps(const StageRenderer& other) { m_cache.bitmaps().shareDecoded(other.m_cache.bitmaps()); }

private:
    // An image being drawn on, with the masks in effect. Blend modes composite onto
    // the pixels, which needs the painter closed meanwhile; the clip is therefore
    // kept here and applied afresh whenever the painter opens.
    struct Frame;
    void drawClip(Frame& frame, const movie::ClipState& clip, const QTransform& toDevice,
                  const swf::ColorTransform& color, int nesting);
    void drawObject(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                    const swf::ColorTransform& color, int nesting);
    // The box an object covers in its own space, filled with its opaque
    // background colour.
    void drawOpaqueBackground(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                              const swf::ColorTransform& color, int nesting);
    void drawCharacter(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                       const swf::ColorTransform& color, int nesting);
    // Draws the object into a layer of its own, runs its filters over the
    // layer and composites it with the blend mode.
    void drawLayer(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                   const swf::ColorTransform& color, int nesting, render::BlendMode mode,
                   const std::vector<FilterValues>& filters);
    // Where an object's drawing lies on the device: `area` its bounds as
    // drawn, `pixels` the whole pixels it may touch (filters of the objects
    // inside it included, its own not); empty when it draws nothing.
    struct Extent {
        QRectF area;
        QRect pixels;
    };
    Extent objectExtent(const movie::DisplayObject& object, const QTransform& toDevice, int nesting);
    // The one damage item of a filtered object, over everything `inside` it.
    DrawItem filteredItem(const movie::DisplayObject& object, const QTransform& toDevice, int nesting,
                          std::uint64_t key, const std::vector<FilterValues>& filters,
                          const std::vector<DrawItem>& inside);
    // How far the filters reach beyond the object on the device.
    QMargins filterReach(const std::vector<FilterValues>& filters) const;
    // Draws a character other than a sprite or button from its shapes.
    void paintVideo(QPainter& painter, const movie::DisplayObject& object, const movie::VideoStream& video,
                    const QTransform& toDevice, const swf::ColorTransform& color);
    void paintCharacter(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                        const swf::ColorTransform& color);
    // Draws it from its kept picture, made now if it is asked for again;
    // false when it is to be painted instead.
    bool drawPicture(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                     const swf::ColorTransform& color);
    // The same for anything `paint` draws at a transform, whose pixels are
    // decided by `content` (and `keep`, held with the picture, keeps alive
    // what `content` names by address), the transform and the colour;
    // `single`: it is one fill, drawn from its picture across a mask's edge too.
    bool drawPicture(Frame& frame, std::uint64_t content, std::shared_ptr<const void> keep, const QTransform& toDevice,
                     const swf::ColorTransform& color, bool single,
                     const std::function<std::optional<QRect>(const QTransform&)>& boundsAt,
                     const std::function<void(Frame&, const QTransform&)>& paint);
    // The device pixels a character other than a sprite or button may touch;
    // null for sprites and buttons, whose children are looked at one by one.
    std::optional<QRect> characterBounds(const movie::DisplayObject& object, const QTransform& toDevice);
    // `context` is the signature of the masks in effect (`masked`: there are some).
    void collectClip(std::vector<DrawItem>& items, const movie::ClipState& clip, const QTransform& toDevice,
                     const swf::ColorTransform& color, std::uint64_t path, std::uint64_t context, bool masked,
                     int nesting);
    // Whether an item drawn at `bounds` may be painted straight onto the
    // picture rather than copied from a picture of its own (see drawPicture).
    static bool paintedDirectly(bool masked, const QRect& bounds);
    // Everything that decides the area maskArea() gives; with `drawings`, the
    // geometry of the script drawings it names by address is added there.
    std::uint64_t maskSignature(const movie::DisplayObject& object, const QTransform& toDevice, int nesting,
                                std::vector<std::shared_ptr<const void>>* drawings = nullptr);
    // maskArea(), kept by its signature: uniting the areas of a clip's
    // children costs far more than telling that nothing changed.
    QPainterPath keptMaskArea(const movie::DisplayObject& object, const QTransform& toDevice, int nesting);
    // The area an object covers when it is used as a mask, in device pixels.
    QPainterPath maskArea(const movie::DisplayObject& object, const QTransform& toDevice, int nesting);
    // Finds the objects that scripts made masks of, with their place on the stage.
    void findScriptMasks(const movie::ClipState& clip, const QTransform& toDevice, int nesting);

    struct ScriptMask {
        const movie::DisplayObject* object = nullptr;
        QTransform toDevice;
    };
    // The cache of the movie whose clip is being drawn: a movie loaded into
    // the tree has one of its own, made when it is first drawn.
    CharacterCache& cacheFor(const movie::CharacterDictionary& dictionary);
    std::shared_ptr<RasterCache> m_pictures;
    CharacterCache m_cache;
    CharacterCache* m_active = &m_cache;
    std::unordered_map<const movie::CharacterDictionary*, std::unique_ptr<CharacterCache>> m_loaded;
    std::unordered_map<std::uint16_t, QPainterPath> m_outlines;
    struct KeptMaskArea {
        QPainterPath area;
        std::vector<std::shared_ptr<const void>> drawings; // keep their addresses theirs
    };
    std::unordered_map<std::uint64_t, KeptMaskArea> m_maskAreas;
    // This renderer's copy of a script drawing's geometry, which the drawing
    // shares with the renderers of other threads.
    const ShapeGeometry& ownGeometry(const movie::Drawing& drawing);
    struct OwnDrawing {
        std::shared_ptr<const void> built; // keeps the key's address the drawing's
        ShapeGeometry geometry;
    };
    std::unordered_map<const void*, OwnDrawing> m_drawings;
    std::unordered_map<std::uint32_t, ScriptMask> m_scriptMasks; // by display object id, this frame
    bool m_wholeOnly = false; // set by collect() on meeting a blend layer
    // Stage pixels to device pixels, the unit filters are sized in.
    FilterScale m_filterScale;
    // Where the layer being drawn lies on the device: areas found in device
    // coordinates (script masks) move by it.
    QPoint m_layerOrigin;
};

} // namespace swf::render
