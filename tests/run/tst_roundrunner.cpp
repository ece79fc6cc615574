// The rounds of a test on a real folder: when a round may be judged, how a run ends, and
// that a stop is honoured whenever it comes.
#include "evaluation.h"
#include "i18n.h"
#include "passclock.h"
#include "roundrunner.h"
#include "runreport.h"
#include "samplespan.h"

#include <QtTest>

#include <numeric>

Q_DECLARE_METATYPE(TestPlan)

namespace {
constexpr qint64 kMs = 1000000;  // ns

// Every row was judged on samples, and its average is their mean, between its extremes.
void checkRows(const RoundRunner &runner, const VerdictRules &rules)
{
    const QVector<RowResult> rows = evaluateRows(runner.samples(), rules);
    for (int row = 0; row < rows.size(); ++row) {
        for (const PassDirection pass : {PassDirection::Write, PassDirection::Read}) {
            if (pass == PassDirection::Read && !runner.plan().readPass())
                continue;
            const SpeedStats &s = pass == PassDirection::Write ? rows[row].write : rows[row].read;
            const QVector<double> &series = row == 0
                                                ? runner.samples().card(pass).samples()
                                                : runner.samples().stream(pass, row - 1).samples();
            const double mean = std::accumulate(series.begin(), series.end(), 0.0) / series.size();
            QVERIFY2(s.sampleCount > 0 && s.min <= s.avg && s.avg <= s.max
                         && (s.sampleCount < series.size() || qAbs(s.avg - mean) <= 1e-9 * mean),
                     qPrintable(QString::asprintf("row %d: %g <= %g <= %g, mean %g of %d", row,
                                                  s.min, s.avg, s.max, mean, s.sampleCount)));
        }
    }
}

// One pass as the engine samples it: a look every 200 to 260 ms (the 50 ms poll after the
// interval, later on a busy machine), streams whose data ends at their own moments, stalls,
// and the last stretch, which may come before the first look.
void simulatePass(RoundRunner &runner, PassDirection pass, int streams, QRandomGenerator &rng)
{
    const qint64 end = (rng.bounded(3) == 0 ? rng.bounded(1, 200) : rng.bounded(200, 4000)) * kMs;
    QVector<qint64> looks;
    for (qint64 t = rng.bounded(200, 261) * kMs; t < end; t += rng.bounded(200, 261) * kMs)
        looks << t;
    looks << end;
    // Bytes moved by each look, by each stream and (last) by all.
    QVector<QVector<qint64>> done(streams + 1, QVector<qint64>(looks.size()));
    QVector<qint64> ends(streams + 1, end);
    for (int i = 0; i < streams; ++i) {
        ends[i] = i == 0 ? end : end - qint64(rng.bounded(int(end / 2000))) * 1000;
        for (int k = 0; k < looks.size(); ++k) {
            const qint64 from = k > 0 ? looks[k - 1] : 0;
            const qint64 active = qMax<qint64>(0, qMin(looks[k], ends[i]) - from);
            const qint64 mbps = rng.bounded(10) * rng.bounded(1, 40);  // 0: a stall
            done[i][k] = (k > 0 ? done[i][k - 1] : 4096) + mbps * 1048576 * active / 1000000000;
            done[streams][k] += done[i][k];
        }
    }
    const bool write = pass == PassDirection::Write;
    for (int i = 0; i <= streams; ++i) {
        SampleSpan span;
        qint64 at = 0, bytes = 0;
        const qint64 size = done[i].last();
        for (int k = 0; k < looks.size() && bytes < size; ++k) {
            const qint64 b = done[i][k];
            const int pct = k + 1 == looks.size() ? 100 : int(b * 100 / size);
            // A stream whose data is all there ended with its last block.
            const qint64 until = b >= size ? qMax(at, qMin(looks[k], ends[i])) : looks[k];
            const double cur = span.next(b - bytes, until - at, pct == 100);
            const double avg = b / 1048576.0 / (looks[k] / 1e9);
            if (i == streams)
                write ? runner.onWriteProgress(pct, cur, avg)
                      : runner.onReadProgress(pct, cur, avg);
            else
                write ? runner.onFileWriteSample(i, pct, cur, avg)
                      : runner.onFileReadSample(i, pct, cur, avg);
            at = looks[k];
            bytes = b;
        }
    }
    const double avg = done[streams].last() / 1048576.0 / (end / 1e9);
    write ? runner.onWriteProgress(100, avg, avg) : runner.onReadProgress(100, avg, avg);
    write ? runner.onWriteFinished(avg) : runner.onReadFinished(avg);
}
}  // namespace

