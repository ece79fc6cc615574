// SpeedTester::run() on a folder standing in for the card: the test files it prepares
// (names, sizes, contents), the log it writes, the progress and speed samples of its passes,
// how it ends when workers fail or the user stops it, and
// that it always leaves the card as it found it. Speeds are only compared with each other.
#include "enginetestkit.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <numeric>

namespace {
// The signals of one pass that succeeded: aggregate percentages that only grow, every file
// sampled from its first byte on (no file here is over 100 blocks, so 0 % would be a sample
// before it) up to a last sample at 100, the final sample at 100, the closing progress
// (100, avg, avg), the finished signal, then the done line with that average.
void checkPass(const QVector<EngineEvent> &events, bool writing, int files)
{
    const auto progress = writing ? EngineEvent::WriteProgress : EngineEvent::ReadProgress;
    const auto sample = writing ? EngineEvent::FileWriteSample : EngineEvent::FileReadSample;
    const auto finished = writing ? EngineEvent::WriteFinished : EngineEvent::ReadFinished;
    QVector<EngineEvent> steps;
    QVector<int> filePercent(files, 0);
    int finishedAt = -1;
    for (int i = 0; i < events.size(); ++i) {
        const EngineEvent &e = events[i];
        if (e.kind == progress || e.kind == sample || e.kind == finished)
            QCOMPARE(finishedAt, -1);
        // The read pass begins once the write pass has closed.
        if (writing && e.kind == EngineEvent::ReadProgress)
            QVERIFY(finishedAt >= 0);
        if (e.kind == finished) {
            finishedAt = i;
        } else if (e.kind == progress) {
            QVERIFY(e.percent <= 100 && (steps.isEmpty() || e.percent >= steps.last().percent));
            steps.append(e);
        } else if (e.kind == sample) {
            QVERIFY(e.fileIdx >= 0 && e.fileIdx < files);
            QVERIFY(e.percent >= qMax(1, filePercent[e.fileIdx]) && e.percent <= 100);
            QVERIFY(e.average > 0.0 && e.current >= 0.0);
            filePercent[e.fileIdx] = e.percent;
        }
    }
    QVERIFY(finishedAt >= 0 && steps.size() >= 2 && events[finishedAt].average > 0.0);
    const double avg = events[finishedAt].average;
    QCOMPARE(filePercent, QVector<int>(files, 100));
    QCOMPARE(steps[steps.size() - 2].percent, 100);
    QVERIFY(steps.last().percent == 100 && steps.last().current == avg
            && steps.last().average == avg);
    QCOMPARE(
        events.value(finishedAt + 1).text,
        QStringLiteral("%1|%2").arg(writing ? "LogWriteDone" : "LogReadDone").arg(avg, 0, 'f', 2));
}

// The first two are planted once the names are chosen, as if something else took them.
enum Blocker {
    FoldersAt1And3,  // folders under the names of files 1 and 3: their opens fail, root or not
    LinkAtFile2,     // a link to a file off the card, never written through nor deleted
    ShortenFile2,    // between the passes, file 2 is cut to one block
    RemoveFile2,     // ... or removed
};
}  // namespace

class TestSpeedTester : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { showKeyArguments(); }
    void runs_data();
    void runs();
    void nothingToTest_data();
    void nothingToTest();
    void failures_data();
    void failures();
    void stop_data();
    void stop();
    void deletingARunningTesterStopsIt();
};

