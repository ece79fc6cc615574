// The rolling fill stress test on a folder standing in for the card: the order in which
// its files come and go (watched through the kernel's folder events), its parameter line,
// its closing signals, and how it ends on failure and on a stop.
#include "enginetestkit.h"
#include "kernelhooks.h"
#include "speedtester.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <memory>

namespace {
constexpr qint64 B = 64 * 1024;

QString roll(int k)
{
    return QStringLiteral("__roll_%1.dat").arg(k);
}

// The closing of a rolling fill: (100, last current, avg) as progress and as a sample of
// file 0, then the finished signal with avg, then `closingLine`; nothing else after.
QString closingProblem(const QVector<EngineEvent> &tail, double lastCurrent,
                       const QString &closingLine)
{
    if (tail.size() != 4)
        return QStringLiteral("%1 events after the last step, expected 4").arg(tail.size());
    const EngineEvent &p = tail[0];
    const EngineEvent &s = tail[1];
    const EngineEvent &f = tail[2];
    const EngineEvent &l = tail[3];
    if (p.kind != EngineEvent::WriteProgress || s.kind != EngineEvent::FileWriteSample
        || f.kind != EngineEvent::WriteFinished || l.kind != EngineEvent::Log)
        return QStringLiteral("closing signals out of order");
    if (p.percent != 100 || p.current != lastCurrent || p.average != f.average)
        return QStringLiteral("closing progress (%1, %2, %3), last current %4, finished %5")
            .arg(p.percent)
            .arg(p.current)
            .arg(p.average)
            .arg(lastCurrent)
            .arg(f.average);
    if (s.fileIdx != 0 || s.percent != 100 || s.current != lastCurrent || s.average != f.average)
        return QStringLiteral("closing sample (%1, %2, %3, %4)")
            .arg(s.fileIdx)
            .arg(s.percent)
            .arg(s.current)
            .arg(s.average);
    if (l.text != closingLine)
        return QStringLiteral("closing line \"%1\"").arg(l.text);
    return QString();
}

// Every sample before the closing: progress and file-0 sample in pairs with equal values.
QString samplesProblem(const QVector<EngineEvent> &events, int from, int to, double *lastCurrent)
{
    *lastCurrent = 0.0;
    for (int i = from; i < to; ++i) {
        const EngineEvent &e = events[i];
        if (e.kind == EngineEvent::Log || e.kind == EngineEvent::TestError)
            continue;
        if (e.kind != EngineEvent::WriteProgress || i + 1 >= to)
            return QStringLiteral("unexpected signal %1 at %2").arg(e.kind).arg(i);
        const EngineEvent &s = events[++i];
        if (s.kind != EngineEvent::FileWriteSample || s.fileIdx != 0 || s.percent != e.percent
            || s.current != e.current || s.average != e.average)
            return QStringLiteral("progress at %1 without its matching sample").arg(i - 1);
        if (e.percent < 0 || e.current < 0.0 || e.average < 0.0)
            return QStringLiteral("negative values in the sample at %1").arg(i - 1);
        *lastCurrent = e.current;
    }
    return QString();
}
}  // namespace

class TestRollingFill : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesComeAndGoInOrder_data();
    void filesComeAndGoInOrder();
    void nothingToWrite_data();
    void nothingToWrite();
    void withoutFreeBytesTheOrdinaryTestRuns_data();
    void withoutFreeBytesTheOrdinaryTestRuns();
    void failedWrite_data();
    void failedWrite();
    void stop_data();
    void stop();

private:
    KeyArgsTranslator m_translator;
};

void TestRollingFill::initTestCase()
{
    QCoreApplication::installTranslator(&m_translator);
}

void TestRollingFill::filesComeAndGoInOrder_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<qint64>("writtenSize");
    QTest::addColumn<QString>("params");
    QTest::addColumn<QStringList>("folderEvents");

    QTest::newRow("3 files, 2 rounds")
        << 16 * B << 56 * B << 2 << 16 * B << QStringLiteral("LogRollingParams|1|3|2|5")
        << QStringList{"+0", "+1", "+2", "-0", "+3", "-1", "+4", "-2", "-3", "-4"};
    QTest::newRow("0 rounds: the initial fill only")
        << 16 * B << 32 * B << 0 << 16 * B << QStringLiteral("LogRollingParams|1|2|0|2")
        << QStringList{"+0", "+1", "-0", "-1"};
    QTest::newRow("size rounded down to whole blocks")
        << 40 * B + 1000 << 100 * B << 1 << 40 * B << QStringLiteral("LogRollingParams|2|2|1|3")
        << QStringList{"+0", "+1", "-0", "+2", "-1", "-2"};
    QTest::newRow("room for one file")
        << 16 * B << 16 * B << 2 << 16 * B << QStringLiteral("LogRollingParams|1|1|2|3")
        << QStringList{"+0", "-0", "+1", "-1", "+2", "-2"};
}

