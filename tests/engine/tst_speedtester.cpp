// SpeedTester::run() on a folder standing in for the card: the test files it prepares
// (names, sizes, contents), the log it writes, the progress and speed samples of its passes,
// how it ends when workers fail or the user stops it, and
// that it always leaves the card as it found it. Speeds are only compared with each other.
#include "enginetestkit.h"

#include <QtTest>

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

}  // namespace

class TestSpeedTester : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { showKeyArguments(); }
    void runs_data();
    void runs();
    void readBackNamesTheStream();
    void leftovers_data();
    void leftovers();
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
    // The log from the trigger on (all of it without one), "; "-joined, %O/ the outside
    // folder, "avg" the pass average; "-": not checked in this row.
    QTest::addColumn<QString>("log");
    // "trigger>action": on a log line or a signal (or "start": before it), the test stops
    // the run, or plants folders under files 1 and 3 or a link to a file off the card
    // under file 2, or shortens file 2 to one block or removes it, or swaps the card for an
    // empty folder under its path (as a lazy unmount leaves it; the card is kept aside).
    QTest::addColumn<QString>("act");
    QTest::addColumn<QString>("error");  // %1, %2, ...: the path of test file 1, 2, ...

    // Random data, nothing on the card beforehand, the usual names.
    const auto random = [](const char *name, int streams, qint64 size, int stagger, bool read,
                           const char *log, const char *act = "", const char *error = "") {
        QTest::newRow(name) << QStringList() << QStringList() << streams << size << stagger << read
                            << QStringList() << log << act << error;
    };
    // Sources from outside, 16 blocks asked for, one stream each.
    const auto external = [](const char *name, const QStringList &sources,
                             const QStringList &onCard, const QStringList &targets, int stagger = 0,
                             bool read = true, const char *log = "-") {
        QTest::newRow(name) << sources << onCard << 1 << 16 * B << stagger << read << targets << log
                            << QString() << QString();
    };
    random("random, 2 files, partial block dropped", 2, 16 * B + 1000, 0, false,
           "LogTestStart; LogModeRandomN|2; LogSizeBlock|2|64; LogWriteRandom; "
           "LogBeginWrite|#1: __card_speed_test_1.dat; LogBeginWrite|#2: __card_speed_test_2.dat; "
           "LogWriteDone|avg; LogReadDisabled; LogTestDone");
    // The stagger also leaves time for samples before the final one.
    random("random, 3 files, staggered, total MB rounded down", 3, 24 * B, 300, true,
           "LogTestStart; LogModeRandomN|3; LogSizeBlock|4|64; LogWriteRandom; "
           "LogBeginWrite|#1: __card_speed_test_1.dat; LogBeginWrite|#2: __card_speed_test_2.dat; "
           "LogBeginWrite|#3: __card_speed_test_3.dat; LogWriteDone|avg; "
           "LogReadParallelFiles|3|0.3; LogBeginRead|#1: __card_speed_test_1.dat; "
           "LogBeginRead|#2: __card_speed_test_2.dat; LogBeginRead|#3: __card_speed_test_3.dat; "
           "LogReadDone|avg; LogTestDone");
    // Write start lines name the sources, read start lines the copies on the card.
    const QStringList none;
    external("external, 2 files of one name, staggered", {"x/a.bin", "y/a.bin"}, none,
             {"a.bin", "a (1).bin"}, 300, true,
             "LogTestStart; LogModeExternalN|2; LogSizeBlock|0|64; LogWriteParallelFiles|2|0.3; "
             "LogBeginWrite|#1: a.bin; LogBeginWrite|#2: a.bin; LogWriteDone|avg; "
             "LogReadParallelFiles|2|0.3; LogBeginRead|#1: a.bin; LogBeginRead|#2: a (1).bin; "
             "LogReadDone|avg; LogTestDone");
    external("external, a source below one block skipped", {"tiny.bin", "a.bin", "c.bin"}, none,
             {"a.bin", "c.bin"}, 0, false,
             "LogSkipSmall|%O/tiny.bin; LogTestStart; LogModeExternalN|2; LogSizeBlock|0|64; "
             "LogWriteParallelFiles|2|0.0; LogBeginWrite|#1: a.bin; LogBeginWrite|#2: c.bin; "
             "LogWriteDone|avg; LogReadDisabled; LogTestDone");

    // Names: unique among the test's files, and never one already on the card, compared
    // without case as FAT32 and exFAT do.
    external("with and without suffix", {"x/a.mp4", "y/a.mp4", "z/b", "w/b"}, none,
             {"a.mp4", "a (1).mp4", "b", "b (1)"});
    external("only the last suffix moves", {"x/clip.tar.gz", "y/clip.tar.gz"}, none,
             {"clip.tar.gz", "clip.tar (1).gz"});
    external("counter restarts for every source", {"x/a (1).mp4", "y/a.mp4", "z/a.mp4"}, none,
             {"a (1).mp4", "a.mp4", "a (2).mp4"});
    external("a %1 in the name kept", {"x/take%1.mp4", "y/take%1.mp4"}, none,
             {"take%1.mp4", "take%1 (1).mp4"});
    external("a dangling link of the same name", {"a.mp4"}, {"a.mp4@"}, {"a (1).mp4"});
    external("the next names taken too, in other case", {"a.mp4"}, {"A.mp4", "a (1).MP4"},
             {"a (2).mp4"});
    external("source picked from the card", {"../card/a.mp4"}, none, {"a (1).mp4"});
    external("two sources, one name in two cases", {"x/CLIP.MP4", "y/clip.mp4"}, none,
             {"CLIP.MP4", "clip (1).mp4"});
    external("a hidden file of the same name", {"x/.a.mp4"}, {".A.mp4"}, {".a (1).mp4"});
    QTest::newRow("random data, its names taken on the card")
        << none
        << QStringList{"__card_speed_test_1.dat", "__CARD_SPEED_TEST_2.DAT",
                       "__card_speed_test_2 (1).dat"}
        << 2 << 16 * B << 0 << true
        << QStringList{"__card_speed_test_1 (1).dat", "__card_speed_test_2 (2).dat"} << "-"
        << QString() << QString();

    // One error, and the last thing emitted: no read pass after a failed write pass, no
    // closing line. The stagger has files 1 and 3 watched while they have no byte yet.
    random("files 1 and 3 of 3 cannot be created", 3, 16 * B, 250, true, "-",
           "LogTestStart>folders",
           "ErrReason*|无法创建目标文件: %1\nErrReason*|无法创建目标文件: %3");
    random("link planted under file 2 of 2", 2, 16 * B, 0, true, "-", "LogTestStart>link",
           "ErrReason*|无法创建目标文件: %2");
    random("file shortened between passes", 2, 16 * B, 0, true, "-", "WriteFinished>shorten",
           "ErrReasonFileShort|读取失败 (%2)");
    random("file removed between passes", 2, 16 * B, 0, true, "-", "WriteFinished>remove",
           "ErrReason*|无法读取文件: %2");
    // Checked before the pass, and by each worker before its file is made.
    random("card swapped before the write pass", 2, 16 * B, 0, true,
           "LogModeRandomN|2; LogSizeBlock|2|64", "LogTestStart>swap", "ErrCardGone");
    random("card swapped as the workers start", 2, 16 * B, 0, true,
           "LogBeginWrite|#1: __card_speed_test_1.dat; LogBeginWrite|#2: __card_speed_test_2.dat",
           "LogWriteRandom>swap", "ErrCardGone");

    // A stop in the write pass ends the run with the cancellation line, one in the read pass
    // without it; either way nothing else follows. A long stagger holds file 2 back; the
    // first sample of file 1 comes while it waits, and after the stop file 2 is never started.
    random("stop before the start", 1, 4 * B, 0, true, "LogUserCancelled", "start>stop");
    random("stop after the heading, MB of 1048576 bytes", 2, 176 * B, 0, true,
           "LogSizeBlock|22|64; LogWriteRandom; LogBeginWrite|#1: __card_speed_test_1.dat; "
           "LogBeginWrite|#2: __card_speed_test_2.dat; LogUserCancelled",
           "LogModeRandomN|2>stop");
    random("stop at the second start line", 2, 4 * B, 0, true, "LogUserCancelled",
           "LogBeginWrite|#2: __card_speed_test_2.dat>stop");
    random("stop in a staggered write start", 2, 4 * B, 5000, true, "LogUserCancelled",
           "FileWriteSample>stop");
    random("stop at the read heading", 1, 4 * B, 0, true, "", "LogRead>stop");
    // (The stagger delays the write pass too, so it is kept short here.)
    random("stop in a staggered read start", 2, 4 * B, 1000, true, "", "FileReadSample>stop");
}

