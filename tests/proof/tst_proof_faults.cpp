// Cards that fail under the engine: an I/O error half-way through writing or reading and a
// card pulled out during a test (on the fault-injecting file system), and a card that runs
// out of room (a loop card). Each ends the run with one error, the engine's thread ends, and
// whatever can still be deleted is. The command-line tool on a pulled card ends too.
#include "clirunner.h"
#include "enginerecorder.h"
#include "faultmount.h"
#include "loopcard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr unsigned long kTimeoutMs = 60000;
const QString kHelper = QStringLiteral(LUMORA_FAULTFS_PATH);

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                | QDir::System);
}

// How the card takes the engine's O_DIRECT opens.
enum Access { Cached, DirectIo, RefusesDirect };
const QStringList kAccessOptions[] = {{}, {"--direct-io"}, {"--refuse-direct"}};
const char *const kAccessNames[] = {"cached", "direct_io", "O_DIRECT refused"};

// Only the engine's own test files, on a card that no longer answers.
void verifyOnlyTestFiles(const QString &backing, int streams)
{
    const QStringList left = entries(backing);
    QVERIFY(left.size() <= streams);
    for (const QString &name : left)
        QVERIFY2(name.startsWith(QLatin1String("__card_speed_test_")), qPrintable(name));
}
}  // namespace

#define FAULTMOUNT_REQUIRE(card)                                                                   \
    do {                                                                                           \
        if (!FaultMount::environmentProblem(kHelper).isEmpty())                                    \
            QSKIP(qPrintable(FaultMount::environmentProblem(kHelper)));                            \
        QVERIFY2((card).isMounted(), qPrintable((card).failure()));                                \
    } while (false)

class ProofFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void ioErrorMidway_data();
    void ioErrorMidway();
    void cardVanishes_data();
    void cardVanishes();
    void cardFillsUp_data();
    void cardFillsUp();
    void cliEndsOnPulledCard();
};

void ProofFaultsTest::ioErrorMidway_data()
{
    QTest::addColumn<int>("access");
    QTest::addColumn<bool>("failsReading");
    // However the card takes O_DIRECT, and also when it refuses it and the engine falls back
    // to buffered I/O, the fault must reach the engine.
    for (int access : {Cached, DirectIo, RefusesDirect}) {
        QTest::addRow("write, %s", kAccessNames[access]) << access << false;
        QTest::addRow("read, %s", kAccessNames[access]) << access << true;
    }
}

void ProofFaultsTest::ioErrorMidway()
{
    QFETCH(int, access);
    QFETCH(bool, failsReading);
    const int streams = 2;
    const qint64 perStream = 16 * kMiB;
    // Half of what the pass moves gets through, then every request fails.
    const QString option = failsReading ? "--fail-read-after" : "--fail-write-after";
    FaultMount card(kHelper, QStringList{option, QString::number(streams * perStream / 2)}
                                 + kAccessOptions[access]);
    FAULTMOUNT_REQUIRE(card);
    QFile sentinel(card.outsidePath() + QStringLiteral("/keep.txt"));
    QVERIFY(sentinel.open(QIODevice::WriteOnly) && sentinel.write("keep") == 4);
    sentinel.close();

    SpeedTester tester;
    tester.setTargetDir(card.rootPath());
    tester.setTestSize(perStream);
    tester.setBlockSize(kMiB);
    tester.setStreamCount(streams);
    tester.setReadEnabled(failsReading);
    EngineRecorder rec(tester);
    QVERIFY2(runEngine(tester, kTimeoutMs), "the engine did not end after the fault");
    qInfo("error: %s", qPrintable(rec.errors().join(QStringLiteral(" | "))));
    QCOMPARE(rec.logLines().contains(QStringLiteral("LogCacheFallback")), access == RefusesDirect);
    QCOMPARE(rec.errors().size(), 1);
    QVERIFY(!rec.errors().first().trimmed().isEmpty());
    QCOMPARE(rec.count(EngineEvent::WriteFinished), failsReading ? 1 : 0);
    QCOMPARE(rec.count(EngineEvent::ReadFinished), 0);
    // The card still answers, so every test file was deleted; nothing else was touched.
    QCOMPARE(entries(card.backingPath()), QStringList());
    QCOMPARE(entries(card.outsidePath()), QStringList{QStringLiteral("keep.txt")});
}

void ProofFaultsTest::cardVanishes_data()
{
    QTest::addColumn<int>("access");
    QTest::addColumn<int>("streams");
    QTest::newRow("1 stream, cached") << int(Cached) << 1;
    QTest::newRow("3 streams, direct_io") << int(DirectIo) << 3;
    QTest::newRow("2 streams, O_DIRECT refused") << int(RefusesDirect) << 2;
}