void TestSpeedTester::runs_data()
{
    // Source i (under the outside folder) holds i + 2 blocks and 100 * i bytes more; one
    // named "tiny..." is a byte short of a block. Made on the card first: "name" a file,
    // "name@" a link to a file that does not exist.
    QTest::addColumn<QStringList>("sources");  // empty = random data
    QTest::addColumn<QStringList>("onCard");
    QTest::addColumn<int>("streams");
    QTest::addColumn<qint64>("testSize");
    QTest::addColumn<int>("staggerMs");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QStringList>("targets");  // test files' names; random: empty = the usual
    // "; "-joined, %O/ the outside folder; empty = not checked in this row.
    QTest::addColumn<QString>("log");

    const QStringList none;
    // 31 blocks are 1.94 MB of 1048576 bytes, but over 2 MB of 10^6 bytes.
    QTest::newRow("random, 1 file, read")
        << none << none << 1 << 31 * B << 0 << true << none
        << "LogTestStart; LogModeRandom; LogSizeBlock|1|64; LogWriteRandom; LogWriteDone|avg; "
           "LogRead; LogReadDone|avg; LogTestDone";
    QTest::newRow("random, 2 files, partial block dropped")
        << none << none << 2 << 16 * B + 1000 << 0 << false << none
        << "LogTestStart; LogModeRandomN|2; LogSizeBlock|2|64; LogWriteRandom; "
           "LogBeginWrite|#1: __card_speed_test_1.dat; LogBeginWrite|#2: __card_speed_test_2.dat; "
           "LogWriteDone|avg; LogReadDisabled; LogTestDone";
    // The stagger also leaves time for samples before the final one.
    QTest::newRow("random, 3 files, staggered, total MB rounded down")
        << none << none << 3 << 24 * B << 300 << true << none
        << "LogTestStart; LogModeRandomN|3; LogSizeBlock|4|64; LogWriteRandom; "
           "LogBeginWrite|#1: __card_speed_test_1.dat; LogBeginWrite|#2: __card_speed_test_2.dat; "
           "LogBeginWrite|#3: __card_speed_test_3.dat; LogWriteDone|avg; "
           "LogReadParallelFiles|3|0.3; LogBeginRead|#1: __card_speed_test_1.dat; "
           "LogBeginRead|#2: __card_speed_test_2.dat; LogBeginRead|#3: __card_speed_test_3.dat; "
           "LogReadDone|avg; LogTestDone";
    QTest::newRow("external, 1 file")
        << QStringList{"x/a.bin"} << none << 1 << 16 * B << 0 << true << QStringList{"a.bin"}
        << "LogTestStart; LogModeExternal; LogSizeBlock|0|64; LogWriteFileCopy; "
           "LogWriteDone|avg; LogRead; LogReadDone|avg; LogTestDone";
    // Write start lines name the sources, read start lines the copies on the card.
    QTest::newRow("external, 2 files of one name, staggered")
        << QStringList{"x/a.bin", "y/a.bin"} << none << 1 << 16 * B << 300 << true
        << QStringList{"a.bin", "a (1).bin"}
        << "LogTestStart; LogModeExternalN|2; LogSizeBlock|0|64; LogWriteParallelFiles|2|0.3; "
           "LogBeginWrite|#1: a.bin; LogBeginWrite|#2: a.bin; LogWriteDone|avg; "
           "LogReadParallelFiles|2|0.3; LogBeginRead|#1: a.bin; LogBeginRead|#2: a (1).bin; "
           "LogReadDone|avg; LogTestDone";
    QTest::newRow("external, a source below one block skipped")
        << QStringList{"tiny.bin", "a.bin", "c.bin"} << none << 1 << 16 * B << 0 << false
        << QStringList{"a.bin", "c.bin"}
        << "LogSkipSmall|%O/tiny.bin; LogTestStart; LogModeExternalN|2; LogSizeBlock|0|64; "
           "LogWriteParallelFiles|2|0.0; LogBeginWrite|#1: a.bin; LogBeginWrite|#2: c.bin; "
           "LogWriteDone|avg; LogReadDisabled; LogTestDone";

    // Names: unique among the test's files, and never one already on the card, compared
    // without case as FAT32 and exFAT do.
    const auto naming = [](const char *name, QStringList sources, QStringList onCard,
                           QStringList targets) {
        QTest::newRow(name) << sources << onCard << 1 << 16 * B << 0 << true << targets << "";
    };
    naming("with and without suffix", {"x/a.mp4", "y/a.mp4", "z/b", "w/b"}, none,
           {"a.mp4", "a (1).mp4", "b", "b (1)"});
    naming("only the last suffix moves", {"x/clip.tar.gz", "y/clip.tar.gz"}, none,
           {"clip.tar.gz", "clip.tar (1).gz"});
    naming("counter restarts for every source", {"x/a (1).mp4", "y/a.mp4", "z/a.mp4"}, none,
           {"a (1).mp4", "a.mp4", "a (2).mp4"});
    naming("a %1 in the name kept", {"x/take%1.mp4", "y/take%1.mp4"}, none,
           {"take%1.mp4", "take%1 (1).mp4"});
    naming("a dangling link of the same name", {"a.mp4"}, {"a.mp4@"}, {"a (1).mp4"});
    naming("the next names taken too, in other case", {"a.mp4"}, {"A.mp4", "a (1).MP4"},
           {"a (2).mp4"});
    naming("source picked from the card", {"../card/a.mp4"}, none, {"a (1).mp4"});
    QTest::newRow("random data, its names taken on the card")
        << none
        << QStringList{"__card_speed_test_1.dat", "__CARD_SPEED_TEST_2.DAT",
                       "__card_speed_test_2 (1).dat"}
        << 2 << 16 * B << 0 << true
        << QStringList{"__card_speed_test_1 (1).dat", "__card_speed_test_2 (2).dat"} << "";
}

