#include "clioptions.h"

#include "cardinfo.h"
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

// In the system's own form ("E:\" on Windows), as the window's drive list gives it and as
// every message and report shows it.
QString absoluteDir(const QString &dir)
{
    QString path = QFileInfo(dir).absoluteFilePath();
    // The engine appends file names to the root directly.
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return displayPath(path);
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
    p.dashcam = dashcam;
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
        *message = CommandLine::tr("ErrRuleForm").arg(assignment);
        return false;
    }
    const QString key = assignment.left(eq).trimmed();
    const QString text = assignment.mid(eq + 1);
    const QString option = optionForTestRule(key);
    if (!option.isEmpty()) {
        *message = CommandLine::tr("ErrRuleIsTest").arg(key, option);
        return false;
    }
    QVariant value;
    switch (VerdictRulesStore::parseText(key, text, &value)) {
    case VerdictRulesStore::TextError::None:
        overrides->insert(key, value);
        return true;
    case VerdictRulesStore::TextError::UnknownKey:
        *message = CommandLine::tr("ErrRuleUnknown")
                       .arg(key, CommandLine::overridableRules().join(QStringLiteral(", ")));
        return false;
    case VerdictRulesStore::TextError::BadValue:
        break;
    }
    const bool isSwitch = VerdictRulesStore::field(VerdictRules(), key).type() == QVariant::Bool;
    *message = (isSwitch ? CommandLine::tr("ErrRuleSwitch") : CommandLine::tr("ErrRuleNumber"))
                   .arg(text, key);
    return false;
}
}  // namespace

namespace {
QString optionNames(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += QLatin1Char(' ') + option.valueName();
    return text;
}

// The help in the chosen language: Qt's own would bring English headings.
QString helpText(const QList<QCommandLineOption> &options)
{
    QString text = CommandLine::tr("HdrUsage")
                       .arg(QCoreApplication::applicationName().toLower() + QStringLiteral("-cli"))
                   + QLatin1Char('\n') + CommandLine::tr("HintCliAbout") + QStringLiteral("\n\n")
                   + CommandLine::tr("HdrOptions") + QLatin1Char('\n');
    for (const QCommandLineOption &option : options) {
        text += QStringLiteral("  ") + optionNames(option).leftJustified(22) + QLatin1Char(' ')
                + option.description() + QLatin1Char('\n');
    }
    return text;
}

// Why the parser refused the arguments, in the chosen language.
QString parseError(const QCommandLineParser &parser, const QList<QCommandLineOption> &options,
                   const QStringList &arguments)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        return CommandLine::tr("ErrUnknownOption")
            .arg((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    }
    // The other refusal: an option that takes a value came last, without one.
    for (const QCommandLineOption &option : options) {
        for (const QString &name : option.names()) {
            if (!option.valueName().isEmpty()
                && arguments.constLast() == (name.size() == 1 ? "-" : "--") + name)
                return CommandLine::tr("ErrMissingValue").arg(arguments.constLast());
        }
    }
    return parser.errorText();
}
}  // namespace

namespace {
// Every option, built once per parse in the current language; the help and the man page
// list them in this order.
struct OptionSet {
    // The value names stay as they are in every language: they are typed as shown.
    // Windows users name a drive, not a folder where a card is mounted.
    QCommandLineOption target{QStringLiteral("target"),
                              drivesHaveLetters() ? CommandLine::tr("HintOptTargetDrive")
                                                  : CommandLine::tr("HintOptTarget"),
                              QStringLiteral("DIR")};
    QCommandLineOption size{QStringLiteral("size"), CommandLine::tr("HintOptSize"),
                            QStringLiteral("SIZE")};
    QCommandLineOption streams{QStringLiteral("streams"), CommandLine::tr("HintOptStreams"),
                               QStringLiteral("N")};
    QCommandLineOption block{QStringLiteral("block"), CommandLine::tr("HintOptBlock"),
                             QStringLiteral("SIZE")};
    QCommandLineOption read{QStringLiteral("read"), CommandLine::tr("HintOptRead")};
    QCommandLineOption verify{QStringLiteral("verify"), CommandLine::tr("HintOptVerify")};
    QCommandLineOption file{QStringLiteral("file"), CommandLine::tr("HintOptFile"),
                            QStringLiteral("PATH")};
    QCommandLineOption fill{QStringLiteral("fill"), CommandLine::tr("HintOptFill")};
    QCommandLineOption rounds{QStringLiteral("rounds"), CommandLine::tr("HintOptRounds"),
                              QStringLiteral("N")};
    QCommandLineOption iterations{QStringLiteral("iterations"),
                                  CommandLine::tr("HintOptIterations"), QStringLiteral("N")};
    QCommandLineOption rules{QStringLiteral("rules"), CommandLine::tr("HintOptRules"),
                             QStringLiteral("KEY=VALUE")};
    QCommandLineOption dashcam{QStringLiteral("dashcam"), CommandLine::tr("HintOptDashcam"),
                               QStringLiteral("PROFILE")};
    QCommandLineOption force{QStringLiteral("force"), CommandLine::tr("HintOptForce")};
    QCommandLineOption lang{QStringLiteral("lang"), CommandLine::tr("HintOptLang"),
                            QStringLiteral("LANG")};
    QCommandLineOption json{QStringLiteral("json"), CommandLine::tr("HintOptJson"),
                            QStringLiteral("FILE")};
    QCommandLineOption noHistory{QStringLiteral("no-history"), CommandLine::tr("HintOptNoHistory")};
    QCommandLineOption list{QStringLiteral("list"), CommandLine::tr("HintOptList")};
    QCommandLineOption clean{QStringLiteral("clean"), CommandLine::tr("HintOptClean")};
    QCommandLineOption history{QStringLiteral("history"), CommandLine::tr("HintOptHistory")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            CommandLine::tr("HintOptHelp")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               CommandLine::tr("HintOptVersion")};

