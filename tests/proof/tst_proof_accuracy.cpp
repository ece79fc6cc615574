// On steady cards of known speed, the write and read averages the engine reports lie within
// 2 % of the truth, whatever the stream count and block size.
#include "accuracymatrix.h"

#include <QtTest>

namespace {
// The throttle lets up to a tenth of a second's worth through early when a pass begins, so
// a pass reads fast by that much: about 1 % over 8 s.
constexpr double kPassSeconds = 8.0;
constexpr double kTolerance = 0.02;
constexpr unsigned long kTimeoutMs = 120000;
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
    QTest::addColumn<QVector<AccuracyCase>>("cases");
    for (const QVector<AccuracyCase> &group : accuracyGroups(kPassSeconds)) {
        const AccuracyCase &c = group.first();
        QTest::newRow(
            qPrintable(QStringLiteral("%1 MB/s, %2 streams").arg(c.speedMBps).arg(c.streams)))
            << group;
    }
}

void ProofAccuracyTest::averagesMatchTrueSpeed()
{
    QFETCH(QVector<AccuracyCase>, cases);
    const AccuracyRun run = measureSideBySide(cases, kTimeoutMs);
    if (!run.skipReason.isEmpty())
        QSKIP(qPrintable(run.skipReason));

    QStringList wrong;
    for (int i = 0; i < cases.size(); ++i) {
        const AccuracyCase &c = cases[i];
        const AccuracyResult &r = run.results[i];
        const QString name = blockText(c.blockSize) + QStringLiteral(" blocks: ");
        if (!r.error.isEmpty()) {
            wrong << name + r.error;
            continue;
        }
        const double write = relativeError(r.write, c.speedMBps);
        const double read = relativeError(r.read, c.speedMBps);
        qInfo("%s write %.3f MB/s (%+.2f %%), read %.3f MB/s (%+.2f %%)", qPrintable(name), r.write,
              write * 100, r.read, read * 100);
        if (r.cacheFallback)
            wrong << name + QStringLiteral("the card was not accessed directly");
        // Everything went through the throttled device, so the throttle is the truth.
        const qint64 bytes = c.streams * c.sizePerStream;
        if (r.throttledWrite < bytes || r.throttledRead < bytes)
            wrong << name
                         + QStringLiteral("the throttle saw %1 written, %2 read of %3 bytes")
                               .arg(r.throttledWrite)
                               .arg(r.throttledRead)
                               .arg(bytes);
        if (qAbs(write) > kTolerance)
            wrong << name + QStringLiteral("write average %1 % off").arg(write * 100, 0, 'f', 2);
        if (qAbs(read) > kTolerance)
            wrong << name + QStringLiteral("read average %1 % off").arg(read * 100, 0, 'f', 2);
    }
    const QString pressure = run.cpuPressure < 0
                                 ? QStringLiteral("not known")
                                 : QStringLiteral("%1 %").arg(run.cpuPressure * 100, 0, 'f', 1);
    qInfo("time some task waited for a CPU: %s", qPrintable(pressure));
    if (!wrong.isEmpty())
        wrong << QStringLiteral("time some task waited for a CPU during the run: %1 (on a busy "
                                "machine the card's journal falls behind its throttle)")
                     .arg(pressure);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
}

QTEST_GUILESS_MAIN(ProofAccuracyTest)
#include "tst_proof_accuracy.moc"
