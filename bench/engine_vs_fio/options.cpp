#include "options.h"

#include "sizeparse.h"

#include <QCommandLineParser>

namespace {
// The CLI's reading of sizes ("512M", "2G"); -1 for anything it refuses.
qint64 sizeOrInvalid(const QString &text)
{
    qint64 bytes = 0;
    return parseSize(text, &bytes) ? bytes : -1;
}
}  // namespace

bool parseOptions(const QStringList &arguments, BenchOptions &options, QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures the engine's write and read passes against fio on the same "
                       "folder, with the same block size, stream count and size per stream."));
    parser.addHelpOption();
    const QCommandLineOption target(
        QStringLiteral("target"),
        QStringLiteral("Folder to test (a card's mount point, a loop device's mount, any "
                       "folder). Default: a temporary folder under the system's temp path."),
        QStringLiteral("DIR"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Bytes per stream, e.g. 512M, 2G. Default 1G."),
                                  QStringLiteral("SIZE"));
    const QCommandLineOption streams(QStringLiteral("streams"),
                                     QStringLiteral("Parallel streams, 1..16. Default 1."),
                                     QStringLiteral("N"));
    const QCommandLineOption block(
        QStringLiteral("block"),
        QStringLiteral("Block size, a multiple of 4K, e.g. 64K, 1M, 4M. Default 1M."),
        QStringLiteral("SIZE"));
    const QCommandLineOption repeat(
        QStringLiteral("repeat"),
        QStringLiteral("Alternate engine and fio runs N times and report medians. Default 1."),
        QStringLiteral("N"));
    const QCommandLineOption fio(QStringLiteral("fio"),
                                 QStringLiteral("The fio program. Default: fio from PATH."),
                                 QStringLiteral("PATH"));
    const QCommandLineOption fioSync(
        QStringLiteral("fio-sync"),
        QStringLiteral("fio's sync mode: sync (O_SYNC, the reference) or dsync (O_DSYNC, what "
                       "the engine opens with). Default sync."),
        QStringLiteral("MODE"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Print the engine's log lines."));
    const QCommandLineOption workers(
        QStringLiteral("with-workers"),
        QStringLiteral("Also time the engine's file workers alone (no pass around them), to "
                       "see what the pass itself costs."));
    parser.addOptions({target, size, streams, block, repeat, fio, fioSync, verbose, workers});

    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        options.helpRequested = true;
        error = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }

    options.target = parser.value(target);
    options.verbose = parser.isSet(verbose);
    options.withWorkers = parser.isSet(workers);
    if (parser.isSet(fio))
        options.fioProgram = parser.value(fio);
    if (parser.isSet(fioSync))
        options.fioSync = parser.value(fioSync);
    if (options.fioSync != QLatin1String("sync") && options.fioSync != QLatin1String("dsync")) {
        error = QStringLiteral("--fio-sync must be sync or dsync");
        return false;
    }
    if (parser.isSet(size))
        options.sizePerStream = sizeOrInvalid(parser.value(size));
    if (parser.isSet(block))
        options.blockSize = sizeOrInvalid(parser.value(block));
    bool ok = true;
    if (parser.isSet(streams))
        options.streams = parser.value(streams).toInt(&ok);
    if (!ok || options.streams < 1 || options.streams > 16) {
        error = QStringLiteral("--streams must be 1..16");
        return false;
    }
    if (parser.isSet(repeat))
        options.repeat = parser.value(repeat).toInt(&ok);
    if (!ok || options.repeat < 1) {
        error = QStringLiteral("--repeat must be at least 1");
        return false;
    }
    // Unbuffered I/O needs whole, aligned blocks.
    if (options.blockSize < 4096 || options.blockSize % 4096 != 0) {
        error = QStringLiteral("--block must be a multiple of 4K");
        return false;
    }
    if (options.sizePerStream < options.blockSize) {
        error = QStringLiteral("--size must be at least one block");
        return false;
    }
    return true;
}