    // The options that describe a test, which --list refuses.
    QList<QCommandLineOption> testOptions() const
    {
        return {target, size,   streams,    block, read,    verify, file,
                fill,   rounds, iterations, rules, dashcam, force,  noHistory};
    }
    QList<QCommandLineOption> otherOptions() const
    {
        return {clean, lang, json, list, history, help, version};
    }
};
}  // namespace

QStringList CommandLine::dashcamPresetLines()
{
    QStringList lines;
    for (const DashcamProfile &p : dashcamPresets())
        lines << p.preset.leftJustified(10) + QLatin1Char(' ') + dashcamProfileTitle(p);
    return lines;
}

namespace {
// Reads --dashcam into `profile`; on failure, `message` says why.
bool parseDashcam(const QString &text, DashcamProfile *profile, QString *message)
{
    QStringList names;
    for (const DashcamProfile &p : dashcamPresets())
        names << p.preset;
    switch (parseDashcamProfile(text, profile)) {
    case ProfileError::None:
        if (profile->isSet())
            return true;
        break;
    case ProfileError::BadBitrate:
    case ProfileError::TooManyChannels:
        *message = CommandLine::tr("ErrBadDashcamRates")
                       .arg(text)
                       .arg(kMaxDashcamChannels)
                       .arg(kMaxChannelMbit);
        return false;
    case ProfileError::UnknownPreset:
        break;
    }
    *message = CommandLine::tr("ErrBadDashcam").arg(text, names.join(QStringLiteral(", ")));
    return false;
}
}  // namespace

QList<QCommandLineOption> CommandLine::allOptions()
{
    const OptionSet opts;
    return opts.testOptions() + opts.otherOptions();
}

