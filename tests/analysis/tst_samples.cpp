// How engine reports become sample series, averages and moving-average extremes, how the
// rounds of a repeated test share one axis, and the rows judged from the collection.
#include "evaluation.h"
#include "samplecollection.h"

#include <QtTest>

namespace {
struct Report {
    int percent;
    double mbps;
};
using Reports = QVector<Report>;
constexpr PassDirection Write = PassDirection::Write, Read = PassDirection::Read;
}  // namespace

Q_DECLARE_METATYPE(Reports)

class TestSamples : public QObject
{
    Q_OBJECT
private slots:
    void seriesRule_data()
    {
        QTest::addColumn<Reports>("reports");
        QTest::addColumn<QVector<double>>("series");
        QTest::addColumn<double>("movingMax");
        QTest::addColumn<double>("movingMin");

        QTest::newRow("final report at 100 % left out")
            << Reports{{50, 80}, {100, 90}} << QVector<double>{80} << 80.0 << 80.0;
        QTest::newRow("99 % still entered")
            << Reports{{99, 40}} << QVector<double>{40} << 40.0 << 40.0;
        QTest::newRow("zero speed left out")
            << Reports{{10, 0}, {20, 60}} << QVector<double>{60} << 60.0 << 60.0;
        // Means of the growing window: 100, 75, 160/3.
        QTest::newRow("falling") << Reports{{10, 100}, {20, 50}, {30, 10}}
                                 << QVector<double>{100, 50, 10} << 100.0 << 160.0 / 3;
        // 1 ... 20: the mean grows to 8 over the first 15, then is s - 7; the last covers
        // samples 6 ... 20 and is the largest, 13. The smallest is the first sample.
        Reports climbing;
        QVector<double> speeds;
        for (int i = 1; i <= 20; ++i) {
            climbing.append({i, double(i)});
            speeds.append(i);
        }
        QTest::newRow("15-sample window") << climbing << speeds << 13.0 << 1.0;
    }

    // The card total and the streams follow the same rule, each pass apart.
    void seriesRule()
    {
        QFETCH(Reports, reports);
        SampleCollection c;
        c.reset(2);
        for (const Report &r : reports) {
            c.addProgress(Read, r.percent, r.mbps);
            c.addStreamSample(Write, 1, r.percent, r.mbps, 1.0);
        }
        for (const SampleSeries *s : {&c.card(Read), &c.stream(Write, 1)}) {
            QTEST(s->samples(), "series");
            QTEST(s->movingMax(), "movingMax");
            QTEST(s->movingMin(), "movingMin");
        }
        QVERIFY(c.card(Write).samples().isEmpty());
        QVERIFY(c.stream(Write, 0).samples().isEmpty());
        QVERIFY(c.stream(Read, 1).samples().isEmpty());
    }

    // Round 1 at 40 MB/s, round 2 at 10 MB/s: series and extremes span both rounds (the
    // window mean falls from 40 to (3 x 40 + 3 x 10) / 6 = 25), averages are the latest; a
    // stream's average follows every report, even one left out of its series. A reset
    // empties it all.
    void roundsAccumulate()
    {
        SampleCollection c;
        c.reset(1);
        for (double speed : {40.0, 10.0}) {
            for (int percent : {25, 50, 75, 100}) {
                c.addProgress(Write, percent, speed);
                c.addStreamSample(Write, 0, percent, speed, speed + percent);
            }
            c.finishPass(Write, speed + 2);
        }
        const QVector<double> both{40, 40, 40, 10, 10, 10};
        QCOMPARE(c.card(Write).samples(), both);
        QCOMPARE(c.stream(Write, 0).samples(), both);
        QCOMPARE(c.card(Write).average(), 12.0);
        QCOMPARE(c.stream(Write, 0).average(), 110.0);
        QCOMPARE(c.card(Write).movingMin(), 25.0);
        QCOMPARE(c.stream(Write, 0).movingMin(), 25.0);
        // Reports for streams outside the test change nothing.
        c.addStreamSample(Write, 1, 50, 30, 40);
        c.addStreamSample(Read, -1, 50, 30, 40);
        QCOMPARE(c.streamCount(), 1);
        c.reset(1);
        QVERIFY(c.card(Write).samples().isEmpty() && !c.card(Write).seen());
        QCOMPARE(c.stream(Write, 0).average() + c.card(Write).movingMax(), 0.0);
    }

    void sharedAxis_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("round");
        QTest::addColumn<int>("rounds");
        QTest::addColumn<bool>("fullCap");
        QTest::addColumn<int>("expected");
        QTest::newRow("round 3 of 4: (200 + 50) / 4") << 50 << 3 << 4 << false << 62;
        QTest::newRow("end of round 1 of 3") << 100 << 1 << 3 << false << 33;
        QTest::newRow("end of the last round") << 100 << 4 << 4 << false << 100;
        QTest::newRow("stress mode keeps the percent") << 50 << 3 << 3 << true << 50;
    }

    void sharedAxis()
    {
        QFETCH(int, percent);
        QFETCH(int, round);
        QFETCH(int, rounds);
        QFETCH(bool, fullCap);
        QTEST(sharedAxisPercent(percent, round, rounds, fullCap), "expected");
    }

    void rowsFromSamples()
    {
        SampleCollection c;
        c.reset(1);
        // One stream: only the card-total row; with no samples its min is 0, which fails.
        QVector<RowResult> rows = evaluateRows(c, VerdictRules());
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].verdicts.row(), Verdict::Fail);

        c.reset(2);
        for (int i = 0; i < 40; ++i)
            c.addProgress(Write, i * 2, 30);
        c.finishPass(Write, 30);
        // Stream 0 reports only at 100 %: an average but no samples, so min 0 fails it.
        c.addStreamSample(Write, 0, 100, 20, 20);
        for (int i = 0; i < 10; ++i)
            c.addStreamSample(Write, 1, i * 10, 8, 8);
        rows = evaluateRows(c, VerdictRules());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].write.sampleCount, 40);
        QCOMPARE(rows[0].verdicts.row(), Verdict::Pass);
        QCOMPARE(rows[1].write.avg, 20.0);
        QCOMPARE(rows[1].verdicts.write, Verdict::Fail);
        QCOMPARE(rows[2].write.min, 8.0);
        QCOMPARE(rows[2].verdicts.row(), Verdict::Pass);
    }
};

QTEST_GUILESS_MAIN(TestSamples)
#include "tst_samples.moc"
