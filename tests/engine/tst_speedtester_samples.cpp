// The progress and speed samples of the write and read passes: what each carries, which
// files are sampled when, and how a pass closes. Speeds are never compared with a target;
// only their relations (the last aggregate sample carries the average, and so on).
#include "enginetestkit.h"
#include "kernelhooks.h"
#include "speedtester.h"

#include <QCoreApplication>
#include <QtTest>

#include <algorithm>

namespace {
constexpr qint64 B = 64 * 1024;

struct PassKinds {
    EngineEvent::Kind progress;
    EngineEvent::Kind sample;
    EngineEvent::Kind finished;
    const char *doneKey;
};

PassKinds kindsOf(bool writing)
{
    if (writing) {
        return {EngineEvent::WriteProgress, EngineEvent::FileWriteSample,
                EngineEvent::WriteFinished, "LogWriteDone"};
    }
    return {EngineEvent::ReadProgress, EngineEvent::FileReadSample, EngineEvent::ReadFinished,
            "LogReadDone"};
}

// Checks the samples of one pass that succeeded; returns the first violation found.
QString successfulPassProblem(const QVector<EngineEvent> &events, bool writing, int files)
{
    const PassKinds k = kindsOf(writing);
    int finishedAt = -1;
    for (int i = 0; i < events.size(); ++i) {
        if (events[i].kind == k.finished) {
            if (finishedAt >= 0)
                return QStringLiteral("finished twice");
            finishedAt = i;
        }
    }
    if (finishedAt < 0)
        return QStringLiteral("no finished signal");
    const double avg = events[finishedAt].average;
    if (!(avg > 0.0))
        return QStringLiteral("average %1 is not positive").arg(avg);

    int lastPercent = 0;
    int lastProgressAt = -1;
    int previousProgressAt = -1;
    QVector<QVector<EngineEvent>> perFile(files);
    for (int i = 0; i < events.size(); ++i) {
        const EngineEvent &e = events[i];
        if (e.kind == k.progress) {
            if (i > finishedAt)
                return QStringLiteral("progress after the finished signal");
            if (e.percent < lastPercent || e.percent > 100)
                return QStringLiteral("aggregate percent %1 after %2")
                    .arg(e.percent)
                    .arg(lastPercent);
            lastPercent = e.percent;
            previousProgressAt = lastProgressAt;
            lastProgressAt = i;
        } else if (e.kind == k.sample) {
            if (i > finishedAt)
                return QStringLiteral("file sample after the finished signal");
            if (e.fileIdx < 0 || e.fileIdx >= files)
                return QStringLiteral("sample for file %1").arg(e.fileIdx);
            perFile[e.fileIdx].append(e);
        }
    }
    if (lastProgressAt < 0 || previousProgressAt < 0)
        return QStringLiteral("fewer than two aggregate samples");
    const EngineEvent &closing = events[lastProgressAt];
    if (closing.percent != 100 || closing.current != avg || closing.average != avg)
        return QStringLiteral("closing progress (%1, %2, %3) against average %4")
            .arg(closing.percent)
            .arg(closing.current)
            .arg(closing.average)
            .arg(avg);
    if (events[previousProgressAt].percent != 100)
        return QStringLiteral("final sample at %1 %").arg(events[previousProgressAt].percent);

    for (int f = 0; f < files; ++f) {
        const QVector<EngineEvent> &s = perFile[f];
        if (s.isEmpty())
            return QStringLiteral("file %1 never sampled").arg(f);
        int previous = 0;
        for (const EngineEvent &e : s) {
            // Every file here is at most 100 blocks long, so a file that has moved at
            // least one block shows at least 1 %: a 0 means a sample before the first byte.
            if (e.percent < 1 || e.percent > 100 || e.percent < previous)
                return QStringLiteral("file %1 at %2 % after %3 %")
                    .arg(f)
                    .arg(e.percent)
                    .arg(previous);
            if (!(e.average > 0.0) || e.current < 0.0)
                return QStringLiteral("file %1 speeds %2 / %3")
                    .arg(f)
                    .arg(e.current)
                    .arg(e.average);
            previous = e.percent;
        }
        if (s.last().percent != 100)
            return QStringLiteral("file %1 ends at %2 %").arg(f).arg(s.last().percent);
    }

    const QString done = QStringLiteral("%1|%2").arg(QLatin1String(k.doneKey)).arg(avg, 0, 'f', 2);
    if (finishedAt + 1 >= events.size() || events[finishedAt + 1].kind != EngineEvent::Log
        || events[finishedAt + 1].text != done)
        return QStringLiteral("the finished signal is not followed by \"%1\"").arg(done);
    return QString();
}
}  // namespace

class TestSpeedTesterSamples : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void successfulPasses_data();
    void successfulPasses();
    void workerFailingAtOpenIsNeverSampled();
    void workerFailingMidFileIsSampledUntilTheEnd();

private:
    KeyArgsTranslator m_translator;
};

void TestSpeedTesterSamples::initTestCase()
{
    QCoreApplication::installTranslator(&m_translator);
}

