// How engine reports become sample series, and the statistics of a series. Expected figures
// are worked out by hand from the statistics rules; each row's comment shows the working.
#include "evaluation.h"
#include "samplecollection.h"
#include "speedstats.h"

#include <QtTest>
#include <cmath>

Q_DECLARE_METATYPE(SpeedStats)

namespace {
QVector<double> run(double value, int count)
{
    return QVector<double>(count, value);
}

// Every figure, to nine decimals: equal texts mean equal figures within rounding.
QString figuresOf(const SpeedStats &s)
{
    QStringList parts;
    for (double v : {s.avg, s.max, s.min, s.jitter, s.cv, s.dropRatio})
        parts << QString::number(v, 'f', 9);
    return QStringLiteral("avg %1 max %2 min %3 jitter %4 cv %5 drops %6 (%7 of %8)")
        .arg(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5])
        .arg(s.dropCount)
        .arg(s.sampleCount);
}

// All eight figures in the record's order: avg, max, min, jitter, cv, dropRatio, dropCount,
// sampleCount.
SpeedStats stats(double avg, double max, double min, double jitter, double cv, double dropRatio,
                 int dropCount, int sampleCount)
{
    return SpeedStats{avg, max, min, jitter, cv, dropRatio, dropCount, sampleCount};
}

struct Report {
    int percent;
    double mbps;
};
using Reports = QVector<Report>;
constexpr PassDirection Write = PassDirection::Write, Read = PassDirection::Read;
}  // namespace