void ProofFaultsTest::cardVanishes()
{
    QFETCH(int, access);
    QFETCH(int, streams);
    FaultMount card(kHelper, kAccessOptions[access]);
    FAULTMOUNT_REQUIRE(card);

    SpeedTester tester;
    tester.setTargetDir(card.rootPath());
    // Far more than gets written before the first progress report pulls the card.
    tester.setTestSize(1024 * kMiB);
    tester.setBlockSize(kMiB);
    tester.setStreamCount(streams);
    EngineRecorder rec(tester);
    bool pulled = false;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::WriteProgress && !pulled)
            pulled = card.vanish();
    };
    const bool ended = runEngine(tester, kTimeoutMs);
    QVERIFY2(pulled, "the card was not pulled during the write");
    QVERIFY2(ended, "the engine did not end after the card vanished");
    QCOMPARE(rec.errors().size(), 1);
    QCOMPARE(rec.count(EngineEvent::WriteFinished), 0);
    // Nothing could be deleted on a card that is gone; the files are in the backing folder.
    verifyOnlyTestFiles(card.backingPath(), streams);
}

void ProofFaultsTest::cardFillsUp_data()
{
    QTest::addColumn<bool>("rolling");
    QTest::addColumn<int>("streams");
    QTest::newRow("random data, 2 streams") << false << 2;
    QTest::newRow("rolling fill") << true << 1;
}

void ProofFaultsTest::cardFillsUp()
{
    QFETCH(bool, rolling);
    QFETCH(int, streams);
    LoopCard card(64 * kMiB);
    LOOPCARD_REQUIRE(card);
    const qint64 before = card.freeBytes();
    QVERIFY(before > 16 * kMiB);

    const qint64 rollingFile = 8 * kMiB;
    SpeedTester tester;
    tester.setTargetDir(card.rootPath());
    tester.setBlockSize(kMiB);
    tester.setStreamCount(streams);
    tester.setReadEnabled(true);
    if (rolling)  // told of more room than there is, so a file of the first fill fails
        tester.setRollingFill(rollingFile, before + 3 * rollingFile, 2);
    else  // together the streams want half as much again as the card holds
        tester.setTestSize((before + before / 2) / streams);
    EngineRecorder rec(tester);
    QVERIFY(runEngine(tester, 2 * kTimeoutMs));

    // The worker's own text, one line per stream that ran out of room, and nothing after.
    QCOMPARE(rec.errors().size(), 1);
    const QRegularExpression expected(
        QStringLiteral("^写入失败 \\(%1__(card_speed_test_|roll_)(\\d+)\\.dat\\)$")
            .arg(QRegularExpression::escape(card.rootPath())));
    for (const QString &line : rec.errors().first().split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = expected.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        // The rolling fill's first round fails at the file that no longer fits.
        if (rolling)
            QCOMPARE(match.captured(2).toInt(), int(before / rollingFile));
    }
    QCOMPARE(rec.count(EngineEvent::WriteFinished) + rec.count(EngineEvent::ReadFinished), 0);
    QVERIFY(!rec.logLines().contains(QStringLiteral("LogTestDone")));
    QCOMPARE(entries(card.rootPath()), QStringList{QStringLiteral("lost+found")});
    QCOMPARE(card.freeBytes(), before);
}

void ProofFaultsTest::cliEndsOnPulledCard()
{
    FaultMount card(kHelper, {});
    FAULTMOUNT_REQUIRE(card);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CliRunner runner(dir.filePath(QStringLiteral("config")), dir.path());
    runner.setRemovableRoots({card.rootPath()});

    QProcess process;
    runner.start(process, {"--target", card.rootPath(), "--size", "4G", "--lang", "en"});
    QVERIFY(process.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (entries(card.backingPath()).isEmpty() && waited.elapsed() < int(kTimeoutMs)
           && process.state() == QProcess::Running)
        process.waitForReadyRead(50);
    QVERIFY2(!entries(card.backingPath()).isEmpty(), "the tool never began writing");
    QVERIFY(card.vanish());
    const bool ended = process.waitForFinished(int(kTimeoutMs));
    if (!ended)
        process.kill();
    QVERIFY2(ended, "the tool did not end after the card was pulled");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 3);  // a failed run
    verifyOnlyTestFiles(card.backingPath(), 1);
}

QTEST_GUILESS_MAIN(ProofFaultsTest)
#include "tst_proof_faults.moc"