void TestSpeedTesterSamples::successfulPasses_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("staggerMs");
    QTest::addColumn<QVector<qint64>>("sourceSizes");  // empty = random data, 16 blocks each

    QTest::newRow("one file") << 1 << 0 << QVector<qint64>();
    QTest::newRow("two files at once") << 2 << 0 << QVector<qint64>();
    // The stagger keeps each pass long enough for samples before the last one.
    QTest::newRow("three files, staggered") << 3 << 250 << QVector<qint64>();
    QTest::newRow("copies of different sizes, staggered")
        << 1 << 250 << QVector<qint64>{8 * B, 40 * B + 7, 2 * B};
}

void TestSpeedTesterSamples::successfulPasses()
{
    QFETCH(int, streams);
    QFETCH(int, staggerMs);
    QFETCH(QVector<qint64>, sourceSizes);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    QStringList sources;
    for (int i = 0; i < sourceSizes.size(); ++i) {
        const QString p = scratch.outside + QStringLiteral("src%1.bin").arg(i);
        QVERIFY(writeFile(p, noiseBytes(sourceSizes[i], quint32(i))));
        sources.append(p);
    }
    const int files = sources.isEmpty() ? streams : sources.size();

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(16 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(streams);
    tester.setStaggerMs(staggerMs);
    tester.setSourceFiles(sources);
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList());
    const QString writeProblem = successfulPassProblem(rec.events, true, files);
    QVERIFY2(writeProblem.isEmpty(), qPrintable(QStringLiteral("write: ") + writeProblem));
    const QString readProblem = successfulPassProblem(rec.events, false, files);
    QVERIFY2(readProblem.isEmpty(), qPrintable(QStringLiteral("read: ") + readProblem));

    // The read pass begins after the write pass has closed.
    const auto firstOf = [&](EngineEvent::Kind kind) {
        return std::find_if(rec.events.cbegin(), rec.events.cend(),
                            [kind](const EngineEvent &e) { return e.kind == kind; })
               - rec.events.cbegin();
    };
    QVERIFY(firstOf(EngineEvent::ReadProgress) > firstOf(EngineEvent::WriteFinished));
    QVERIFY(firstOf(EngineEvent::FileReadSample) > firstOf(EngineEvent::WriteFinished));
}

void TestSpeedTesterSamples::workerFailingAtOpenIsNeverSampled()
{
    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    const QString blocked = scratch.card + QStringLiteral("__card_speed_test_1.dat");
    QVERIFY(QDir().mkdir(blocked));

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(16 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(2);
    tester.setStaggerMs(250);  // file 1 is watched with no bytes before file 2 starts
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList{QStringLiteral("无法创建目标文件: %1").arg(blocked)});
    int errorAt = -1;
    int lastPercent = -1;
    QVector<int> secondFile;
    for (int i = 0; i < rec.events.size(); ++i) {
        const EngineEvent &e = rec.events[i];
        QVERIFY2(!(e.kind == EngineEvent::FileWriteSample && e.fileIdx == 0),
                 "the file that never got a byte was sampled");
        if (e.kind == EngineEvent::FileWriteSample && e.fileIdx == 1)
            secondFile.append(e.percent);
        if (e.kind == EngineEvent::WriteProgress)
            lastPercent = e.percent;
        if (e.kind == EngineEvent::TestError)
            errorAt = i;
    }
    QVERIFY(!secondFile.isEmpty());
    QCOMPARE(secondFile.last(), 100);
    QCOMPARE(lastPercent, 100);  // the final sample comes before the error
    QCOMPARE(errorAt, rec.events.size() - 1);
    QCOMPARE(rec.count(EngineEvent::WriteFinished), 0);
}

void TestSpeedTesterSamples::workerFailingMidFileIsSampledUntilTheEnd()
{
    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(16 * B);
    tester.setBlockSize(B);
    tester.setStreamCount(2);
    tester.setStaggerMs(600);  // file 1 fails at once; file 2 starts well after
    EngineRecorder rec(tester);
    {
        FileSizeCap cap(2 * B);  // every file fails after two blocks, like a full card
        if (!cap.problem().isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot cap file sizes: ") + cap.problem()));
        QVERIFY(runToEnd(tester));
    }

    const QStringList files = tester.testFiles();
    QCOMPARE(files.size(), 2);
    QCOMPARE(rec.errors(),
             QStringList{QStringLiteral("写入失败 (%1)\n写入失败 (%2)").arg(files[0], files[1])});
    QVector<EngineEvent> first;
    for (const EngineEvent &e : rec.ofKind(EngineEvent::FileWriteSample)) {
        if (e.fileIdx == 0)
            first.append(e);
    }
    // Sampled during the stagger (two of sixteen blocks: 12 %), then at the end with 100.
    QVERIFY2(first.size() >= 2, qPrintable(QString::number(first.size())));
    for (int i = 0; i < first.size() - 1; ++i)
        QCOMPARE(first[i].percent, 12);
    QCOMPARE(first.last().percent, 100);
    for (int i = 1; i < first.size(); ++i)
        QCOMPARE(first[i].current, 0.0);  // nothing moved after the failure
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

QTEST_GUILESS_MAIN(TestSpeedTesterSamples)
#include "tst_speedtester_samples.moc"
