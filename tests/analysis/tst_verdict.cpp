#include "verdict.h"

#include <QtTest>

Q_DECLARE_METATYPE(SpeedStats)
Q_DECLARE_METATYPE(Verdict)
Q_DECLARE_METATYPE(VerdictRules)

namespace {
// Statistics with clean metrics unless a row says otherwise.
SpeedStats figures(double avg, double min, double jitter = 0.0, double cv = 0.0,
                   double dropRatio = 0.0)
{
    SpeedStats s;
    s.avg = avg;
    s.min = min;
    s.max = avg;
    s.jitter = jitter;
    s.cv = cv;
    s.dropRatio = dropRatio;
    return s;
}
}  // namespace

class TestVerdict : public QObject
{
    Q_OBJECT
private slots:
    void combine_data();
    void combine();
    void judge_data();
    void judge();
    void cardTotal_data();
    void cardTotal();
    void streamRow_data();
    void streamRow();
    void limits_data();
    void limits();
};

void TestVerdict::combine_data()
{
    QTest::addColumn<Verdict>("a");
    QTest::addColumn<Verdict>("b");
    QTest::addColumn<Verdict>("expected");
    const Verdict P = Verdict::Pass, W = Verdict::Warn, F = Verdict::Fail;
    QTest::newRow("pass pass") << P << P << P;
    QTest::newRow("pass warn") << P << W << W;
    QTest::newRow("warn pass") << W << P << W;
    QTest::newRow("warn warn") << W << W << W;
    QTest::newRow("pass fail") << P << F << F;
    QTest::newRow("fail pass") << F << P << F;
    QTest::newRow("warn fail") << W << F << F;
    QTest::newRow("fail warn") << F << W << F;
    QTest::newRow("fail fail") << F << F << F;
}

void TestVerdict::combine()
{
    QFETCH(Verdict, a);
    QFETCH(Verdict, b);
    QFETCH(Verdict, expected);
    QCOMPARE(combineVerdicts(a, b), expected);
}

void TestVerdict::judge_data()
{
    QTest::addColumn<SpeedStats>("stats");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<Verdict>("expected");

    // Default rules: jitter 0.65/0.45, CV 0.5/0.36, drops 0.2/0.1, min x 0.5.
    QTest::newRow("clean") << figures(30, 30) << 5.0 << Verdict::Pass;
    QTest::newRow("min 2.4 < 5 x 0.5") << figures(30, 2.4) << 5.0 << Verdict::Fail;
    QTest::newRow("min 2.5 = 5 x 0.5") << figures(30, 2.5) << 5.0 << Verdict::Warn;
    QTest::newRow("min 4.99") << figures(30, 4.99) << 5.0 << Verdict::Warn;
    QTest::newRow("min 5.0 = threshold") << figures(30, 5.0) << 5.0 << Verdict::Pass;
    QTest::newRow("threshold 0, min 0") << figures(30, 0) << 0.0 << Verdict::Pass;

    QTest::newRow("jitter at fail") << figures(30, 30, 0.65) << 0.0 << Verdict::Warn;
    QTest::newRow("jitter above fail") << figures(30, 30, 0.651) << 0.0 << Verdict::Fail;
    QTest::newRow("jitter at warn") << figures(30, 30, 0.45) << 0.0 << Verdict::Pass;
    QTest::newRow("jitter above warn") << figures(30, 30, 0.451) << 0.0 << Verdict::Warn;

    QTest::newRow("cv at fail") << figures(30, 30, 0, 0.5) << 0.0 << Verdict::Warn;
    QTest::newRow("cv above fail") << figures(30, 30, 0, 0.501) << 0.0 << Verdict::Fail;
    QTest::newRow("cv at warn") << figures(30, 30, 0, 0.36) << 0.0 << Verdict::Pass;
    QTest::newRow("cv above warn") << figures(30, 30, 0, 0.361) << 0.0 << Verdict::Warn;

    QTest::newRow("drops at fail") << figures(30, 30, 0, 0, 0.2) << 0.0 << Verdict::Warn;
    QTest::newRow("drops above fail") << figures(30, 30, 0, 0, 0.21) << 0.0 << Verdict::Fail;
    QTest::newRow("drops at warn") << figures(30, 30, 0, 0, 0.1) << 0.0 << Verdict::Pass;
    QTest::newRow("drops above warn") << figures(30, 30, 0, 0, 0.11) << 0.0 << Verdict::Warn;

    QTest::newRow("no data passes whatever it shows")
        << figures(0, 0, 9, 9, 1) << 5.0 << Verdict::Pass;
    QTest::newRow("negative average passes") << figures(-1, 0, 9, 9, 1) << 5.0 << Verdict::Pass;
}

