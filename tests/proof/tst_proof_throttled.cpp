// The engine on loop cards throttled to a known speed: the read-back measures the card, not
// the page cache; a card that falls off its fast cache is trimmed to its steady part; stalls
// show in the drop ratio and the minimum; and the averages match fio's on a twin card at
// the same moment.
#include "cardsimulator.h"
#include "enginerecorder.h"
#include "evaluation.h"
#include "loopcard.h"

#include <QtTest>

#include <algorithm>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr unsigned long kTimeoutMs = 180000;

SpeedTester *newTester(const QString &root, qint64 perStream, int streams, bool read)
{
    auto *tester = new SpeedTester;
    tester->setTargetDir(root);
    tester->setTestSize(perStream);
    tester->setBlockSize(kMiB);
    tester->setStreamCount(streams);
    tester->setReadEnabled(read);
    return tester;
}

// A write-only test of one stream on the simulated card: the card total of the write pass
// as the front ends see it, and when each entered sample came on the simulator's clock.
QVector<qint64> writeOneStream(CardSimulator &sim, qint64 bytes, SampleCollection *samples)
{
    QScopedPointer<SpeedTester> tester(newTester(sim.card().rootPath(), bytes, 1, false));
    EngineRecorder rec(*tester);
    const bool ended = runEngine(*tester, kTimeoutMs);
    sim.stop();
    QVector<qint64> atMs;
    samples->reset(1);
    for (const EngineEvent &e : rec.events) {
        if (e.kind == EngineEvent::WriteProgress
            && samples->addProgress(PassDirection::Write, e.percent, e.current)) {
            // The pass's last stretch replaces the sample before it.
            atMs.resize(samples->card(PassDirection::Write).samples().size());
            atMs.last() = e.atMs - sim.startedAt();
        }
        if (e.kind == EngineEvent::WriteFinished)
            samples->finishPass(PassDirection::Write, e.average);
    }
    return ended && rec.errors().isEmpty() ? atMs : QVector<qint64>();
}

// A 1 GiB card of the given profile at a steady write speed.
CardSimulator::Settings simulated(CardSimulator::Profile profile, double steadyMBps)
{
    CardSimulator::Settings settings;
    settings.profile = profile;
    settings.imageBytes = 1024 * kMiB;
    settings.writeBps = qRound64(steadyMBps * kMiB);
    return settings;
}

// Bytes of the file held in the page cache after reading it all through the cache.
qint64 readIntoCache(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    while (!file.read(4 * kMiB).isEmpty()) {
    }
    QProcess fincore;
    fincore.start(QStringLiteral("fincore"), {"--bytes", "--noheadings", "--output", "RES", path});
    return fincore.waitForFinished() && fincore.exitCode() == 0
               ? fincore.readAllStandardOutput().trimmed().toLongLong()
               : -1;
}
}  // namespace

class ProofThrottledTest : public QObject
{
    Q_OBJECT
private slots:
    void readBackBypassesPageCache();
    void slcCliffIsTrimmed();
    void stallsShowInDropsAndMinimum();
    void averagesMatchFio();
};

void ProofThrottledTest::readBackBypassesPageCache()
{
    LoopCard card(512 * kMiB);
    LOOPCARD_REQUIRE_THROTTLE(card, 0, 0);  // unlimited until the write has ended
    if (QStandardPaths::findExecutable(QStringLiteral("fincore")).isEmpty())
        QSKIP("fincore (util-linux) is needed to see what the page cache holds");
    const qint64 size = 160 * kMiB;
    const double throttleMBps = 20.0;
    QScopedPointer<SpeedTester> tester(newTester(card.rootPath(), size, 1, true));
    EngineRecorder rec(*tester);
    // On the engine thread between the passes: the written file is pulled into the page
    // cache at full speed, then only reading is throttled. A read-back through the cache
    // would now run at memory speed and never reach the card.
    qint64 cached = -1;
    bool throttled = false;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind == EngineEvent::WriteFinished) {
            cached = readIntoCache(card.rootPath() + QStringLiteral("__card_speed_test_1.dat"));
            throttled = card.throttle(0, qRound64(throttleMBps * kMiB));
        }
    };
    QVERIFY(runEngine(*tester, kTimeoutMs));
    QCOMPARE(rec.errors(), QStringList());
    QVERIFY2(throttled, qPrintable(card.throttleError()));
    QCOMPARE(cached, size);
    QCOMPARE(rec.count(EngineEvent::ReadFinished), 1);
    const double read = rec.ofKind(EngineEvent::ReadFinished).first().average;
    qInfo("read-back of a cached file: %.3f MB/s at a %.0f MB/s throttle", read, throttleMBps);
    QVERIFY(card.throttledBytes(QStringLiteral("Read")) >= size);
    // How close it comes is averagesMatchFio's business; here it must not beat the card.
    QVERIFY2(read <= 1.1 * throttleMBps, qPrintable(QString::number(read)));
}