class TestSpeedStats : public QObject
{
    Q_OBJECT
private slots:
    void compute_data()
    {
        QTest::addColumn<QVector<double>>("series");
        QTest::addColumn<QVector<double>>("fallbacks");  // average, max, min
        QTest::addColumn<bool>("slcTrim");
        QTest::addColumn<SpeedStats>("expected");

        QTest::newRow("empty series gives the fallbacks")
            << QVector<double>() << QVector<double>{50.0, 60.0, 40.0} << true
            << stats(50, 60, 40, 0, 0, 0, 0, 0);

        QTest::newRow("zero fallback average stops after the count")
            << QVector<double>{10, 20, 30} << QVector<double>{0.0, 5.0, 1.0} << true
            << stats(0, 5, 1, 0, 0, 0, 0, 3);

        // 29 samples are never trimmed. Sorted: 14x20 then 15x100; P25 = [7] = 20,
        // P75 = [21] = 100; all samples within [P5, P95] = [20, 100].
        QTest::newRow("29 samples: no trim")
            << run(100, 15) + run(20, 14) << QVector<double>{50.0, 100.0, 20.0} << true
            << stats(50, 100, 20, 80.0 / 50, std::sqrt((14 * 900.0 + 15 * 2500.0) / 29) / 50,
                     14.0 / 29, 14, 29);

        // One more 20: tail from 18 is all 20, peak 100 at 0, curve first <= 21 at 24, capped
        // to 15.
        QTest::newRow("30 samples: trimmed at half")
            << run(100, 15) + run(20, 15) << QVector<double>{50.0, 100.0, 20.0} << true
            << stats(20, 20, 20, 0, 0, 0, 0, 15);
        QTest::newRow("30 samples, trim switched off")
            << run(100, 15) + run(20, 15) << QVector<double>{60.0, 100.0, 20.0} << false
            << stats(60, 100, 20, 80.0 / 60, 40.0 / 60, 0.5, 15, 30);

        // Tail (18..29) sorted is 6x20, 6x21: the upper middle 21 makes 1.15 x 21 > 24, so no
        // trim; the lower middle (or the mean of both) would trim.
        // Sorted all: 9x20, 6x21, 15x24; P25 = [7] = 20, P75 = [21] = 24.
        QTest::newRow("even tail takes the upper middle")
            << run(24, 15) + run(20, 9) + run(21, 6) << QVector<double>{22.0, 24.0, 20.0} << true
            << stats(22, 24, 20, 4.0 / 22, std::sqrt((9 * 4.0 + 6 * 1.0 + 15 * 4.0) / 30) / 22, 0,
                     0, 30);

        // Peak 23 equals 1.15 x 20: trimmed; curve first <= 21 at 21 (three 23s: 20.9).
        QTest::newRow("peak exactly 1.15 x median is trimmed")
            << run(23, 15) + run(20, 15) << QVector<double>{21.0, 23.0, 20.0} << true
            << stats(20, 20, 20, 0, 0, 0, 0, 15);
        QTest::newRow("peak just below 1.15 x median is not")
            << run(22.99, 15) + run(20, 15) << QVector<double>{21.0, 23.0, 20.0} << true
            << stats(21, 23, 20, 2.99 / 21, std::sqrt((15 * 1.0 + 15 * 1.99 * 1.99) / 30) / 21, 0,
                     0, 30);

        // Five 30s then 20s: the curve is exactly 21 = 1.05 x 20 at 13 (one 30 left in the
        // window), which counts as settled: t = 13, 27 samples left.
        QTest::newRow("settling exactly at 1.05 x median")
            << run(30, 5) + run(20, 35) << QVector<double>{21.0, 30.0, 20.0} << true
            << stats(20, 20, 20, 0, 0, 0, 0, 27);

        // t = 20; analysed 19x20 and a final 50: mean 21.5. The 15-sample average restarts at t,
        // so it stays 20 until the 50 arrives: (14 x 20 + 50) / 15 = 22. P5 = P95 = 20, so the
        // 50 is left out of the CV, whose deviations are taken from 21.5.
        QTest::newRow("trimmed extremes restart at the trim")
            << run(100, 20) + run(20, 19) + QVector<double>{50} << QVector<double>{55.0, 99.0, 1.0}
            << true << stats(21.5, 22, 20, 0, 1.5 / 21.5, 0, 0, 20);

        // Median of the tail is 0: no trim. Sorted 15x0, 15x50.
        QTest::newRow("zero median: no trim")
            << run(50, 15) + run(0, 15) << QVector<double>{25.0, 50.0, 0.0} << true
            << stats(25, 50, 0, 2.0, 1.0, 0.5, 15, 30);

        // Median 10, but every 10-sample window after the peak averages at least 109: no
        // transition point. Sorted: 7x10, 23x1000.
        QTest::newRow("no transition point: no trim")
            << run(1000, 18) + run(10, 7) + run(1000, 5) << QVector<double>{500.0, 1000.0, 10.0}
            << true
            << stats(500, 1000, 10, 0,
                     std::sqrt((7 * 490.0 * 490.0 + 23 * 500.0 * 500.0) / 30) / 500, 7.0 / 30, 7,
                     30);

        // Two equal curve peaks of 100 (at 0 and at 20); the first wins, and the curve settles
        // at 10 (before the second), so t = 10, not min(30, 25). Analysed: one 20, ten 100s,
        // 29x20: mean 40. The 15-sample average peaks at (20 + 10 x 100) / 11.
        QTest::newRow("first of equal peaks wins")
            << QVector<double>{100} + run(20, 10) + run(100, 10) + run(20, 29)
            << QVector<double>{50.0, 100.0, 20.0} << true
            << stats(40, 1020.0 / 11, 20, 0, std::sqrt(1200.0) / 40, 0.75, 30, 40);

        // Sorted 29, 30, 50, 60, 80: P5 = [0] = 29, P25 = [1] = 30, P75 = [3] = 60,
        // P95 = [3] = 60. 30 is exactly 0.6 x 50: not a drop. 29 and 60 take part in the CV,
        // 80 does not.
        QTest::newRow("drop threshold and inclusive P5/P95")
            << QVector<double>{30, 29, 50, 60, 80} << QVector<double>{50.0, 80.0, 29.0} << true
            << stats(50, 80, 29, 30.0 / 50, std::sqrt((441.0 + 400 + 0 + 100) / 4) / 50, 0.2, 1, 5);

        // 1 ... 21 shuffled: P5 = [1] = 2, P25 = [5] = 6, P75 = [15] = 16, P95 = [19] = 20.
        // CV over 2 ... 20 around 10: (204 + 385) / 19 = 31.
        QTest::newRow("nearest-rank percentiles")
            << QVector<double>{7, 1,  15, 3, 21, 9,  11, 2,  19, 5, 13,
                               4, 17, 6,  8, 10, 12, 14, 16, 18, 20}
            << QVector<double>{10.0, 21.0, 1.0} << true
            << stats(10, 21, 1, 10.0 / 10, std::sqrt(31.0) / 10, 5.0 / 21, 5, 21);

        QTest::newRow("flat series below 0.6 x average drops throughout")
            << run(10, 3) << QVector<double>{20.0, 10.0, 10.0} << true
            << stats(20, 10, 10, 0, 0.5, 1.0, 3, 3);
    }