class TestRoundRunner : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() { I18n::instance()->applyLanguage(English); }

    void runs_data()
    {
        QTest::addColumn<TestPlan>("plan");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<RoundRunner::Outcome>("outcome");
        QTest::addColumn<int>("judged");  // rounds whose rows could be judged
        QTest::addColumn<int>("passes");
        TestPlan plan;
        plan.testSize = 4 * 1048576;
        plan.streams = 2;
        plan.read = true;
        plan.iterations = 2;
        TestPlan fill = plan;
        fill.fill = true;  // reads nothing, even with the read box ticked
        fill.fillRounds = 2;
        QTest::newRow("two rounds, write and read")
            << plan << true << RoundRunner::Outcome::Completed << 2 << 4;
        QTest::newRow("fill with read ticked")
            << fill << true << RoundRunner::Outcome::Completed << 1 << 1;
        // A failed write is never judged: no Pass or Warn beside the error.
        QTest::newRow("write fails") << plan << false << RoundRunner::Outcome::Failed << 0 << 0;
        QTest::newRow("fill write fails")
            << fill << false << RoundRunner::Outcome::Failed << 0 << 0;
        // Stopped at once: no pass ends, nothing is judged.
        plan.testSize = 512 * 1048576;
        plan.iterations = 3;
        QTest::newRow("stopped right after the start")
            << plan << true << RoundRunner::Outcome::Stopped << 0 << 0;
    }

    void stressPosition_data()
    {
        QTest::addColumn<qint64>("writtenMB");
        QTest::addColumn<double>("averageMBps");
        QTest::addColumn<QVector<qint64>>("expected");  // filling, file, round, remaining ms
        QTest::newRow("first file, cache speed") << 512LL << 90.0 << QVector<qint64>{1, 1, 0, -1};
        QTest::newRow("filling") << 1536LL << 20.0 << QVector<qint64>{1, 2, 0, 332800};
        QTest::newRow("second round") << 4608LL << 20.0 << QVector<qint64>{0, 3, 2, 179200};
        QTest::newRow("all written") << 9999LL << 20.0 << QVector<qint64>{0, 3, 2, 153600};
    }

    // 1 GB files on 3.5 GB of free space, 2 rounds, checked afterwards: 5 GB written, 3 read.
    void stressPosition()
    {
        QFETCH(qint64, writtenMB);
        QFETCH(double, averageMBps);
        QFETCH(QVector<qint64>, expected);
        TestPlan plan;
        plan.fill = true;
        plan.fillRounds = 2;
        plan.verify = true;
        // Reported with the rewrites it does, not the ordinary round count.
        QCOMPARE(rulesAsUsed(plan, VerdictRules()).iterCount, 2);
        const StressEstimate e = estimateStress(plan, 3584LL * 1048576);
        QCOMPARE(e.initialFiles, 3);
        QCOMPARE(e.durationMs(StressEstimate::assumedMBps), 819200);
        const StressPosition at = ::stressPosition(e, writtenMB * 1048576, averageMBps);
        QCOMPARE((QVector<qint64>{at.filling, at.file, at.round, at.remainingMs}), expected);
    }

    void runs()
    {
        QFETCH(TestPlan, plan);
        QFETCH(bool, targetExists);
        QFETCH(RoundRunner::Outcome, outcome);
        QVERIFY(dir.isValid());
        plan.target = dir.path() + (targetExists ? "/" : "/missing/");
        RoundRunner runner;
        QSignalSpy judged(&runner, &RoundRunner::roundJudgeable);
        QSignalSpy passes(&runner, &RoundRunner::passFinished);
        QSignalSpy errors(&runner, &RoundRunner::error);
        QSignalSpy finished(&runner, &RoundRunner::finished);
        QStringList log;
        connect(&runner, &RoundRunner::log, this, [&log](const QString &m) { log << m; });
        QVERIFY(runner.start(plan, 3 * plan.testSize));
        // A test already running is not started again.
        QVERIFY(!runner.start(plan));
        if (outcome == RoundRunner::Outcome::Stopped)
            runner.stop();
        QVERIFY(finished.count() == 1 || finished.wait(60000));
        QCOMPARE(runner.outcome(), outcome);
        QTEST(int(judged.count()), "judged");
        QTEST(int(passes.count()), "passes");
        const int rounds = outcome == RoundRunner::Outcome::Completed ? plan.rounds() : 0;
        QCOMPARE(errors.isEmpty(), targetExists);
        QCOMPARE(runner.completedRounds().size(), rounds);
        QCOMPARE(log.filter("Starting round").size(), qMax(0, rounds - 1));
        // Said before anything is written: 3 files and 2 rounds of 4 MB at 10 MB/s.
        QCOMPARE(log.filter("Stress test: 3 files of 4 MB, 2 rounds, 0.0 GB to write; estimated "
                            "duration 0:02 at an assumed 10 MB/s")
                     .size(),
                 int(plan.fill));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
        // These passes last a few milliseconds: shorter than one sample interval.
        if (outcome == RoundRunner::Outcome::Completed)
            checkRows(runner, VerdictRules());
    }

    // The time left is the time taken scaled by what remains; a new round starts afresh. No
    // bound on durations: only the clock's own order is compared.
    void passClock()
    {
        PassClock clock;
        clock.report(PassDirection::Write, 1, 60);
        QTRY_VERIFY(clock.elapsedMs() >= 30);
        QVERIFY(clock.remainingMs() > 0);
        QElapsedTimer since;
        since.start();
        clock.report(PassDirection::Write, 2, 1);
        QVERIFY(clock.elapsedMs() <= since.elapsed());
    }

    // Whatever the timings, every series of a finished pass has samples and every row adds
    // up; over several rounds, a round shorter than one interval still adds its sample.
    void everyRowAddsUp()
    {
        // A 10 ms tail after a 200 ms interval of 2 MiB: one sample of 3 MiB over 210 ms.
        SampleSpan span;
        QCOMPARE(span.next(2 * 1048576, 200 * kMs, false), 10.0);
        QCOMPARE(span.next(1048576, 10 * kMs, true), 3 / 0.21);
        QRandomGenerator rng(20261207);
        for (int trial = 0; trial < 400; ++trial) {
            TestPlan plan;
            plan.streams = rng.bounded(1, 5);
            plan.read = rng.bounded(2) == 1;
            plan.iterations = rng.bounded(1, 3);
            RoundRunner runner;
            runner.replay(plan, QVector<StreamSource>(plan.streams));
            QVector<int> perRound;
            // The first round finds one stream's data wrong, later rounds find it right.
            const int bad = rng.bounded(plan.streams);
            for (int round = 0; round < plan.iterations; ++round) {
                simulatePass(runner, PassDirection::Write, plan.streams, rng);
                if (plan.read)
                    simulatePass(runner, PassDirection::Read, plan.streams, rng);
                DataCheck check;
                check.addGood(4096);
                if (round == 0)
                    check.addWrong(DataCheck::Kind::Corrupt, 512, 1, "f", bad, 0);
                runner.onDataChecked(check);
                perRound << runner.samples().card(PassDirection::Write).samples().size();
            }
            QVERIFY(perRound.first() > 0 && (perRound.size() == 1 || perRound[1] > perRound[0]));
            VerdictRules rules;
            rules.slcTrim = rng.bounded(2) == 1;
            checkRows(runner, rules);
            // That stream's row and the card total fail on data, every other row does not.
            const RunResults judged = judgeRun(runner, rules);
            QCOMPARE(judged.rows.size(), plan.streams > 1 ? plan.streams + 1 : 1);
            for (int row = 0; row < judged.rows.size(); ++row)
                QCOMPARE(judged.rows[row].result.verdicts.data == Verdict::Fail,
                         row == 0 || row == bad + 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestRoundRunner)
#include "tst_roundrunner.moc"
