// The live chart: its scale, how a sample enters its series, where the halves lie, the
// shapes a curve is drawn with, and the widget as the window uses it, judged by what it
// renders, with the shortcuts it takes to draw long tests quickly.
#include "chartgeometry.h"
#include "chartpainter.h"
#include "chartpalette.h"
#include "chartscale.h"
#include "chartseries.h"
#include "curveshapes.h"
#include "i18n.h"
#include "samplereducer.h"
#include "speedchartwidget.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The series of one stream and pass, built by the same rule the chart uses.
struct Curve {
    QVector<int> percent;
    QVector<double> raw, smooth;
    QVector<int> indices;  // the samples a scene draws: every drawable one
};

// Noisy streams rising through the percents: a fast start, a slower middle and now and
// then a deep stall. Fed to a widget, or painted as a scene with every sample.
struct ChartData {
    QVector<Curve> write, read;

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
            write[s].indices = drawableIndices(write[s].smooth);
            read[s].indices = drawableIndices(read[s].smooth);
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

    // With the size, colours and font of `look`, and the titles of a chart without
    // translator.
    ChartScene scene(const QWidget &look, bool readVisible) const
    {
        ChartScene scene;
        scene.size = look.size();
        scene.readVisible = readVisible;
        scene.background = look.palette().color(QPalette::Window);
        scene.fontFamily = look.font().family();
        scene.writeMax = scaleMaximum(largest(write));
        scene.readMax = scaleMaximum(largest(read));
        for (int s = 0; s < write.size(); ++s) {
            scene.write.append(HalfCurve{&write[s].percent, &write[s].smooth, &write[s].indices});
            scene.read.append(HalfCurve{&read[s].percent, &read[s].smooth, &read[s].indices});
        }
        scene.writeTitle = QStringLiteral("写入");
        scene.readTitle = QStringLiteral("读取");
        return scene;
    }

    static double largest(const QVector<Curve> &curves)
    {
        double most = 0.0;
        for (const Curve &c : curves)
            most = std::max(most, *std::max_element(c.smooth.begin(), c.smooth.end()));
        return most;
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

// `polygons` filled one by one with a translucent brush, as the chart fills its areas.
QImage fill(const QVector<QPolygonF> &polygons)
{
    QImage image(620, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(33, 150, 243, 90));
    for (const QPolygonF &polygon : polygons)
        p.drawPolygon(polygon);
    return image;
}

int distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// The share of pixels of `a` with no pixel within one step in `b` whose channels are all
// within 32: small when two pictures differ only in how edges are antialiased, large when
// a shape is missing, moved or added.
double unmatchedShare(const QImage &a, const QImage &b)
{
    qint64 unmatched = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            bool matched = false;
            for (int d = 0; d < 9 && !matched; ++d) {
                const QPoint q(x + d % 3 - 1, y + d / 3 - 1);
                matched = b.rect().contains(q) && distance(a.pixel(x, y), b.pixel(q)) <= 32;
            }
            unmatched += matched ? 0 : 1;
        }
    }
    return unmatched / (double(a.width()) * a.height());
}

}  // namespace