    void compute()
    {
        QFETCH(QVector<double>, series);
        QFETCH(QVector<double>, fallbacks);
        QFETCH(bool, slcTrim);
        QFETCH(SpeedStats, expected);

        QCOMPARE(
            figuresOf(computeSpeedStats(series, fallbacks[0], fallbacks[1], fallbacks[2], slcTrim)),
            figuresOf(expected));
    }

    // The card total and the streams follow the same rule, each pass apart: the first report
    // at 100 % (the last stretch, folded into the interval before it) replaces that
    // interval's sample, or joins the series when the one before it did not (a stall, or a
    // pass shorter than one interval); the closing report after it and zero speeds are left
    // out, and a report below 100 % begins the next pass.
    void seriesRule()
    {
        // 1 ... 20: the mean grows to 8 over the first 15, then is s - 7; the last covers
        // samples 6 ... 20 and is the largest, 13. The smallest is the first sample.
        Reports climbing;
        QVector<double> speeds;
        for (int i = 1; i <= 20; ++i) {
            climbing.append({i, double(i)});
            speeds.append(i);
        }
        const std::tuple<Reports, QVector<double>, double, double> rows[] = {
            {{{50, 80}, {100, 90}, {100, 60}}, {90}, 90, 90},
            {{{100, 70}, {100, 50}, {10, 20}}, {70, 20}, 70, 45},
            {{{10, 40}, {20, 0}, {100, 30}}, {40, 30}, 40, 35},
            {{{99, 40}}, {40}, 40, 40},
            {{{10, 0}, {20, 60}}, {60}, 60, 60},
            // Means of the growing window: 100, 75, 160/3.
            {{{10, 100}, {20, 50}, {30, 10}}, {100, 50, 10}, 100, 160.0 / 3},
            {climbing, speeds, 13, 1}};
        for (const auto &[reports, series, movingMax, movingMin] : rows) {
            SampleCollection c;
            c.reset(2);
            for (const Report &r : reports) {
                c.addProgress(Read, r.percent, r.mbps);
                c.addStreamSample(Write, 1, r.percent, r.mbps, 1.0);
            }
            for (const SampleSeries *s : {&c.card(Read), &c.stream(Write, 1)}) {
                QCOMPARE(s->samples(), series);
                QCOMPARE(s->movingMax(), movingMax);
                QCOMPARE(s->movingMin(), movingMin);
            }
            QVERIFY(c.card(Write).samples().isEmpty() && c.stream(Write, 0).samples().isEmpty()
                    && c.stream(Read, 1).samples().isEmpty());
        }
    }

    // Rounds share one axis, round r of n its n-th part; a stress run's rounds are one run.
    void sharedAxis()
    {
        const std::tuple<int, int, int, bool, int> rows[] = {{0, 1, 3, false, 0},
                                                             {100, 3, 3, false, 100},
                                                             {50, 2, 4, false, 37},
                                                             {40, 2, 3, true, 40}};
        for (const auto &[percent, round, rounds, fill, shared] : rows)
            QCOMPARE(sharedAxisPercent(percent, round, rounds, fill), shared);
    }
};

QTEST_GUILESS_MAIN(TestSpeedStats)
#include "tst_speedstats.moc"