// A card that writes fast into its cache and then falls to its steady speed: the trim cuts
// the fast part off the engine's real samples, and the card total then describes the
// steady part alone.
void ProofThrottledTest::slcCliffIsTrimmed()
{
    const double steadyMBps = 24.0;
    CardSimulator::Settings settings = simulated(CardSimulator::Profile::SlcCliff, steadyMBps);
    // About 3.7 s of fast writing at 4x, then about 9 s steady: more than a quarter of the
    // samples are fast (so they reach the upper quartile untrimmed), and the cliff lies well
    // inside the first half, where the trim may act.
    settings.fastBytes = 352 * kMiB;
    CardSimulator sim(settings);
    CARDSIM_START(sim);
    SampleCollection samples;
    const QVector<qint64> sampleMs = writeOneStream(sim, settings.fastBytes + 216 * kMiB, &samples);
    const QVector<CardSimulator::Change> changes = sim.changes();
    QCOMPARE(changes.size(), 2);  // fast, then steady
    const SampleSeries &series = samples.card(PassDirection::Write);
    const int n = series.samples().size();
    QCOMPARE(sampleMs.size(), n);  // also fails when the run did not end without errors
    // The first sample whose interval began after the limits fell.
    int steadyFrom = 1;
    while (steadyFrom < n && sampleMs[steadyFrom - 1] < changes[1].atMs)
        ++steadyFrom;
    QVERIFY2(steadyFrom < n, "no sample after the cliff");

    const SpeedStats trimmed = series.stats(true);
    const int trimStart = n - trimmed.sampleCount;
    const int expectedStart = qMin(steadyFrom + 9, n / 2);  // detection averages 10 samples
    qInfo("%d samples, cliff before %d, trim from %d (expected %d), steady avg %.2f MB/s", n,
          steadyFrom, trimStart, expectedStart, trimmed.avg);
    QVERIFY2(trimStart >= steadyFrom, "fast samples were kept");
    QVERIFY(qAbs(trimStart - expectedStart) <= 2);
    QVERIFY(qAbs(trimmed.avg - steadyMBps) <= 0.03 * steadyMBps);
    // Without the trim the early peak stays in: the spread grows and the verdict cannot improve.
    QVERIFY(series.stats(false).jitter > trimmed.jitter);
    VerdictRules rules;
    rules.slcTrim = true;
    const Verdict withTrim = evaluateCardTotal(samples, rules).verdicts.write;
    rules.slcTrim = false;
    QVERIFY(int(evaluateCardTotal(samples, rules).verdicts.write) >= int(withTrim));
}