void TestVerdict::judge()
{
    QFETCH(SpeedStats, stats);
    QFETCH(double, threshold);
    QFETCH(Verdict, expected);
    QCOMPARE(judgeStats(stats, threshold, VerdictRules()), expected);
}

void TestVerdict::cardTotal_data()
{
    QTest::addColumn<SpeedStats>("write");
    QTest::addColumn<SpeedStats>("read");
    QTest::addColumn<VerdictRules>("rules");
    QTest::addColumn<Verdict>("writeVerdict");
    QTest::addColumn<Verdict>("readVerdict");
    QTest::addColumn<Verdict>("row");

    const SpeedStats none;
    VerdictRules writeOnly;
    VerdictRules withRead;
    withRead.enableRead = true;
    VerdictRules noMinimums;
    noMinimums.aggWriteFail = noMinimums.aggWriteWarn = 0;
    // Default card-total minimums: write 10/20, read 10/30.
    QTest::newRow("write min 15") << figures(40, 15) << none << writeOnly << Verdict::Warn
                                  << Verdict::Pass << Verdict::Warn;
    QTest::newRow("write min 9.99") << figures(40, 9.99) << none << writeOnly << Verdict::Fail
                                    << Verdict::Pass << Verdict::Fail;
    QTest::newRow("write min 10") << figures(40, 10) << none << writeOnly << Verdict::Warn
                                  << Verdict::Pass << Verdict::Warn;
    QTest::newRow("write min 20") << figures(40, 20) << none << writeOnly << Verdict::Pass
                                  << Verdict::Pass << Verdict::Pass;
    // The per-stream minimum rule does not act here: 3 < 5 x 0.5 would fail a stream.
    QTest::newRow("no per-stream minimum")
        << figures(40, 3) << none << noMinimums << Verdict::Pass << Verdict::Pass << Verdict::Pass;
    QTest::newRow("metric Fail kept with a good min")
        << figures(40, 25, 0.7) << none << writeOnly << Verdict::Fail << Verdict::Pass
        << Verdict::Fail;
    QTest::newRow("metric Fail kept under the warn min")
        << figures(40, 15, 0.7) << none << writeOnly << Verdict::Fail << Verdict::Pass
        << Verdict::Fail;
    QTest::newRow("metric Warn raised to Fail by min")
        << figures(40, 5, 0.5) << none << writeOnly << Verdict::Fail << Verdict::Pass
        << Verdict::Fail;
    QTest::newRow("metric Warn stays Warn under the warn min")
        << figures(40, 15, 0.5) << none << writeOnly << Verdict::Warn << Verdict::Pass
        << Verdict::Warn;
    QTest::newRow("no write data fails")
        << none << none << writeOnly << Verdict::Fail << Verdict::Pass << Verdict::Fail;
    QTest::newRow("read ignored while off") << figures(40, 25) << figures(40, 1, 0.9) << writeOnly
                                            << Verdict::Pass << Verdict::Pass << Verdict::Pass;
    QTest::newRow("read on, no read data fails")
        << figures(40, 25) << none << withRead << Verdict::Pass << Verdict::Fail << Verdict::Fail;
    QTest::newRow("read min 25 < 30") << figures(40, 25) << figures(60, 25) << withRead
                                      << Verdict::Pass << Verdict::Warn << Verdict::Warn;
    QTest::newRow("read min 30") << figures(40, 25) << figures(60, 30) << withRead << Verdict::Pass
                                 << Verdict::Pass << Verdict::Pass;
    QTest::newRow("write Warn, read Fail") << figures(40, 15) << figures(60, 9) << withRead
                                           << Verdict::Warn << Verdict::Fail << Verdict::Fail;
}

