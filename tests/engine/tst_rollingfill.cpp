// The rolling fill stress test on a folder standing in for the card: the order in which
// its files come and go (watched through the kernel's folder events), its parameter line,
// its samples and closing signals, and how it ends on failure and on a stop.
#include "enginetestkit.h"
#include "kernelhooks.h"

#include <QtTest>

namespace {
QString roll(const QString &k)
{
    return QStringLiteral("__roll_%1.dat").arg(k);
}

// Every sample is a progress and a file-0 sample with the same values; the last four
// signals close the test: (100, the last stretch's speed, avg) as progress and as a sample,
// the finished signal with avg, then `closingLine`.
void checkSignals(const QVector<EngineEvent> &events, const QString &closingLine)
{
    QVERIFY(events.size() >= 4);
    const int closingAt = events.size() - 4;
    for (int i = 0; i <= closingAt; ++i) {
        const EngineEvent &p = events[i];
        if (p.kind == EngineEvent::Log || p.kind == EngineEvent::TestError)
            continue;
        const EngineEvent &s = events[++i];
        QVERIFY(p.kind == EngineEvent::WriteProgress && p.percent >= 0 && p.current >= 0.0);
        QVERIFY(s.kind == EngineEvent::FileWriteSample && s.fileIdx == 0);
        QVERIFY(s.percent == p.percent && s.current == p.current && s.average == p.average);
        QVERIFY(i - 1 < closingAt || p.percent == 100);
    }
    QCOMPARE(events[closingAt + 2].kind, EngineEvent::WriteFinished);
    QCOMPARE(events[closingAt + 2].average, events[closingAt].average);
    QCOMPARE(events.last().text, closingLine);
}
}  // namespace

class TestRollingFill : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { showKeyArguments(); }
    void filesComeAndGoInOrder_data();
    void filesComeAndGoInOrder();
    void stopLeavesTheCardAsItWas();
};

void TestRollingFill::filesComeAndGoInOrder_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<QString>("params");
    QTest::addColumn<QStringList>("folderEvents");  // +k / -k: __roll_k.dat made / deleted
    QTest::addColumn<QStringList>("onCard");        // files the test did not make

    QTest::newRow("3 files, 2 rounds")
        << 16 * B << 56 * B << 2 << "LogRollingParams|1|3|2|5"
        << QStringList{"+0", "+1", "+2", "-0", "+3", "-1", "+4", "-2", "-3", "-4"} << QStringList();
    QTest::newRow("0 rounds: the initial fill only")
        << 16 * B << 32 * B << 0 << "LogRollingParams|1|2|0|2"
        << QStringList{"+0", "+1", "-0", "-1"} << QStringList();
    QTest::newRow("size rounded down to whole blocks, MB of 1048576 bytes")
        << 31 * B + 1000 << 100 * B << 1 << "LogRollingParams|1|3|1|4"
        << QStringList{"+0", "+1", "+2", "-0", "+3", "-1", "-2", "-3"} << QStringList();
    QTest::newRow("room for one file")
        << 16 * B << 16 * B << 2 << "LogRollingParams|1|1|2|3"
        << QStringList{"+0", "-0", "+1", "-1", "+2", "-2"} << QStringList();
    // Names are compared without case, as FAT32 and exFAT do.
    QTest::newRow("names taken on the card")
        << 16 * B << 32 * B << 1 << "LogRollingParams|1|2|1|3"
        << QStringList{"+0", "+1 (2)", "-0", "+2", "-1 (2)", "-2"}
        << QStringList{"__ROLL_1.DAT", "__roll_1 (1).dat"};
}

void TestRollingFill::filesComeAndGoInOrder()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, freeBytes);
    QFETCH(int, rounds);
    QFETCH(QString, params);
    QFETCH(QStringList, folderEvents);
    QFETCH(QStringList, onCard);

    EngineRun run;
    QVERIFY(run.valid);
    for (const QString &name : onCard)
        QVERIFY(writeFile(run.card + name, noiseBytes(B, 61)));
    const QStringList cardBefore = folderState(run.card);
    DirEventLog folder(run.card);
    if (!folder.problem().isEmpty())
        QSKIP(qPrintable("cannot watch the folder: " + folder.problem()));
    run.tester.setReadEnabled(true);  // ignored by the rolling fill
    run.tester.setRollingFill(fileSize, freeBytes, rounds);
    QVERIFY(run.run());

    for (QString &ev : folderEvents)
        ev = ev.left(1) + roll(ev.mid(1));
    // The journal comes before the first file and goes after the last.
    QCOMPARE(folder.take(),
             QStringList{'+' + kJournal} + folderEvents + QStringList{'-' + kJournal});
    QVERIFY2(folder.problem().isEmpty(), qPrintable(folder.problem()));
    QCOMPARE(run.rec.errors(), QStringList());
    QCOMPARE(run.rec.logLines(), (QStringList{"LogRollingStart", params, "LogRollingDone"}));
    // On the card when the finished signal goes out: the newest files, whole, the ones that
    // are deleted last.
    const qint64 blocks = fileSize / B;
    QStringList atFinish = cardBefore;
    QStringList named;  // by the journal then
    for (const QString &ev : folderEvents.mid(folderEvents.size() - int(freeBytes / B / blocks))) {
        atFinish.append(fileState(ev.mid(1), expectedPatternBlock(B).repeated(int(blocks))));
        named.append(run.card + ev.mid(1));
    }
    atFinish.sort();
    QCOMPARE(run.cardAtWriteFinished, atFinish);
    QCOMPARE(run.leftoversAtWriteFinished.files, named);
    QCOMPARE(folderState(run.card), cardBefore);
    checkSignals(run.rec.events, "LogRollingDone");
    QVERIFY(run.rec.ofKind(EngineEvent::WriteFinished).first().average > 0.0);
}

// Stopped in the first rewrite, when the card is full: every file of the test goes.
void TestRollingFill::stopLeavesTheCardAsItWas()
{
    EngineRun run;
    QVERIFY(run.valid);
    const QStringList cardBefore = folderState(run.card);
    int seen = 0;
    run.onEvent = [&](const EngineEvent &e, int) {
        if (e.text.startsWith("LogRolling") || e.kind == EngineEvent::Log)
            return;
        seen = qMax(seen, int(QDir(run.card).entryList({"__roll_*"}, QDir::Files).size()));
        if (seen == 3 && e.percent > 60)
            run.tester.requestStop();
    };
    run.tester.setRollingFill(16 * B, 48 * B, 5);
    QVERIFY(run.run());
    QCOMPARE(seen, 3);
    QCOMPARE(run.rec.logLines().last(), QStringLiteral("LogUserCancelled"));
    QCOMPARE(folderState(run.card), cardBefore);
}

QTEST_GUILESS_MAIN(TestRollingFill)
#include "tst_rollingfill.moc"
