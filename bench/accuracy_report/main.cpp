// Runs the accuracy matrix (steady cards at two speeds x 1, 4, 16 streams x 64K, 1M, 8M
// blocks) and prints what the engine reported beside the true speed.
#include "accuracymatrix.h"
#include "cardsimulator.h"
#include "i18n.h"
#include "speedtester.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr double kTolerance = 0.02;
constexpr unsigned long kTimeoutMs = 600000;

struct Reported {
    double write = -1.0;
    double read = -1.0;
    QString error;
};

Reported measure(const AccuracyCase &c)
{
    Reported r;
    CardSimulator::Settings settings;
    settings.profile = CardSimulator::Profile::Steady;
    settings.imageBytes = qMax<qint64>(512 * kMiB, 2 * c.streams * c.sizePerStream);
    settings.writeBps = qRound64(c.speedMBps * kMiB);
    settings.readBps = settings.writeBps;
    CardSimulator sim(settings);
    if (!sim.skipReason().isEmpty()) {
        r.error = sim.skipReason();
        return r;
    }
    if (!sim.card().isReady()) {
        r.error = sim.card().failure();
        return r;
    }
    if (!sim.start()) {
        r.error = sim.error();
        return r;
    }
    SpeedTester tester;
    tester.setTargetDir(sim.card().rootPath());
    tester.setTestSize(c.sizePerStream);
    tester.setBlockSize(c.blockSize);
    tester.setStreamCount(c.streams);
    tester.setReadEnabled(true);
    // Direct connections: the values are read only after the engine's thread has ended.
    QObject::connect(&tester, &SpeedTester::writeFinished, [&r](double avg) { r.write = avg; });
    QObject::connect(&tester, &SpeedTester::readFinished, [&r](double avg) { r.read = avg; });
    QObject::connect(&tester, &SpeedTester::testError,
                     [&r](const QString &message) { r.error = message; });
    tester.start();
    if (!tester.wait(kTimeoutMs)) {
        tester.requestStop();
        tester.wait();
        r.error = QStringLiteral("the engine did not finish in time");
    }
    return r;
}

QString blockText(qint64 bytes)
{
    return bytes >= kMiB ? QStringLiteral("%1M").arg(bytes / kMiB)
                         : QStringLiteral("%1K").arg(bytes / 1024);
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The engine's log lines in English, installed directly so no user settings are read.
    I18n::Translator english(&I18n::instance()->table(English), &app);
    QCoreApplication::installTranslator(&english);
    QTextStream out(stdout);
    double passSeconds = 6.0;
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args.at(0) == QLatin1String("--pass-seconds")) {
        bool ok = false;
        passSeconds = args.at(1).toDouble(&ok);
        if (!ok || passSeconds <= 0) {
            std::fprintf(stderr, "--pass-seconds needs a positive number\n");
            return 1;
        }
    } else if (!args.isEmpty()) {
        std::fprintf(stderr, "usage: accuracy_report [--pass-seconds S]\n");
        return 1;
    }

    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
               .arg(QStringLiteral("profile"), -8)
               .arg(QStringLiteral("streams"), 7)
               .arg(QStringLiteral("block"), 6)
               .arg(QStringLiteral("true MB/s"), 10)
               .arg(QStringLiteral("write MB/s"), 11)
               .arg(QStringLiteral("error %"), 8)
               .arg(QStringLiteral("read MB/s"), 10)
               .arg(QStringLiteral("error %"), 8);
    out.flush();
    bool allWithin = true;
    for (const AccuracyCase &c : accuracyMatrix(passSeconds)) {
        const Reported r = measure(c);
        if (!r.error.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(c.name), qPrintable(r.error));
            return 1;
        }
        const double we = relativeError(r.write, c.speedMBps);
        const double re = relativeError(r.read, c.speedMBps);
        allWithin = allWithin && qAbs(we) <= kTolerance && qAbs(re) <= kTolerance;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                   .arg(QStringLiteral("steady"), -8)
                   .arg(c.streams, 7)
                   .arg(blockText(c.blockSize), 6)
                   .arg(c.speedMBps, 10, 'f', 2)
                   .arg(r.write, 11, 'f', 3)
                   .arg(we * 100, 8, 'f', 2)
                   .arg(r.read, 10, 'f', 3)
                   .arg(re * 100, 8, 'f', 2);
        out.flush();
    }
    out << (allWithin ? QStringLiteral("every average within 2 % of the true speed\n")
                      : QStringLiteral("some averages are more than 2 % off the true speed\n"));
    return allWithin ? 0 : 2;
}