// A file spoilt between the passes is found on reading back, and charged to its own stream.
void TestSpeedTester::readBackNamesTheStream()
{
    EngineRun run;
    QVERIFY(run.valid);
    run.onEvent = [&run](const EngineEvent &e, int) {
        QFile file(run.testFile(2));
        if (e.kind == EngineEvent::WriteFinished && file.open(QIODevice::ReadWrite)
            && file.seek(5000))
            file.putChar('x');
    };
    DataCheck found;  // set on the engine thread, read once it has ended
    connect(&run.tester, &SpeedTester::dataChecked, [&found](const DataCheck &c) { found = c; });
    run.tester.setStreamCount(3);
    run.tester.setTestSize(4 * B);
    run.tester.setVerifyData(true);
    QVERIFY(run.run());
    QCOMPARE(found.badStreams, QVector<int>{1});
    QCOMPARE(found.wrongSectors, 1);
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
    QFETCH(QString, act);
    QFETCH(QString, error);

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
    const QString victim = run.outside + "victim.dat";
    QVERIFY(writeFile(victim, noiseBytes(3 * B, 41)));
    QStringList before = folderState(run.tmp.path());
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

    if (act.endsWith("link"))
        REQUIRE_SYMLINKS(run.tmp.path());
    const QString trigger = act.section('>', 0, 0);
    const QString action = act.section('>', 1);
    const QStringList kinds{"WriteProgress",  "ReadProgress",  "FileWriteSample",
                            "FileReadSample", "WriteFinished", "ReadFinished"};
    int at = -1;
    if (trigger == "start")
        run.tester.requestStop();
    // Runs on the engine thread, while the engine waits for it. What took the test files'
    // names counts as found on the card.
    run.onEvent = [&](const EngineEvent &e, int index) {
        if (at < 0 && !trigger.isEmpty() && (e.text == trigger || kinds.value(e.kind) == trigger)) {
            at = index;
            if (action == "stop")
                run.tester.requestStop();
            for (int n = 1; action == "folders" && n <= 3; n += 2)
                QDir().mkdir(run.testFile(n));
            if (action == "link")
                QFile::link(victim, run.testFile(2));
            if (action == "shorten" || action == "remove")
                action == "remove" ? QFile::remove(run.testFile(2))
                                   : QFile::resize(run.testFile(2), B);
            if (action == "swap" && QDir().rename(run.card, run.tmp.filePath("away"))
                && QDir().mkdir(run.card))
                before = folderState(run.tmp.path());  // nothing is made from here on
        }
        if (e.text == QLatin1String("LogTestStart"))
            before = folderState(run.tmp.path());
    };
    run.tester.setTestSize(testSize);
    run.tester.setStreamCount(streams);
    run.tester.setStaggerMs(staggerMs);
    run.tester.setSourceFiles(sources);
    run.tester.setReadEnabled(read);
    QElapsedTimer took;
    took.start();
    QVERIFY(run.run());
    // A look at most every 200 ms, and each pass's final look and closing report: a bound
    // that only a faster sampler breaks, however slow the machine.
    const int looks =
        run.rec.count(EngineEvent::WriteProgress) + run.rec.count(EngineEvent::ReadProgress);
    QVERIFY2(looks <= took.elapsed() / 200 + 4, qPrintable(QString::number(looks)));

    QVERIFY2(at >= 0 || trigger.isEmpty() || trigger == "start", "the trigger never came");
    for (int n = 1; n <= streams; ++n)
        error.replace(QStringLiteral("%%1").arg(n), QDir::toNativeSeparators(run.testFile(n)));
    QStringList errors = run.rec.errors();
    for (QString &e : errors)
        e = comparableError(e);
    QCOMPARE(errors, error.isEmpty() ? QStringList() : QStringList{error});
    if (log != "-") {
        // checkPass() matches the averages of the done lines with the finished signals.
        QStringList logged;
        for (const EngineEvent &e : run.rec.events.mid(at + 1)) {
            QVERIFY(action != "stop" || e.kind == EngineEvent::Log);
            if (e.kind == EngineEvent::Log)
                logged.append(e.text);
        }
        logged.replaceInStrings(QRegularExpression("Done\\|\\d+\\.\\d\\d$"), "Done|avg");
        QCOMPARE(logged, log.replace("%O/", run.outside).split("; ", Qt::SkipEmptyParts));
    }
    if (!error.isEmpty()) {
        const bool readFailed = trigger == "WriteFinished";
        QCOMPARE(run.rec.events.last().kind, EngineEvent::TestError);
        QCOMPARE(run.rec.count(EngineEvent::WriteFinished), readFailed ? 1 : 0);
        QCOMPARE(run.rec.count(EngineEvent::ReadFinished), 0);
        // The failing pass still closed: its progress and the last sample of every file that
        // moved a byte at 100 %. Nothing is measured on a card that went away.
        const auto progress = readFailed ? EngineEvent::ReadProgress : EngineEvent::WriteProgress;
        const int closing = run.rec.ofKind(progress).value(run.rec.count(progress) - 1).percent;
        QCOMPARE(closing == 100, action != "swap");
        QVector<int> lastPercent(streams, 100);
        for (const EngineEvent &e : run.rec.ofKind(EngineEvent::Kind(progress + 2)))
            lastPercent.replace(qBound(0, e.fileIdx, streams - 1), e.percent);
        QCOMPARE(lastPercent, QVector<int>(streams, 100));
    } else if (action.isEmpty()) {
        QCOMPARE(run.tester.testFiles(), paths);
        QCOMPARE(run.tester.fileSizes(), sizes);
        QCOMPARE(run.tester.testSize(), std::accumulate(sizes.cbegin(), sizes.cend(), qint64(0)));
        QCOMPARE(run.cardAtWriteFinished, written);
        // While they are on the card the journal names the test files, and nothing else.
        QCOMPARE(run.leftoversAtWriteFinished.files, paths);
        checkPass(run.rec.events, true, targets.size());
        QCOMPARE(run.rec.count(EngineEvent::ReadFinished), read ? 1 : 0);
        if (read)
            checkPass(run.rec.events, false, targets.size());
        // The test files are gone before the closing line.
        QCOMPARE(run.cardAtTestDone, cardBefore);
    }
    // The engine's files are gone; anything else, and what took their names, is untouched.
    QCOMPARE(folderState(run.tmp.path()), before);
}

