#pragma once

#include <QLineF>
#include <QPointF>
#include <QPolygonF>
#include <QVector>

// The shapes a curve is drawn with, built so that Qt's raster engine draws them in time.
// Its antialiased rasterizer slows down far more than linearly with the number of edges of
// one shape (a 400-point area takes 50 times as long as a 30-point one), and a stroked path
// of width 2 is slower still. So a curve's line is drawn as separate segments, which the
// engine rasterizes one by one on a fast path, and its area as narrow strips cut on whole
// pixel columns, so that the strips meet without a seam.

// The curve's vertices: from the half's edge at the height of the first point, then through
// every point in order.
QVector<QPointF> curveVertices(double halfStart, const QVector<QPointF> &points);

// The line as segments: `spans` where consecutive vertices share one x, each from the
// lowest to the highest of them (the same pixels as going up and down between them, with
// far fewer segments when hundreds of samples share a percent), and `links` from where the
// curve leaves one x to where it reaches the next.
struct LineSegments {
    QVector<QLineF> spans;
    QVector<QLineF> links;
};
LineSegments lineSegments(const QVector<QPointF> &vertices);

// The area under the curve down to `bottom`, as a closed polygon (odd-even fill). A vertex
// between two others on the same x adds no area and is left out.
QPolygonF areaOutline(const QVector<QPointF> &vertices, double bottom);

// `outline` cut into vertical strips with edges on whole pixels, each holding about
// `verticesPerStrip` of its vertices. Together they cover what the outline covers.
QVector<QPolygonF> areaStrips(const QPolygonF &outline, int verticesPerStrip);

// The part of `polygon` between x = left and x = right.
QPolygonF clipToColumns(const QPolygonF &polygon, double left, double right);