void TestVerdict::cardTotal()
{
    QFETCH(SpeedStats, write);
    QFETCH(SpeedStats, read);
    QFETCH(VerdictRules, rules);
    QFETCH(Verdict, writeVerdict);
    QFETCH(Verdict, readVerdict);
    QFETCH(Verdict, row);

    const RowVerdicts v = judgeCardTotal(write, read, rules);
    QCOMPARE(v.write, writeVerdict);
    QCOMPARE(v.read, readVerdict);
    QCOMPARE(v.row(), row);
}

void TestVerdict::streamRow_data()
{
    QTest::addColumn<SpeedStats>("write");
    QTest::addColumn<SpeedStats>("read");
    QTest::addColumn<bool>("enableRead");
    QTest::addColumn<Verdict>("writeVerdict");
    QTest::addColumn<Verdict>("readVerdict");

    const SpeedStats none;
    // Defaults: write minimum 5, read minimum 10, factor 0.5.
    QTest::newRow("no card-total minimum on streams")
        << figures(40, 6) << none << false << Verdict::Pass << Verdict::Pass;
    QTest::newRow("write min 2.4")
        << figures(40, 2.4) << none << false << Verdict::Fail << Verdict::Pass;
    QTest::newRow("read uses its own minimum")
        << figures(40, 6) << figures(40, 6) << true << Verdict::Pass << Verdict::Warn;
    QTest::newRow("read min 4.99 < 10 x 0.5")
        << figures(40, 6) << figures(40, 4.99) << true << Verdict::Pass << Verdict::Fail;
    QTest::newRow("read on, no read data passes")
        << figures(40, 6) << none << true << Verdict::Pass << Verdict::Pass;
    QTest::newRow("read off ignores bad read")
        << figures(40, 6) << figures(40, 1, 0.9) << false << Verdict::Pass << Verdict::Pass;
    // All reports at 100 %: a positive average with min 0 fails the minimum rule.
    QTest::newRow("average without samples")
        << figures(40, 0) << none << false << Verdict::Fail << Verdict::Pass;
}

void TestVerdict::streamRow()
{
    QFETCH(SpeedStats, write);
    QFETCH(SpeedStats, read);
    QFETCH(bool, enableRead);
    QFETCH(Verdict, writeVerdict);
    QFETCH(Verdict, readVerdict);

    VerdictRules rules;
    rules.enableRead = enableRead;
    const RowVerdicts v = judgeStreamRow(write, read, rules);
    QCOMPARE(v.write, writeVerdict);
    QCOMPARE(v.read, readVerdict);
}

void TestVerdict::limits_data()
{
    QTest::addColumn<int>("rounds");
    QTest::addColumn<int>("clampedRounds");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("clampedSpeed");

    QTest::newRow("inside") << 5 << 5 << 5.0 << 5.0;
    QTest::newRow("low") << 0 << 1 << -3.0 << 0.0;
    QTest::newRow("negative rounds") << -3 << 1 << 0.0 << 0.0;
    QTest::newRow("high") << 250 << 99 << 5000.0 << 2000.0;
    QTest::newRow("rounded to two decimals") << 99 << 99 << 5.556 << 5.56;
}

void TestVerdict::limits()
{
    QFETCH(int, rounds);
    QFETCH(int, clampedRounds);
    QFETCH(double, speed);
    QFETCH(double, clampedSpeed);
    QCOMPARE(clampIterCount(rounds), clampedRounds);
    QCOMPARE(clampPerStreamSpeed(speed), clampedSpeed);
}

QTEST_GUILESS_MAIN(TestVerdict)
#include "tst_verdict.moc"
