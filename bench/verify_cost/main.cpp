// Benchmark: what verifying the data costs the transfer. The engine's write and read passes
// with verification and without, taking turns on the same folder, with the same block size,
// streams and size. Never part of the test suite.
//
//   verify_cost [--target DIR] [--size SIZE] [--streams N] [--block SIZE] [--repeat N]
//
// Goal: with verification, write and read speed (medians) at least 0.98 of without.
// Exit status: 0 goals met, 2 a goal missed, 1 it could not run.
#include "enginerun.h"

#include "i18n.h"
#include "sizeparse.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {
constexpr double kGoal = 0.98;

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n == 0 ? 0.0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0);
}

bool sizeOption(const QCommandLineParser &parser, const QString &name, qint64 *out)
{
    return !parser.isSet(name) || parseSize(parser.value(name), out);
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The engine's texts in English, without reading or storing the user's language.
    I18n::Translator english(&I18n::instance()->table(English), &app);
    QCoreApplication::installTranslator(&english);
    QTextStream out(stdout);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({{"target", "The folder to measure (a fast card).", "DIR"},
                       {"size", "Bytes per stream. Default 1G.", "SIZE"},
                       {"streams", "Parallel streams. Default 1.", "N"},
                       {"block", "Bytes per request. Default 1M.", "SIZE"},
                       {"repeat", "Rounds of each side. Default 5.", "N"}});
    parser.process(app);

    BenchSettings settings;
    settings.sizePerStream = 1073741824;
    settings.blockSize = 1048576;
    settings.streams = parser.value("streams").isEmpty() ? 1 : parser.value("streams").toInt();
    const int repeat = parser.value("repeat").isEmpty() ? 5 : parser.value("repeat").toInt();
    if (!sizeOption(parser, "size", &settings.sizePerStream)
        || !sizeOption(parser, "block", &settings.blockSize) || settings.streams < 1
        || settings.streams > 16 || repeat < 1) {
        QTextStream(stderr) << "bad option; see --help\n";
        return 1;
    }
    const QString target =
        parser.value("target").isEmpty() ? QDir::tempPath() : parser.value("target");
    // Everything goes into a private folder, removed at the end.
    QTemporaryDir work(QDir(target).absoluteFilePath(QStringLiteral("verify-cost-XXXXXX")));
    if (!work.isValid()) {
        QTextStream(stderr) << "cannot make a folder in " << target << '\n';
        return 1;
    }
    settings.workDir = work.path();

    QVector<double> write[2];
    QVector<double> read[2];
    out << "round  side      write MiB/s  read MiB/s\n";
    for (int round = 1; round <= repeat; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            // The sides take turns going first, so a device that drifts favours neither.
            const int side = (round + turn) % 2;
            settings.verify = side == 1;
            const RunFigures f = runEngine(settings);
            if (!f.ok()) {
                QTextStream(stderr) << f.error << '\n';
                return 1;
            }
            write[side] << f.write.mibPerSec;
            read[side] << f.read.mibPerSec;
            out << QString("%1  %2  %3  %4\n")
                       .arg(round, 5)
                       .arg(settings.verify ? "verify" : "plain ", -8)
                       .arg(f.write.mibPerSec, 11, 'f', 1)
                       .arg(f.read.mibPerSec, 10, 'f', 1);
            out.flush();
        }
    }
    const double writeRatio = median(write[1]) / median(write[0]);
    const double readRatio = median(read[1]) / median(read[0]);
    out << QString("median plain   write %1  read %2\n")
               .arg(median(write[0]), 0, 'f', 1)
               .arg(median(read[0]), 0, 'f', 1);
    out << QString("median verify  write %1  read %2\n")
               .arg(median(write[1]), 0, 'f', 1)
               .arg(median(read[1]), 0, 'f', 1);
    out << QString("ratio verify/plain  write %1 (%2)  read %3 (%4)   goal >= %5\n")
               .arg(writeRatio, 0, 'f', 3)
               .arg(writeRatio >= kGoal ? "met" : "MISSED")
               .arg(readRatio, 0, 'f', 3)
               .arg(readRatio >= kGoal ? "met" : "MISSED")
               .arg(kGoal);
    return writeRatio >= kGoal && readRatio >= kGoal ? 0 : 2;
}
