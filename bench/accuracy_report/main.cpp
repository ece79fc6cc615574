// Runs the accuracy matrix (steady cards at two speeds x 1, 4, 16 streams x 64K, 1M, 8M
// blocks) and prints what the engine reported beside the true speed.
#include "accuracymatrix.h"
#include "i18n.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {
constexpr double kTolerance = 0.02;
constexpr unsigned long kTimeoutMs = 600000;

struct Options {
    double passSeconds = 8.0;
    bool oneAtATime = false;
};

bool parse(const QStringList &args, Options &options)
{
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--one-at-a-time")) {
            options.oneAtATime = true;
        } else if (args.at(i) == QLatin1String("--pass-seconds") && i + 1 < args.size()) {
            bool ok = false;
            options.passSeconds = args.at(++i).toDouble(&ok);
            if (!ok || options.passSeconds <= 0) {
                std::fprintf(stderr, "--pass-seconds needs a positive number\n");
                return false;
            }
        } else {
            std::fprintf(stderr, "usage: accuracy_report [--pass-seconds S] [--one-at-a-time]\n");
            return false;
        }
    }
    return true;
}

QString row(const QString &profile, const QString &streams, const QString &block,
            const QString &truth, const QString &write, const QString &writeError,
            const QString &read, const QString &readError)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
        .arg(profile, -8)
        .arg(streams, 7)
        .arg(block, 6)
        .arg(truth, 10)
        .arg(write, 11)
        .arg(writeError, 8)
        .arg(read, 10)
        .arg(readError, 8);
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The engine's texts in English, installed directly so no user settings are read.
    I18n::Translator english(&I18n::instance()->table(English), &app);
    QCoreApplication::installTranslator(&english);
    Options options;
    if (!parse(app.arguments().mid(1), options))
        return 1;

    QTextStream out(stdout);
    out << row(QStringLiteral("profile"), QStringLiteral("streams"), QStringLiteral("block"),
               QStringLiteral("true MB/s"), QStringLiteral("write MB/s"), QStringLiteral("error %"),
               QStringLiteral("read MB/s"), QStringLiteral("error %"));
    out.flush();
    bool allWithin = true;
    for (const QVector<AccuracyCase> &group : accuracyGroups(options.passSeconds)) {
        // Side by side as the test runs them, or each case alone to compare.
        QVector<QVector<AccuracyCase>> batches;
        if (options.oneAtATime) {
            for (const AccuracyCase &c : group)
                batches.append({c});
        } else {
            batches.append(group);
        }
        for (const QVector<AccuracyCase> &batch : batches) {
            const AccuracyRun run = measureSideBySide(batch, kTimeoutMs);
            if (!run.skipReason.isEmpty()) {
                std::fprintf(stderr, "cannot run here: %s\n", qPrintable(run.skipReason));
                return 1;
            }
            for (int i = 0; i < batch.size(); ++i) {
                const AccuracyCase &c = batch[i];
                const AccuracyResult &r = run.results[i];
                if (!r.error.isEmpty() || r.cacheFallback) {
                    std::fprintf(stderr, "%d streams, %s blocks: %s\n", c.streams,
                                 qPrintable(blockText(c.blockSize)),
                                 r.cacheFallback ? "went through the page cache"
                                                 : qPrintable(r.error));
                    return 1;
                }
                const double we = relativeError(r.write, c.speedMBps);
                const double re = relativeError(r.read, c.speedMBps);
                allWithin = allWithin && qAbs(we) <= kTolerance && qAbs(re) <= kTolerance;
                out << row(QStringLiteral("steady"), QString::number(c.streams),
                           blockText(c.blockSize), number(c.speedMBps, 2), number(r.write, 3),
                           number(we * 100, 2), number(r.read, 3), number(re * 100, 2));
                out.flush();
            }
        }
    }
    out << (allWithin ? QStringLiteral("every average within 2 % of the true speed\n")
                      : QStringLiteral("some averages are more than 2 % off the true speed\n"));
    return allWithin ? 0 : 2;
}