void TestSpeedTester::runs()
{
    QFETCH(QStringList, sources);
    QFETCH(QStringList, onCard);
    QFETCH(int, streams);
    QFETCH(qint64, testSize);
    QFETCH(int, staggerMs);
    QFETCH(bool, read);
    QFETCH(QStringList, targets);
    QFETCH(QString, log);

    EngineRun run;
    QVERIFY(run.valid);
    for (const QString &entry : onCard) {
        QVERIFY(entry.endsWith('@') ? QFile::link(run.outside + "gone", run.card + entry.chopped(1))
                                    : writeFile(run.card + entry, noiseBytes(3 * B + 17, 31)));
    }
    QVector<QByteArray> copies;  // what each test file must hold: the source's whole blocks
    for (int i = 0; i < sources.size(); ++i) {
        sources[i] = run.outside + sources[i];
        const QByteArray data =
            noiseBytes(sources[i].contains("tiny") ? B - 1 : (i + 2) * B + 100 * i, quint32(i + 1));
        QVERIFY(QDir().mkpath(QFileInfo(sources[i]).path()) && writeFile(sources[i], data));
        if (data.size() >= B)
            copies.append(data.left(data.size() / B * B));
    }
    for (int i = 0; sources.isEmpty() && i < streams; ++i) {
        if (i == targets.size())
            targets.append(testFileName(i + 1));
        copies.append(expectedPatternBlock(B).repeated(int(testSize / B)));
    }
    const QStringList before = folderState(run.tmp.path());
    const QStringList cardBefore = folderState(run.card);
    QStringList written = cardBefore;  // the card when the write pass ends
    QStringList paths;
    QVector<qint64> sizes;
    for (int i = 0; i < targets.size(); ++i) {
        written.append(fileState(targets[i], copies[i]));
        paths.append(run.card + targets[i]);
        sizes.append(copies[i].size());
    }
    written.sort();

    run.tester.setTestSize(testSize);
    run.tester.setStreamCount(streams);
    run.tester.setStaggerMs(staggerMs);
    run.tester.setSourceFiles(sources);
    run.tester.setReadEnabled(read);
    QVERIFY(run.run());

    QCOMPARE(run.rec.errors(), QStringList());
    QCOMPARE(run.tester.testFiles(), paths);
    QCOMPARE(run.tester.fileSizes(), sizes);
    QCOMPARE(run.tester.testSize(), std::accumulate(sizes.cbegin(), sizes.cend(), qint64(0)));
    QCOMPARE(run.cardAtWriteFinished, written);
    checkPass(run.rec.events, true, targets.size());
    QCOMPARE(run.rec.count(EngineEvent::ReadFinished), read ? 1 : 0);
    if (read)
        checkPass(run.rec.events, false, targets.size());
    if (!log.isEmpty()) {
        // checkPass() has matched the averages of the done lines with the finished signals.
        QStringList logged = run.rec.logLines();
        logged.replaceInStrings(QRegularExpression("Done\\|\\d+\\.\\d\\d$"), "Done|avg");
        QCOMPARE(logged, log.replace("%O/", run.outside).split("; "));
    }
    // The test files are gone before the closing line, and nothing else was touched.
    QCOMPARE(run.cardAtTestDone, cardBefore);
    QCOMPARE(folderState(run.tmp.path()), before);
}

