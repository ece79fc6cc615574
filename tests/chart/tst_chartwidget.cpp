// The chart widget as the window uses it, judged by what it renders: streams set and
// cleared, samples dropped or drawn, the read half shown or hidden, colours, repaints,
// titles that follow the language, and the shortcuts it takes to draw long tests quickly.
#include "chartfixture.h"
#include "chartgeometry.h"
#include "i18n.h"

#include <QtTest>

#include <climits>

namespace {
const QColor kPlotFill(0xFA, 0xFA, 0xFA);
// Reduced drawings may differ by this much per channel and one pixel in place...
constexpr int kTolerance = 32;
// ...and this share of pixels may not match at all.
constexpr double kMostUnmatched = 0.003;

// Every pixel of `area` has `colour`.
bool uniform(const QImage &image, const QRect &area, const QColor &colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y).rgb() != colour.rgb())
                return false;
        }
    }
    return true;
}

// A pixel under a translucent area of the first stream's blue over the plot's grey.
bool bluish(const QColor &c)
{
    return c.rgb() != kPlotFill.rgb() && c.blue() > c.red() + 10;
}

void addSample(SpeedChartWidget &chart, bool read, int stream, int percent, double mbps)
{
    if (read)
        chart.addReadSample(stream, percent, mbps);
    else
        chart.addWriteSample(stream, percent, mbps);
}
}  // namespace