// A card that stalls now and then: the drop ratio and the minimum reflect the stalls, and
// the default rules no longer let the card pass.
void ProofThrottledTest::stallsShowInDropsAndMinimum()
{
    const double steadyMBps = 30.0;
    CardSimulator::Settings settings = simulated(CardSimulator::Profile::Stalls, steadyMBps);
    settings.stallPeriodMs = 4000;
    settings.stallMs = 600;  // 15 % of the time, at 0.3x
    CardSimulator sim(settings);
    CARDSIM_START(sim);
    SampleCollection samples;
    const QVector<qint64> sampleMs = writeOneStream(sim, 384 * kMiB, &samples);  // about 15 s
    QVERIFY2(!sampleMs.isEmpty(), "the run failed");
    int stalls = 0;
    for (const CardSimulator::Change &c : sim.changes())
        stalls += c.writeBps < settings.writeBps && c.atMs < sampleMs.last() ? 1 : 0;
    QVERIFY2(stalls >= 3, "too few stalls during the pass");

    const RowResult row = evaluateCardTotal(samples, VerdictRules());
    const QVector<double> &speeds = samples.card(PassDirection::Write).samples();
    const double lowest = *std::min_element(speeds.begin(), speeds.end());
    qInfo("drop ratio %.3f, lowest %.2f, min %.2f MB/s", row.write.dropRatio, lowest,
          row.write.min);
    // A sample lies below the drop line only when most of its interval was stalled, so the
    // ratio sits a little under the stalled share of time.
    QVERIFY(qAbs(row.write.dropRatio - double(settings.stallMs) / settings.stallPeriodMs) <= 0.05);
    QVERIFY(lowest <= 1.5 * settings.stallFraction * steadyMBps);
    QVERIFY(row.write.min < 0.95 * steadyMBps);
    QVERIFY(row.verdicts.write != Verdict::Pass);
}

// The engine and fio (O_DIRECT, O_SYNC, the same streams and block size) side by side, each
// on a card of its own throttled to the same speed, at the same moment: a busy machine slows
// both alike, while a speed the engine gets wrong still shows.
void ProofThrottledTest::averagesMatchFio()
{
    const QString fioProgram = QStandardPaths::findExecutable(QStringLiteral("fio"));
    if (fioProgram.isEmpty())
        QSKIP("fio is needed as the reference");
    const qint64 bps = 20 * kMiB;
    // About 13 s per pass: the throttle lets a tenth of a second through early, which fio's
    // clock (from its first request) counts more of than the engine's (from the pass start).
    const qint64 perStream = 64 * kMiB;
    LoopCard engineCard(512 * kMiB);
    LoopCard fioCard(512 * kMiB);
    LOOPCARD_REQUIRE_THROTTLE(engineCard, bps, bps);
    LOOPCARD_REQUIRE_THROTTLE(fioCard, bps, bps);
    // A child process stays in the throttle group of this one.
    QProcess fio;
    fio.start(fioProgram, {"--directory=" + fioCard.rootPath(), "--filename_format=f.$jobnum",
                           "--bs=1M", QStringLiteral("--size=%1").arg(perStream), "--numjobs=4",
                           "--ioengine=psync", "--direct=1", "--sync=1", "--fallocate=none",
                           "--group_reporting", "--output-format=json", "--name=write",
                           "--rw=write", "--name=read", "--rw=read", "--stonewall"});
    QScopedPointer<SpeedTester> tester(newTester(engineCard.rootPath(), perStream, 4, true));
    EngineRecorder rec(*tester);
    QVERIFY(runEngine(*tester, kTimeoutMs));
    QVERIFY2(fio.waitForFinished(int(kTimeoutMs)) && fio.exitCode() == 0,
             fio.readAllStandardError().constData());
    QCOMPARE(rec.errors(), QStringList());
    QVERIFY2(!rec.logLines().contains(QStringLiteral("LogCacheFallback")), "the card was cached");

    // fio's aggregate speeds from its JSON report, one job a pass.
    const QByteArray out = fio.readAllStandardOutput();
    const QJsonArray jobs =
        QJsonDocument::fromJson(out.mid(out.indexOf('{'))).object().value("jobs").toArray();
    const EngineEvent::Kind kinds[] = {EngineEvent::WriteFinished, EngineEvent::ReadFinished};
    QCOMPARE(jobs.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QString pass = jobs[i].toObject().value("jobname").toString();
        const double reference =
            jobs[i].toObject().value(pass).toObject().value("bw_bytes").toDouble() / kMiB;
        const double engine = rec.ofKind(kinds[i]).value(0).average;
        const double off = engine / reference - 1.0;
        qInfo("%s: engine %.3f MB/s, fio %.3f MB/s (%+.2f %%)", qPrintable(pass), engine, reference,
              off * 100);
        QVERIFY2(qAbs(off) <= 0.03, qPrintable(pass));
    }
}

QTEST_GUILESS_MAIN(ProofThrottledTest)
#include "tst_proof_throttled.moc"