void TestSpeedTester::nothingToTest_data()
{
    QTest::addColumn<qint64>("testSize");
    QTest::addColumn<QVector<qint64>>("sourceSizes");  // empty = random data
    QTest::addColumn<qint64>("rollingFileSize");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<QString>("error");

    const QVector<qint64> random;
    const qint64 o = 0;
    QTest::newRow("random, a byte short of a block")
        << B - 1 << random << o << o << "MsgSizeLtBlock";
    QTest::newRow("external, every source below one block")
        << 16 * B << QVector<qint64>{1000, B - 1} << o << o << "LogNoValidFiles";
    QTest::newRow("rolling, file below one block")
        << 4 * B << random << B - 1 << 100 * B << "LogFileTooSmall";
    QTest::newRow("rolling, free space below one file")
        << 4 * B << random << 16 * B << 16 * B - 1 << "LogCardFull";
    QTest::newRow("rolling, free space below the rounded file")
        << 4 * B << random << 16 * B + 1000 << 16 * B - 1 << "LogCardFull";
}

void TestSpeedTester::nothingToTest()
{
    QFETCH(qint64, testSize);
    QFETCH(QVector<qint64>, sourceSizes);
    QFETCH(qint64, rollingFileSize);
    QFETCH(qint64, freeBytes);
    QFETCH(QString, error);

    EngineRun run;
    QVERIFY(run.valid);
    QStringList sources;
    QStringList logged;  // the skipped sources are named, then comes the error, and nothing else
    for (int i = 0; i < sourceSizes.size(); ++i) {
        sources.append(run.outside + QString::number(i));
        QVERIFY(writeFile(sources[i], noiseBytes(sourceSizes[i], quint32(i))));
        logged.append("LogSkipSmall|" + sources[i]);
    }
    run.tester.setTestSize(testSize);
    run.tester.setSourceFiles(sources);
    run.tester.setReadEnabled(true);
    run.tester.setRollingFill(rollingFileSize, freeBytes, 3);
    QVERIFY(run.run());

    QCOMPARE(folderState(run.card), QStringList());
    QCOMPARE(run.rec.errors(), QStringList{error});
    QCOMPARE(run.rec.logLines(), logged);
    QCOMPARE(run.rec.events.size(), logged.size() + 1);
}

void TestSpeedTester::failures_data()
{
    QTest::addColumn<int>("blocker");
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("staggerMs");
    QTest::addColumn<QString>("error");              // %1, %2, ...: the path of test file 1, 2, ...
    QTest::addColumn<QVector<int>>("neverSampled");  // files that failed before a byte

    // The stagger has files 1 and 3 watched while they have no byte yet.
    QTest::newRow("files 1 and 3 of 3 cannot be created")
        << int(FoldersAt1And3) << 3 << 250 << "无法创建目标文件: %1\n无法创建目标文件: %3"
        << QVector<int>{0, 2};
    QTest::newRow("link planted under file 2 of 2")
        << int(LinkAtFile2) << 2 << 0 << "无法创建目标文件: %2" << QVector<int>{1};
    QTest::newRow("file shortened between passes")
        << int(ShortenFile2) << 2 << 0 << "读取失败 (%2)" << QVector<int>{};
    QTest::newRow("file removed between passes")
        << int(RemoveFile2) << 2 << 0 << "无法读取文件: %2" << QVector<int>{1};
}

