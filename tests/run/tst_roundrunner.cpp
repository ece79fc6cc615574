// The rounds of a test on a real folder: when a round may be judged, how a run ends, and
// that a stop is honoured whenever it comes.
#include "i18n.h"
#include "roundrunner.h"

#include <QtTest>

Q_DECLARE_METATYPE(TestPlan)

namespace {
constexpr qint64 MiB = 1048576;

struct Run {
    RoundRunner runner;
    QSignalSpy judged{&runner, &RoundRunner::roundJudgeable};
    QSignalSpy passes{&runner, &RoundRunner::passFinished};
    QSignalSpy errors{&runner, &RoundRunner::error};
    QSignalSpy finished{&runner, &RoundRunner::finished};
    QStringList log;

    Run()
    {
        QObject::connect(&runner, &RoundRunner::log, [this](const QString &m) { log << m; });
    }
    bool wait() { return finished.count() == 1 || finished.wait(60000); }
};
}  // namespace

class TestRoundRunner : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { I18n::instance()->applyLanguage(English); }
    void init() { QVERIFY(dir.isValid()); }
    void runs_data();
    void runs();
    void stopRightAfterStart();
    void passClock();

private:
    QTemporaryDir dir;
};

void TestRoundRunner::runs_data()
{
    QTest::addColumn<TestPlan>("plan");
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<RoundRunner::Outcome>("outcome");
    QTest::addColumn<int>("judged");  // rounds whose rows could be judged
    QTest::addColumn<int>("passes");

    TestPlan plan;
    plan.testSize = 4 * MiB;
    plan.streams = 2;
    plan.read = true;
    plan.iterations = 2;
    QTest::newRow("two rounds, write and read")
        << plan << true << RoundRunner::Outcome::Completed << 2 << 4;
    TestPlan fill = plan;
    fill.fill = true;  // reads nothing, even with the read box ticked
    fill.fillRounds = 2;
    QTest::newRow("fill with read ticked")
        << fill << true << RoundRunner::Outcome::Completed << 1 << 1;
    // A failed write is never judged: no Pass or Warn beside the error.
    QTest::newRow("write fails") << plan << false << RoundRunner::Outcome::Failed << 0 << 0;
    QTest::newRow("fill write fails") << fill << false << RoundRunner::Outcome::Failed << 0 << 0;
}

void TestRoundRunner::runs()
{
    QFETCH(TestPlan, plan);
    QFETCH(bool, targetExists);
    plan.target = dir.path() + (targetExists ? "/" : "/missing/");
    Run run;
    QVERIFY(run.runner.start(plan, 3 * plan.testSize));
    // A test already running is not started again.
    QVERIFY(!run.runner.start(plan));
    QVERIFY(run.wait());
    QTEST(run.runner.outcome(), "outcome");
    QTEST(int(run.judged.count()), "judged");
    QTEST(int(run.passes.count()), "passes");
    QCOMPARE(run.errors.isEmpty(), targetExists);
    QCOMPARE(run.runner.completedRounds().size(), targetExists ? plan.rounds() : 0);
    QCOMPARE(run.log.filter("Starting round").size(), targetExists ? plan.rounds() - 1 : 0);
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
}

void TestRoundRunner::stopRightAfterStart()
{
    TestPlan plan;
    plan.target = dir.path() + '/';
    plan.testSize = 512 * MiB;
    plan.iterations = 3;
    Run run;
    QVERIFY(run.runner.start(plan));
    run.runner.stop();
    QVERIFY(run.wait());
    QCOMPARE(run.runner.outcome(), RoundRunner::Outcome::Stopped);
    QCOMPARE(run.passes.count(), 0);
    QVERIFY(run.runner.completedRounds().isEmpty());
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
}

void TestRoundRunner::passClock()
{
    PassClock clock;
    QCOMPARE(clock.remainingMs(), qint64(-1));
    clock.report(PassDirection::Write, 1, 25);
    QTest::qSleep(40);
    clock.report(PassDirection::Write, 1, 25);
    // A quarter done in the time taken: three times that is left.
    const qint64 elapsed = clock.elapsedMs();
    QVERIFY(elapsed >= 40);
    QVERIFY(qAbs(clock.remainingMs() - 3 * elapsed) <= 3);
    // The read pass has a clock of its own.
    clock.report(PassDirection::Read, 1, 0);
    QVERIFY(clock.elapsedMs() < elapsed);
    QCOMPARE(clock.remainingMs(), qint64(-1));
}

QTEST_GUILESS_MAIN(TestRoundRunner)
#include "tst_roundrunner.moc"
