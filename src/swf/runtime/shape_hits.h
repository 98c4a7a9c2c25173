#pragma once

// Exact hit testing of shape characters, for hitTest with its shape flag and
// for the hit areas of buttons: a point is on a shape when one of its fills
// holds it (by the shape's own fill rule) or it lies on one of its lines, and
// on a static text when one of its glyphs holds it. The outlines are built
// once per definition and kept.

#include "swf/movie/display_list.h"

#include <QPainterPath>
#include <QPointF>
#include <QTransform>

#include <optional>
#include <unordered_map>
#include <vector>

namespace swf::render {
class FontLibrary;
}

namespace swf::runtime {

class ShapeHits {
public:
    // Whether `local` (the object's own twips) is on what the object draws;
    // nullopt when the object has no outlines to test, for the caller to
    // judge by bounds. `fonts` are those of the movie the object is part of;
    // `pixel` is how long one pixel of the stage is in the object's twips, the
    // width lines thinner than that (hairlines) have to the pointer.
    std::optional<bool> covers(const movie::DisplayObject& object, QPointF local, const render::FontLibrary& fonts,
                               double pixel = 20);

    // A line that may be thinner than a pixel of the stage, kept as drawn.
    struct ThinLine {
        QPainterPath path;
        double width;
    };

private:
    using Areas = std::vector<QPainterPath>;
    // A shape's fills and its lines widened to their width; the lines thinner
    // than a pixel are widened for the scale of each test.
    struct ShapeAreas {
        Areas solid;
        std::vector<ThinLine> thin;
        double thinWidth = 0;
        Areas thinWidened;
    };
    std::unordered_map<const swf::DefineShape*, ShapeAreas> m_shapes;
    // A static text's glyphs, in its space before its own matrix; none when
    // one of its fonts brings no outlines (an installed font draws it).
    struct Glyphs {
        QTransform matrix;
        Areas runs;
    };
    std::unordered_map<const swf::DefineText*, std::optional<Glyphs>> m_texts;
};

// How long one pixel of the stage is in the twips a transform from stage twips
// leads to (its mean scale).
double pixelThrough(const QTransform& fromStage);

} // namespace swf::runtime
