#pragma once

#include "chartpainter.h"
#include "speedchartwidget.h"

#include <QImage>
#include <QVector>

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

QStringList chartStreams(int count);
QImage renderWidget(SpeedChartWidget &chart);
QImage paintScene(const ChartScene &scene);

// The largest difference of one channel between two pictures of one size, 0..255.
int maxChannelDifference(const QImage &a, const QImage &b);
// The share of pixels of either picture that have no pixel within one step in the other
// whose channels are all within `tolerance`: small when two pictures differ only in how
// edges are antialiased, large when a shape is missing, moved or added.
double unmatchedShare(const QImage &a, const QImage &b, int tolerance);

// A chart on screen that counts its paint events, so that a test sees repaints happen.
class ShownChart : public SpeedChartWidget
{
public:
    ShownChart(const QSize &size, int streams);
    // Shown and painted once; false if the platform never exposed it.
    bool isReady() const { return m_ready; }
    // Lets every queued event run.
    void settle();
    // Waits up to a second for a paint.
    bool repainted();

    int paints = 0;  // since it was ready, unless a test resets it

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_ready = false;
};
