// The chart draws only a few samples of each run that shares a percent, and draws them with
// shapes chosen for speed. These tests render the widget and compare it with the same data
// drawn sample by sample, so that neither shortcut can change the picture unnoticed.
#include "chartimages.h"
#include "speedchartwidget.h"

#include <QtTest>

class TestChartReduction : public QObject
{
    Q_OBJECT
private slots:
    void reducedMatchesEverySample_data();
    void reducedMatchesEverySample();
    void fastShapesMatchPlainPaths_data();
    void fastShapesMatchPlainPaths();
    void carelessThinningIsCaught();
};

namespace {
// Pixels may differ by this much per channel and one pixel in place...
constexpr int kTolerance = 32;
// ...and this share of them may not match at all.
constexpr double kMostUnmatched = 0.003;

QString describe(const ImageDifference &d)
{
    return QStringLiteral("max %1, mean %2, share of pixels off %3")
        .arg(d.maxChannel)
        .arg(d.meanChannel, 0, 'f', 4)
        .arg(d.differentShare, 0, 'f', 5);
}
}  // namespace

void TestChartReduction::reducedMatchesEverySample_data()
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

// The widget's reduced drawing against every sample drawn with the same shapes: the runs
// it thins out lie on one x, so the pictures are the same.
void TestChartReduction::reducedMatchesEverySample()
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

    const QImage reduced = renderWidget(chart);
    const QImage full =
        paintScene(data.scene(chart, readVisible, QStringLiteral("写入"), QStringLiteral("读取")));
    const ImageDifference d = compareImages(reduced, full);
    qDebug().noquote() << describe(d);
    QCOMPARE(d.maxChannel, 0);
}

void TestChartReduction::fastShapesMatchPlainPaths_data()
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

// The fast shapes against plain paths through the same points, one sample per percent. Only
// the antialiasing of the line's joins may differ. (Where hundreds of samples share a
// percent a plain path retraces itself, and the rasterizer then adds up the edge coverage
// of every pass; the fast shapes draw each pixel's true coverage once. That is why this
// comparison keeps to curves that do not turn back.)
void TestChartReduction::fastShapesMatchPlainPaths()
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
    const QImage plain = paintScene(scene);

    const double unmatched = unmatchedShare(fast, plain, kTolerance);
    qDebug().noquote() << describe(compareImages(fast, plain)) << "unmatched" << unmatched;
    QVERIFY2(unmatched < kMostUnmatched, qPrintable(QString::number(unmatched)));
}

// The comparisons must be able to fail: keeping every 10th sample instead of each run's
// extremes loses the stalls and the peaks, and that shows.
void TestChartReduction::carelessThinningIsCaught()
{
    TestChartData data = noisyChartData(2, 3000, 11);
    SpeedChartWidget chart;
    chart.resize(900, 300);
    data.feed(chart);
    data.drawEveryNth(10);
    const QImage thinned =
        paintScene(data.scene(chart, true, QStringLiteral("写入"), QStringLiteral("读取")));
    const QImage reduced = renderWidget(chart);

    QVERIFY(compareImages(reduced, thinned).maxChannel > 0);
    const double unmatched = unmatchedShare(reduced, thinned, kTolerance);
    qDebug() << "unmatched" << unmatched;
    QVERIFY2(unmatched > 2 * kMostUnmatched, qPrintable(QString::number(unmatched)));
}

QTEST_MAIN(TestChartReduction)
#include "tst_chartreduction.moc"
