// SpeedTester::run() on a folder standing in for the card: configuration, the test files
// it prepares (names and sizes), the log it writes, and what it leaves on the card.
#include "enginetestkit.h"
#include "speedtester.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {
constexpr qint64 B = 64 * 1024;  // block size of every case

// Log lines written as one string, separated by "; ".
QStringList lines(const char *joined)
{
    return QString::fromUtf8(joined).split(QStringLiteral("; "));
}

QString doneLine(const char *key, const QVector<EngineEvent> &finished)
{
    return QStringLiteral("%1|%2")
        .arg(QLatin1String(key))
        .arg(finished.isEmpty() ? QStringLiteral("<none>")
                                : QString::number(finished.first().average, 'f', 2));
}
}  // namespace

class TestSpeedTesterRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void configClamps_data();
    void configClamps();
    void randomFiles_data();
    void randomFiles();
    void logLines_data();
    void logLines();
    void externalNaming_data();
    void externalNaming();
    void smallSourceIsSkipped();
    void nothingValidToTest_data();
    void nothingValidToTest();
    void namesOnTheCardAreNotReused_data();
    void namesOnTheCardAreNotReused();
    void plantedLinkIsNeverFollowed_data();
    void plantedLinkIsNeverFollowed();
    void stopRequestedBeforeStartIsForgotten();

private:
    KeyArgsTranslator m_translator;
};

void TestSpeedTesterRun::initTestCase()
{
    QCoreApplication::installTranslator(&m_translator);
}

void TestSpeedTesterRun::configClamps_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("expectedStreams");
    QTest::addColumn<int>("stagger");
    QTest::addColumn<int>("expectedStagger");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<int>("expectedRounds");

    QTest::newRow("below range") << 0 << 1 << -5 << 0 << -1 << 0;
    QTest::newRow("negative") << -3 << 1 << -1 << 0 << -100 << 0;
    QTest::newRow("above range") << 20 << 16 << 250 << 250 << 7 << 7;
    QTest::newRow("limits") << 16 << 16 << 0 << 0 << 0 << 0;
    QTest::newRow("inside") << 5 << 5 << 1000 << 1000 << 1 << 1;
}

void TestSpeedTesterRun::configClamps()
{
    QFETCH(int, streams);
    QFETCH(int, expectedStreams);
    QFETCH(int, stagger);
    QFETCH(int, expectedStagger);
    QFETCH(int, rounds);
    QFETCH(int, expectedRounds);

    SpeedTester tester;
    tester.setStreamCount(streams);
    tester.setStaggerMs(stagger);
    tester.setRollingFill(3 * B + 1, 12345, rounds);
    QCOMPARE(tester.streamCount(), expectedStreams);
    QCOMPARE(tester.staggerMs(), expectedStagger);
    QCOMPARE(tester.rollingRounds(), expectedRounds);
    QCOMPARE(tester.rollingFileSize(), 3 * B + 1);
    QCOMPARE(tester.freeBytes(), qint64(12345));
}

void TestSpeedTesterRun::randomFiles_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<qint64>("testSize");
    QTest::addColumn<qint64>("perFile");
    QTest::addColumn<QString>("modeLine");
    QTest::addColumn<QString>("sizeLine");

    QTest::newRow("1 stream") << 1 << 16 * B << 16 * B << QStringLiteral("LogModeRandom")
                              << QStringLiteral("LogSizeBlock|1|64");
    QTest::newRow("2 streams, partial block dropped")
        << 2 << 16 * B + 1000 << 16 * B << QStringLiteral("LogModeRandomN|2")
        << QStringLiteral("LogSizeBlock|2|64");
    QTest::newRow("3 streams, total MB rounded down")
        << 3 << 24 * B << 24 * B << QStringLiteral("LogModeRandomN|3")
        << QStringLiteral("LogSizeBlock|4|64");
}

