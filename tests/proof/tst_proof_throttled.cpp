// The engine on loop cards throttled to a known speed: the read-back measures the card, not
// the page cache; a card that falls off its fast cache is trimmed to its steady part; stalls
// show in the drop ratio and the minimum; and the averages match fio's on a twin card at
// the same moment.
#include "cardsimulator.h"
#include "enginerecorder.h"
#include "evaluation.h"
#include "loopcard.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <algorithm>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr unsigned long kTimeoutMs = 180000;

struct Run {
    bool ended = false;
    QStringList errors;
    SampleCollection samples;  // the card total of the write pass, as the front ends see it
    QVector<qint64> sampleMs;  // when each entered sample came, on the simulator's clock
};

// A write-only test of one stream in 1 MiB blocks, as a user would run it.
Run writeOneStream(CardSimulator &sim, qint64 bytes)
{
    SpeedTester tester;
    tester.setTargetDir(sim.card().rootPath());
    tester.setTestSize(bytes);
    tester.setBlockSize(kMiB);
    EngineRecorder rec(tester);
    Run run;
    run.ended = runEngine(tester, kTimeoutMs);
    sim.stop();
    run.errors = rec.errors();
    run.samples.reset(1);
    for (const EngineEvent &e : rec.events) {
        if (e.kind == EngineEvent::WriteProgress
            && run.samples.addProgress(PassDirection::Write, e.percent, e.current))
            run.sampleMs.append(e.atMs - sim.startedAt());
        if (e.kind == EngineEvent::WriteFinished)
            run.samples.finishPass(PassDirection::Write, e.average);
    }
    return run;
}

// Reads a whole file through the page cache, leaving its pages there.
qint64 readCached(const QString &path)
{
    QFile file(path);
    qint64 total = file.open(QIODevice::ReadOnly) ? 0 : -1;
    for (QByteArray chunk; !(chunk = file.read(4 * kMiB)).isEmpty();)
        total += chunk.size();
    return total;
}

// Bytes of the file held in the page cache.
qint64 residentBytes(const QString &path)
{
    QProcess fincore;
    fincore.start(QStringLiteral("fincore"), {"--bytes", "--noheadings", "--output", "RES", path});
    if (!fincore.waitForFinished() || fincore.exitCode() != 0)
        return -1;
    return fincore.readAllStandardOutput().trimmed().toLongLong();
}

// fio's aggregate speeds in MiB/s from its JSON report: {"write": ..., "read": ...}.
QMap<QString, double> fioSpeeds(const QByteArray &output)
{
    QMap<QString, double> speeds;
    const QJsonDocument doc = QJsonDocument::fromJson(output.mid(output.indexOf('{')));
    for (const QJsonValue &job : doc.object().value(QStringLiteral("jobs")).toArray()) {
        const QString name = job.toObject().value(QStringLiteral("jobname")).toString();
        const QJsonObject io = job.toObject().value(name).toObject();
        speeds.insert(name, io.value(QStringLiteral("bw_bytes")).toDouble() / kMiB);
    }
    return speeds;
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
    LOOPCARD_REQUIRE(card);
    if (!LoopCard::throttleProblem().isEmpty())
        QSKIP(qPrintable(LoopCard::throttleProblem()));
    if (QStandardPaths::findExecutable(QStringLiteral("fincore")).isEmpty())
        QSKIP("fincore (util-linux) is needed to see what the page cache holds");

    const qint64 size = 160 * kMiB;
    const double throttleMBps = 20.0;
    SpeedTester tester;
    tester.setTargetDir(card.rootPath());
    tester.setTestSize(size);
    tester.setBlockSize(kMiB);
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    // On the engine thread between the passes: the written file is pulled into the page
    // cache at full speed, then only reading is throttled. A read-back through the cache
    // would now run at memory speed and never reach the card.
    qint64 cached = -1;
    bool throttled = false;
    rec.hook = [&](const EngineEvent &e, int) {
        if (e.kind != EngineEvent::WriteFinished)
            return;
        const QString file = card.rootPath() + QStringLiteral("__card_speed_test_1.dat");
        cached = readCached(file) == size ? residentBytes(file) : -1;
        throttled = card.throttle(0, qRound64(throttleMBps * kMiB));
    };
    QVERIFY(runEngine(tester, kTimeoutMs));
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
    CardSimulator::Settings settings;
    settings.profile = CardSimulator::Profile::SlcCliff;
    settings.imageBytes = 1024 * kMiB;
    settings.writeBps = qRound64(steadyMBps * kMiB);
    settings.readBps = settings.writeBps;
    // About 3.7 s of fast writing, then about 9 s steady: more than a quarter of the samples
    // are fast (so they reach the upper quartile untrimmed), and the cliff lies well inside
    // the first half, where the trim may act.
    settings.fastFactor = 4.0;
    settings.fastBytes = 352 * kMiB;
    CardSimulator sim(settings);
    CARDSIM_START(sim);

    const Run run = writeOneStream(sim, settings.fastBytes + 216 * kMiB);
    QVERIFY(run.ended);
    QCOMPARE(run.errors, QStringList());
    const QVector<CardSimulator::Change> changes = sim.changes();
    QCOMPARE(changes.size(), 2);  // fast, then steady
    const SampleSeries &series = run.samples.card(PassDirection::Write);
    const int n = series.samples().size();
    // The first sample whose interval began after the limits fell.
    int steadyFrom = 1;
    while (steadyFrom < n && run.sampleMs[steadyFrom - 1] < changes[1].atMs)
        ++steadyFrom;
    QVERIFY2(steadyFrom < n, "no sample after the cliff");

    const SpeedStats trimmed = series.stats(true);
    const int trimStart = n - trimmed.sampleCount;
    const int detectionLag = 9;  // the detection curve averages 10 samples
    const int expectedStart = qMin(steadyFrom + detectionLag, n / 2);
    qInfo("%d samples, cliff before %d, trim from %d (expected %d), steady avg %.2f MB/s", n,
          steadyFrom, trimStart, expectedStart, trimmed.avg);
    QVERIFY2(trimStart >= steadyFrom, "fast samples were kept");
    QVERIFY(qAbs(trimStart - expectedStart) <= 2);
    QVERIFY(qAbs(trimmed.avg - steadyMBps) <= 0.03 * steadyMBps);

    // Without the trim the early peak stays in: the spread grows and the verdict cannot improve.
    QVERIFY(series.stats(false).jitter > trimmed.jitter);
    VerdictRules rules;
    rules.slcTrim = true;
    const Verdict withTrim = evaluateCardTotal(run.samples, rules).verdicts.write;
    rules.slcTrim = false;
    QVERIFY(int(evaluateCardTotal(run.samples, rules).verdicts.write) >= int(withTrim));
}