class TestChart : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        if (I18n::Translator *t = I18n::instance()->installedTranslator())
            QCoreApplication::removeTranslator(t);
    }

    void niceCeil_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        // A step equal to x is x itself; zero and infinity come back unchanged.
        const double rows[][2] = {{10.8, 12},  {8, 8},      {8.01, 10}, {100, 100},
                                  {1.01, 1.2}, {0.09, 0.1}, {0, 0},     {kInf, kInf}};
        for (const auto &r : rows)
            QTest::addRow("%g", r[0]) << r[0] << r[1];
    }

    void niceCeil()
    {
        QFETCH(double, x);
        QFETCH(double, expected);
        QCOMPARE(::niceCeil(x), expected);
    }

    void scale_data()
    {
        QTest::addColumn<double>("largest");
        QTest::addColumn<QStringList>("labels");
        // 8 % headroom, never below 10 MB/s; labels have one decimal below 10, none above.
        const QStringList upTo12{"0.0", "2.4", "4.8", "7.2", "9.6", "12"};
        QTest::newRow("no data") << 0.0 << upTo12;
        QTest::newRow("not a number") << kNaN << upTo12;
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

    // Raw speeds 1, 2, 3, ...: up to 15 samples the mean of 1..n, then of the last 15. The
    // mean has no memory beyond its window (a running sum would drift after huge values),
    // and the percent is bounded while the speed is kept as given.
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

    // The write half runs from the plot's left edge to the middle and the read half on to
    // its right edge; without the read half the write half is the whole, wider plot. Speed
    // grows upwards from the plot's bottom.
    void halves()
    {
        const ChartGeometry shown = chartGeometry(QSize(901, 300), true);
        QCOMPARE(shown.middle, shown.x1 + shown.plotWidth / 2.0);
        QCOMPARE(shown.writeX(0), double(shown.x1));
        QCOMPARE(shown.writeX(100), shown.middle);
        QCOMPARE(shown.readX(0), shown.middle);
        QCOMPARE(shown.readX(100), double(shown.x2));
        const ChartGeometry hidden = chartGeometry(QSize(901, 300), false);
        QVERIFY(hidden.x2 > shown.x2);
        QCOMPARE(hidden.writeX(100), double(hidden.x1 + hidden.plotWidth));
        QCOMPARE(shown.speedY(0.0, 60.0), double(shown.y2));
        QCOMPARE(shown.speedY(60.0, 60.0), double(shown.y2 - shown.plotHeight));
        QCOMPARE(shown.speedY(30.0, 60.0), shown.y2 - shown.plotHeight / 2.0);
        // Eight stream colours, then the first again.
        QVERIFY(streamColor(7) != streamColor(0));
        QCOMPARE(streamColor(8), streamColor(0));
    }

    // On x = 2 the curve goes 6, 3, 9, 4: its line is one span from 3 to 9 and the links to
    // where it arrives and leaves, and only those two bound its area.
    void curveShapes()
    {
        const QVector<QPointF> vertices{{0, 5}, {2, 6}, {2, 3}, {2, 9}, {2, 4}, {4, 4}};
        const LineSegments line = lineSegments(vertices);
        QCOMPARE(line.spans, (QVector<QLineF>{QLineF(2, 3, 2, 9)}));
        QCOMPARE(line.links, (QVector<QLineF>{QLineF(0, 5, 2, 6), QLineF(2, 4, 4, 4)}));
        QCOMPARE(areaOutline(vertices, 20.0),
                 QPolygonF({{0, 20}, {0, 5}, {2, 6}, {2, 4}, {4, 4}, {4, 20}}));
    }

    void stripsCoverTheOutline_data()
    {
        QTest::addColumn<QVector<QPointF>>("vertices");
        QVector<QPointF> zigzag, sawtooth;
        for (int i = 0; i <= 100; ++i) {
            const double x = 10.3 + 5.87 * i;
            zigzag.append(QPointF(x, 60.0 + 50.0 * ((i * 53) % 17) / 17.0));
            zigzag.append(QPointF(x, 30.0 + 80.0 * ((i * 29) % 13) / 13.0));
            // Three passes over the same columns, as a curve whose percent starts again.
            sawtooth.append(QPointF(10.3 + 17.61 * (i % 34), 40.0 + (i * 7) % 90));
        }
        QTest::newRow("two points per column") << zigzag;
        QTest::newRow("going back over itself") << sawtooth;
    }

    // The strips filled one by one give the picture of the whole outline filled at once: no
    // seam where two strips meet, nothing missing, nothing twice.
    void stripsCoverTheOutline()
    {
        QFETCH(QVector<QPointF>, vertices);
        const QPolygonF outline = areaOutline(vertices, 190.0);
        const QVector<QPolygonF> strips = areaStrips(outline, 32);
        QVERIFY(strips.size() > 3);
        const QImage whole = fill({outline});
        const QImage inStrips = fill(strips);
        int worst = 0;
        for (int y = 0; y < whole.height(); ++y) {
            for (int x = 0; x < whole.width(); ++x)
                worst = std::max(worst, distance(whole.pixel(x, y), inStrips.pixel(x, y)));
        }
        QVERIFY2(worst <= 2, qPrintable(QStringLiteral("largest difference %1").arg(worst)));
    }

    // setStreams drops every sample; clearSamples drops them and keeps the streams, and the
    // scales start again from the next samples.
    void samplesDropped()
    {
        const ChartData data(3, 300, 5);
        const QStringList three{"a", "b", "c"};
        SpeedChartWidget used, empty;
        used.resize(700, 250);
        empty.resize(700, 250);
        empty.setStreams(three);
        data.feed(used);
        used.setStreams(three);
        QVERIFY(render(used) == render(empty));
        data.feed(used);
        used.clearSamples();
        QVERIFY(render(used) == render(empty));
        used.addWriteSample(0, 50, 5.0);  // alone gives the 0..12 scale
        empty.addWriteSample(0, 50, 5.0);
        QVERIFY(render(used) == render(empty));
    }

    // Samples of streams the chart does not have are dropped: far above everything else,
    // they would change the scale wherever they landed.
    void outOfRangeSamplesAreDropped()
    {
        SpeedChartWidget chart;
        chart.resize(700, 250);
        ChartData(2, 200, 9).feed(chart);
        const QImage before = render(chart);
        for (int stream : {-1, 2, INT_MIN}) {
            chart.addWriteSample(stream, 50, 5000.0);
            chart.addReadSample(stream, 50, 5000.0);
        }
        QVERIFY(render(chart) == before);
        chart.addReadSample(1, 50, 5000.0);
        QVERIFY(render(chart) != before);
    }

    // The titles are looked up at paint time, in the language installed then.
    void halfTitlesFollowLanguage()
    {
        SpeedChartWidget chart;
        chart.resize(600, 200);
        const ChartData data(1, 50, 3);
        data.feed(chart);
        ChartScene scene = data.scene(chart, true);
        QVERIFY(render(chart) == paint(scene));  // no translator yet
        I18n::instance()->applyLanguage(English);
        scene.writeTitle = QStringLiteral("Write");
        scene.readTitle = QStringLiteral("Read");
        QVERIFY(render(chart) == paint(scene));
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

    void fastShapesMatchPlainPaths_data()
    {
        QTest::addColumn<int>("streams");
        QTest::addColumn<bool>("readVisible");
        QTest::newRow("two streams") << 2 << true;
        QTest::newRow("sixteen streams, read hidden") << 16 << false;
    }

    // The fast shapes against plain paths through the same points, one sample per percent:
    // only the antialiasing of the line's joins may differ.
    void fastShapesMatchPlainPaths()
    {
        QFETCH(int, streams);
        QFETCH(bool, readVisible);
        const ChartData data(streams, 101, 11);
        QWidget look;
        look.resize(1000, 320);
        ChartScene scene = data.scene(look, readVisible);
        const QImage fast = paint(scene);
        scene.plainPaths = true;
        const QImage plain = paint(scene);
        const double unmatched = std::max(unmatchedShare(fast, plain), unmatchedShare(plain, fast));
        QVERIFY2(unmatched < 0.003, qPrintable(QString::number(unmatched)));
    }
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
