// The live chart: its scale, how a sample enters its series, where the halves lie, and the
// widget judged by what it renders.
#include "chartgeometry.h"
#include "chartpainter.h"
#include "chartpalette.h"
#include "chartscale.h"
#include "chartseries.h"
#include "samplereducer.h"
#include "speedchartwidget.h"

#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// The series of one stream and pass, built by the same rule the chart uses.
struct Curve {
    QVector<int> percent;
    QVector<double> raw, smooth;
    QVector<int> indices;  // every drawable sample
};

// Noisy streams rising through the percents: a fast start, a slower middle and now and then
// a deep stall. Fed to a widget, or painted as a scene with every sample.
struct ChartData {
    QVector<Curve> write, read;
    double writeLargest = 0.0, readLargest = 0.0;

    ChartData(int streams, int count, unsigned seed)
        : write(streams)
        , read(streams)
    {
        QRandomGenerator random(seed);
        for (int s = 0; s < streams; ++s) {
            for (int j = 0; j < count; ++j) {
                const int percent = int((qint64(j) + 1) * 100 / count);
                double speed = (j < count / 8 ? 70.0 : 30.0) + 6.0 * s;
                speed *= random.bounded(100) == 0 ? 0.1 : 0.75 + 0.5 * random.generateDouble();
                const double back = (80.0 + 5.0 * s) * (0.8 + 0.4 * random.generateDouble());
                appendChartSample(write[s].percent, write[s].raw, write[s].smooth, percent, speed);
                appendChartSample(read[s].percent, read[s].raw, read[s].smooth, percent, back);
            }
            for (Curve *c : {&write[s], &read[s]}) {
                c->indices = drawableIndices(c->smooth);
                double &largest = c == &write[s] ? writeLargest : readLargest;
                largest = std::max(largest, *std::max_element(c->smooth.begin(), c->smooth.end()));
            }
        }
    }

    void feed(SpeedChartWidget &chart) const
    {
        chart.setStreams(QVector<QString>(write.size(), QStringLiteral("s")).toList());
        for (int s = 0; s < write.size(); ++s) {
            for (int j = 0; j < write[s].raw.size(); ++j) {
                chart.addWriteSample(s, write[s].percent[j], write[s].raw[j]);
                chart.addReadSample(s, read[s].percent[j], read[s].raw[j]);
            }
        }
    }

    // With the size, colours and font of `look`, and the titles of a chart without translator.
    ChartScene scene(const QWidget &look, bool readVisible) const
    {
        ChartScene scene;
        scene.size = look.size();
        scene.readVisible = readVisible;
        scene.background = look.palette().color(QPalette::Window);
        scene.fontFamily = look.font().family();
        scene.writeMax = scaleMaximum(writeLargest);
        scene.readMax = scaleMaximum(readLargest);
        for (int s = 0; s < write.size(); ++s) {
            scene.write.append(HalfCurve{&write[s].percent, &write[s].smooth, &write[s].indices});
            scene.read.append(HalfCurve{&read[s].percent, &read[s].smooth, &read[s].indices});
        }
        scene.writeTitle = QStringLiteral("写入");
        scene.readTitle = QStringLiteral("读取");
        return scene;
    }
};

QImage render(QWidget &chart)
{
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    chart.render(&image);
    return image;
}

QImage paint(const ChartScene &scene)
{
    QImage image(scene.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintSpeedChart(painter, scene);
    return image;
}

}  // namespace

class TestChart : public QObject
{
    Q_OBJECT
private slots:
    void scale_data()
    {
        QTest::addColumn<double>("largest");
        QTest::addColumn<QStringList>("labels");
        // 8 % headroom, never below 10 MB/s; labels have one decimal below 10, none above.
        const QStringList upTo12{"0.0", "2.4", "4.8", "7.2", "9.6", "12"};
        QTest::newRow("no data") << 0.0 << upTo12;
        QTest::newRow("not a number") << std::nan("") << upTo12;
        QTest::newRow("92: 99.36 -> 100")
            << 92.0 << QStringList{"0.0", "20", "40", "60", "80", "100"};
        QTest::newRow("93: 100.44 -> 120")
            << 93.0 << QStringList{"0.0", "24", "48", "72", "96", "120"};
    }

    void scale()
    {
        QFETCH(double, largest);
        QTEST(scaleLabels(scaleMaximum(largest)), "labels");
    }