// A card that stalls now and then: the drop ratio and the minimum reflect the stalls, and
// the default rules no longer let the card pass.
void ProofThrottledTest::stallsShowInDropsAndMinimum()
{
    const double steadyMBps = 30.0;
    CardSimulator::Settings settings;
    settings.profile = CardSimulator::Profile::Stalls;
    settings.imageBytes = 1024 * kMiB;
    settings.writeBps = qRound64(steadyMBps * kMiB);
    settings.readBps = settings.writeBps;
    settings.stallPeriodMs = 4000;
    settings.stallMs = 600;  // 15 % of the time
    settings.stallFraction = 0.3;
    CardSimulator sim(settings);
    CARDSIM_START(sim);

    const Run run = writeOneStream(sim, 384 * kMiB);  // about 15 s
    QVERIFY(run.ended);
    QCOMPARE(run.errors, QStringList());
    const qint64 endMs = run.sampleMs.isEmpty() ? 0 : run.sampleMs.last();
    const auto changes = sim.changes();
    const auto stalls = std::count_if(changes.begin(), changes.end(), [&](const auto &c) {
        return c.writeBps < settings.writeBps && c.atMs < endMs;
    });
    QVERIFY2(stalls >= 3, "too few stalls during the pass");

    const RowResult row = evaluateCardTotal(run.samples, VerdictRules());
    const QVector<double> &samples = run.samples.card(PassDirection::Write).samples();
    const double lowest = *std::min_element(samples.begin(), samples.end());
    qInfo("%d samples, drop ratio %.3f, lowest %.2f, min %.2f MB/s, verdict %d",
          int(samples.size()), row.write.dropRatio, lowest, row.write.min, int(row.verdicts.write));
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
    const int streams = 4;
    // About 13 s per pass: the throttle lets a tenth of a second through early, which fio's
    // clock (from its first request) counts more of than the engine's (from the pass start).
    const qint64 perStream = 64 * kMiB;
    LoopCard engineCard(512 * kMiB);
    LoopCard fioCard(512 * kMiB);
    LOOPCARD_REQUIRE_THROTTLE(engineCard, bps, bps);
    LOOPCARD_REQUIRE_THROTTLE(fioCard, bps, bps);

    // A child process stays in the throttle group of this one.
    QProcess fio;
    fio.start(fioProgram,
              {"--directory=" + fioCard.rootPath(), "--filename_format=f.$jobnum", "--bs=1M",
               QStringLiteral("--size=%1").arg(perStream),
               QStringLiteral("--numjobs=%1").arg(streams), "--ioengine=psync", "--direct=1",
               "--sync=1", "--fallocate=none", "--group_reporting", "--output-format=json",
               "--name=write", "--rw=write", "--name=read", "--rw=read", "--stonewall"});
    SpeedTester tester;
    tester.setTargetDir(engineCard.rootPath());
    tester.setTestSize(perStream);
    tester.setBlockSize(kMiB);
    tester.setStreamCount(streams);
    tester.setReadEnabled(true);
    EngineRecorder rec(tester);
    QVERIFY(runEngine(tester, kTimeoutMs));
    QVERIFY2(fio.waitForFinished(int(kTimeoutMs)) && fio.exitCode() == 0,
             fio.readAllStandardError().constData());
    QCOMPARE(rec.errors(), QStringList());
    QVERIFY2(!rec.logLines().contains(QStringLiteral("LogCacheFallback")), "the card was cached");

    const QMap<QString, double> reference = fioSpeeds(fio.readAllStandardOutput());
    const QMap<QString, double> engine{
        {"write", rec.ofKind(EngineEvent::WriteFinished).value(0).average},
        {"read", rec.ofKind(EngineEvent::ReadFinished).value(0).average}};
    for (const QString &pass : engine.keys()) {
        const double off = engine[pass] / reference.value(pass, -1.0) - 1.0;
        qInfo("%s: engine %.3f MB/s, fio %.3f MB/s (%+.2f %%)", qPrintable(pass), engine[pass],
              reference.value(pass), off * 100);
        QVERIFY2(qAbs(off) <= 0.03, qPrintable(pass));
    }
}

QTEST_GUILESS_MAIN(ProofThrottledTest)
#include "tst_proof_throttled.moc"
