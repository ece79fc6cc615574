#include "clioptions.h"

#include "sizeparse.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {
constexpr int kMaxStreams = 16;
constexpr int kMaxRounds = 99;
constexpr int kMaxIterations = 99;

bool parseCount(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    *value = n;
    return true;
}

QString absoluteDir(const QString &dir)
{
    QString path = QFileInfo(dir).absoluteFilePath();
    // The engine appends file names to the root directly.
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}
}  // namespace

const QVector<qint64> &CommandLine::allowedBlockSizes()
{
    static const QVector<qint64> sizes = {65536, 131072, 262144, 524288, 1048576, 4194304, 8388608};
    return sizes;
}

CommandLine::Status CommandLine::parse(const QStringList &arguments, CliOptions *options,
                                       QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Measures how fast a memory card sustains writing and reading."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption targetOption(
        QStringLiteral("target"), tr("The card's root folder; the test files are made there."),
        tr("DIR"));
    const QCommandLineOption sizeOption(
        QStringLiteral("size"),
        tr("Test size per stream, e.g. 512M or 2G (K, M, G, T are powers of 1024). Default 1G."),
        tr("SIZE"));
    const QCommandLineOption streamsOption(QStringLiteral("streams"),
                                           tr("Parallel random-data streams, 1 to 16. Default 1."),
                                           tr("N"));
    const QCommandLineOption blockOption(
        QStringLiteral("block"),
        tr("Bytes per request: 64K, 128K, 256K, 512K, 1M, 4M or 8M. Default 1M."), tr("SIZE"));
    const QCommandLineOption readOption(QStringLiteral("read"),
                                        tr("Read the files back after writing them."));
    const QCommandLineOption fileOption(
        QStringLiteral("file"),
        tr("Test with a copy of this file instead of random data (repeatable)."), tr("PATH"));
    const QCommandLineOption fillOption(
        QStringLiteral("fill"),
        tr("Stress mode: fill the card with files of the test size, then rewrite it."));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          tr("Rewrite rounds after the fill, 1 to 99. Default 1."),
                                          tr("N"));
    const QCommandLineOption iterationsOption(
        QStringLiteral("iterations"), tr("Repeat the whole test N times, 1 to 99. Default 1."),
        tr("N"));
    parser.addOptions({targetOption, sizeOption, streamsOption, blockOption, readOption, fileOption,
                       fillOption, roundsOption, iterationsOption});

    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return Error;
    }
    // "--help-all" comes with the help option; the Qt options it would add do not apply.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        *message = parser.helpText();
        return ShowHelp;
    }
    if (parser.isSet(versionOption)) {
        *message = QCoreApplication::applicationName() + QLatin1Char(' ')
                   + QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return ShowVersion;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = tr("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return Error;
    }

    CliOptions o;
    if (!parser.isSet(targetOption) || parser.value(targetOption).isEmpty()) {
        *message = tr("No target given: name the card's root folder with --target DIR.");
        return Error;
    }
    o.targetDir = absoluteDir(parser.value(targetOption));

    if (parser.isSet(sizeOption) && !parseSize(parser.value(sizeOption), &o.testSize)) {
        *message = tr("Invalid size \"%1\": use a whole number with K, M, G or T, e.g. 512M.")
                       .arg(parser.value(sizeOption));
        return Error;
    }
    if (parser.isSet(streamsOption)
        && !parseCount(parser.value(streamsOption), 1, kMaxStreams, &o.streamCount)) {
        *message = tr("Invalid stream count \"%1\": use 1 to %2.")
                       .arg(parser.value(streamsOption))
                       .arg(kMaxStreams);
        return Error;
    }
    if (parser.isSet(blockOption)) {
        qint64 block = 0;
        if (!parseSize(parser.value(blockOption), &block) || !allowedBlockSizes().contains(block)) {
            QStringList names;
            for (qint64 b : allowedBlockSizes())
                names << formatSize(b);
            *message = tr("Invalid block size \"%1\": use one of %2.")
                           .arg(parser.value(blockOption), names.join(QStringLiteral(", ")));
            return Error;
        }
        o.blockSize = block;
    }
    o.readEnabled = parser.isSet(readOption);
    for (const QString &file : parser.values(fileOption))
        o.sourceFiles << QFileInfo(file).absoluteFilePath();
    o.fill = parser.isSet(fillOption);
    if (parser.isSet(roundsOption)
        && !parseCount(parser.value(roundsOption), 1, kMaxRounds, &o.fillRounds)) {
        *message = tr("Invalid round count \"%1\": use 1 to %2.")
                       .arg(parser.value(roundsOption))
                       .arg(kMaxRounds);
        return Error;
    }
    if (parser.isSet(iterationsOption)
        && !parseCount(parser.value(iterationsOption), 1, kMaxIterations, &o.iterations)) {
        *message = tr("Invalid iteration count \"%1\": use 1 to %2.")
                       .arg(parser.value(iterationsOption))
                       .arg(kMaxIterations);
        return Error;
    }

    // Options that would be silently ignored are refused, so the test measured is the
    // test asked for.
    if (parser.isSet(roundsOption) && !o.fill) {
        *message = tr("--rounds only applies to --fill.");
        return Error;
    }
    if (!o.sourceFiles.isEmpty()) {
        if (o.fill) {
            *message = tr("--fill writes random data; it cannot be combined with --file.");
            return Error;
        }
        if (parser.isSet(sizeOption) || parser.isSet(streamsOption)) {
            *message = tr("With --file the files set the size and the stream count; drop "
                          "--size and --streams.");
            return Error;
        }
    }
    if (o.fill) {
        if (parser.isSet(streamsOption)) {
            *message = tr("--fill writes one stream; drop --streams.");
            return Error;
        }
        if (o.readEnabled) {
            *message = tr("--fill has no read pass; drop --read.");
            return Error;
        }
    }
    if (o.testSize < o.blockSize && o.sourceFiles.isEmpty()) {
        *message = tr("MsgSizeLtBlock");
        return Error;
    }
    *options = o;
    return Ok;
}
