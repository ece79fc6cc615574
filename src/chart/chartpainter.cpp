#include "chartpainter.h"

#include "chartgeometry.h"
#include "chartpalette.h"
#include "chartscale.h"
#include "curveshapes.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace {
const QColor kPlotFill(0xFA, 0xFA, 0xFA);
const QColor kGrid(0xE1, 0xE1, 0xE1);
const QColor kScaleText(0x78, 0x78, 0x78);
const QColor kDivider(0xAA, 0xAA, 0xAA);
const QColor kFrame(0xC8, 0xC8, 0xC8);
const QColor kTitleText(0x64, 0x64, 0x64);
const QColor kLegendText(0x3C, 0x3C, 0x3C);

// Fill opacity at the top and the bottom of the plot: a single curve may be strong, several
// must let each other show through.
constexpr int kSingleTopAlpha = 180;
constexpr int kSingleBottomAlpha = 50;
constexpr int kSeveralTopAlpha = 90;
constexpr int kSeveralBottomAlpha = 25;

// One half of the plot: where it runs and the scale it uses.
struct Half {
    double start;
    double end;
    double scaleMax;
};

bool hasPoints(const HalfCurve &curve)
{
    return curve.indices && !curve.indices->isEmpty();
}

// The chosen samples of a curve as points of the plot.
QVector<QPointF> samplePoints(const HalfCurve &curve, const Half &half, const ChartGeometry &g)
{
    const QVector<int> &percent = *curve.percent;
    const QVector<double> &smooth = *curve.smooth;
    QVector<QPointF> points;
    points.reserve(curve.indices->size());
    for (int i : *curve.indices)
        points.append(
            QPointF(halfX(half.start, half.end, percent[i]), g.speedY(smooth[i], half.scaleMax)));
    return points;
}

// The reference drawing: the curve as one path, closed down to the bottom of the plot for
// the area. Exact but slow with long curves.
QPainterPath plainPath(const QVector<QPointF> &vertices, double bottom, bool closed)
{
    QPainterPath path;
    path.reserve(vertices.size() + 2);
    if (closed) {
        path.moveTo(vertices.first().x(), bottom);
        path.lineTo(vertices.first());
    } else {
        path.moveTo(vertices.first());
    }
    for (int i = 1; i < vertices.size(); ++i)
        path.lineTo(vertices[i]);
    if (closed) {
        path.lineTo(vertices.last().x(), bottom);
        path.closeSubpath();
    }
    return path;
}

// Small enough for the rasterizer to stay fast, large enough that the calls stay few.
constexpr int kVerticesPerStrip = 32;

void fillArea(QPainter &p, const QVector<QPointF> &vertices, double bottom, bool plain)
{
    if (plain) {
        p.drawPath(plainPath(vertices, bottom, true));
        return;
    }
    for (const QPolygonF &strip : areaStrips(areaOutline(vertices, bottom), kVerticesPerStrip))
        p.drawPolygon(strip);
}

// The fast line: a span ends flat at its extremes, as a path turning back on itself does;
// a link's square ends fill the outer corner where it meets a span.
void strokeLine(QPainter &p, const QColor &colour, const QVector<QPointF> &vertices, bool plain)
{
    if (plain) {
        p.setPen(QPen(colour, 2, Qt::SolidLine));
        p.drawPath(plainPath(vertices, 0.0, false));
        return;
    }
    const LineSegments segments = lineSegments(vertices);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLines(segments.spans);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::SquareCap));
    p.drawLines(segments.links);
}

void paintScales(QPainter &p, const ChartScene &scene, const ChartGeometry &g)
{
    p.setFont(QFont(scene.fontFamily, 8));
    // Units and numbers read the same in every language, so they are not looked up.
    const QString unit = QStringLiteral("MB/s");
    for (int i = 0; i <= kScaleSteps; ++i) {
        const int y = g.gridY(i);
        p.setPen(QPen(kGrid, 1, Qt::SolidLine));
        p.drawLine(g.x1, y, g.x2, y);
        p.setPen(kScaleText);
        p.drawText(g.writeLabelBox(i), Qt::AlignRight | Qt::AlignVCenter,
                   scaleLabel(i * scene.writeMax / kScaleSteps));
        if (scene.readVisible) {
            p.drawText(g.readLabelBox(i), Qt::AlignLeft | Qt::AlignVCenter,
                       scaleLabel(i * scene.readMax / kScaleSteps));
        }
    }
    p.setPen(kScaleText);
    p.drawText(g.writeUnitBox(), Qt::AlignRight | Qt::AlignBottom, unit);
    if (scene.readVisible)
        p.drawText(g.readUnitBox(), Qt::AlignLeft | Qt::AlignBottom, unit);
}

