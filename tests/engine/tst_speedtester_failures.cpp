// How a test ends when workers fail or the user stops it: one joined error, the right
// closing lines, nothing emitted after a stop but what belongs there, no test file left.
#include "enginetestkit.h"
#include "speedtester.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {
constexpr qint64 B = 64 * 1024;

QString testFile(const QString &card, int number)
{
    return card + QStringLiteral("__card_speed_test_%1.dat").arg(number);
}

QStringList texts(const QVector<EngineEvent> &events)
{
    QStringList out;
    for (const EngineEvent &e : events)
        out.append(e.kind == EngineEvent::Log ? e.text : QStringLiteral("<signal %1>").arg(e.kind));
    return out;
}
}  // namespace

class TestSpeedTesterFailures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void failingWorkersGiveOneJoinedError();
    void readPassFailure_data();
    void readPassFailure();
    void stop_data();
    void stop();
    void deletingARunningTesterStopsIt();

private:
    KeyArgsTranslator m_translator;
};

void TestSpeedTesterFailures::initTestCase()
{
    QCoreApplication::installTranslator(&m_translator);
}

void TestSpeedTesterFailures::failingWorkersGiveOneJoinedError()
{
    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    // Folders under the names of files 1 and 3 make their opens fail, root or not.
    QVERIFY(QDir().mkdir(testFile(scratch.card, 1)));
    QVERIFY(QDir().mkdir(testFile(scratch.card, 3)));

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(8 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(3);
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(),
             QStringList{QStringLiteral("无法创建目标文件: %1\n无法创建目标文件: %2")
                             .arg(testFile(scratch.card, 1), testFile(scratch.card, 3))});
    QCOMPARE(rec.count(EngineEvent::WriteFinished), 0);
    QCOMPARE(rec.count(EngineEvent::ReadProgress), 0);
    QCOMPARE(rec.count(EngineEvent::FileReadSample), 0);
    const QStringList logged = rec.logLines();
    QVERIFY(!logged.contains(QStringLiteral("LogTestDone")));
    QVERIFY(!logged.contains(QStringLiteral("LogUserCancelled")));
    QVERIFY(!logged.contains(QStringLiteral("LogReadParallelFiles|3|0.0")));
    QCOMPARE(rec.events.last().kind, EngineEvent::TestError);
    // The written file 2 is gone; the two folders were never the engine's.
    QCOMPARE(entriesIn(scratch.card), (QStringList{QStringLiteral("__card_speed_test_1.dat"),
                                                   QStringLiteral("__card_speed_test_3.dat")}));
}

void TestSpeedTesterFailures::readPassFailure_data()
{
    QTest::addColumn<bool>("remove");  // else cut file 2 down to one block
    QTest::addColumn<QString>("message");

    QTest::newRow("file shortened between passes") << false << QStringLiteral("读取失败 (%1)");
    QTest::newRow("file removed between passes") << true << QStringLiteral("无法读取文件: %1");
}

