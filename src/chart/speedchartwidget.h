#pragma once

#include "samplereducer.h"

#include <QStringList>
#include <QVector>
#include <QWidget>

class QPainter;

// The live chart of write and read speed per stream: the write pass fills the left half of
// the plot, the read pass the right half, each stream a translucent area under a solid
// line in its own colour, against the progress of its pass. Every sample is smoothed over
// the last 15 and kept until the streams are set again or cleared. Repaints whenever data
// arrive; it has no timer of its own.
class SpeedChartWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SpeedChartWidget(QWidget *parent = nullptr);
    ~SpeedChartWidget() override;

    // One entry per stream; only the count matters. Drops every sample.
    void setStreams(const QStringList &names);
    // Drops every sample and keeps the streams.
    void clearSamples();
    // A sample of `stream` at `percent` of its pass (bounded to 0..100) with the speed in
    // MB/s. Samples of streams the chart does not have are ignored.
    void addWriteSample(int stream, int percent, double mbps);
    void addReadSample(int stream, int percent, double mbps);
    // Shows or hides the read half with its scale.
    void setReadVisible(bool visible);
    // The chart as it stands, painted at `size` with `painter` (a picture of the results).
    void paintChart(QPainter &painter, const QSize &size) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void resetCaches();
    void addSample(QVector<int> &percent, QVector<double> &raw, QVector<double> &smooth,
                   SampleReducer &reduced, double &largest, int samplePercent, double mbps);

    QStringList streamNames;
    QVector<QVector<int>> writePercent;
    QVector<QVector<double>> writeSpeed;
    QVector<QVector<double>> writeSmooth;
    QVector<QVector<int>> readPercent;
    QVector<QVector<double>> readSpeed;
    QVector<QVector<double>> readSmooth;
    bool readVisible = true;

    // Kept up to date as samples arrive, so that a paint never walks every sample of a long
    // test: the samples worth drawing per stream and pass, and the largest smoothed speed
    // per pass. Dropped with the samples.
    QVector<SampleReducer> writeReduced;
    QVector<SampleReducer> readReduced;
    double writeLargest = 0.0;
    double readLargest = 0.0;
};
