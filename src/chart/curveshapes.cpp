#include "curveshapes.h"

#include <algorithm>
#include <cmath>

QVector<QPointF> curveVertices(double halfStart, const QVector<QPointF> &points)
{
    QVector<QPointF> vertices;
    if (points.isEmpty())
        return vertices;
    vertices.reserve(points.size() + 1);
    vertices.append(QPointF(halfStart, points.first().y()));
    vertices.append(points);
    return vertices;
}

LineSegments lineSegments(const QVector<QPointF> &vertices)
{
    LineSegments segments;
    if (vertices.isEmpty())
        return segments;
    // The run of vertices on the current x: its extent, and where the curve leaves it.
    double x = vertices.first().x();
    double low = vertices.first().y();
    double high = low;
    double exitY = low;
    auto closeRun = [&] {
        if (high > low)
            segments.spans.append(QLineF(x, low, x, high));
    };
    for (int i = 1; i < vertices.size(); ++i) {
        const QPointF &v = vertices[i];
        if (v.x() == x) {
            low = std::min(low, v.y());
            high = std::max(high, v.y());
            exitY = v.y();
            continue;
        }
        closeRun();
        segments.links.append(QLineF(x, exitY, v.x(), v.y()));
        x = v.x();
        low = high = exitY = v.y();
    }
    closeRun();
    return segments;
}

QPolygonF areaOutline(const QVector<QPointF> &vertices, double bottom)
{
    QPolygonF outline;
    if (vertices.isEmpty())
        return outline;
    outline.reserve(vertices.size() + 2);
    auto add = [&outline](const QPointF &v) {
        const int n = outline.size();
        if (n >= 2 && outline[n - 1].x() == v.x() && outline[n - 2].x() == v.x())
            outline.removeLast();
        outline.append(v);
    };
    add(QPointF(vertices.first().x(), bottom));
    for (const QPointF &v : vertices)
        add(v);
    add(QPointF(vertices.last().x(), bottom));
    return outline;
}

namespace {
// One pass of polygon clipping: keeps the side of the vertical line x = edge that `keep`
// accepts, adding the crossing points.
template <typename Keep>
QPolygonF clipAt(const QPolygonF &in, double edge, Keep keep)
{
    QPolygonF out;
    if (in.isEmpty())
        return out;
    out.reserve(in.size() + 4);
    QPointF prev = in.last();
    bool prevIn = keep(prev.x());
    for (const QPointF &cur : in) {
        const bool curIn = keep(cur.x());
        if (curIn != prevIn) {
            const double t = (edge - prev.x()) / (cur.x() - prev.x());
            out.append(QPointF(edge, prev.y() + t * (cur.y() - prev.y())));
        }
        if (curIn)
            out.append(cur);
        prev = cur;
        prevIn = curIn;
    }
    return out;
}
}  // namespace

QPolygonF clipToColumns(const QPolygonF &polygon, double left, double right)
{
    const QPolygonF rightOfLeft = clipAt(polygon, left, [left](double x) { return x >= left; });
    return clipAt(rightOfLeft, right, [right](double x) { return x <= right; });
}

QVector<QPolygonF> areaStrips(const QPolygonF &outline, int verticesPerStrip)
{
    QVector<QPolygonF> strips;
    if (outline.size() < 3)
        return strips;
    const int step = std::max(verticesPerStrip, 3);
    if (outline.size() <= step) {
        strips.append(outline);
        return strips;
    }
    QVector<double> xs;
    xs.reserve(outline.size());
    for (const QPointF &v : outline)
        xs.append(v.x());
    std::sort(xs.begin(), xs.end());

    QVector<double> edges{std::floor(xs.first())};
    for (int k = step; k < xs.size(); k += step) {
        const double edge = std::ceil(xs[k]);
        if (edge > edges.last())
            edges.append(edge);
    }
    const double last = std::ceil(xs.last());
    if (last > edges.last())
        edges.append(last);
    else if (edges.size() == 1)
        edges.append(edges.last() + 1);

    for (int i = 0; i + 1 < edges.size(); ++i) {
        QPolygonF strip = clipToColumns(outline, edges[i], edges[i + 1]);
        if (strip.size() >= 3)
            strips.append(strip);
    }
    return strips;
}