void TestSpeedTesterFailures::readPassFailure()
{
    QFETCH(bool, remove);
    QFETCH(QString, message);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(4 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(2);
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    const QString victim = testFile(scratch.card, 2);
    rec.hook = [&](const EngineEvent &e, int) {
        // Runs on the engine thread between the passes, while the engine waits for it.
        if (e.kind == EngineEvent::WriteFinished) {
            if (remove)
                QFile::remove(victim);
            else
                QFile::resize(victim, B);
        }
    };
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList{message.arg(victim)});
    QCOMPARE(rec.count(EngineEvent::WriteFinished), 1);
    QCOMPARE(rec.count(EngineEvent::ReadFinished), 0);
    QVERIFY(!rec.logLines().contains(QStringLiteral("LogTestDone")));
    QCOMPARE(rec.events.last().kind, EngineEvent::TestError);
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

void TestSpeedTesterFailures::stop_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("staggerMs");
    QTest::addColumn<int>("stopOnKind");      // the event on which the stop is requested
    QTest::addColumn<QString>("stopOnText");  // for a log line: its text
    QTest::addColumn<QStringList>("after");   // everything emitted after that event

    const int log = EngineEvent::Log;
    const QString cancelled = QStringLiteral("LogUserCancelled");
    QTest::newRow("write pass, at its heading")
        << 1 << 0 << log << QStringLiteral("LogWriteRandom") << QStringList{cancelled};
    QTest::newRow("write pass, second start line")
        << 2 << 0 << log << QStringLiteral("LogBeginWrite|#2: __card_speed_test_2.dat")
        << QStringList{cancelled};
    // A long stagger holds file 2 back; the first sample of file 1 comes while it waits
    // (the last signal of that sample), and after the stop file 2 is never started.
    QTest::newRow("write pass, staggered start")
        << 2 << 5000 << int(EngineEvent::FileWriteSample) << QString() << QStringList{cancelled};
    // A stop in the read pass ends the run without a cancellation line.
    QTest::newRow("read pass, at its heading")
        << 1 << 0 << log << QStringLiteral("LogRead") << QStringList();
    // (The stagger delays the write pass too, so it is kept short here.)
    QTest::newRow("read pass, staggered start")
        << 2 << 1000 << int(EngineEvent::FileReadSample) << QString() << QStringList();
}

void TestSpeedTesterFailures::stop()
{
    QFETCH(int, streams);
    QFETCH(int, staggerMs);
    QFETCH(int, stopOnKind);
    QFETCH(QString, stopOnText);
    QFETCH(QStringList, after);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(4 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(streams);
    tester.setStaggerMs(staggerMs);
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    int stoppedAt = -1;
    QStringList cardAtStop;
    rec.hook = [&](const EngineEvent &e, int index) {
        if (stoppedAt < 0 && e.kind == stopOnKind
            && (e.kind != EngineEvent::Log || e.text == stopOnText)) {
            stoppedAt = index;
            cardAtStop = entriesIn(scratch.card);
            tester.requestStop();
        }
    };
    QVERIFY(runToEnd(tester));

    QVERIFY2(stoppedAt >= 0, "the stop point was never reached");
    QCOMPARE(texts(rec.events.mid(stoppedAt + 1)), after);
    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(rec.count(EngineEvent::ReadFinished), 0);
    QCOMPARE(entriesIn(scratch.card), QStringList());
    if (staggerMs > 0) {
        // File 2 had not been started when the stop came, and never was.
        const bool reading = stopOnKind == EngineEvent::FileReadSample;
        if (!reading)
            QVERIFY(!cardAtStop.contains(QStringLiteral("__card_speed_test_2.dat")));
        QVERIFY(!rec.logLines().contains(
            reading ? QStringLiteral("LogBeginRead|#2: __card_speed_test_2.dat")
                    : QStringLiteral("LogBeginWrite|#2: __card_speed_test_2.dat")));
    }
}

void TestSpeedTesterFailures::deletingARunningTesterStopsIt()
{
    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    auto tester = std::make_unique<SpeedTester>();
    tester->setTargetDir(scratch.card);
    tester->setTestSize(4 * B);
    tester->setBlockSize(B);
    tester->setStreamCount(2);
    tester->setStaggerMs(10000);  // the run would last at least ten seconds
    EngineRecorder rec(*tester);
    std::atomic<bool> sampled{false};
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::WriteProgress)
            sampled = true;
    };
    tester->start();
    QVERIFY(QTest::qWaitFor([&] { return sampled.load(); }, 5000));
    tester.reset();  // stops the run and waits for it

    QCOMPARE(rec.count(EngineEvent::WriteFinished), 0);
    QCOMPARE(rec.logLines().last(), QStringLiteral("LogUserCancelled"));
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

QTEST_GUILESS_MAIN(TestSpeedTesterFailures)
#include "tst_speedtester_failures.moc"