void TestRollingFill::filesComeAndGoInOrder()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, freeBytes);
    QFETCH(int, rounds);
    QFETCH(qint64, writtenSize);
    QFETCH(QString, params);
    QFETCH(QStringList, folderEvents);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    DirEventLog folder(scratch.card);
    if (!folder.problem().isEmpty())
        QSKIP(qPrintable(QStringLiteral("cannot watch the folder: ") + folder.problem()));

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setBlockSize(B);
    tester.setReadEnabled(true);  // ignored by the rolling fill
    tester.setRollingFill(fileSize, freeBytes, rounds);
    EngineRecorder rec(tester);
    QMap<QString, QByteArray> atFinish;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::WriteFinished)
            atFinish = fileContents(scratch.card);
    };
    QVERIFY(runToEnd(tester));

    QStringList expectedEvents;
    for (const QString &ev : folderEvents)
        expectedEvents.append(ev.left(1) + roll(ev.mid(1).toInt()));
    QCOMPARE(folder.take(), expectedEvents);
    QVERIFY2(folder.problem().isEmpty(), qPrintable(folder.problem()));

    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(rec.logLines(), (QStringList{QStringLiteral("LogRollingStart"), params,
                                          QStringLiteral("LogRollingDone")}));
    // Still on the card when the finished signal goes out: the newest files, whole.
    const int initial = int(freeBytes / writtenSize);
    const int total = initial + rounds;
    const QByteArray whole = expectedPatternBlock(B).repeated(int(writtenSize / B));
    QStringList expectedNames;
    for (int k = total - initial; k < total; ++k)
        expectedNames.append(roll(k));
    QCOMPARE(atFinish.keys(), expectedNames);
    for (const QByteArray &content : atFinish)
        QVERIFY(content == whole);

    const int closingAt = rec.events.size() - 4;
    QVERIFY(closingAt >= 0);
    double lastCurrent = 0.0;
    const QString samples = samplesProblem(rec.events, 0, closingAt, &lastCurrent);
    QVERIFY2(samples.isEmpty(), qPrintable(samples));
    const QString closing =
        closingProblem(rec.events.mid(closingAt), lastCurrent, QStringLiteral("LogRollingDone"));
    QVERIFY2(closing.isEmpty(), qPrintable(closing));
    QVERIFY(rec.ofKind(EngineEvent::WriteFinished).first().average > 0.0);
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

void TestRollingFill::nothingToWrite_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<QString>("error");

    QTest::newRow("file below one block") << B - 1 << 100 * B << QStringLiteral("LogFileTooSmall");
    QTest::newRow("free space below one file")
        << 16 * B << 16 * B - 1 << QStringLiteral("LogCardFull");
    QTest::newRow("free space below the rounded file")
        << 16 * B + 1000 << 16 * B - 1 << QStringLiteral("LogCardFull");
}

void TestRollingFill::nothingToWrite()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, freeBytes);
    QFETCH(QString, error);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setBlockSize(B);
    tester.setRollingFill(fileSize, freeBytes, 3);
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.events.size(), 1);
    QCOMPARE(rec.errors(), QStringList{error});
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

void TestRollingFill::withoutFreeBytesTheOrdinaryTestRuns_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("freeBytes");

    QTest::newRow("no free bytes") << 16 * B << qint64(0);
    QTest::newRow("no file size") << qint64(0) << 100 * B;
}

void TestRollingFill::withoutFreeBytesTheOrdinaryTestRuns()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, freeBytes);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setTestSize(4 * B);
    tester.setBlockSize(B);
    tester.setRollingFill(fileSize, freeBytes, 2);
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));

    QCOMPARE(rec.errors(), QStringList());
    QCOMPARE(tester.testFiles(),
             QStringList{scratch.card + QStringLiteral("__card_speed_test_1.dat")});
    const QStringList logged = rec.logLines();
    QVERIFY(!logged.isEmpty());
    QCOMPARE(logged.first(), QStringLiteral("LogTestStart"));
    QCOMPARE(logged.last(), QStringLiteral("LogTestDone"));
    QVERIFY(!logged.contains(QStringLiteral("LogRollingStart")));
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

namespace {
enum Blocker {
    FolderAtThirdFile,  // __roll_2.dat is a folder: the third write cannot open its file
    LinkAtFirstFile,    // __roll_0.dat is a link to a file off the card
    CardFillsUp,        // no file may grow past two blocks
};
}  // namespace

void TestRollingFill::failedWrite_data()
{
    QTest::addColumn<int>("blocker");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<QString>("message");  // %1 = the failing file's path
    QTest::addColumn<int>("failingFile");
    QTest::addColumn<QStringList>("leftOnCard");

    QTest::newRow("third file cannot be created")
        << int(FolderAtThirdFile) << 4 * B << QStringLiteral("无法创建目标文件: %1") << 2
        << QStringList{roll(2)};
    QTest::newRow("link planted under the first name")
        << int(LinkAtFirstFile) << 4 * B << QStringLiteral("无法创建目标文件: %1") << 0
        << QStringList{roll(0)};
    QTest::newRow("card full in the first file")
        << int(CardFillsUp) << 4 * B << QStringLiteral("写入失败 (%1)") << 0 << QStringList();
}

