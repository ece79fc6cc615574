// A card that stalls now and then: the drop ratio and the minimum reflect the stalls, and
// the default rules no longer let the card pass.
#include "cardsimulator.h"
#include "evaluation.h"
#include "proofrun.h"

#include <QtTest>

#include <algorithm>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr double kSteadyMBps = 30.0;
constexpr int kPeriodMs = 4000;
constexpr int kStallMs = 600;  // 15 % of the time
constexpr double kStallFraction = 0.3;
constexpr qint64 kTestBytes = 384 * kMiB;  // about 15 s
constexpr int kTimeoutMs = 120000;
}  // namespace

class ProofStallsTest : public QObject
{
    Q_OBJECT
private slots:
    void stallsShowInDropsAndMinimum();
};

void ProofStallsTest::stallsShowInDropsAndMinimum()
{
    CardSimulator::Settings settings;
    settings.profile = CardSimulator::Profile::Stalls;
    settings.imageBytes = 1024 * kMiB;
    settings.writeBps = qRound64(kSteadyMBps * kMiB);
    settings.readBps = settings.writeBps;
    settings.stallPeriodMs = kPeriodMs;
    settings.stallMs = kStallMs;
    settings.stallFraction = kStallFraction;
    CardSimulator sim(settings);
    CARDSIM_START(sim);

    const ProofRun run = writeOneStream(sim, kTestBytes, kTimeoutMs);
    QVERIFY(run.ended);
    QCOMPARE(run.errors, QStringList());

    // Stalls that began while the engine was writing, and the share of time they took.
    const qint64 endMs = run.writeSampleMs.isEmpty() ? 0 : run.writeSampleMs.last();
    int stalls = 0;
    for (const CardSimulator::Change &c : sim.changes()) {
        if (c.writeBps < settings.writeBps && c.atMs < endMs)
            ++stalls;
    }
    QVERIFY2(stalls >= 3, qPrintable(QStringLiteral("only %1 stalls during the pass").arg(stalls)));
    const double stalledShare = double(kStallMs) / kPeriodMs;

    const VerdictRules rules;  // the defaults
    const RowResult row = evaluateCardTotal(run.samples, rules);
    const QVector<double> &samples = run.samples.card(PassDirection::Write).samples();
    const double lowest = *std::min_element(samples.begin(), samples.end());
    qInfo("%d samples, %d stalls, drop ratio %.3f, lowest sample %.2f, min %.2f, avg %.2f, "
          "verdict %d",
          int(samples.size()), stalls, row.write.dropRatio, lowest, row.write.min, row.write.avg,
          int(row.verdicts.write));

    // A sample lies below the drop line only when most of its interval was stalled, so the
    // ratio sits a little under the stalled share of time.
    QVERIFY2(qAbs(row.write.dropRatio - stalledShare) <= 0.05,
             qPrintable(QStringLiteral("drop ratio %1").arg(row.write.dropRatio)));
    QVERIFY2(lowest <= 1.5 * kStallFraction * kSteadyMBps,
             qPrintable(QStringLiteral("lowest sample %1 MB/s").arg(lowest)));
    QVERIFY(row.write.min < 0.95 * kSteadyMBps);
    QVERIFY(row.verdicts.write != Verdict::Pass);
}

QTEST_GUILESS_MAIN(ProofStallsTest)
#include "tst_proof_stalls.moc"
