// How a sample enters the chart's series: the percent bounded to 0..100, the speed kept as
// given, the 15-sample moving average, the samples picked for drawing, and the colours.
#include "chartpalette.h"
#include "chartseries.h"
#include "samplereducer.h"

#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>

class TestChartSamples : public QObject
{
    Q_OBJECT
private slots:
    void percentIsBounded_data();
    void percentIsBounded();
    void movingAverage_data();
    void movingAverage();
    void movingAverageDoesNotDrift();
    void badSpeedSpoilsOnlyItsWindow();
    void reducerKeepsRunExtremes_data();
    void reducerKeepsRunExtremes();
    void palette_data();
    void palette();
};

void TestChartSamples::percentIsBounded_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("stored");

    QTest::newRow("below 0") << -7 << 0;
    QTest::newRow("lowest int") << INT_MIN << 0;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("57") << 57 << 57;
    QTest::newRow("100") << 100 << 100;
    QTest::newRow("above 100") << 101 << 100;
    QTest::newRow("highest int") << INT_MAX << 100;
}

void TestChartSamples::percentIsBounded()
{
    QFETCH(int, percent);
    QFETCH(int, stored);
    QVector<int> percents;
    QVector<double> raw, smooth;
    appendChartSample(percents, raw, smooth, percent, 42.5);
    QCOMPARE(percents, QVector<int>{stored});
    QCOMPARE(raw, QVector<double>{42.5});
    QCOMPARE(smooth, QVector<double>{42.5});
}

void TestChartSamples::movingAverage_data()
{
    QTest::addColumn<int>("sample");  // 1-based
    QTest::addColumn<double>("expected");

    // Raw speeds 1, 2, 3, ...: up to 15 samples the mean of 1..n is (1 + n) / 2; from
    // then on the mean of (n - 14)..n is n - 7.
    QTest::newRow("first equals its raw value") << 1 << 1.0;
    QTest::newRow("second: mean of two") << 2 << 1.5;
    QTest::newRow("fifteenth: mean of all 15") << 15 << 8.0;
    QTest::newRow("sixteenth: mean of samples 2 to 16") << 16 << 9.0;
    QTest::newRow("fortieth: mean of samples 26 to 40") << 40 << 33.0;
}

void TestChartSamples::movingAverage()
{
    QFETCH(int, sample);
    QFETCH(double, expected);
    QVector<int> percent;
    QVector<double> raw, smooth;
    for (int n = 1; n <= sample; ++n)
        appendChartSample(percent, raw, smooth, n, double(n));
    QCOMPARE(smooth.size(), sample);
    QCOMPARE(smooth.last(), expected);
}

// A long test mixes huge and tiny speeds; the average of 15 equal values must come out as
// that value exactly, however many samples came before (a running sum would not).
void TestChartSamples::movingAverageDoesNotDrift()
{
    QVector<int> percent;
    QVector<double> raw, smooth;
    for (int i = 0; i < 100000; ++i)
        appendChartSample(percent, raw, smooth, 50, i % 2 ? 1e12 : 0.1);
    for (int i = 0; i < 15; ++i)
        appendChartSample(percent, raw, smooth, 60, 5.0);
    QCOMPARE(smooth.last(), 5.0);
}

void TestChartSamples::badSpeedSpoilsOnlyItsWindow()
{
    QVector<int> percent;
    QVector<double> raw, smooth;
    appendChartSample(percent, raw, smooth, 1, 10.0);
    appendChartSample(percent, raw, smooth, 2, std::numeric_limits<double>::quiet_NaN());
    for (int i = 0; i < 14; ++i)
        appendChartSample(percent, raw, smooth, 3 + i, 10.0);
    QVERIFY(std::isnan(smooth.last()));  // the NaN is still among the last 15
    appendChartSample(percent, raw, smooth, 20, 10.0);
    QCOMPARE(smooth.last(), 10.0);
}

void TestChartSamples::reducerKeepsRunExtremes_data()
{
    QTest::addColumn<QVector<int>>("percents");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QVector<int>>("kept");

    QTest::newRow("one sample") << QVector<int>{0} << QVector<double>{5} << QVector<int>{0};
    QTest::newRow("one run: first, lowest, highest, last")
        << QVector<int>{5, 5, 5, 5, 5, 5, 5} << QVector<double>{4, 2, 7, 1, 9, 3, 5}
        << QVector<int>{0, 3, 4, 6};
    QTest::newRow("extremes in order when the high comes first")
        << QVector<int>{5, 5, 5, 5, 5} << QVector<double>{4, 9, 6, 1, 5}
        << QVector<int>{0, 1, 3, 4};
    QTest::newRow("ties keep the earliest extreme")
        << QVector<int>{5, 5, 5, 5, 5} << QVector<double>{3, 1, 8, 1, 8}
        << QVector<int>{0, 1, 2, 4};
    QTest::newRow("first or last may be the extreme")
        << QVector<int>{5, 5, 5, 5} << QVector<double>{1, 4, 3, 9} << QVector<int>{0, 3};
    QTest::newRow("every percent its own run")
        << QVector<int>{1, 2, 3, 4} << QVector<double>{3, 1, 4, 1} << QVector<int>{0, 1, 2, 3};
    QTest::newRow("two runs") << QVector<int>{1, 1, 1, 1, 2, 2, 2, 2, 2}
                              << QVector<double>{5, 6, 4, 5, 8, 2, 7, 9, 3}
                              << QVector<int>{0, 1, 2, 3, 4, 5, 7, 8};
    QTest::newRow("a percent seen again starts a new run")
        << QVector<int>{3, 3, 3, 4, 3, 3, 3} << QVector<double>{1, 5, 2, 4, 6, 0, 6}
        << QVector<int>{0, 1, 2, 3, 4, 5, 6};
    QTest::newRow("values that cannot be drawn are left out")
        << QVector<int>{2, 2, 2, 2, 2}
        << QVector<double>{4, std::numeric_limits<double>::infinity(), 1,
                           std::numeric_limits<double>::quiet_NaN(), 3}
        << QVector<int>{0, 2, 4};
}

void TestChartSamples::reducerKeepsRunExtremes()
{
    QFETCH(QVector<int>, percents);
    QFETCH(QVector<double>, values);
    QFETCH(QVector<int>, kept);
    SampleReducer reducer;
    for (int i = 0; i < percents.size(); ++i)
        reducer.add(percents[i], values[i]);
    QCOMPARE(reducer.indices(), kept);
    reducer.clear();
    QVERIFY(reducer.indices().isEmpty());
}

void TestChartSamples::palette_data()
{
    QTest::addColumn<int>("stream");
    QTest::addColumn<QString>("colour");

    QTest::newRow("#1") << 0 << "#2196f3";
    QTest::newRow("#2") << 1 << "#4caf50";
    QTest::newRow("#3") << 2 << "#ff9800";
    QTest::newRow("#4") << 3 << "#f44336";
    QTest::newRow("#5") << 4 << "#9c27b0";
    QTest::newRow("#6") << 5 << "#00bcd4";
    QTest::newRow("#7") << 6 << "#ffc107";
    QTest::newRow("#8") << 7 << "#795548";
    QTest::newRow("#9 reuses the first") << 8 << "#2196f3";
    QTest::newRow("#16 reuses the eighth") << 15 << "#795548";
}

void TestChartSamples::palette()
{
    QFETCH(int, stream);
    QFETCH(QString, colour);
    QCOMPARE(streamColor(stream).name(), colour);
    QCOMPARE(streamPalette().size(), 8);
}

QTEST_MAIN(TestChartSamples)
#include "tst_chartsamples.moc"
