// The read-back must measure the card, not the page cache: a file the cache holds in full
// still reads at the card's true speed (a blkio throttle). How close the averages come to
// the true speed in general is proved by the accuracy matrix on simulated cards.
#include "enginerun.h"
#include "loopcard.h"
#include "speedtester.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr qint64 kCardBytes = 512 * kMiB;
constexpr qint64 kThrottle = 20 * kMiB;  // bytes per second
constexpr double kThrottleMBps = 20.0;
constexpr double kTolerance = 0.02;
constexpr int kTimeoutMs = 180000;

double deviation(double measuredMBps)
{
    return (measuredMBps - kThrottleMBps) / kThrottleMBps;
}

QString describe(const char *what, double measuredMBps)
{
    return QStringLiteral("%1 %2 MB/s, %3 % off the throttle")
        .arg(QLatin1String(what))
        .arg(measuredMBps, 0, 'f', 3)
        .arg(deviation(measuredMBps) * 100, 0, 'f', 2);
}

// Reads a whole file through the page cache, leaving its pages there.
qint64 readCached(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 total = 0;
    QByteArray chunk;
    while (!(chunk = file.read(4 * kMiB)).isEmpty())
        total += chunk.size();
    return total;
}

// Bytes of the file held in the page cache.
qint64 residentBytes(const QString &path)
{
    QProcess fincore;
    fincore.start(QStringLiteral("fincore"),
                  {QStringLiteral("--bytes"), QStringLiteral("--noheadings"),
                   QStringLiteral("--output"), QStringLiteral("RES"), path});
    if (!fincore.waitForFinished() || fincore.exitCode() != 0)
        return -1;
    return fincore.readAllStandardOutput().trimmed().toLongLong();
}
}  // namespace

class CardReadBackTest : public QObject
{
    Q_OBJECT
private slots:
    void readBackBypassesPageCache();
};

void CardReadBackTest::readBackBypassesPageCache()
{
    LoopCard card(kCardBytes);
    LOOPCARD_REQUIRE(card);
    if (!LoopCard::throttleProblem().isEmpty())
        QSKIP(qPrintable(LoopCard::throttleProblem()));

    if (QStandardPaths::findExecutable(QStringLiteral("fincore")).isEmpty())
        QSKIP("fincore (util-linux) is needed to see what the page cache holds");

    const qint64 size = 160 * kMiB;
    qint64 readThroughCache = -1;
    qint64 cachedBeforeRead = -1;
    bool throttled = false;
    QString throttleError;

    EngineRun run;
    {
        SpeedTester tester;
        tester.setTargetDir(card.rootPath());
        tester.setTestSize(size);
        tester.setBlockSize(kMiB);
        tester.setReadEnabled(true);
        recordEngine(tester, run);
        // Runs on the engine thread between the passes: the written file is pulled into
        // the page cache at full speed, then only reading is throttled. A read-back that
        // went through the cache would now run at memory speed.
        const QString file = card.rootPath() + QStringLiteral("__card_speed_test_1.dat");
        QObject::connect(&tester, &SpeedTester::writeFinished, [&](double) {
            readThroughCache = readCached(file);
            cachedBeforeRead = residentBytes(file);
            throttled = card.throttle(0, kThrottle);
            throttleError = card.throttleError();
        });
        runEngine(tester, run, kTimeoutMs);
    }
    QVERIFY(run.ended);
    QCOMPARE(run.errors, QStringList());
    QVERIFY2(throttled, qPrintable(throttleError));
    QCOMPARE(readThroughCache, size);
    QCOMPARE(cachedBeforeRead, size);
    QCOMPARE(run.readAverages.size(), 1);

    const double read = run.readAverages.first();
    qInfo("%s", qPrintable(describe("read from a cached file", read)));
    QVERIFY(card.throttledBytes(QStringLiteral("Read")) >= size);
    QVERIFY2(qAbs(deviation(read)) <= kTolerance, qPrintable(describe("read", read)));
}

QTEST_GUILESS_MAIN(CardReadBackTest)
#include "tst_card_readback.moc"
