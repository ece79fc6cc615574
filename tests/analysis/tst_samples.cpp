#include "evaluation.h"
#include "samplecollection.h"

#include <QtTest>

namespace {
struct Report {
    int percent;
    double mbps;
};
using Reports = QVector<Report>;

Reports climbing(int count)  // 1, 2, ... count MB/s, percent rising with them
{
    Reports r;
    for (int i = 1; i <= count; ++i)
        r.append({i, double(i)});
    return r;
}
}  // namespace

Q_DECLARE_METATYPE(Reports)
Q_DECLARE_METATYPE(Verdict)

class TestSamples : public QObject
{
    Q_OBJECT
private slots:
    void seriesRule_data();
    void seriesRule();
    void streamAverageFollowsEveryReport();
    void reportsOutsideTheStreamsAreIgnored();
    void cardTotalIsItsOwnSeries();
    void roundsAccumulate();
    void resetEmptiesEverything();
    void sharedAxis_data();
    void sharedAxis();
    void rowsFromSamples();
};

void TestSamples::seriesRule_data()
{
    QTest::addColumn<Reports>("reports");
    QTest::addColumn<QVector<double>>("series");
    QTest::addColumn<bool>("seen");
    QTest::addColumn<double>("movingMax");
    QTest::addColumn<double>("movingMin");

    QTest::newRow("final report at 100 % left out")
        << Reports{{50, 80}, {100, 90}} << QVector<double>{80} << true << 80.0 << 80.0;
    QTest::newRow("99 % still entered")
        << Reports{{99, 40}} << QVector<double>{40} << true << 40.0 << 40.0;
    QTest::newRow("zero speed left out")
        << Reports{{10, 0}, {20, 60}} << QVector<double>{60} << true << 60.0 << 60.0;
    QTest::newRow("nothing entered")
        << Reports{{10, -5}, {100, 70}, {30, 0}} << QVector<double>{} << false << 0.0 << 0.0;
    // Means of the growing window: 100, 75, 160/3.
    QTest::newRow("falling") << Reports{{10, 100}, {20, 50}, {30, 10}}
                             << QVector<double>{100, 50, 10} << true << 100.0 << 160.0 / 3;
    // 1 ... 20: the mean grows to 8 over the first 15, then is s - 7; the last covers
    // samples 6 ... 20 and is the largest, 13. The smallest is the first sample.
    QTest::newRow("15-sample window")
        << climbing(20)
        << QVector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}
        << true << 13.0 << 1.0;
}

void TestSamples::seriesRule()
{
    QFETCH(Reports, reports);
    QFETCH(QVector<double>, series);
    QFETCH(bool, seen);
    QFETCH(double, movingMax);
    QFETCH(double, movingMin);

    // The card total and the streams follow the same rule, for either pass.
    SampleCollection c;
    c.reset(2);
    for (const Report &r : reports) {
        c.addProgress(PassDirection::Read, r.percent, r.mbps);
        c.addStreamSample(PassDirection::Write, 1, r.percent, r.mbps, 1.0);
    }
    for (const SampleSeries *s :
         {&c.card(PassDirection::Read), &c.stream(PassDirection::Write, 1)}) {
        QCOMPARE(s->samples(), series);
        QCOMPARE(s->seen(), seen);
        QCOMPARE(s->movingMax(), movingMax);
        QCOMPARE(s->movingMin(), movingMin);
    }
    QVERIFY(c.card(PassDirection::Write).samples().isEmpty());
    QVERIFY(c.stream(PassDirection::Write, 0).samples().isEmpty());
    QVERIFY(c.stream(PassDirection::Read, 1).samples().isEmpty());
}

void TestSamples::streamAverageFollowsEveryReport()
{
    SampleCollection c;
    c.reset(2);
    const SampleSeries &s = c.stream(PassDirection::Write, 0);

    c.addStreamSample(PassDirection::Write, 0, 100, 90, 42);
    QCOMPARE(s.average(), 42.0);
    c.addStreamSample(PassDirection::Write, 0, 50, 0, 41);
    QCOMPARE(s.average(), 41.0);
    QVERIFY(s.samples().isEmpty());
    c.addStreamSample(PassDirection::Write, 0, 50, 30, 40);
    QCOMPARE(s.average(), 40.0);
    QCOMPARE(s.samples(), QVector<double>{30});
    QCOMPARE(c.stream(PassDirection::Read, 0).average(), 0.0);
    QCOMPARE(c.stream(PassDirection::Write, 1).average(), 0.0);
}

void TestSamples::reportsOutsideTheStreamsAreIgnored()
{
    SampleCollection c;
    c.reset(2);
    c.addStreamSample(PassDirection::Write, 2, 50, 30, 40);
    c.addStreamSample(PassDirection::Write, -1, 50, 30, 40);
    c.addStreamSample(PassDirection::Read, 5, 50, 30, 40);
    QCOMPARE(c.streamCount(), 2);
    for (int i = 0; i < 2; ++i) {
        for (PassDirection p : {PassDirection::Write, PassDirection::Read}) {
            QVERIFY(c.stream(p, i).samples().isEmpty());
            QCOMPARE(c.stream(p, i).average(), 0.0);
        }
    }
}

