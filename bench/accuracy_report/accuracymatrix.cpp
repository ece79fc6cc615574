#include "accuracymatrix.h"

#include "cardsimulator.h"
#include "speedtester.h"

#include <QElapsedTimer>
#include <QFile>

#include <memory>
#include <vector>

namespace {
constexpr qint64 kKiB = 1024;
constexpr qint64 kMiB = 1048576;
// Room for the file system's own blocks beside the test files.
constexpr qint64 kImageSlack = 128 * kMiB;

std::unique_ptr<CardSimulator> makeCard(const AccuracyCase &c)
{
    CardSimulator::Settings settings;
    settings.profile = CardSimulator::Profile::Steady;
    settings.imageBytes = qMax<qint64>(512 * kMiB, c.streams * c.sizePerStream + kImageSlack);
    settings.writeBps = qRound64(c.speedMBps * kMiB);
    settings.readBps = settings.writeBps;
    return std::make_unique<CardSimulator>(settings);
}

QString cardProblem(CardSimulator &sim)
{
    if (!sim.card().isReady())
        return sim.card().failure();
    return sim.start() ? QString() : sim.error();
}

// Microseconds during which some task waited for a CPU since boot; -1 when not known.
qint64 cpuWaitedUs()
{
    QFile file(QStringLiteral("/proc/pressure/cpu"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray some = file.readLine();
    const int at = some.indexOf("total=");
    return some.startsWith("some ") && at >= 0 ? some.mid(at + 6).trimmed().toLongLong() : -1;
}

void configure(SpeedTester &tester, const AccuracyCase &c, const QString &root)
{
    tester.setTargetDir(root);
    tester.setTestSize(c.sizePerStream);
    tester.setBlockSize(c.blockSize);
    tester.setStreamCount(c.streams);
    tester.setReadEnabled(true);
}

// Direct connections: they run on the engine's thread, and the result is read only after
// that thread has ended.
void record(SpeedTester &tester, AccuracyResult &r)
{
    QObject::connect(&tester, &SpeedTester::writeFinished, [&r](double avg) { r.write = avg; });
    QObject::connect(&tester, &SpeedTester::readFinished, [&r](double avg) { r.read = avg; });
    QObject::connect(&tester, &SpeedTester::testError,
                     [&r](const QString &message) { r.error = message; });
    QObject::connect(&tester, &SpeedTester::log, [&r](const QString &line) {
        if (line.contains(QLatin1String("LogCacheFallback")))
            r.cacheFallback = true;
    });
}
}  // namespace

QString blockText(qint64 bytes)
{
    return bytes >= kMiB ? QStringLiteral("%1M").arg(bytes / kMiB)
                         : QStringLiteral("%1K").arg(bytes / kKiB);
}

QVector<QVector<AccuracyCase>> accuracyGroups(double passSeconds)
{
    QVector<QVector<AccuracyCase>> groups;
    for (double speed : {20.0, 40.0}) {
        for (int streams : {1, 4, 16}) {
            QVector<AccuracyCase> group;
            for (qint64 block : {64 * kKiB, kMiB, 8 * kMiB}) {
                const qint64 total = qRound64(speed * kMiB * passSeconds);
                const qint64 blocks = (total / streams + block - 1) / block;
                group.append({speed, streams, block, blocks * block});
            }
            groups.append(group);
        }
    }
    return groups;
}

AccuracyRun measureSideBySide(const QVector<AccuracyCase> &cases, unsigned long timeoutMs)
{
    AccuracyRun run;
    run.results.resize(cases.size());
    std::vector<std::unique_ptr<CardSimulator>> cards;
    for (const AccuracyCase &c : cases) {
        cards.push_back(makeCard(c));
        if (!cards.back()->skipReason().isEmpty()) {
            run.skipReason = cards.back()->skipReason();
            return run;
        }
    }

    std::vector<std::unique_ptr<SpeedTester>> testers;
    for (int i = 0; i < cases.size(); ++i) {
        AccuracyResult &r = run.results[i];
        r.error = cardProblem(*cards[i]);
        testers.push_back(std::make_unique<SpeedTester>());
        configure(*testers.back(), cases[i], cards[i]->card().rootPath());
        record(*testers.back(), r);
    }
    QElapsedTimer clock;
    clock.start();
    const qint64 waitedBefore = cpuWaitedUs();
    for (int i = 0; i < cases.size(); ++i) {
        if (run.results[i].error.isEmpty())
            testers[i]->start();
    }
    for (int i = 0; i < cases.size(); ++i) {
        SpeedTester &tester = *testers[i];
        AccuracyResult &r = run.results[i];
        if (!tester.wait(timeoutMs)) {
            tester.requestStop();
            tester.wait();
            r.error = QStringLiteral("the engine did not finish in time");
        }
        r.throttledWrite = cards[i]->card().throttledBytes(QStringLiteral("Write"));
        r.throttledRead = cards[i]->card().throttledBytes(QStringLiteral("Read"));
    }
    const qint64 waitedAfter = cpuWaitedUs();
    if (waitedBefore >= 0 && waitedAfter >= waitedBefore)
        run.cpuPressure = (waitedAfter - waitedBefore) / 1000.0 / qMax<qint64>(1, clock.elapsed());
    return run;
}