void TestSpeedTesterRun::randomFiles()
{
    QFETCH(int, streams);
    QFETCH(qint64, testSize);
    QFETCH(qint64, perFile);
    QFETCH(QString, modeLine);
    QFETCH(QString, sizeLine);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(testSize);
    tester.setBlockSize(B);
    tester.setStreamCount(streams);
    EngineRecorder rec(tester);
    QMap<QString, qint64> sizesAfterWrite;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::Log && e.text.startsWith(QLatin1String("LogWriteDone"))) {
            for (const QString &name : entriesIn(scratch.card))
                sizesAfterWrite.insert(name, QFileInfo(scratch.card + name).size());
        }
    };
    QVERIFY(runToEnd(tester));

    QStringList expectedFiles;
    QMap<QString, qint64> expectedSizes;
    for (int i = 1; i <= streams; ++i) {
        const QString name = QStringLiteral("__card_speed_test_%1.dat").arg(i);
        expectedFiles.append(scratch.card + name);
        expectedSizes.insert(name, perFile);
    }
    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(tester.testFiles(), expectedFiles);
    QCOMPARE(tester.fileSizes(), QVector<qint64>(streams, perFile));
    QCOMPARE(tester.testSize(), streams * perFile);
    QCOMPARE(sizesAfterWrite, expectedSizes);
    QCOMPARE(entriesIn(scratch.card), QStringList());

    const QStringList logged = rec.logLines();
    QVERIFY(logged.size() >= 3);
    QCOMPARE(logged.mid(0, 3), (QStringList{QStringLiteral("LogTestStart"), modeLine, sizeLine}));
}

void TestSpeedTesterRun::logLines_data()
{
    QTest::addColumn<QStringList>("sources");  // under the outside folder; empty = random data
    QTest::addColumn<int>("streams");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QStringList>("expected");  // %W / %R: the write / read done lines

    const QStringList none;
    const QStringList oneSource{QStringLiteral("x/a.bin")};
    const QStringList twoSources{QStringLiteral("x/a.bin"), QStringLiteral("y/a.bin")};

    QTest::newRow("random, 1 file, no read")
        << none << 1 << false
        << lines("LogTestStart; LogModeRandom; LogSizeBlock|1|64; LogWriteRandom; %W; "
                 "LogReadDisabled; LogTestDone");
    QTest::newRow("random, 2 files, no read")
        << none << 2 << false
        << lines("LogTestStart; LogModeRandomN|2; LogSizeBlock|2|64; LogWriteRandom; "
                 "LogBeginWrite|#1: __card_speed_test_1.dat; "
                 "LogBeginWrite|#2: __card_speed_test_2.dat; %W; LogReadDisabled; LogTestDone");
    QTest::newRow("random, 1 file, read")
        << none << 1 << true
        << lines("LogTestStart; LogModeRandom; LogSizeBlock|1|64; LogWriteRandom; %W; LogRead; "
                 "%R; LogTestDone");
    QTest::newRow("random, 3 files, read")
        << none << 3 << true
        << lines("LogTestStart; LogModeRandomN|3; LogSizeBlock|3|64; LogWriteRandom; "
                 "LogBeginWrite|#1: __card_speed_test_1.dat; "
                 "LogBeginWrite|#2: __card_speed_test_2.dat; "
                 "LogBeginWrite|#3: __card_speed_test_3.dat; %W; LogReadParallelFiles|3|0.0; "
                 "LogBeginRead|#1: __card_speed_test_1.dat; "
                 "LogBeginRead|#2: __card_speed_test_2.dat; "
                 "LogBeginRead|#3: __card_speed_test_3.dat; %R; LogTestDone");
    QTest::newRow("external, 1 file, read")
        << oneSource << 1 << true
        << lines("LogTestStart; LogModeExternal; LogSizeBlock|1|64; LogWriteFileCopy; %W; "
                 "LogRead; %R; LogTestDone");
    // Write start lines name the sources, read start lines the copies on the card.
    QTest::newRow("external, 2 files, no read")
        << twoSources << 1 << false
        << lines("LogTestStart; LogModeExternalN|2; LogSizeBlock|2|64; "
                 "LogWriteParallelFiles|2|0.0; LogBeginWrite|#1: a.bin; LogBeginWrite|#2: a.bin; "
                 "%W; LogReadDisabled; LogTestDone");
    QTest::newRow("external, 2 files, read")
        << twoSources << 1 << true
        << lines("LogTestStart; LogModeExternalN|2; LogSizeBlock|2|64; "
                 "LogWriteParallelFiles|2|0.0; LogBeginWrite|#1: a.bin; LogBeginWrite|#2: a.bin; "
                 "%W; LogReadParallelFiles|2|0.0; LogBeginRead|#1: a.bin; "
                 "LogBeginRead|#2: a (1).bin; %R; LogTestDone");
}

