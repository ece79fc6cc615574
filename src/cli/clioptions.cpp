#include "clioptions.h"

#include "sizeparse.h"
#include "verdictrulesstore.h"

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

// The rules that describe the test rather than judge it, and the option that sets each.
QString optionForTestRule(const QString &key)
{
    if (key == QLatin1String("enableRead"))
        return QStringLiteral("--read");
    if (key == QLatin1String("fullCap"))
        return QStringLiteral("--fill");
    if (key == QLatin1String("iterCount"))
        return QStringLiteral("--iterations (--rounds with --fill)");
    return QString();
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

TestPlan CliOptions::plan() const
{
    TestPlan p;
    p.target = targetDir;
    p.mode = sourceFiles.isEmpty() ? TestPlan::Mode::Random : TestPlan::Mode::Files;
    p.testSize = testSize;
    p.streams = streamCount;
    p.blockSize = blockSize;
    p.read = readEnabled;
    p.fill = fill;
    p.fillRounds = fillRounds;
    p.iterations = iterations;
    p.files = sourceFiles;
    p.verify = verify;
    return p;
}

const QVector<qint64> &CommandLine::allowedBlockSizes()
{
    static const QVector<qint64> sizes = {65536, 131072, 262144, 524288, 1048576, 4194304, 8388608};
    return sizes;
}

QString CommandLine::normalizedLanguage(const QString &text)
{
    QString t = text.trimmed().toLower();
    t.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (t == QLatin1String("zh_cn"))
        return QStringLiteral("zh_CN");
    if (t == QLatin1String("en"))
        return QStringLiteral("en");
    if (t == QLatin1String("zh_tw"))
        return QStringLiteral("zh_TW");
    return QString();
}

QString CommandLine::requestedLanguage(const QStringList &arguments)
{
    const QString option = QStringLiteral("--lang");
    QString value;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--"))
            break;
        if (arg == option && i + 1 < arguments.size())
            value = arguments[++i];
        else if (arg.startsWith(option + QLatin1Char('=')))
            value = arg.mid(option.size() + 1);
    }
    return normalizedLanguage(value);
}

QStringList CommandLine::overridableRules()
{
    QStringList keys;
    for (const QString &key : VerdictRulesStore::keys()) {
        if (optionForTestRule(key).isEmpty())
            keys << key;
    }
    return keys;
}

namespace {
// Reads one --rules KEY=VALUE into `overrides`; on failure, `message` says why.
bool parseRule(const QString &assignment, QVariantMap *overrides, QString *message)
{
    const int eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        *message = CommandLine::tr("Invalid rule \"%1\": write KEY=VALUE, e.g. aggWriteWarn=15.")
                       .arg(assignment);
        return false;
    }
    const QString key = assignment.left(eq).trimmed();
    const QString text = assignment.mid(eq + 1);
    const QString option = optionForTestRule(key);
    if (!option.isEmpty()) {
        *message =
            CommandLine::tr("The rule %1 describes the test: use %2 instead.").arg(key, option);
        return false;
    }
    QVariant value;
    switch (VerdictRulesStore::parseText(key, text, &value)) {
    case VerdictRulesStore::TextError::None:
        overrides->insert(key, value);
        return true;
    case VerdictRulesStore::TextError::UnknownKey:
        *message = CommandLine::tr("Unknown rule \"%1\": use one of %2.")
                       .arg(key, CommandLine::overridableRules().join(QStringLiteral(", ")));
        return false;
    case VerdictRulesStore::TextError::BadValue:
        break;
    }
    const bool isSwitch = VerdictRulesStore::field(VerdictRules(), key).type() == QVariant::Bool;
    *message = isSwitch ? CommandLine::tr("Invalid value \"%1\" for the rule %2: use true or "
                                          "false.")
                              .arg(text, key)
                        : CommandLine::tr("Invalid value \"%1\" for the rule %2: use a number, "
                                          "0 or more.")
                              .arg(text, key);
    return false;
}
}  // namespace

CommandLine::Status CommandLine::parse(const QStringList &arguments, CliOptions *options,
                                       QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Measures how fast a memory card sustains writing and reading."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption targetOption(
        QStringLiteral("target"),
        tr("The card's root folder (its mount point); the test files are made there. It must be "
           "the root of a removable drive unless --force is given."),
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
    const QCommandLineOption verifyOption(
        QStringLiteral("verify"),
        tr("Verify the data: stamp every block, read it all back and compare it (with --fill: "
           "the whole free space, to catch a counterfeit capacity)."));
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
    const QCommandLineOption langOption(
        QStringLiteral("lang"),
        tr("Language of the texts: zh_CN, en or zh_TW. Default: the one chosen in the window, "
           "else English."),
        tr("LANG"));
    const QCommandLineOption rulesOption(
        QStringLiteral("rules"),
        tr("Override one verdict rule for this run, e.g. aggWriteWarn=15 (repeatable; the "
           "stored rules are not changed)."),
        tr("KEY=VALUE"));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        tr("Write a machine-readable report to FILE, or to standard output with -."), tr("FILE"));
    const QCommandLineOption forceOption(
        QStringLiteral("force"),
        tr("Test DIR even when it is not the root of a removable drive (the log says so)."));
    const QCommandLineOption listOption(
        QStringLiteral("list"),
        tr("List the removable drives a test may use (root, label, file system, size, free "
           "space and the card's identity), then end; with --json as well."));
    const QList<QCommandLineOption> testOptions = {
        targetOption, sizeOption, streamsOption, blockOption,      readOption,  verifyOption,
        fileOption,   fillOption, roundsOption,  iterationsOption, rulesOption, forceOption};
    parser.addOptions(testOptions);
    parser.addOptions({langOption, jsonOption, listOption});

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
    const bool list = parser.isSet(listOption);
    if (list) {
        for (const QCommandLineOption &option : testOptions) {
            if (parser.isSet(option)) {
                *message = tr("--list takes only --json and --lang.");
                return Error;
            }
        }
    } else if (!parser.isSet(targetOption) || parser.value(targetOption).isEmpty()) {
        *message = tr("No target given: name the card's root folder with --target DIR.");
        return Error;
    }
    if (!list)
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
    o.force = parser.isSet(forceOption);
    o.readEnabled = parser.isSet(readOption);
    o.verify = parser.isSet(verifyOption);
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

    if (parser.isSet(langOption)) {
        o.language = normalizedLanguage(parser.value(langOption));
        if (o.language.isEmpty()) {
            *message = tr("Invalid language \"%1\": use zh_CN, en or zh_TW.")
                           .arg(parser.value(langOption));
            return Error;
        }
    }
    for (const QString &assignment : parser.values(rulesOption)) {
        if (!parseRule(assignment, &o.ruleOverrides, message))
            return Error;
    }
    if (parser.isSet(jsonOption)) {
        o.jsonPath = parser.value(jsonOption);
        if (o.jsonPath.isEmpty()) {
            *message = tr("--json needs a file name, or - for standard output.");
            return Error;
        }
        if (o.jsonPath != QLatin1String("-"))
            o.jsonPath = QFileInfo(o.jsonPath).absoluteFilePath();
    }

    if (list) {
        *options = o;
        return ListDrives;
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
        if (o.verify) {
            *message = tr("MsgVerifyFiles");
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
