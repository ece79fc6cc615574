// A card that runs out of space in the middle of a test: the failure is reported with the
// worker's own text naming the file, and the card is left as it was found.
#include "enginerun.h"
#include "loopcard.h"
#include "speedtester.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr qint64 kCardBytes = 64 * kMiB;
constexpr int kTimeoutMs = 120000;

QStringList filesOnCard(const LoopCard &card, const QString &pattern)
{
    return QDir(card.rootPath()).entryList({pattern}, QDir::Files | QDir::System | QDir::Hidden);
}
}  // namespace

class CardFullSpaceTest : public QObject
{
    Q_OBJECT
private slots:
    void randomDataLargerThanFreeSpace_data();
    void randomDataLargerThanFreeSpace();
    void rollingFillRunsOutOfSpace();
};

void CardFullSpaceTest::randomDataLargerThanFreeSpace_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<qint64>("blockSize");
    QTest::newRow("one stream") << 1 << kMiB;
    QTest::newRow("three streams") << 3 << kMiB;
    QTest::newRow("one stream, 4 MiB blocks") << 1 << 4 * kMiB;
}

void CardFullSpaceTest::randomDataLargerThanFreeSpace()
{
    QFETCH(int, streams);
    QFETCH(qint64, blockSize);

    LoopCard card(kCardBytes);
    LOOPCARD_REQUIRE(card);
    const qint64 before = card.freeBytes();
    QVERIFY(before > 16 * kMiB);

    EngineRun run;
    {
        SpeedTester tester;
        tester.setTargetDir(card.rootPath());
        // Together the streams want half as much again as the card holds.
        tester.setTestSize((before + before / 2) / streams);
        tester.setBlockSize(blockSize);
        tester.setStreamCount(streams);
        tester.setReadEnabled(true);
        recordEngine(tester, run);
        runEngine(tester, run, kTimeoutMs);
    }
    QVERIFY(run.ended);

    QCOMPARE(run.errors.size(), 1);
    const QStringList lines = run.errors.first().split(QLatin1Char('\n'));
    const QRegularExpression expected(
        QStringLiteral("^写入失败 \\(%1__card_speed_test_(\\d+)\\.dat\\)$")
            .arg(QRegularExpression::escape(card.rootPath())));
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = expected.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const int index = match.captured(1).toInt();
        QVERIFY2(index >= 1 && index <= streams, qPrintable(line));
    }
    QVERIFY(run.writeAverages.isEmpty());
    QVERIFY(run.readAverages.isEmpty());
    QVERIFY(!run.logged(QStringLiteral("LogTestDone")));

    QCOMPARE(filesOnCard(card, QStringLiteral("__card_speed_test_*")), QStringList());
    QCOMPARE(card.freeBytes(), before);
}

void CardFullSpaceTest::rollingFillRunsOutOfSpace()
{
    LoopCard card(kCardBytes);
    LOOPCARD_REQUIRE(card);
    const qint64 before = card.freeBytes();
    QVERIFY(before > 16 * kMiB);

    const qint64 fileSize = 8 * kMiB;
    // The engine is told of more room than there is, so a file of the first fill fails.
    const qint64 claimedFree = before + 3 * fileSize;
    const int initialCount = int(claimedFree / fileSize);

    EngineRun run;
    {
        SpeedTester tester;
        tester.setTargetDir(card.rootPath());
        tester.setBlockSize(kMiB);
        tester.setRollingFill(fileSize, claimedFree, 2);
        recordEngine(tester, run);
        runEngine(tester, run, kTimeoutMs);
    }
    QVERIFY(run.ended);

    // The error is the end: no finished write follows it.
    QCOMPARE(run.events, QStringList{QStringLiteral("testError")});
    const QRegularExpression expected(QStringLiteral("^写入失败 \\(%1__roll_(\\d+)\\.dat\\)$")
                                          .arg(QRegularExpression::escape(card.rootPath())));
    const QRegularExpressionMatch match = expected.match(run.errors.first());
    QVERIFY2(match.hasMatch(), qPrintable(run.errors.first()));
    // The space runs out during the initial fill, at the file that no longer fits.
    QCOMPARE(match.captured(1).toInt(), int(before / fileSize));
    QVERIFY(match.captured(1).toInt() < initialCount);
    QVERIFY(run.logged(QStringLiteral("LogRollingDone")));

    QCOMPARE(filesOnCard(card, QStringLiteral("__roll_*")), QStringList());
    QCOMPARE(card.freeBytes(), before);
}

QTEST_GUILESS_MAIN(CardFullSpaceTest)
#include "tst_card_fullspace.moc"