void TestSpeedTester::leftovers_data()
{
    QTest::addColumn<QString>("journal");      // its lines after the header, "; "-joined
    QTest::addColumn<bool>("running");         // written by a process that still runs
    QTest::addColumn<QStringList>("removed");  // of the card's files

    const QStringList none;
    QTest::newRow("the journal's files that are there")
        << "T 10 __card_speed_test_1.dat; T 10 __roll_3 (1).dat; T 10 __card_speed_test_9.dat"
        << false << QStringList{"__card_speed_test_1.dat", "__roll_3 (1).dat"};
    QTest::newRow("a copy by any name, other names only as copies")
        << "T 10 clip.mp4; C 10 clip.mp4; T 10 __card_speed_test_1.mp4" << false
        << QStringList{"clip.mp4"};
    QTest::newRow("no link, nothing outside the root")
        << "T 10 __card_speed_test_4.dat; C 10 ../outside.dat; C 10 ../card/clip.mp4" << false
        << none;
    QTest::newRow("larger than the test makes it")
        << "T 9 __card_speed_test_1.dat" << false << none;
    QTest::newRow("its test still runs") << "T 10 __card_speed_test_1.dat" << true << none;
}

void TestSpeedTester::leftovers()
{
    QFETCH(QString, journal);
    QFETCH(bool, running);
    QFETCH(QStringList, removed);
    EngineRun run;
    QVERIFY(run.valid);
    // A user's file of the test's own kind of name, which the journal does not name, too.
    for (const char *name : {"__card_speed_test_1.dat", "__card_speed_test_2.dat", "clip.mp4",
                             "__roll_3 (1).dat", "__card_speed_test_1.mp4"})
        QVERIFY(writeFile(run.card + name, "0123456789"));
    QVERIFY(writeFile(run.tmp.path() + "/outside.dat", "0123456789"));
    REQUIRE_SYMLINKS(run.tmp.path());
    QVERIFY(QFile::link(run.tmp.path() + "/outside.dat", run.card + "__card_speed_test_4.dat"));
    const qint64 pid = running ? 1 : QCoreApplication::applicationPid();
    const QString header = QStringLiteral("lumoracard-journal 1\npid %1\nhost %2\n")
                               .arg(pid)
                               .arg(QSysInfo::machineHostName());
    QVERIFY(writeFile(run.card + "__card_speed_test (1).journal",
                      (header + journal.replace("; ", "\n") + '\n').toUtf8()));
    const QStringList before = folderState(run.tmp.path());

    const Leftovers found = findLeftovers(run.card);
    QStringList paths;
    for (const QString &name : removed)
        paths << run.card + name;
    QCOMPARE(found.files, paths);
    QCOMPARE(found.bytes, 10 * removed.size());
    QCOMPARE(removeLeftovers(found), 10 * removed.size());
    // The journal goes with its files; everything else stays.
    if (!running)
        removed << "__card_speed_test (1).journal";
    QStringList after;
    for (const QString &entry : before) {
        if (!removed.contains(entry.section(": ", 0, 0).mid(5)))
            after << entry;
    }
    QCOMPARE(folderState(run.tmp.path()), after);
}

QTEST_GUILESS_MAIN(TestSpeedTester)
#include "tst_speedtester.moc"
