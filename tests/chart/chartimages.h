#pragma once

#include "chartpainter.h"

#include <QImage>
#include <QRect>
#include <QVector>

class QWidget;
class SpeedChartWidget;

// The series of one stream and pass, built by the same rule the chart uses.
struct TestCurve {
    QVector<int> percent;
    QVector<double> raw;
    QVector<double> smooth;
    QVector<int> indices;  // which samples a scene draws
};

// A chart's data held outside any widget, so that it can be painted as a scene with every
// sample, or fed to a widget sample by sample.
struct TestChartData {
    QVector<TestCurve> write;
    QVector<TestCurve> read;

    void addWrite(int stream, int percent, double mbps);
    void addRead(int stream, int percent, double mbps);
    // Every drawable sample of every curve.
    void drawEverySample();
    // Every `stride`-th sample and the last: a careless way to draw fewer points.
    void drawEveryNth(int stride);
    // The same samples, in the same order, into `chart` (which gets one stream per curve).
    void feed(SpeedChartWidget &chart) const;
    // A scene drawing `indices` of every curve, with the size, colours and font of `look`.
    ChartScene scene(const QWidget &look, bool readVisible, const QString &writeTitle,
                     const QString &readTitle) const;
};

// `streams` streams with `count` noisy samples per pass, rising through the percents.
TestChartData noisyChartData(int streams, int count, unsigned seed);

QImage renderWidget(SpeedChartWidget &chart);
QImage paintScene(const ChartScene &scene);

// How far two pictures of one size are apart.
struct ImageDifference {
    int maxChannel = 0;           // largest difference of one channel, 0..255
    double meanChannel = 0.0;     // mean difference over all channels of all pixels
    double differentShare = 0.0;  // share of pixels with some channel off by more than 16
};
ImageDifference compareImages(const QImage &a, const QImage &b);

// The share of pixels of either picture that have no pixel within one step in the other
// whose channels are all within `tolerance`: small when two pictures differ only in how
// edges are antialiased, large when a shape is missing, moved or added.
double unmatchedShare(const QImage &a, const QImage &b, int tolerance);

// Whether every pixel of `area` in `a` equals the one in `b`.
bool sameArea(const QImage &a, const QImage &b, const QRect &area);
