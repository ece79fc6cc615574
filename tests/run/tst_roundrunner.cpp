// The rounds of a test on a real folder: when a round may be judged, how a run ends, and
// that a stop is honoured whenever it comes.
#include "i18n.h"
#include "roundrunner.h"

#include <QtTest>

Q_DECLARE_METATYPE(TestPlan)

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
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRoundRunner)
#include "tst_roundrunner.moc"
