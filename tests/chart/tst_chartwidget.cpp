// The chart widget as the window uses it: streams set and cleared, samples dropped or drawn,
// the read half shown or hidden, the colours of many streams, repaints, and titles that
// follow the language.
#include "chartgeometry.h"
#include "chartimages.h"
#include "i18n.h"
#include "speedchartwidget.h"

#include <QtTest>

#include <climits>

namespace {
const QColor kPlotFill(0xFA, 0xFA, 0xFA);

QStringList names(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("stream %1").arg(i + 1);
    return list;
}

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

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// Lets every queued event run.
void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}
}  // namespace

class TestChartWidget : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void construction();
    void streamsBringDividerTitlesAndLegend();
    void setStreamsDropsSamples();
    void clearSamplesKeepsStreams();
    void outOfRangeSamplesAreDropped_data();
    void outOfRangeSamplesAreDropped();
    void droppedSampleSchedulesNoRepaint();
    void repaintsAreCoalesced();
    void setReadVisibleRepaintsEvenUnchanged();
    void readHalfHidden();
    void ninthStreamReusesFirstColour();
    void halfTitlesFollowLanguage();
};

void TestChartWidget::cleanup()
{
    if (I18n::Translator *t = I18n::instance()->installedTranslator())
        QCoreApplication::removeTranslator(t);
}

