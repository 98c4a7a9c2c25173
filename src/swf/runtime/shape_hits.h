#pragma once

// Exact hit testing of shape characters, for hitTest with its shape flag and
// for the hit areas of buttons: a point is on a shape when one of its fills
// holds it (by the shape's own fill rule) or it lies on one of its lines.
// The outlines are built once per shape definition and kept.

#include "swf/movie/display_list.h"

#include <QPainterPath>
#include <QPointF>

#include <optional>
#include <unordered_map>
#include <vector>

namespace swf::runtime {

class ShapeHits {
public:
    // Whether `local` (the object's own twips) is on what the object draws;
    // nullopt when the object is no shape, for the caller to judge by bounds.
    std::optional<bool> covers(const movie::DisplayObject& object, QPointF local);

private:
    // A shape's fills, and its lines widened to their width.
    using Areas = std::vector<QPainterPath>;
    std::unordered_map<const swf::DefineShape*, Areas> m_shapes;
};

} // namespace swf::runtime
