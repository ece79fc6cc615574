// On steady cards of known speed, the write and read averages the engine reports lie within
// 2 % of the truth, whatever the stream count and block size.
#include "accuracymatrix.h"
#include "cardsimulator.h"
#include "proofrun.h"
#include "speedtester.h"

#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
// The throttle lets about a tenth of a second through at once when a pass begins; over 6 s
// that stays near 1 %, over 3 s it reached 3 %.
constexpr double kPassSeconds = 6.0;
constexpr double kTolerance = 0.02;
constexpr int kTimeoutMs = 120000;
}  // namespace

class ProofAccuracyTest : public QObject
{
    Q_OBJECT
private slots:
    void averagesMatchTrueSpeed_data();
    void averagesMatchTrueSpeed();
};

void ProofAccuracyTest::averagesMatchTrueSpeed_data()
{
    QTest::addColumn<double>("speed");
    QTest::addColumn<int>("streams");
    QTest::addColumn<qint64>("blockSize");
    QTest::addColumn<qint64>("sizePerStream");
    for (const AccuracyCase &c : accuracyMatrix(kPassSeconds))
        QTest::newRow(qPrintable(c.name))
            << c.speedMBps << c.streams << c.blockSize << c.sizePerStream;
}

void ProofAccuracyTest::averagesMatchTrueSpeed()
{
    QFETCH(double, speed);
    QFETCH(int, streams);
    QFETCH(qint64, blockSize);
    QFETCH(qint64, sizePerStream);

    CardSimulator::Settings settings;
    settings.profile = CardSimulator::Profile::Steady;
    settings.imageBytes = 512 * kMiB;
    settings.writeBps = qRound64(speed * kMiB);
    settings.readBps = settings.writeBps;
    CardSimulator sim(settings);
    CARDSIM_START(sim);

    ProofRun run;
    {
        SpeedTester tester;
        tester.setTargetDir(sim.card().rootPath());
        tester.setTestSize(sizePerStream);
        tester.setBlockSize(blockSize);
        tester.setStreamCount(streams);
        tester.setReadEnabled(true);
        collectSamples(tester, run, sim);
        runToEnd(tester, run, kTimeoutMs);
    }
    QVERIFY(run.ended);
    QCOMPARE(run.errors, QStringList());
    QVERIFY2(!run.logs.contains(QStringLiteral("LogCacheFallback")),
             "the card was not accessed directly");
    QCOMPARE(run.writeAverages.size(), 1);
    QCOMPARE(run.readAverages.size(), 1);
    // Everything went through the throttled device, so the throttle is the truth.
    QVERIFY(sim.card().throttledBytes(QStringLiteral("Write")) >= streams * sizePerStream);
    QVERIFY(sim.card().throttledBytes(QStringLiteral("Read")) >= streams * sizePerStream);

    const double write = relativeError(run.writeAverages.first(), speed);
    const double read = relativeError(run.readAverages.first(), speed);
    qInfo("write %.3f MB/s (%+.2f %%), read %.3f MB/s (%+.2f %%)", run.writeAverages.first(),
          write * 100, run.readAverages.first(), read * 100);
    QVERIFY2(qAbs(write) <= kTolerance, "write average off the true speed");
    QVERIFY2(qAbs(read) <= kTolerance, "read average off the true speed");
}

QTEST_GUILESS_MAIN(ProofAccuracyTest)
#include "tst_proof_accuracy.moc"