void TestSpeedTester::failures()
{
    QFETCH(int, blocker);
    QFETCH(int, streams);
    QFETCH(int, staggerMs);
    QFETCH(QString, error);
    QFETCH(QVector<int>, neverSampled);

    EngineRun run;
    QVERIFY(run.valid);
    const QString victim = run.outside + "victim.dat";
    QVERIFY(writeFile(victim, noiseBytes(3 * B, 41)));
    if (blocker == LinkAtFile2)
        REQUIRE_SYMLINKS(run.tmp.path());
    QStringList before;
    // Runs on the engine thread, while the engine waits for it.
    run.onEvent = [&](const EngineEvent &e, int) {
        if (e.text == QLatin1String("LogTestStart")) {
            if (blocker == FoldersAt1And3) {
                QDir().mkdir(run.testFile(1));
                QDir().mkdir(run.testFile(3));
            }
            if (blocker == LinkAtFile2)
                QFile::link(victim, run.testFile(2));
            before = folderState(run.tmp.path());
        } else if (e.kind == EngineEvent::WriteFinished && blocker == RemoveFile2) {
            QFile::remove(run.testFile(2));
        } else if (e.kind == EngineEvent::WriteFinished && blocker == ShortenFile2) {
            QFile::resize(run.testFile(2), B);
        }
    };
    run.tester.setTestSize(16 * B);
    run.tester.setStreamCount(streams);
    run.tester.setStaggerMs(staggerMs);
    run.tester.setReadEnabled(true);
    QVERIFY(run.run());

    for (int n = 1; n <= streams; ++n)
        error.replace(QStringLiteral("%%1").arg(n), run.testFile(n));
    // One error, and the last thing emitted: no read pass after a failed write pass, no
    // closing line.
    QCOMPARE(run.rec.errors(), QStringList{error});
    QCOMPARE(run.rec.events.last().kind, EngineEvent::TestError);
    const bool readFailed = blocker == ShortenFile2 || blocker == RemoveFile2;
    QCOMPARE(run.rec.count(EngineEvent::WriteFinished), readFailed ? 1 : 0);
    QCOMPARE(run.rec.count(EngineEvent::ReadFinished), 0);
    // The failing pass still closed with its final samples at 100 %; a file that never
    // moved a byte has no sample at all.
    const auto progress = readFailed ? EngineEvent::ReadProgress : EngineEvent::WriteProgress;
    QCOMPARE(run.rec.ofKind(progress).value(run.rec.count(progress) - 1).percent, 100);
    QVector<int> lastPercent(streams, -1);
    for (const EngineEvent &e :
         run.rec.ofKind(readFailed ? EngineEvent::FileReadSample : EngineEvent::FileWriteSample)) {
        QVERIFY(e.fileIdx >= 0 && e.fileIdx < streams);
        lastPercent[e.fileIdx] = e.percent;
    }
    for (int f = 0; f < streams; ++f)
        QCOMPARE(lastPercent[f], neverSampled.contains(f) ? -1 : 100);
    // The engine's files are gone; what took their names is untouched.
    QCOMPARE(folderState(run.tmp.path()), before);
}

