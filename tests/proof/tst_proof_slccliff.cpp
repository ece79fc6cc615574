// A card that writes fast into its cache and then falls to its steady speed: the trim cuts
// the fast part off the engine's real samples, and the card total then describes the
// steady part alone.
#include "cardsimulator.h"
#include "evaluation.h"
#include "proofrun.h"

#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr double kSteadyMBps = 24.0;
// About 3.7 s of fast writing, then about 9 s steady: more than a quarter of the samples are
// fast (so they reach the upper quartile untrimmed), and the cliff lies well inside the first
// half, where the trim may act.
constexpr qint64 kFastBytes = 352 * kMiB;
constexpr qint64 kTestBytes = kFastBytes + 216 * kMiB;
constexpr int kDetectionLag = 9;  // the detection curve averages 10 samples
constexpr int kTimeoutMs = 120000;

// The first card-total sample whose interval began after the limits fell.
int firstSteadySample(const QVector<qint64> &sampleMs, qint64 switchMs)
{
    for (int i = 1; i < sampleMs.size(); ++i) {
        if (sampleMs[i - 1] >= switchMs)
            return i;
    }
    return -1;
}
}  // namespace

class ProofSlcCliffTest : public QObject
{
    Q_OBJECT
private slots:
    void trimKeepsSteadyPart();
};

void ProofSlcCliffTest::trimKeepsSteadyPart()
{
    CardSimulator::Settings settings;
    settings.profile = CardSimulator::Profile::SlcCliff;
    settings.imageBytes = 1024 * kMiB;
    settings.writeBps = qRound64(kSteadyMBps * kMiB);
    settings.readBps = settings.writeBps;
    settings.fastFactor = 4.0;
    settings.fastBytes = kFastBytes;
    CardSimulator sim(settings);
    CARDSIM_START(sim);

    const ProofRun run = writeOneStream(sim, kTestBytes, kTimeoutMs);
    QVERIFY(run.ended);
    QCOMPARE(run.errors, QStringList());
    QVERIFY2(!run.logs.contains(QStringLiteral("LogCacheFallback")),
             "the card was not accessed directly");

    const QVector<CardSimulator::Change> changes = sim.changes();
    QCOMPARE(changes.size(), 2);  // fast, then steady
    const SampleSeries &series = run.samples.card(PassDirection::Write);
    const int n = series.samples().size();
    QCOMPARE(run.writeSampleMs.size(), n);
    const int steadyFrom = firstSteadySample(run.writeSampleMs, changes[1].atMs);
    QVERIFY2(steadyFrom > 0, "no sample after the cliff");

    VerdictRules rules;
    rules.slcTrim = true;
    const SpeedStats trimmed = series.stats(true);
    const int trimStart = n - trimmed.sampleCount;
    const int expectedStart = qMin(steadyFrom + kDetectionLag, n / 2);
    qInfo("%d samples, cliff before sample %d, trim from %d (expected %d), steady avg %.2f MB/s, "
          "max %.2f MB/s",
          n, steadyFrom, trimStart, expectedStart, trimmed.avg, trimmed.max);
    QVERIFY2(trimStart >= steadyFrom, "fast samples were kept");
    QVERIFY2(
        qAbs(trimStart - expectedStart) <= 2,
        qPrintable(QStringLiteral("trim from %1, expected %2").arg(trimStart).arg(expectedStart)));
    QVERIFY2(qAbs(trimmed.avg - kSteadyMBps) <= 0.03 * kSteadyMBps,
             qPrintable(QStringLiteral("steady avg %1 MB/s").arg(trimmed.avg)));

    // Without the trim the early peak stays in: the spread grows and the verdict cannot improve.
    const SpeedStats untrimmed = series.stats(false);
    QCOMPARE(untrimmed.sampleCount, n);
    qInfo("jitter %.3f trimmed, %.3f untrimmed", trimmed.jitter, untrimmed.jitter);
    QVERIFY(untrimmed.jitter > trimmed.jitter);
    VerdictRules noTrim = rules;
    noTrim.slcTrim = false;
    const Verdict withTrim = evaluateCardTotal(run.samples, rules).verdicts.write;
    const Verdict withoutTrim = evaluateCardTotal(run.samples, noTrim).verdicts.write;
    qInfo("verdict %d trimmed, %d untrimmed", int(withTrim), int(withoutTrim));
    QVERIFY(int(withoutTrim) >= int(withTrim));
}

QTEST_GUILESS_MAIN(ProofSlcCliffTest)
#include "tst_proof_slccliff.moc"
