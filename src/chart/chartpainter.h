#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QVector>

class QPainter;

// One stream's curve in one half: its series, and which of its samples to draw, in order.
struct HalfCurve {
    const QVector<int> *percent = nullptr;
    const QVector<double> *smooth = nullptr;
    const QVector<int> *indices = nullptr;
};

// Everything a paint of the chart needs. The widget fills it from its series and caches;
// tests and the benchmark can fill it directly, for instance with every sample.
struct ChartScene {
    QSize size;
    bool readVisible = true;
    QColor background;
    QString fontFamily;
    double writeMax = 12.0;
    double readMax = 12.0;
    QVector<HalfCurve> write;  // one per stream
    QVector<HalfCurve> read;   // as many as `write`
    QString writeTitle;
    QString readTitle;
    // Draw each curve as one plain path instead of the fast shapes: the slow, obvious
    // drawing, kept as the reference the fast one is compared with.
    bool plainPaths = false;
};

// Paints the whole chart with `painter`, which is active on a device of scene.size.
void paintSpeedChart(QPainter &painter, const ChartScene &scene);