class TestChartWidget : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        if (I18n::Translator *t = I18n::instance()->installedTranslator())
            QCoreApplication::removeTranslator(t);
    }

    // Without streams only the plot, its grid, scales and frame are drawn; a stream brings
    // the divider, the half titles and the legend.
    void streamsBringDividerTitlesAndLegend()
    {
        QWidget parent;
        auto *chart = new SpeedChartWidget(&parent);
        QCOMPARE(chart->minimumHeight(), 160);
        QCOMPARE(chart->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(chart->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
        chart->resize(601, 200);
        const ChartGeometry g = chartGeometry(chart->size(), true);
        const QRect dividerColumn(int(g.middle), g.y1 + 20, 1, 10);  // 328.5: one whole column
        const QRect titles(g.x1, g.y2 + 2, g.plotWidth, 18);
        const QRect legendRow(g.x1 + 2, g.y1 + 4, g.plotWidth - 4, 12);
        const QColor background = chart->palette().color(QPalette::Window);

        const QImage empty = renderWidget(*chart);
        QVERIFY(uniform(empty, dividerColumn, kPlotFill));
        QVERIFY(uniform(empty, titles, background));
        QVERIFY(uniform(empty, legendRow, kPlotFill));
        chart->setStreams(chartStreams(1));
        const QImage oneStream = renderWidget(*chart);
        QVERIFY(!uniform(oneStream, dividerColumn, kPlotFill));
        QVERIFY(!uniform(oneStream, titles, background));
        QVERIFY(!uniform(oneStream, legendRow, kPlotFill));
    }

    // setStreams drops every sample; clearSamples drops them and keeps the streams, and the
    // scales start again from the next samples.
    void samplesDropped()
    {
        const TestChartData data = noisyChartData(3, 300, 5);
        SpeedChartWidget used, streamsOnly, nothing;
        for (SpeedChartWidget *chart : {&used, &streamsOnly, &nothing})
            chart->resize(700, 250);
        streamsOnly.setStreams(chartStreams(3));
        data.feed(used);
        const QImage withSamples = renderWidget(used);
        used.setStreams(chartStreams(3));
        QVERIFY(renderWidget(used) == renderWidget(streamsOnly));
        QVERIFY(renderWidget(used) != withSamples);

        data.feed(used);
        used.clearSamples();
        QVERIFY(renderWidget(used) == renderWidget(streamsOnly));
        QVERIFY(renderWidget(used) != renderWidget(nothing));
        used.addWriteSample(0, 50, 5.0);  // alone gives the 0..12 scale
        streamsOnly.addWriteSample(0, 50, 5.0);
        QVERIFY(renderWidget(used) == renderWidget(streamsOnly));
    }

    void outOfRangeSamplesAreDropped_data()
    {
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("stream");
        QTest::newRow("write, stream -1") << false << -1;
        QTest::newRow("write, stream 2 of 2") << false << 2;
        QTest::newRow("write, highest int") << false << INT_MAX;
        QTest::newRow("read, stream 2 of 2") << true << 2;
        QTest::newRow("read, lowest int") << true << INT_MIN;
    }

    // Dropped without a trace and without a repaint; the same sample for a stream the chart
    // has does show.
    void outOfRangeSamplesAreDropped()
    {
        QFETCH(bool, read);
        QFETCH(int, stream);
        ShownChart chart(QSize(700, 250), 2);
        QVERIFY(chart.isReady());
        noisyChartData(2, 200, 9).feed(chart);
        chart.settle();
        const QImage before = renderWidget(chart);  // a paint too
        chart.paints = 0;

        // Far above everything else: it would change the scale wherever it landed.
        for (int p = 0; p <= 100; p += 10)
            addSample(chart, read, stream, p, 5000.0);
        chart.settle();
        QCOMPARE(chart.paints, 0);
        QVERIFY(renderWidget(chart) == before);

        addSample(chart, read, 1, 100, 5000.0);
        QVERIFY(chart.repainted());
        QVERIFY(renderWidget(chart) != before);
    }

    // Many samples between two paint events cost one repaint; setReadVisible repaints even
    // when nothing changes.
    void repaints()
    {
        ShownChart chart(QSize(500, 200), 4);
        QVERIFY(chart.isReady());
        for (int s = 0; s < 4; ++s) {
            for (int p = 0; p < 50; ++p) {
                chart.addWriteSample(s, p, 20.0 + p);
                chart.addReadSample(s, p, 40.0 + p);
            }
        }
        QVERIFY(chart.repainted());
        chart.settle();
        QCOMPARE(chart.paints, 1);

        chart.paints = 0;
        chart.setReadVisible(true);
        QVERIFY(chart.repainted());
    }

    // One stream written at a steady 30 MB/s from 0 to 100 %, nothing read.
    void readHalfHidden()
    {
        SpeedChartWidget chart;
        chart.resize(1300, 400);
        chart.setStreams(chartStreams(1));
        for (int p = 0; p <= 100; ++p)
            chart.addWriteSample(0, p, 30.0);
        const QColor background = chart.palette().color(QPalette::Window);

        // Shown: the write area ends in the middle (650), the read half is empty, and the read
        // scale stands right of the plot (x2 = 1244).
        const QImage shown = renderWidget(chart);
        QVERIFY(bluish(shown.pixelColor(600, 370)));
        QCOMPARE(shown.pixelColor(1200, 370), kPlotFill);
        QCOMPARE(shown.pixelColor(1280, 370), background);
        QVERIFY(!uniform(shown, QRect(1248, 0, 47, 390), background));

        // Hidden: the plot reaches 10 pixels from the edge (x2 = 1289) and the write area
        // spans all of it; no read scale or unit is left.
        chart.setReadVisible(false);
        const QImage hidden = renderWidget(chart);
        for (int x : {600, 1200, 1280})
            QVERIFY(bluish(hidden.pixelColor(x, 370)));
        QVERIFY(uniform(hidden, QRect(1291, 0, 9, 400), background));
    }

    // Legend swatches in the stream colours; the ninth reuses the first.
    void ninthStreamReusesFirstColour()
    {
        SpeedChartWidget chart;
        chart.resize(1300, 400);
        chart.setStreams(chartStreams(9));
        const QImage image = renderWidget(chart);
        const ChartGeometry g = chartGeometry(chart.size(), true);
        const int left = g.legendLeft(9);
        auto swatch = [&](int k) { return image.pixelColor(g.legendSwatch(left, k).center()); };
        QCOMPARE(swatch(0), QColor(0x21, 0x96, 0xF3));
        QCOMPARE(swatch(1), QColor(0x4C, 0xAF, 0x50));
        QCOMPARE(swatch(7), QColor(0x79, 0x55, 0x48));
        QCOMPARE(swatch(8), QColor(0x21, 0x96, 0xF3));
        QCOMPARE(swatch(9), kPlotFill);  // nothing beyond the ninth item
    }

    // The titles are looked up at paint time: a language switch repaints them without any
    // new sample.
    void halfTitlesFollowLanguage()
    {
        ShownChart chart(QSize(600, 200), 1);
        QVERIFY(chart.isReady());
        TestChartData oneEmptyStream;
        oneEmptyStream.write.resize(1);
        oneEmptyStream.read.resize(1);
        auto withTitles = [&](const char *write, const char *read) {
            return paintScene(oneEmptyStream.scene(chart, true, QString::fromUtf8(write),
                                                   QString::fromUtf8(read)));
        };
        const QImage english = withTitles("Write", "Read");
        QVERIFY(renderWidget(chart) == withTitles("写入", "读取"));  // no translator yet
        QVERIFY(renderWidget(chart) != english);

        I18n::instance()->applyLanguage(English);
        QVERIFY(chart.repainted());
        QVERIFY(renderWidget(chart) == english);
    }

    void reducedMatchesEverySample_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("streams");
        QTest::addColumn<int>("samples");
        QTest::addColumn<bool>("readVisible");
        QTest::newRow("wide, 4 streams x 20000") << QSize(1300, 400) << 4 << 20000 << true;
        QTest::newRow("read half hidden") << QSize(1300, 400) << 3 << 6000 << false;
        // Narrower than 100 pixels per half: several percents share a pixel column.
        QTest::newRow("narrow, 2 streams x 5000") << QSize(260, 180) << 2 << 5000 << true;
        QTest::newRow("one stream, strong fill") << QSize(800, 300) << 1 << 8000 << true;
    }

    // The widget draws only a few samples of each run that shares a percent; those runs lie
    // on one x, so its picture equals every sample drawn with the same shapes.
    void reducedMatchesEverySample()
    {
        QFETCH(QSize, size);
        QFETCH(int, streams);
        QFETCH(int, samples);
        QFETCH(bool, readVisible);
        TestChartData data = noisyChartData(streams, samples, 7);
        SpeedChartWidget chart;
        chart.resize(size);
        chart.setReadVisible(readVisible);
        data.feed(chart);
        data.drawEverySample();
        const QImage full = paintScene(
            data.scene(chart, readVisible, QStringLiteral("写入"), QStringLiteral("读取")));
        QCOMPARE(maxChannelDifference(renderWidget(chart), full), 0);
    }

    // The comparison above can fail: keeping every 10th sample instead of each run's
    // extremes loses the stalls and the peaks, and that shows.
    void carelessThinningIsCaught()
    {
        TestChartData data = noisyChartData(2, 3000, 11);
        SpeedChartWidget chart;
        chart.resize(900, 300);
        data.feed(chart);
        data.drawEveryNth(10);
        const QImage thinned =
            paintScene(data.scene(chart, true, QStringLiteral("写入"), QStringLiteral("读取")));
        const QImage reduced = renderWidget(chart);
        QVERIFY(maxChannelDifference(reduced, thinned) > 0);
        const double unmatched = unmatchedShare(reduced, thinned, kTolerance);
        QVERIFY2(unmatched > 2 * kMostUnmatched, qPrintable(QString::number(unmatched)));
    }

    void fastShapesMatchPlainPaths_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("streams");
        QTest::addColumn<bool>("readVisible");
        QTest::newRow("two streams") << QSize(900, 300) << 2 << true;
        QTest::newRow("one stream, strong fill") << QSize(900, 300) << 1 << true;
        QTest::newRow("read half hidden") << QSize(900, 300) << 3 << false;
        QTest::newRow("sixteen streams") << QSize(1300, 400) << 16 << true;
        QTest::newRow("narrow") << QSize(260, 180) << 2 << true;
    }

    // The fast shapes against plain paths through the same points, one sample per percent:
    // only the antialiasing of the line's joins may differ. (Where many samples share a
    // percent a plain path retraces itself and the rasterizer adds up the edge coverage of
    // every pass, so this comparison keeps to curves that do not turn back.)
    void fastShapesMatchPlainPaths()
    {
        QFETCH(QSize, size);
        QFETCH(int, streams);
        QFETCH(bool, readVisible);
        TestChartData data = noisyChartData(streams, 101, 11);
        data.drawEverySample();
        QWidget look;
        look.resize(size);
        ChartScene scene = data.scene(look, readVisible, QStringLiteral("W"), QStringLiteral("R"));
        const QImage fast = paintScene(scene);
        scene.plainPaths = true;
        const double unmatched = unmatchedShare(fast, paintScene(scene), kTolerance);
        QVERIFY2(unmatched < kMostUnmatched, qPrintable(QString::number(unmatched)));
    }
};

QTEST_MAIN(TestChartWidget)
#include "tst_chartwidget.moc"