void TestRollingFill::failedWrite()
{
    QFETCH(int, blocker);
    QFETCH(qint64, fileSize);
    QFETCH(QString, message);
    QFETCH(int, failingFile);
    QFETCH(QStringList, leftOnCard);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    const QString victim = scratch.outside + QStringLiteral("victim.dat");
    const QByteArray victimData = noiseBytes(3 * B, 51);
    QVERIFY(writeFile(victim, victimData));
    std::unique_ptr<FileSizeCap> cap;
    switch (Blocker(blocker)) {
    case FolderAtThirdFile:
        QVERIFY(QDir().mkdir(scratch.card + roll(2)));
        break;
    case LinkAtFirstFile:
        QVERIFY(QFile::link(victim, scratch.card + roll(0)));
        break;
    case CardFillsUp:
        cap = std::make_unique<FileSizeCap>(2 * B);
        if (!cap->problem().isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot cap file sizes: ") + cap->problem()));
        break;
    }

    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setBlockSize(B);
    tester.setRollingFill(fileSize, 5 * fileSize, 2);
    EngineRecorder rec(tester);
    QVERIFY(runToEnd(tester));
    cap.reset();

    const QString expected = message.arg(scratch.card + roll(failingFile));
    QCOMPARE(rec.errors(), QStringList{expected});
    int errorAt = -1;
    for (int i = 0; i < rec.events.size(); ++i) {
        if (rec.events[i].kind == EngineEvent::TestError)
            errorAt = i;
    }
    double lastCurrent = 0.0;
    const QString samples = samplesProblem(rec.events, 0, errorAt, &lastCurrent);
    QVERIFY2(samples.isEmpty(), qPrintable(samples));
    const QString closing =
        closingProblem(rec.events.mid(errorAt + 1), lastCurrent, QStringLiteral("LogRollingDone"));
    QVERIFY2(closing.isEmpty(), qPrintable(closing));
    QCOMPARE(entriesIn(scratch.card), leftOnCard);
    QVERIFY(readFile(victim) == victimData);
    if (blocker == LinkAtFirstFile)
        QCOMPARE(QFileInfo(scratch.card + roll(0)).symLinkTarget(), victim);
}

void TestRollingFill::stop_data()
{
    QTest::addColumn<int>("stopOnKind");
    QTest::addColumn<QString>("stopOnText");

    QTest::newRow("before the first write")
        << int(EngineEvent::Log) << QStringLiteral("LogRollingParams|1|3|2000|2003");
    // The rounds are many more than could run before the second sample (the first one
    // cannot tell the current speed from the average).
    QTest::newRow("at the second sample") << int(EngineEvent::FileWriteSample) << QString();
}

void TestRollingFill::stop()
{
    QFETCH(int, stopOnKind);
    QFETCH(QString, stopOnText);

    ScratchCard scratch;
    QVERIFY(scratch.isValid());
    SpeedTester tester;
    tester.setTargetDir(scratch.card);
    tester.setBlockSize(B);
    tester.setRollingFill(16 * B, 48 * B, 2000);
    EngineRecorder rec(tester);
    int stoppedAt = -1;
    int samples = 0;
    QStringList cardAtStop;
    rec.hook = [&](const EngineEvent &e, int index) {
        if (e.kind == EngineEvent::FileWriteSample && ++samples < 2)
            return;
        if (stoppedAt < 0 && e.kind == stopOnKind
            && (e.kind != EngineEvent::Log || e.text == stopOnText)) {
            stoppedAt = index;
            cardAtStop = entriesIn(scratch.card);
            tester.requestStop();
        }
    };
    QVERIFY(runToEnd(tester));

    QVERIFY2(stoppedAt >= 0, "the stop point was never reached");
    QCOMPARE(rec.errors(), QStringList());
    QVERIFY(cardAtStop.size() <= 3);
    if (stopOnKind == EngineEvent::Log)
        QCOMPARE(cardAtStop, QStringList());
    double lastCurrent = -1.0;
    const QString problem = samplesProblem(rec.events, 0, stoppedAt + 1, &lastCurrent);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QString closing = closingProblem(rec.events.mid(stoppedAt + 1), lastCurrent,
                                           QStringLiteral("LogUserCancelled"));
    QVERIFY2(closing.isEmpty(), qPrintable(closing));
    if (stopOnKind == EngineEvent::Log)
        QCOMPARE(rec.ofKind(EngineEvent::WriteFinished).first().average, 0.0);
    QCOMPARE(entriesIn(scratch.card), QStringList());
}

QTEST_GUILESS_MAIN(TestRollingFill)
#include "tst_rollingfill.moc"
