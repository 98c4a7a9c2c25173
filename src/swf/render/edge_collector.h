#pragma once

// Turns a stream of edges, each with the fill style on its left (fill0) and on
// its right (fill1) and a line style, into one closed region per fill style and
// one stroke path per line style.
//
// A shape's edges do not come grouped by region: a region's boundary is spread
// over many runs of edges, each run tagged with the styles on either side. Every
// edge is therefore filed under both of its fills (reversed for the left side,
// so that every region is traced the same way round), and each fill's edges are
// then chained end to start into closed contours. Drawing each run of edges as
// a subpath of its own would close the runs with straight lines that do not
// exist in the shape.

#include <QPainterPath>
#include <QPoint>

#include <cstdint>
#include <map>
#include <vector>

namespace swf::render {

class EdgeCollector {
public:
    // Style indices are those of the current style table (1-based, 0 = none).
    void setStyles(std::uint32_t fill0, std::uint32_t fill1, std::uint32_t line);
    void moveTo(QPoint point);
    void lineTo(QPoint point);
    void curveTo(QPoint control, QPoint point);

    QPoint position() const { return m_position; }

    // Closed contours of every fill style that has edges, keyed by style index.
    std::map<std::uint32_t, QPainterPath> fillPaths() const;
    // The stroked edges of every line style, in drawing order, keyed by index.
    const std::map<std::uint32_t, QPainterPath>& linePaths() const { return m_lines; }
    // Edges between two different fills, as open paths keyed by the lower
    // style index (the fill drawn first).
    const std::map<std::uint32_t, QPainterPath>& seamPaths() const { return m_seams; }

    bool empty() const { return m_fillEdges.empty() && m_lines.empty(); }

private:
    struct Edge {
        QPoint from;
        QPoint control;
        QPoint to;
        bool curved = false;
    };

    void addEdge(const Edge& edge);
    static QPainterPath chain(const std::vector<Edge>& edges);

    std::map<std::uint32_t, std::vector<Edge>> m_fillEdges;
    std::map<std::uint32_t, QPainterPath> m_lines;
    std::map<std::uint32_t, QPainterPath> m_seams;
    std::map<std::uint32_t, QPoint> m_lineEnds;
    QPoint m_position;
    std::uint32_t m_fill0 = 0;
    std::uint32_t m_fill1 = 0;
    std::uint32_t m_line = 0;
};

} // namespace swf::render