    // A step equal to the value is the value; zero and infinity come back unchanged.
    void niceCeil()
    {
        const double inf = std::numeric_limits<double>::infinity();
        const double rows[][2] = {{10.8, 12},  {8, 8},      {8.01, 10}, {100, 100},
                                  {1.01, 1.2}, {0.09, 0.1}, {0, 0},     {inf, inf}};
        for (const auto &r : rows)
            QCOMPARE(::niceCeil(r[0]), r[1]);
    }

    // Raw speeds 1, 2, 3, ...: up to 15 samples the mean of 1..n, then of the last 15. The
    // mean has no memory beyond its window (a running sum would drift after huge values), and
    // the percent is bounded while the speed is kept as given.
    void series()
    {
        QVector<int> percents;
        QVector<double> raw, smooth;
        for (int n = 1; n <= 40; ++n)
            appendChartSample(percents, raw, smooth, 50, n);
        QCOMPARE(smooth[1], 1.5);
        QCOMPARE(smooth[14], 8.0);
        QCOMPARE(smooth[15], 9.0);
        for (int i = 0; i < 100000; ++i)
            appendChartSample(percents, raw, smooth, 50, i % 2 ? 1e12 : 0.1);
        for (int i = 0; i < 15; ++i)
            appendChartSample(percents, raw, smooth, i ? 101 : -7, 5.0);
        QCOMPARE(smooth.last(), 5.0);
        QCOMPARE(raw.last(), 5.0);
        QCOMPARE(percents.mid(percents.size() - 15, 2), (QVector<int>{0, 100}));
    }

    // The write half runs from the plot's left edge to the middle and the read half on to its
    // right edge; without the read half the write half is the whole, wider plot. Speed grows
    // upwards from the plot's bottom. Eight stream colours, then the first again.
    void halves()
    {
        const ChartGeometry shown = chartGeometry(QSize(901, 300), true);
        QCOMPARE(shown.writeX(0), double(shown.x1));
        QCOMPARE(shown.writeX(100), shown.x1 + shown.plotWidth / 2.0);
        QCOMPARE(shown.readX(0), shown.middle);
        QCOMPARE(shown.readX(100), double(shown.x2));
        const ChartGeometry hidden = chartGeometry(QSize(901, 300), false);
        QCOMPARE(hidden.writeX(100), double(hidden.x1 + hidden.plotWidth));
        QCOMPARE(shown.speedY(60.0, 60.0), double(shown.y2 - shown.plotHeight));
        QCOMPARE(shown.speedY(30.0, 60.0), shown.y2 - shown.plotHeight / 2.0);
        QVERIFY(streamColor(7) != streamColor(0));
        QCOMPARE(streamColor(8), streamColor(0));
    }

    // clearSamples drops every sample and keeps the streams, and the scales start again from
    // the next samples. Samples of streams the chart does not have
    // are dropped: far above everything else, they would change the scale.
    void samplesDropped()
    {
        const ChartData data(3, 300, 5);
        SpeedChartWidget used, empty;
        used.resize(700, 250);
        empty.resize(700, 250);
        empty.setStreams({"a", "b", "c"});
        data.feed(used);
        used.clearSamples();
        for (int stream : {-1, 3}) {
            used.addWriteSample(stream, 50, 5000.0);
            used.addReadSample(stream, 50, 5000.0);
        }
        QVERIFY(render(used) == render(empty));
        used.addWriteSample(0, 50, 5.0);  // alone gives the 0..12 scale
        empty.addWriteSample(0, 50, 5.0);
        QVERIFY(render(used) == render(empty));
    }

    void reducedMatchesEverySample_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("streams");
        QTest::addColumn<bool>("readVisible");
        QTest::newRow("wide, 4 streams x 20000") << QSize(1300, 400) << 4 << true;
        // Narrower than 100 pixels per half: several percents share a pixel column.
        QTest::newRow("narrow, read hidden") << QSize(260, 180) << 2 << false;
    }

    // The widget draws only the extremes of each run of samples that share a percent; those
    // lie on one x, so its picture is that of every sample drawn.
    void reducedMatchesEverySample()
    {
        QFETCH(QSize, size);
        QFETCH(int, streams);
        QFETCH(bool, readVisible);
        const ChartData data(streams, 20000, 7);
        SpeedChartWidget chart;
        chart.resize(size);
        chart.setReadVisible(readVisible);
        data.feed(chart);
        QVERIFY(render(chart) == paint(data.scene(chart, readVisible)));
    }
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
