#pragma once

// Draws the display tree: every clip's objects in depth order, sprites and buttons
// recursively, masks by clip depth (nested, and inside sprites) and by script
// (setMask), blend modes through offscreen layers, each character through the
// painters of this layer.

#include "swf/format/records.h"
#include "swf/movie/display_list.h"
#include "swf/render/character_cache.h"

#include <QImage>
#include <QPainterPath>
#include <QTransform>
#include <memory>
#include <unordered_map>
#include <vector>

class QPainter;

namespace swf::render {

class StageRenderer {
public:
    // Takes the movie's bitmaps, JPEG tables and fonts (sprites' tags included).
    explicit StageRenderer(const std::vector<swf::Tag>& tags);

    // Draws `root` onto `target` (Format_ARGB32_Premultiplied, no painter active on
    // it), with `stageToDevice` mapping stage twips to the target's pixels; nothing
    // is drawn outside `clip`. The caller fills the background.
    void render(QImage& target, const QRectF& clip, const movie::ClipState& root, const QTransform& stageToDevice);

    // The movie's fonts, for laying text fields out as they will be drawn.
    std::shared_ptr<const FontLibrary> fonts() const { return m_cache.sharedFonts(); }

private:
    // An image being drawn on, with the masks in effect. Blend modes composite onto
    // the pixels, which needs the painter closed meanwhile; the clip is therefore
    // kept here and applied afresh whenever the painter opens.
    struct Frame;
    void drawClip(Frame& frame, const movie::ClipState& clip, const QTransform& toDevice,
                  const swf::ColorTransform& color, int nesting);
    void drawObject(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                    const swf::ColorTransform& color, int nesting);
    void drawCharacter(Frame& frame, const movie::DisplayObject& object, const QTransform& toDevice,
                       const swf::ColorTransform& color, int nesting);
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
    CharacterCache m_cache;
    CharacterCache* m_active = &m_cache;
    std::unordered_map<const movie::CharacterDictionary*, std::unique_ptr<CharacterCache>> m_loaded;
    std::unordered_map<std::uint16_t, QPainterPath> m_outlines;
    std::unordered_map<std::uint32_t, ScriptMask> m_scriptMasks; // by display object id, this frame
};

} // namespace swf::render