CommandLine::Status CommandLine::parse(const QStringList &arguments, CliOptions *options,
                                       QString *message)
{
    QCommandLineParser parser;
    const OptionSet opts;
    const QList<QCommandLineOption> testOptions = opts.testOptions();
    const QList<QCommandLineOption> otherOptions = opts.otherOptions();
    parser.addOptions(testOptions);
    parser.addOptions(otherOptions);

    if (!parser.parse(arguments)) {
        *message = parseError(parser, testOptions + otherOptions, arguments);
        return Error;
    }
    if (parser.isSet(opts.help)) {
        *message = helpText(testOptions + otherOptions);
        return ShowHelp;
    }
    if (parser.isSet(opts.version)) {
        *message = QCoreApplication::applicationName() + QLatin1Char(' ')
                   + QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return ShowVersion;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = tr("ErrUnexpectedArg").arg(parser.positionalArguments().first());
        return Error;
    }

    CliOptions o;
    if (parser.isSet(opts.dashcam)
        && parser.value(opts.dashcam).trimmed().compare(QLatin1String("list"), Qt::CaseInsensitive)
               == 0)
        return ListDashcamPresets;
    const bool list = parser.isSet(opts.list);
    if (parser.isSet(opts.history)) {
        // The history of the card at --target, or of every card.
        for (const QCommandLineOption &option : testOptions) {
            if (option.names() != opts.target.names() && parser.isSet(option)) {
                *message = tr("ErrHistoryAlone");
                return Error;
            }
        }
        if (list || parser.isSet(opts.clean)) {
            *message = tr("ErrHistoryAlone");
            return Error;
        }
    }
    if (list) {
        for (const QCommandLineOption &option :
             testOptions + QList<QCommandLineOption>{opts.clean}) {
            if (parser.isSet(option)) {
                *message = tr("ErrListAlone");
                return Error;
            }
        }
    } else if (!parser.isSet(opts.history)
               && (!parser.isSet(opts.target) || parser.value(opts.target).isEmpty())) {
        *message = tr("ErrNoTarget");
        return Error;
    }
    if (!list && parser.isSet(opts.target))
        o.targetDir = absoluteDir(parser.value(opts.target));
    o.history = !parser.isSet(opts.noHistory);

    if (parser.isSet(opts.size) && !parseSize(parser.value(opts.size), &o.testSize)) {
        *message = tr("ErrBadSize").arg(parser.value(opts.size));
        return Error;
    }
    if (parser.isSet(opts.streams)
        && !parseCount(parser.value(opts.streams), 1, kMaxStreams, &o.streamCount)) {
        *message = tr("ErrBadStreams").arg(parser.value(opts.streams)).arg(kMaxStreams);
        return Error;
    }
    if (parser.isSet(opts.block)) {
        qint64 block = 0;
        if (!parseSize(parser.value(opts.block), &block) || !allowedBlockSizes().contains(block)) {
            QStringList names;
            for (qint64 b : allowedBlockSizes())
                names << formatSize(b);
            *message =
                tr("ErrBadBlock").arg(parser.value(opts.block), names.join(QStringLiteral(", ")));
            return Error;
        }
        o.blockSize = block;
    }
    o.force = parser.isSet(opts.force);
    o.readEnabled = parser.isSet(opts.read);
    o.verify = parser.isSet(opts.verify);
    for (const QString &file : parser.values(opts.file))
        o.sourceFiles << QFileInfo(file).absoluteFilePath();
    o.fill = parser.isSet(opts.fill);
    if (parser.isSet(opts.rounds)
        && !parseCount(parser.value(opts.rounds), 1, kMaxRounds, &o.fillRounds)) {
        *message = tr("ErrBadRounds").arg(parser.value(opts.rounds)).arg(kMaxRounds);
        return Error;
    }
    if (parser.isSet(opts.iterations)
        && !parseCount(parser.value(opts.iterations), 1, kMaxIterations, &o.iterations)) {
        *message = tr("ErrBadIterations").arg(parser.value(opts.iterations)).arg(kMaxIterations);
        return Error;
    }

    if (parser.isSet(opts.lang)) {
        o.language = normalizedLanguage(parser.value(opts.lang));
        if (o.language.isEmpty()) {
            *message = tr("ErrBadLanguage").arg(parser.value(opts.lang));
            return Error;
        }
    }
    for (const QString &assignment : parser.values(opts.rules)) {
        if (!parseRule(assignment, &o.ruleOverrides, message))
            return Error;
    }
    if (parser.isSet(opts.dashcam)
        && !parseDashcam(parser.value(opts.dashcam), &o.dashcam, message))
        return Error;
    if (parser.isSet(opts.json)) {
        o.jsonPath = parser.value(opts.json);
        if (o.jsonPath.isEmpty()) {
            *message = tr("ErrJsonName");
            return Error;
        }
        if (o.jsonPath != QLatin1String("-"))
            o.jsonPath = QFileInfo(o.jsonPath).absoluteFilePath();
    }

    if (list || parser.isSet(opts.history)) {
        *options = o;
        return list ? ListDrives : ListHistory;
    }
    // --clean removes and ends: nothing else may look as if it were done.
    if (parser.isSet(opts.clean)) {
        for (const QCommandLineOption &option :
             testOptions + QList<QCommandLineOption>{opts.json}) {
            if (option.names() != opts.target.names() && option.names() != opts.force.names()
                && parser.isSet(option)) {
                *message = tr("ErrCleanAlone");
                return Error;
            }
        }
        o.clean = true;
        *options = o;
        return Ok;
    }
    // Options that would be silently ignored are refused, so the test measured is the
    // test asked for.
    if (parser.isSet(opts.rounds) && !o.fill) {
        *message = tr("ErrRoundsWithoutFill");
        return Error;
    }
    if (!o.sourceFiles.isEmpty()) {
        if (o.fill) {
            *message = tr("ErrFillWithFiles");
            return Error;
        }
        if (o.verify) {
            *message = tr("MsgVerifyFiles");
            return Error;
        }
        if (parser.isSet(opts.size) || parser.isSet(opts.streams)) {
            *message = tr("ErrFilesSetSize");
            return Error;
        }
    }
    if (o.fill) {
        if (parser.isSet(opts.streams)) {
            *message = tr("ErrFillOneStream");
            return Error;
        }
        if (o.readEnabled) {
            *message = tr("ErrFillNoRead");
            return Error;
        }
    }
    // One stream per camera channel: the profile sets the count, and refuses another one.
    if (o.dashcam.isSet()) {
        const int channels = o.dashcam.channels.size();
        int streams = o.streamCount;
        if (o.fill)
            streams = 1;
        else if (!o.sourceFiles.isEmpty())
            streams = o.sourceFiles.size();
        else if (!parser.isSet(opts.streams))
            streams = o.streamCount = channels;
        if (streams != channels) {
            *message =
                tr("ErrDashcamStreams").arg(parser.value(opts.dashcam)).arg(channels).arg(streams);
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