void paintFrame(QPainter &p, const ChartGeometry &g)
{
    p.setPen(kFrame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(g.plot);
}

// Every area first, then every line, so that no fill veils another stream's line.
void paintCurves(QPainter &p, const ChartScene &scene, const ChartGeometry &g)
{
    const int streams = scene.write.size();
    const bool single = streams == 1;
    const int topAlpha = single ? kSingleTopAlpha : kSeveralTopAlpha;
    const int bottomAlpha = single ? kSingleBottomAlpha : kSeveralBottomAlpha;
    const Half writeHalf{g.writeStart, g.middle, scene.writeMax};
    const Half readHalf{g.middle, double(g.x2), scene.readMax};

    // Each curve's vertices, write then read per stream; empty where nothing is drawn.
    QVector<QVector<QPointF>> vertices;
    vertices.reserve(2 * streams);
    for (int s = 0; s < streams; ++s) {
        const HalfCurve noCurve;
        const HalfCurve &w = scene.write[s];
        const HalfCurve &r = s < scene.read.size() ? scene.read[s] : noCurve;
        vertices.append(hasPoints(w) ? curveVertices(writeHalf.start, samplePoints(w, writeHalf, g))
                                     : QVector<QPointF>());
        vertices.append(hasPoints(r) ? curveVertices(readHalf.start, samplePoints(r, readHalf, g))
                                     : QVector<QPointF>());
    }

    p.setPen(Qt::NoPen);
    for (int s = 0; s < streams; ++s) {
        QColor top = streamColor(s);
        QColor bottom = top;
        top.setAlpha(topAlpha);
        bottom.setAlpha(bottomAlpha);
        QLinearGradient gradient(0, g.y1, 0, g.y2);
        gradient.setColorAt(0, top);
        gradient.setColorAt(1, bottom);
        p.setBrush(gradient);
        for (int half = 0; half < 2; ++half) {
            if (!vertices[2 * s + half].isEmpty())
                fillArea(p, vertices[2 * s + half], g.y2, scene.plainPaths);
        }
    }

    p.setBrush(Qt::NoBrush);
    for (int s = 0; s < streams; ++s) {
        const QColor colour = streamColor(s).darker(120);
        for (int half = 0; half < 2; ++half) {
            if (!vertices[2 * s + half].isEmpty())
                strokeLine(p, colour, vertices[2 * s + half], scene.plainPaths);
        }
    }
}

void paintTitles(QPainter &p, const ChartScene &scene, const ChartGeometry &g)
{
    p.setFont(QFont(scene.fontFamily, 8));
    p.setPen(kTitleText);
    p.drawText(g.writeTitleBox(), Qt::AlignCenter, scene.writeTitle);
    p.drawText(g.readTitleBox(), Qt::AlignCenter, scene.readTitle);
}

void paintLegend(QPainter &p, const ChartScene &scene, const ChartGeometry &g)
{
    const int count = scene.write.size();
    const int left = g.legendLeft(count);
    for (int k = 0; k < count; ++k) {
        p.setPen(Qt::NoPen);
        p.setBrush(streamColor(k));
        p.drawRect(g.legendSwatch(left, k));
        p.setPen(kLegendText);
        p.drawText(g.legendText(left, k), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("#%1").arg(k + 1));
    }
}
}  // namespace

void paintSpeedChart(QPainter &p, const ChartScene &scene)
{
    const ChartGeometry g = chartGeometry(scene.size, scene.readVisible);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(QRect(QPoint(0, 0), scene.size), scene.background);
    p.fillRect(g.plot, kPlotFill);
    paintScales(p, scene, g);

    if (scene.write.isEmpty()) {
        paintFrame(p, g);
        return;
    }

    paintCurves(p, scene, g);
    p.setPen(QPen(kDivider, 1, Qt::SolidLine));
    p.drawLine(QPointF(g.middle, g.y1), QPointF(g.middle, g.y2));
    paintFrame(p, g);
    paintTitles(p, scene, g);
    paintLegend(p, scene, g);
}
