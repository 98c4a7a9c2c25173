#include "swf/render/edge_collector.h"

#include <algorithm>
#include <unordered_map>

namespace swf::render {

void EdgeCollector::setStyles(std::uint32_t fill0, std::uint32_t fill1, std::uint32_t line)
{
    m_fill0 = fill0;
    m_fill1 = fill1;
    m_line = line;
}

void EdgeCollector::moveTo(QPoint point)
{
    m_position = point;
}

void EdgeCollector::lineTo(QPoint point)
{
    addEdge({m_position, m_position, point, false});
}

void EdgeCollector::curveTo(QPoint control, QPoint point)
{
    addEdge({m_position, control, point, true});
}

void EdgeCollector::addEdge(const Edge& edge)
{
    m_position = edge.to;
    // An edge with the same fill on both sides lies inside that fill's region
    // and bounds nothing.
    if (m_fill0 != m_fill1) {
        if (m_fill1 != 0)
            m_fillEdges[m_fill1].push_back(edge);
        if (m_fill0 != 0)
            m_fillEdges[m_fill0].push_back({edge.to, edge.control, edge.from, edge.curved});
        if (m_fill0 != 0 && m_fill1 != 0) {
            QPainterPath& seam = m_seams[std::min(m_fill0, m_fill1)];
            if (seam.isEmpty() || seam.currentPosition() != QPointF(edge.from))
                seam.moveTo(edge.from);
            if (edge.curved)
                seam.quadTo(edge.control, edge.to);
            else
                seam.lineTo(edge.to);
        }
    }

    if (m_line != 0) {
        QPainterPath& path = m_lines[m_line];
        auto end = m_lineEnds.find(m_line);
        if (end == m_lineEnds.end() || end->second != edge.from || path.isEmpty())
            path.moveTo(edge.from);
        if (edge.curved)
            path.quadTo(edge.control, edge.to);
        else
            path.lineTo(edge.to);
        m_lineEnds[m_line] = edge.to;
    }
}

std::map<std::uint32_t, QPainterPath> EdgeCollector::fillPaths() const
{
    std::map<std::uint32_t, QPainterPath> paths;
    for (const auto& [style, edges] : m_fillEdges) {
        QPainterPath path = chain(edges);
        path.setFillRule(Qt::OddEvenFill);
        paths.emplace(style, std::move(path));
    }
    return paths;
}

namespace {

std::uint64_t pointKey(QPoint point)
{
    return (std::uint64_t(std::uint32_t(point.x())) << 32) | std::uint32_t(point.y());
}

} // namespace

QPainterPath EdgeCollector::chain(const std::vector<Edge>& edges)
{
    // Edges not yet used, by the point they start from. Each list is consumed
    // from the back; building it backwards makes that the earliest edge first,
    // which keeps contours in the order the shape recorded them.
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> byStart;
    byStart.reserve(edges.size());
    for (std::size_t i = edges.size(); i-- > 0;)
        byStart[pointKey(edges[i].from)].push_back(i);

    std::vector<bool> used(edges.size(), false);
    auto takeFrom = [&](QPoint point) -> std::ptrdiff_t {
        auto found = byStart.find(pointKey(point));
        if (found == byStart.end())
            return -1;
        auto& candidates = found->second;
        while (!candidates.empty()) {
            const std::size_t index = candidates.back();
            candidates.pop_back();
            if (!used[index])
                return std::ptrdiff_t(index);
        }
        return -1;
    };

    QPainterPath path;
    for (std::size_t first = 0; first < edges.size(); ++first) {
        if (used[first])
            continue;
        const QPoint start = edges[first].from;
        path.moveTo(start);
        std::size_t index = first;
        for (;;) {
            used[index] = true;
            const Edge& edge = edges[index];
            if (edge.curved)
                path.quadTo(edge.control, edge.to);
            else
                path.lineTo(edge.to);
            if (edge.to == start)
                break;
            // The next recorded edge is the usual continuation; look it up only
            // when it is not.
            if (index + 1 < edges.size() && !used[index + 1] && edges[index + 1].from == edge.to) {
                ++index;
                continue;
            }
            const std::ptrdiff_t next = takeFrom(edge.to);
            if (next < 0)
                break;
            index = std::size_t(next);
        }
        path.closeSubpath();
    }
    return path;
}

} // namespace swf::render
