#include "speedchartwidget.h"

#include "chartpainter.h"
#include "chartscale.h"
#include "chartseries.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

SpeedChartWidget::SpeedChartWidget(QWidget *parent)
    : QWidget(parent)
{
    setMinimumHeight(160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

SpeedChartWidget::~SpeedChartWidget() = default;

void SpeedChartWidget::setStreams(const QStringList &names)
{
    streamNames = names;
    const int n = names.size();
    for (auto *series : {&writePercent, &readPercent}) {
        series->clear();
        series->resize(n);
    }
    for (auto *series : {&writeSpeed, &writeSmooth, &readSpeed, &readSmooth}) {
        series->clear();
        series->resize(n);
    }
    resetCaches();
    update();
}

void SpeedChartWidget::clearSamples()
{
    for (auto *series : {&writePercent, &readPercent}) {
        for (QVector<int> &s : *series)
            s.clear();
    }
    for (auto *series : {&writeSpeed, &writeSmooth, &readSpeed, &readSmooth}) {
        for (QVector<double> &s : *series)
            s.clear();
    }
    resetCaches();
    update();
}

void SpeedChartWidget::addWriteSample(int stream, int percent, double mbps)
{
    if (stream < 0 || stream >= streamNames.size())
        return;
    addSample(writePercent[stream], writeSpeed[stream], writeSmooth[stream], writeReduced[stream],
              writeLargest, percent, mbps);
}

void SpeedChartWidget::addReadSample(int stream, int percent, double mbps)
{
    if (stream < 0 || stream >= streamNames.size())
        return;
    addSample(readPercent[stream], readSpeed[stream], readSmooth[stream], readReduced[stream],
              readLargest, percent, mbps);
}

void SpeedChartWidget::addSample(QVector<int> &percent, QVector<double> &raw,
                                 QVector<double> &smooth, SampleReducer &reduced, double &largest,
                                 int samplePercent, double mbps)
{
    const double smoothed = appendChartSample(percent, raw, smooth, samplePercent, mbps);
    reduced.add(percent.last(), smoothed);
    // Only finite speeds can set a scale.
    if (std::isfinite(smoothed) && smoothed > largest)
        largest = smoothed;
    update();
}

void SpeedChartWidget::setReadVisible(bool visible)
{
    readVisible = visible;
    update();
}

void SpeedChartWidget::resetCaches()
{
    const int n = streamNames.size();
    writeReduced = QVector<SampleReducer>(n);
    readReduced = QVector<SampleReducer>(n);
    writeLargest = 0.0;
    readLargest = 0.0;
}

void SpeedChartWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintChart(painter, size());
}

void SpeedChartWidget::paintChart(QPainter &painter, const QSize &size) const
{
    const int n = streamNames.size();

    ChartScene scene;
    scene.size = size;
    scene.readVisible = readVisible;
    scene.background = palette().color(QPalette::Window);
    scene.fontFamily = font().family();
    scene.writeMax = scaleMaximum(writeLargest);
    scene.readMax = scaleMaximum(readLargest);
    scene.write.resize(n);
    scene.read.resize(n);
    for (int s = 0; s < n; ++s) {
        scene.write[s] = HalfCurve{&writePercent[s], &writeSmooth[s], &writeReduced[s].indices()};
        scene.read[s] = HalfCurve{&readPercent[s], &readSmooth[s], &readReduced[s].indices()};
    }
    // Looked up at paint time, so a language switch only needs a repaint.
    scene.writeTitle = tr("写入");
    scene.readTitle = tr("读取");
    paintSpeedChart(painter, scene);
}

void SpeedChartWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        update();
    QWidget::changeEvent(event);
}