void TestSpeedTesterRun::logLines()
{
    QFETCH(QStringList, sources);
    QFETCH(int, streams);
    QFETCH(bool, read);
    QFETCH(QStringList, expected);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    QStringList sourcePaths;
    for (const QString &s : sources) {
        const QString p = scratch.outside + s;
        QVERIFY(QDir().mkpath(QFileInfo(p).path()));
        QVERIFY(writeFile(p, noiseBytes(16 * B, quint32(sourcePaths.size() + 1))));
        sourcePaths.append(p);
    }

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(16 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(streams);
    tester.setSourceFiles(sourcePaths);
    tester.setReadEnabled(read);
    EngineRecorder rec(tester);
    QStringList cardAtDone{QStringLiteral("<not reached>")};
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::Log && e.text == QLatin1String("LogTestDone"))
            cardAtDone = entriesIn(scratch.card);
    };
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(rec.count(EngineEvent::WriteFinished), 1);
    QCOMPARE(rec.count(EngineEvent::ReadFinished), read ? 1 : 0);
    expected.replaceInStrings(QStringLiteral("%W"),
                              doneLine("LogWriteDone", rec.ofKind(EngineEvent::WriteFinished)));
    expected.replaceInStrings(QStringLiteral("%R"),
                              doneLine("LogReadDone", rec.ofKind(EngineEvent::ReadFinished)));
    QCOMPARE(rec.logLines(), expected);
    QCOMPARE(cardAtDone, QStringList());
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

void TestSpeedTesterRun::externalNaming_data()
{
    QTest::addColumn<QStringList>("sources");  // under the outside folder
    QTest::addColumn<QStringList>("targets");  // names on the card, same order

    QTest::newRow("same name three times") << QStringList{"x/a.mp4", "y/a.mp4", "v/a.mp4"}
                                           << QStringList{"a.mp4", "a (1).mp4", "a (2).mp4"};
    QTest::newRow("with and without suffix") << QStringList{"x/a.mp4", "y/a.mp4", "z/b", "w/b"}
                                             << QStringList{"a.mp4", "a (1).mp4", "b", "b (1)"};
    QTest::newRow("only the last suffix moves") << QStringList{"x/clip.tar.gz", "y/clip.tar.gz"}
                                                << QStringList{"clip.tar.gz", "clip.tar (1).gz"};
    QTest::newRow("counter restarts for every source")
        << QStringList{"x/a (1).mp4", "y/a.mp4", "z/a.mp4"}
        << QStringList{"a (1).mp4", "a.mp4", "a (2).mp4"};
    QTest::newRow("names differing in case are distinct")
        << QStringList{"x/A.mp4", "y/a.mp4"} << QStringList{"A.mp4", "a.mp4"};
}

void TestSpeedTesterRun::externalNaming()
{
    QFETCH(QStringList, sources);
    QFETCH(QStringList, targets);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    QStringList sourcePaths;
    QMap<QString, QByteArray> expected;  // target name -> the content it must receive
    for (int i = 0; i < sources.size(); ++i) {
        const QString p = scratch.outside + sources[i];
        QVERIFY(QDir().mkpath(QFileInfo(p).path()));
        const QByteArray data = noiseBytes(2 * B + 100 * i, quint32(100 + i));
        QVERIFY(writeFile(p, data));
        sourcePaths.append(p);
        expected.insert(targets[i], data.left(int(2 * B)));
    }

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setBlockSize(B);
    tester.setSourceFiles(sourcePaths);
    EngineRecorder rec(tester);
    QMap<QString, QByteArray> written;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::WriteFinished)
            written = fileContents(scratch.card);
    };
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList());
    QStringList expectedPaths;
    for (const QString &t : targets)
        expectedPaths.append(scratch.card + t);
    QCOMPARE(tester.testFiles(), expectedPaths);
    QCOMPARE(tester.fileSizes(), QVector<qint64>(targets.size(), 2 * B));
    QCOMPARE(tester.testSize(), targets.size() * 2 * B);
    QCOMPARE(written.keys(), expected.keys());
    for (const QString &t : targets)
        QVERIFY2(written.value(t) == expected.value(t), qPrintable(t));
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