void TestSpeedTester::stop_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("staggerMs");
    QTest::addColumn<int>("stopOnKind");      // the event that asks for the stop; -1: start()
    QTest::addColumn<QString>("stopOnText");  // for a log line: its text
    QTest::addColumn<QStringList>("after");   // everything emitted after that event

    const int log = EngineEvent::Log;
    const QStringList cancelled{"LogUserCancelled"};
    // Before the thread runs: the run ends at once, with the line.
    QTest::newRow("before the start") << 1 << 0 << -1 << "" << cancelled;
    QTest::newRow("write pass, second start line")
        << 2 << 0 << log << "LogBeginWrite|#2: __card_speed_test_2.dat" << cancelled;
    // A long stagger holds file 2 back; the first sample of file 1 comes while it waits
    // (the last signal of that sample), and after the stop file 2 is never started.
    QTest::newRow("write pass, staggered start")
        << 2 << 5000 << int(EngineEvent::FileWriteSample) << "" << cancelled;
    // A stop in the read pass ends the run without a cancellation line.
    QTest::newRow("read pass, at its heading") << 1 << 0 << log << "LogRead" << QStringList();
    // (The stagger delays the write pass too, so it is kept short here.)
    QTest::newRow("read pass, staggered start")
        << 2 << 1000 << int(EngineEvent::FileReadSample) << "" << QStringList();
}

void TestSpeedTester::stop()
{
    QFETCH(int, streams);
    QFETCH(int, staggerMs);
    QFETCH(int, stopOnKind);
    QFETCH(QString, stopOnText);
    QFETCH(QStringList, after);

    EngineRun run;
    QVERIFY(run.valid);
    run.tester.setTestSize(4 * B);
    run.tester.setStreamCount(streams);
    run.tester.setStaggerMs(staggerMs);
    run.tester.setReadEnabled(true);
    int stoppedAt = -1;
    if (stopOnKind < 0)
        run.tester.requestStop();
    run.onEvent = [&](const EngineEvent &e, int index) {
        if (stoppedAt < 0 && e.kind == stopOnKind
            && (e.kind != EngineEvent::Log || e.text == stopOnText)) {
            stoppedAt = index;
            run.tester.requestStop();
        }
    };
    QVERIFY(run.run());

    QVERIFY2(stoppedAt >= 0 || stopOnKind < 0, "the stop point was never reached");
    QStringList emitted;
    for (const EngineEvent &e : run.rec.events.mid(stoppedAt + 1))
        emitted.append(e.kind == EngineEvent::Log ? e.text : QString::number(e.kind));
    QCOMPARE(emitted, after);
    QCOMPARE(folderState(run.card), QStringList());
    // File 2 of the pass had not been started when the stop came (only the write pass
    // before a read pass started it).
    const bool reading = stopOnKind == EngineEvent::FileReadSample;
    QVERIFY(staggerMs == 0 || run.rec.logLines().filter("#2: ").size() == (reading ? 1 : 0));
}

void TestSpeedTester::deletingARunningTesterStopsIt()
{
    QTemporaryDir card;
    QVERIFY(card.isValid());
    auto tester = std::make_unique<SpeedTester>();
    tester->setTargetDir(card.path() + '/');
    tester->setTestSize(4 * B);
    tester->setBlockSize(B);
    tester->setStreamCount(2);
    tester->setStaggerMs(10000);  // the run would last at least ten seconds
    EngineRecorder rec(*tester);
    std::atomic<bool> sampled{false};
    rec.hook = [&](const EngineEvent &e, int) {
        sampled = sampled || e.kind == EngineEvent::WriteProgress;
    };
    tester->start();
    QVERIFY(QTest::qWaitFor([&] { return sampled.load(); }, 5000));
    tester.reset();  // stops the run and waits for it

    QCOMPARE(rec.count(EngineEvent::WriteFinished), 0);
    QCOMPARE(rec.logLines().last(), QStringLiteral("LogUserCancelled"));
    QCOMPARE(folderState(card.path()), QStringList());
}

QTEST_GUILESS_MAIN(TestSpeedTester)
#include "tst_speedtester.moc"