void TestSamples::cardTotalIsItsOwnSeries()
{
    SampleCollection c;
    c.reset(2);
    c.addStreamSample(PassDirection::Write, 0, 10, 30, 30);
    c.addStreamSample(PassDirection::Write, 1, 10, 25, 25);
    QVERIFY(c.card(PassDirection::Write).samples().isEmpty());

    QVERIFY(c.addProgress(PassDirection::Write, 10, 55));
    QVERIFY(!c.addProgress(PassDirection::Write, 100, 60));
    QCOMPARE(c.card(PassDirection::Write).samples(), QVector<double>{55});
    // Its average comes only with the end of the pass.
    QCOMPARE(c.card(PassDirection::Write).average(), 0.0);
    c.finishPass(PassDirection::Write, 52.5);
    QCOMPARE(c.card(PassDirection::Write).average(), 52.5);
    QCOMPARE(c.card(PassDirection::Read).average(), 0.0);
}

void TestSamples::roundsAccumulate()
{
    SampleCollection c;
    c.reset(1);
    // Round 1 at 40 MB/s, round 2 at 10 MB/s, each ending with a 100 % report.
    const double speeds[] = {40, 10};
    for (double speed : speeds) {
        for (int percent : {25, 50, 75, 100}) {
            c.addProgress(PassDirection::Write, percent, speed);
            c.addStreamSample(PassDirection::Write, 0, percent, speed, speed + 1);
        }
        c.finishPass(PassDirection::Write, speed + 2);
    }
    const QVector<double> both{40, 40, 40, 10, 10, 10};
    const SampleSeries &card = c.card(PassDirection::Write);
    const SampleSeries &stream = c.stream(PassDirection::Write, 0);
    QCOMPARE(card.samples(), both);
    QCOMPARE(stream.samples(), both);
    // Averages are those of the latest round; extremes span both: the window mean falls
    // from 40 to (3 x 40 + 3 x 10) / 6 = 25.
    QCOMPARE(card.average(), 12.0);
    QCOMPARE(stream.average(), 11.0);
    QCOMPARE(card.movingMax(), 40.0);
    QCOMPARE(card.movingMin(), 25.0);
    QCOMPARE(stream.movingMin(), 25.0);
}

void TestSamples::resetEmptiesEverything()
{
    SampleCollection c;
    c.reset(3);
    for (PassDirection p : {PassDirection::Write, PassDirection::Read}) {
        c.addProgress(p, 10, 20);
        c.finishPass(p, 20);
        c.addStreamSample(p, 0, 10, 20, 20);
    }
    c.reset(1);
    QCOMPARE(c.streamCount(), 1);
    for (PassDirection p : {PassDirection::Write, PassDirection::Read}) {
        const SampleSeries &card = c.card(p);
        QVERIFY(card.samples().isEmpty());
        QVERIFY(!card.seen());
        QCOMPARE(card.average(), 0.0);
        QCOMPARE(card.movingMax(), 0.0);
        QCOMPARE(card.movingMin(), 0.0);
        const SampleSeries &stream = c.stream(p, 0);
        QVERIFY(stream.samples().isEmpty());
        QVERIFY(!stream.seen());
        QCOMPARE(stream.average(), 0.0);
    }
}

void TestSamples::sharedAxis_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("round");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<bool>("fullCap");
    QTest::addColumn<int>("expected");

    QTest::newRow("round 3 of 4") << 50 << 3 << 4 << false << 62;
    QTest::newRow("round 2 of 3") << 50 << 2 << 3 << false << 50;
    QTest::newRow("end of round 1 of 3") << 100 << 1 << 3 << false << 33;
    QTest::newRow("end of the last round") << 100 << 4 << 4 << false << 100;
    QTest::newRow("single round") << 50 << 1 << 1 << false << 50;
    QTest::newRow("stress mode") << 50 << 3 << 3 << true << 50;
}

void TestSamples::sharedAxis()
{
    QFETCH(int, percent);
    QFETCH(int, round);
    QFETCH(int, rounds);
    QFETCH(bool, fullCap);
    QFETCH(int, expected);
    QCOMPARE(sharedAxisPercent(percent, round, rounds, fullCap), expected);
}

void TestSamples::rowsFromSamples()
{
    VerdictRules rules;
    SampleCollection c;
    c.reset(1);
    // One stream: only the card-total row; with no samples its min is 0, which fails.
    QVector<RowResult> rows = evaluateRows(c, rules);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].verdicts.row(), Verdict::Fail);

    c.reset(2);
    for (int i = 0; i < 40; ++i)
        c.addProgress(PassDirection::Write, i * 2, 30);
    c.finishPass(PassDirection::Write, 30);
    // Stream 0 reports only at 100 %: an average but no samples, so min 0 fails it.
    c.addStreamSample(PassDirection::Write, 0, 100, 20, 20);
    for (int i = 0; i < 10; ++i)
        c.addStreamSample(PassDirection::Write, 1, i * 10, 8, 8);

    rows = evaluateRows(c, rules);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].write.sampleCount, 40);
    QCOMPARE(rows[0].write.min, 30.0);
    QCOMPARE(rows[0].verdicts.row(), Verdict::Pass);
    QCOMPARE(rows[1].write.avg, 20.0);
    QCOMPARE(rows[1].write.sampleCount, 0);
    QCOMPARE(rows[1].verdicts.write, Verdict::Fail);
    QCOMPARE(rows[2].write.min, 8.0);
    QCOMPARE(rows[2].verdicts.row(), Verdict::Pass);
}

QTEST_GUILESS_MAIN(TestSamples)
#include "tst_samples.moc"