void TestSpeedTesterRun::smallSourceIsSkipped()
{
    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    const QString tiny = scratch.outside + QStringLiteral("tiny.bin");
    const QString first = scratch.outside + QStringLiteral("a.bin");
    const QString second = scratch.outside + QStringLiteral("c.bin");
    const QByteArray firstData = noiseBytes(2 * B, 21);
    const QByteArray secondData = noiseBytes(3 * B + 5, 22);
    QVERIFY(writeFile(tiny, noiseBytes(B - 1, 20)));
    QVERIFY(writeFile(first, firstData));
    QVERIFY(writeFile(second, secondData));

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setBlockSize(B);
    tester.setSourceFiles({tiny, first, second});
    EngineRecorder rec(tester);
    QMap<QString, QByteArray> written;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::WriteFinished)
            written = fileContents(scratch.card);
    };
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(tester.testFiles(), (QStringList{scratch.card + QStringLiteral("a.bin"),
                                              scratch.card + QStringLiteral("c.bin")}));
    QCOMPARE(tester.fileSizes(), (QVector<qint64>{2 * B, 3 * B}));
    const QStringList logged = rec.logLines();
    QVERIFY(logged.size() >= 7);
    QCOMPARE(logged.mid(0, 7),
             (QStringList{QStringLiteral("LogSkipSmall|") + tiny, QStringLiteral("LogTestStart"),
                          QStringLiteral("LogModeExternalN|2"), QStringLiteral("LogSizeBlock|0|64"),
                          QStringLiteral("LogWriteParallelFiles|2|0.0"),
                          QStringLiteral("LogBeginWrite|#1: a.bin"),
                          QStringLiteral("LogBeginWrite|#2: c.bin")}));
    QCOMPARE(logged.filter(QStringLiteral("LogSkipSmall")).size(), 1);
    QVERIFY(written.value(QStringLiteral("a.bin")) == firstData);
    QVERIFY(written.value(QStringLiteral("c.bin")) == secondData.left(int(3 * B)));
    QCOMPARE(written.size(), 2);
}

void TestSpeedTesterRun::nothingValidToTest_data()
{
    QTest::addColumn<qint64>("testSize");
    QTest::addColumn<QVector<qint64>>("sourceSizes");  // empty = random data
    QTest::addColumn<QString>("error");

    QTest::newRow("random, below one block")
        << qint64(1000) << QVector<qint64>() << QStringLiteral("MsgSizeLtBlock");
    QTest::newRow("random, one byte short of a block")
        << B - 1 << QVector<qint64>() << QStringLiteral("MsgSizeLtBlock");
    QTest::newRow("random, zero") << qint64(0) << QVector<qint64>()
                                  << QStringLiteral("MsgSizeLtBlock");
    QTest::newRow("external, every source below one block")
        << 16 * B << QVector<qint64>{1000, B - 1} << QStringLiteral("LogNoValidFiles");
}

void TestSpeedTesterRun::nothingValidToTest()
{
    QFETCH(qint64, testSize);
    QFETCH(QVector<qint64>, sourceSizes);
    QFETCH(QString, error);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    QStringList sources;
    QStringList expectedLog;
    for (int i = 0; i < sourceSizes.size(); ++i) {
        const QString p = scratch.outside + QStringLiteral("s%1.bin").arg(i);
        QVERIFY(writeFile(p, noiseBytes(sourceSizes[i], quint32(i))));
        sources.append(p);
        expectedLog.append(QStringLiteral("LogSkipSmall|") + p);
    }

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(testSize);
    tester.setBlockSize(B);
    tester.setSourceFiles(sources);
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList{error});
    QCOMPARE(rec.logLines(), expectedLog);
    QCOMPARE(rec.events.size(), expectedLog.size() + 1);  // nothing else at all
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

namespace {
enum Occupant {
    RegularFile,
    DanglingLink,
    Folder,
    TwoFiles,      // a.mp4 and a (1).mp4 both present
    SourceOnCard,  // the source itself sits in the card's root
};
}  // namespace

void TestSpeedTesterRun::namesOnTheCardAreNotReused_data()
{
    QTest::addColumn<int>("occupant");
    QTest::addColumn<QString>("target");

    QTest::newRow("a file of the same name") << int(RegularFile) << QStringLiteral("a (1).mp4");
    QTest::newRow("a dangling link of the same name")
        << int(DanglingLink) << QStringLiteral("a (1).mp4");
    QTest::newRow("a folder of the same name") << int(Folder) << QStringLiteral("a (1).mp4");
    QTest::newRow("the next name taken too") << int(TwoFiles) << QStringLiteral("a (2).mp4");
    QTest::newRow("source picked from the card")
        << int(SourceOnCard) << QStringLiteral("a (1).mp4");
}