void TestChartWidget::construction()
{
    QWidget parent;
    auto *chart = new SpeedChartWidget(&parent);
    QCOMPARE(chart->parentWidget(), &parent);
    QCOMPARE(chart->minimumHeight(), 160);
    QCOMPARE(chart->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(chart->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
}

// Without streams only the plot, its grid, scales and frame are drawn.
void TestChartWidget::streamsBringDividerTitlesAndLegend()
{
    SpeedChartWidget chart;
    chart.resize(601, 200);
    const ChartGeometry g = chartGeometry(chart.size(), true);
    const int divider = int(g.middle);  // 55 + 547 / 2 = 328.5: one whole column
    const QRect dividerColumn(divider, g.y1 + 20, 1, 10);
    const QRect titles(g.x1, g.y2 + 2, g.plotWidth, 18);
    const QRect legendRow(g.x1 + 2, g.y1 + 4, g.plotWidth - 4, 12);
    const QColor background = chart.palette().color(QPalette::Window);

    const QImage empty = renderWidget(chart);
    QVERIFY(uniform(empty, dividerColumn, kPlotFill));
    QVERIFY(uniform(empty, titles, background));
    QVERIFY(uniform(empty, legendRow, kPlotFill));

    chart.setStreams(names(1));
    const QImage oneStream = renderWidget(chart);
    QVERIFY(!uniform(oneStream, dividerColumn, kPlotFill));
    QVERIFY(!uniform(oneStream, titles, background));
    QVERIFY(!uniform(oneStream, legendRow, kPlotFill));
}

void TestChartWidget::setStreamsDropsSamples()
{
    const TestChartData data = noisyChartData(2, 300, 3);
    SpeedChartWidget used;
    used.resize(700, 250);
    data.feed(used);
    const QImage withSamples = renderWidget(used);
    used.setStreams(names(2));

    SpeedChartWidget fresh;
    fresh.resize(700, 250);
    fresh.setStreams(names(2));
    const QImage expected = renderWidget(fresh);
    QVERIFY(withSamples != expected);
    QVERIFY(renderWidget(used) == expected);
}

void TestChartWidget::clearSamplesKeepsStreams()
{
    const TestChartData data = noisyChartData(3, 300, 5);
    SpeedChartWidget used;
    used.resize(700, 250);
    data.feed(used);
    used.clearSamples();

    SpeedChartWidget streamsOnly;
    streamsOnly.resize(700, 250);
    streamsOnly.setStreams(names(3));
    SpeedChartWidget nothing;
    nothing.resize(700, 250);

    QVERIFY(renderWidget(used) == renderWidget(streamsOnly));
    QVERIFY(renderWidget(used) != renderWidget(nothing));

    // The scales start again from the new samples: 5 MB/s alone gives the 0..12 scale.
    used.addWriteSample(0, 50, 5.0);
    streamsOnly.addWriteSample(0, 50, 5.0);
    QVERIFY(renderWidget(used) == renderWidget(streamsOnly));
}

void TestChartWidget::outOfRangeSamplesAreDropped_data()
{
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("stream");

    QTest::newRow("write, stream -1") << false << -1;
    QTest::newRow("write, stream 2 of 2") << false << 2;
    QTest::newRow("write, huge index") << false << INT_MAX;
    QTest::newRow("read, stream -1") << true << -1;
    QTest::newRow("read, stream 2 of 2") << true << 2;
    QTest::newRow("read, lowest int") << true << INT_MIN;
}

void TestChartWidget::outOfRangeSamplesAreDropped()
{
    QFETCH(bool, read);
    QFETCH(int, stream);

    const TestChartData data = noisyChartData(2, 200, 9);
    SpeedChartWidget chart;
    chart.resize(700, 250);
    data.feed(chart);
    const QImage before = renderWidget(chart);

    // Far above everything else: it would change the scale wherever it landed.
    for (int p = 0; p <= 100; p += 10) {
        if (read)
            chart.addReadSample(stream, p, 5000.0);
        else
            chart.addWriteSample(stream, p, 5000.0);
    }
    QVERIFY(renderWidget(chart) == before);

    // The same samples for a stream the chart has do show.
    if (read)
        chart.addReadSample(1, 100, 5000.0);
    else
        chart.addWriteSample(1, 100, 5000.0);
    QVERIFY(renderWidget(chart) != before);
}

void TestChartWidget::droppedSampleSchedulesNoRepaint()
{
    SpeedChartWidget chart;
    chart.resize(500, 200);
    chart.setStreams(names(2));
    PaintCounter counter;
    chart.installEventFilter(&counter);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTRY_VERIFY(counter.count > 0);
    settle();

    counter.count = 0;
    chart.addWriteSample(2, 10, 30.0);
    chart.addReadSample(-1, 10, 30.0);
    settle();
    QCOMPARE(counter.count, 0);

    chart.addWriteSample(1, 10, 30.0);
    QTRY_VERIFY(counter.count > 0);
}

void TestChartWidget::repaintsAreCoalesced()
{
    SpeedChartWidget chart;
    chart.resize(500, 200);
    chart.setStreams(names(4));
    PaintCounter counter;
    chart.installEventFilter(&counter);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTRY_VERIFY(counter.count > 0);
    settle();

    counter.count = 0;
    for (int s = 0; s < 4; ++s) {
        for (int p = 0; p < 50; ++p) {
            chart.addWriteSample(s, p, 20.0 + p);
            chart.addReadSample(s, p, 40.0 + p);
        }
    }
    QTRY_VERIFY(counter.count > 0);
    settle();
    QCOMPARE(counter.count, 1);
}

void TestChartWidget::setReadVisibleRepaintsEvenUnchanged()
{
    SpeedChartWidget chart;
    chart.resize(500, 200);
    PaintCounter counter;
    chart.installEventFilter(&counter);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTRY_VERIFY(counter.count > 0);
    settle();

    counter.count = 0;
    chart.setReadVisible(true);
    QTRY_VERIFY(counter.count > 0);
}

// One stream written at a steady 30 MB/s from 0 to 100 %, nothing read.
void TestChartWidget::readHalfHidden()
{
    SpeedChartWidget chart;
    chart.resize(1300, 400);
    chart.setStreams(names(1));
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

    // Hidden: the plot reaches 10 pixels from the edge (x2 = 1289) and the write area spans
    // all of it; no read scale or unit is left.
    chart.setReadVisible(false);
    const QImage hidden = renderWidget(chart);
    QVERIFY(bluish(hidden.pixelColor(600, 370)));
    QVERIFY(bluish(hidden.pixelColor(1200, 370)));
    QVERIFY(bluish(hidden.pixelColor(1280, 370)));
    QVERIFY(uniform(hidden, QRect(1291, 0, 9, 400), background));
}

void TestChartWidget::ninthStreamReusesFirstColour()
{
    SpeedChartWidget chart;
    chart.resize(1300, 400);
    chart.setStreams(names(9));
    const QImage image = renderWidget(chart);
    const ChartGeometry g = chartGeometry(chart.size(), true);
    const int left = g.legendLeft(9);
    auto swatch = [&](int k) { return image.pixelColor(g.legendSwatch(left, k).center()); };

    QCOMPARE(swatch(0), QColor(0x21, 0x96, 0xF3));
    QCOMPARE(swatch(1), QColor(0x4C, 0xAF, 0x50));
    QCOMPARE(swatch(7), QColor(0x79, 0x55, 0x48));
    QCOMPARE(swatch(8), QColor(0x21, 0x96, 0xF3));
    // Nothing beyond the ninth item.
    QCOMPARE(swatch(9), kPlotFill);
}

void TestChartWidget::halfTitlesFollowLanguage()
{
    SpeedChartWidget chart;
    chart.resize(600, 200);
    chart.setStreams(names(1));
    PaintCounter counter;
    chart.installEventFilter(&counter);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTRY_VERIFY(counter.count > 0);
    settle();

    TestChartData oneEmptyStream;
    oneEmptyStream.write.resize(1);
    oneEmptyStream.read.resize(1);
    auto withTitles = [&](const char *write, const char *read) {
        return paintScene(
            oneEmptyStream.scene(chart, true, QString::fromUtf8(write), QString::fromUtf8(read)));
    };
    const QImage chinese = withTitles("写入", "读取");
    const QImage english = withTitles("Write", "Read");
    QVERIFY(chinese != english);

    // No translator yet: the source texts themselves.
    QVERIFY(renderWidget(chart) == chinese);

    counter.count = 0;
    I18n::instance()->applyLanguage(English);
    QTRY_VERIFY(counter.count > 0);  // repainted without any new sample
    QVERIFY(renderWidget(chart) == english);
}

QTEST_MAIN(TestChartWidget)
#include "tst_chartwidget.moc"
