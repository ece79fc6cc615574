// Cards that fail under the engine: an I/O error half-way through writing or reading, and a
// card pulled out during a test. Each ends the run with one error, the engine's thread ends,
// and whatever can still be deleted is.
#include "faultmount.h"
#include "speedtester.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr int kTimeoutMs = 60000;

// What one engine run reported; filled on the engine's thread, read after it ended.
struct Outcome {
    QStringList errors;
    QStringList logs;
    int writesFinished = 0;
    int readsFinished = 0;
    bool ended = false;
};

void record(SpeedTester &tester, Outcome &out)
{
    QObject::connect(&tester, &SpeedTester::testError,
                     [&out](const QString &message) { out.errors.append(message); });
    QObject::connect(&tester, &SpeedTester::log,
                     [&out](const QString &line) { out.logs.append(line); });
    QObject::connect(&tester, &SpeedTester::writeFinished,
                     [&out](double) { ++out.writesFinished; });
    QObject::connect(&tester, &SpeedTester::readFinished, [&out](double) { ++out.readsFinished; });
}

void runBounded(SpeedTester &tester, Outcome &out)
{
    tester.start();
    out.ended = tester.wait(kTimeoutMs);
    if (!out.ended) {
        tester.requestStop();
        tester.wait();
    }
}

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                | QDir::System);
}

// How the card takes the engine's O_DIRECT opens.
enum class Access { Cached, DirectIo, RefusesDirect };

QStringList faultOptions(Access access, const QStringList &more)
{
    switch (access) {
    case Access::DirectIo:
        return more + QStringList{QStringLiteral("--direct-io")};
    case Access::RefusesDirect:
        return more + QStringList{QStringLiteral("--refuse-direct")};
    case Access::Cached:
        break;
    }
    return more;
}

const char *accessName(Access access)
{
    switch (access) {
    case Access::DirectIo:
        return "direct_io";
    case Access::RefusesDirect:
        return "O_DIRECT refused";
    case Access::Cached:
        break;
    }
    return "cached";
}

const QString kHelper = QStringLiteral(LUMORA_FAULTFS_PATH);
}  // namespace

class ProofFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void ioErrorMidway_data();
    void ioErrorMidway();
    void cardVanishes_data();
    void cardVanishes();
};

void ProofFaultsTest::ioErrorMidway_data()
{
    QTest::addColumn<int>("access");
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("streams");
    QTest::addColumn<bool>("failsReading");
    // However the card takes O_DIRECT, and also when it refuses it and the engine falls back
    // to buffered I/O, the fault must reach the engine.
    for (Access access : {Access::Cached, Access::DirectIo, Access::RefusesDirect}) {
        const char *mode = accessName(access);
        const int direct = int(access);
        QTest::newRow(qPrintable(QStringLiteral("write, 1 stream, %1").arg(mode)))
            << direct << QStringLiteral("--fail-write-after") << 1 << false;
        QTest::newRow(qPrintable(QStringLiteral("write, 3 streams, %1").arg(mode)))
            << direct << QStringLiteral("--fail-write-after") << 3 << false;
        QTest::newRow(qPrintable(QStringLiteral("read, 1 stream, %1").arg(mode)))
            << direct << QStringLiteral("--fail-read-after") << 1 << true;
        QTest::newRow(qPrintable(QStringLiteral("read, 3 streams, %1").arg(mode)))
            << direct << QStringLiteral("--fail-read-after") << 3 << true;
    }
}

void ProofFaultsTest::ioErrorMidway()
{
    QFETCH(int, access);
    QFETCH(QString, option);
    QFETCH(int, streams);
    QFETCH(bool, failsReading);

    const QString problem = FaultMount::environmentProblem(kHelper);
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    const qint64 perStream = 16 * kMiB;
    // Half of what the pass moves gets through, then every request fails.
    const qint64 limit = streams * perStream / 2;
    FaultMount card(kHelper, faultOptions(Access(access), {option, QString::number(limit)}));
    QVERIFY2(card.isMounted(), qPrintable(card.failure()));
    QFile sentinel(card.outsidePath() + QStringLiteral("/keep.txt"));
    QVERIFY(sentinel.open(QIODevice::WriteOnly) && sentinel.write("keep") == 4);
    sentinel.close();

    Outcome out;
    {
        SpeedTester tester;
        tester.setTargetDir(card.rootPath());
        tester.setTestSize(perStream);
        tester.setBlockSize(kMiB);
        tester.setStreamCount(streams);
        tester.setReadEnabled(failsReading);
        record(tester, out);
        runBounded(tester, out);
    }
    QVERIFY2(out.ended, "the engine did not end after the fault");
    qInfo("cache fallback: %s; error: %s",
          out.logs.contains(QStringLiteral("LogCacheFallback")) ? "yes" : "no",
          qPrintable(out.errors.join(QStringLiteral(" | "))));
    QCOMPARE(out.logs.contains(QStringLiteral("LogCacheFallback")),
             Access(access) == Access::RefusesDirect);
    QCOMPARE(out.errors.size(), 1);
    QVERIFY(!out.errors.first().trimmed().isEmpty());
    QCOMPARE(out.writesFinished, failsReading ? 1 : 0);
    QCOMPARE(out.readsFinished, 0);
    // The card still answers, so every test file was deleted; nothing else was touched.
    QCOMPARE(entries(card.backingPath()), QStringList());
    QCOMPARE(entries(card.outsidePath()), QStringList{QStringLiteral("keep.txt")});
}

void ProofFaultsTest::cardVanishes_data()
{
    QTest::addColumn<int>("access");
    QTest::addColumn<int>("streams");
    QTest::newRow("1 stream, cached") << int(Access::Cached) << 1;
    QTest::newRow("3 streams, direct_io") << int(Access::DirectIo) << 3;
    QTest::newRow("2 streams, O_DIRECT refused") << int(Access::RefusesDirect) << 2;
}

void ProofFaultsTest::cardVanishes()
{
    QFETCH(int, access);
    QFETCH(int, streams);

    const QString problem = FaultMount::environmentProblem(kHelper);
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    FaultMount card(kHelper, faultOptions(Access(access), {}));
    QVERIFY2(card.isMounted(), qPrintable(card.failure()));

    Outcome out;
    bool pulled = false;
    {
        SpeedTester tester;
        tester.setTargetDir(card.rootPath());
        // Far more than gets written before the first progress report pulls the card.
        tester.setTestSize(1024 * kMiB);
        tester.setBlockSize(kMiB);
        tester.setStreamCount(streams);
        record(tester, out);
        QObject::connect(&tester, &SpeedTester::writeProgress, [&](int, double, double) {
            if (!pulled)
                pulled = card.vanish();
        });
        runBounded(tester, out);
    }
    QVERIFY2(pulled, "the card was not pulled during the write");
    QVERIFY2(out.ended, "the engine did not end after the card vanished");
    qInfo("error: %s", qPrintable(out.errors.join(QStringLiteral(" | "))));
    QCOMPARE(out.errors.size(), 1);
    QCOMPARE(out.writesFinished, 0);
    // Nothing could be deleted on a card that is gone: the files are still in the backing
    // folder, and only the engine's test files are there.
    const QStringList left = entries(card.backingPath());
    QVERIFY(left.size() <= streams);
    for (const QString &name : left)
        QVERIFY2(name.startsWith(QLatin1String("__card_speed_test_")), qPrintable(name));
}

QTEST_GUILESS_MAIN(ProofFaultsTest)
#include "tst_proof_faults.moc"