void TestSpeedTesterRun::namesOnTheCardAreNotReused()
{
    QFETCH(int, occupant);
    QFETCH(QString, target);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    const QString onCard = scratch.card + QStringLiteral("a.mp4");
    const QByteArray onCardData = noiseBytes(3 * B + 17, 31);
    const QByteArray otherData = noiseBytes(B / 2, 32);
    const QString gone = scratch.outside + QStringLiteral("gone.mp4");
    QString source = scratch.outside + QStringLiteral("a.mp4");
    QByteArray sourceData = noiseBytes(2 * B, 33);

    switch (Occupant(occupant)) {
    case RegularFile:
        QVERIFY(writeFile(onCard, onCardData));
        break;
    case DanglingLink:
        QVERIFY(QFile::link(gone, onCard));
        break;
    case Folder:
        QVERIFY(QDir().mkdir(onCard));
        break;
    case TwoFiles:
        QVERIFY(writeFile(onCard, onCardData));
        QVERIFY(writeFile(scratch.card + QStringLiteral("a (1).mp4"), otherData));
        break;
    case SourceOnCard:
        source = onCard;
        sourceData = onCardData;
        QVERIFY(writeFile(onCard, onCardData));
        break;
    }
    if (occupant != SourceOnCard)
        QVERIFY(writeFile(source, sourceData));
    const QStringList before = entriesIn(scratch.card);
    const QMap<QString, QByteArray> contentBefore = fileContents(scratch.card);

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setBlockSize(B);
    tester.setSourceFiles({source});
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    QByteArray copy;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::WriteFinished)
            copy = readFile(scratch.card + target);
    };
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(tester.testFiles(), QStringList{scratch.card + target});
    QVERIFY(copy == sourceData.left(int(sourceData.size() / B * B)));
    QVERIFY(rec.logLines().contains(QStringLiteral("LogTestDone")));
    QCOMPARE(entriesIn(scratch.card), before);
    QVERIFY(fileContents(scratch.card) == contentBefore);
    if (occupant == DanglingLink) {
        QVERIFY(QFileInfo(onCard).isSymLink());
        QCOMPARE(QFileInfo(onCard).symLinkTarget(), gone);
        QVERIFY(!QFileInfo::exists(gone));
    }
    QVERIFY(readFile(source) == sourceData);
}

void TestSpeedTesterRun::plantedLinkIsNeverFollowed_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("linkedFile");  // 1-based number of the test file replaced by a link
    QTest::addColumn<bool>("read");

    QTest::newRow("single stream") << 1 << 1 << false;
    QTest::newRow("second of two streams, read enabled") << 2 << 2 << true;
}

void TestSpeedTesterRun::plantedLinkIsNeverFollowed()
{
    QFETCH(int, streams);
    QFETCH(int, linkedFile);
    QFETCH(bool, read);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    const QString victim = scratch.outside + QStringLiteral("victim.dat");
    const QByteArray victimData = noiseBytes(3 * B, 41);
    QVERIFY(writeFile(victim, victimData));
    const QString linkName = QStringLiteral("__card_speed_test_%1.dat").arg(linkedFile);
    const QString link = scratch.card + linkName;
    QVERIFY(QFile::link(victim, link));

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(4 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(streams);
    tester.setReadEnabled(read);
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList{QStringLiteral("无法创建目标文件: %1").arg(link)});
    QCOMPARE(rec.count(EngineEvent::WriteFinished), 0);
    QCOMPARE(rec.count(EngineEvent::ReadProgress), 0);
    QVERIFY(!rec.logLines().contains(QStringLiteral("LogTestDone")));
    QCOMPARE(entriesIn(scratch.card), QStringList{linkName});
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), victim);
    QVERIFY(readFile(victim) == victimData);
}

void TestSpeedTesterRun::stopRequestedBeforeStartIsForgotten()
{
    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(4 * B);
    tester.setBlockSize(B);
    tester.requestStop();
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(rec.count(EngineEvent::WriteFinished), 1);
    QVERIFY(!rec.logLines().isEmpty());
    QCOMPARE(rec.logLines().last(), QStringLiteral("LogTestDone"));
}

QTEST_GUILESS_MAIN(TestSpeedTesterRun)
#include "tst_speedtester_run.moc"
