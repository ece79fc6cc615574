// lumoracard-cli: the headless front end over the test engine.
#include "appidentity.h"
#include "cardhistory.h"
#include "clioptions.h"
#include "console.h"
#include "consolewriter.h"
#include "drivelist.h"
#include "drives.h"
#include "exitstatus.h"
#include "historylist.h"
#include "i18n.h"
#include "leftovers.h"
#include "preflight.h"
#include "resultsreport.h"
#include "runcontroller.h"
#include "runreport.h"
#include "startup.h"
#include "verdictrulesstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace {
// --lang for this run, else the language chosen in the window, else English. Headless,
// the tool never asks, and it never stores a choice.
Language chooseLanguage(const QStringList &arguments)
{
    const QString requested = CommandLine::requestedLanguage(arguments);
    if (!requested.isEmpty())
        return I18n::languageFromCode(requested);
    Language stored = English;
    return I18n::storedLanguage(&stored) ? stored : English;
}

// The stored rules with this run's overrides; the switches that describe the test follow
// the command line, so the rules reported are the rules used.
VerdictRules rulesFor(const CliOptions &options)
{
    VerdictRules rules = VerdictRulesStore::loadFromDefaultStore();
    for (auto it = options.ruleOverrides.cbegin(); it != options.ruleOverrides.cend(); ++it)
        VerdictRulesStore::setField(&rules, it.key(), it.value());
    return rulesAsUsed(options.plan(), rules);
}
// A listing's JSON to standard output ("-") or, whole or not at all, to a file.
int writeListing(const QString &path, const QByteArray &json, ConsoleWriter &console, QFile &out)
{
    if (path == QLatin1String("-"))
        return out.write(json) == json.size() ? 0 : exitStatusFor(RunOutcome::Failed);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit())
        return 0;
    console.error(file.fileName() + QStringLiteral(": ") + file.errorString());
    return exitStatusFor(RunOutcome::Failed);
}

// --list: the drives the window would offer, as lines or as JSON.
int listDrives(const CliOptions &options, ConsoleWriter &console, QFile &out)
{
    const QVector<CardInfo> cards = listedCards(*platform::makeDriveService());
    if (options.jsonPath.isEmpty()) {
        for (const QString &line : driveListLines(cards))
            console.result(line);
        return 0;
    }
    const QByteArray json = QJsonDocument(driveListJson(cards)).toJson(QJsonDocument::Indented);
    return writeListing(options.jsonPath, json, console, out);
}

// --history: the tests recorded for the card at --target, or for every card.
int listHistory(const CliOptions &options, ConsoleWriter &console, QFile &out)
{
    HistoryDb db;
    for (const QString &line : db.notices())
        console.logLine(line);
    const QString key =
        options.targetDir.isEmpty()
            ? QString()
            : cardKey(describeCard(options.targetDir, *platform::makeDriveService()));
    const HistoryListing listing = historyListing(db, options.targetDir.isEmpty(), key);
    if (options.jsonPath.isEmpty()) {
        for (const QString &line : historyLines(listing))
            console.result(line);
        return 0;
    }
    const QByteArray json =
        QJsonDocument(historyJson(listing, db.path())).toJson(QJsonDocument::Indented);
    return writeListing(options.jsonPath, json, console, out);
}
}  // namespace

int main(int argc, char *argv[])
{
    // Before anything else, so an early Ctrl-C is a clean stop rather than a kill.
    platform::prepareProcess();
    platform::installInterruptHandler();

    QCoreApplication app(argc, argv);
    setApplicationIdentity();
    const Language language = chooseLanguage(QCoreApplication::arguments());
    I18n::instance()->applyLanguage(language);

    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);

    CliOptions options;
    QString message;
    const CommandLine::Status status =
        CommandLine::parse(QCoreApplication::arguments(), &options, &message);
    // With "--json -" standard output carries the report alone; the averages and the
    // table go to standard error.
    const bool jsonToStdout = options.jsonPath == QLatin1String("-");
    ConsoleWriter console(jsonToStdout ? &err : &out, &err, platform::stderrIsTerminal());
    switch (status) {
    case CommandLine::ShowHelp:
    case CommandLine::ShowVersion:
        console.output(message);
        return exitStatusFor(RunOutcome::Completed);
    case CommandLine::Error:
        console.error(message);
        console.error(QCoreApplication::translate("main", "ErrTryHelp"));
        return exitStatusFor(RunOutcome::NotRun);
    case CommandLine::ListDrives:
        return listDrives(options, console, out);
    case CommandLine::ListHistory:
        return listHistory(options, console, out);
    case CommandLine::ListDashcamPresets:
        for (const QString &line : CommandLine::dashcamPresetLines())
            console.result(line);
        return exitStatusFor(RunOutcome::Completed);
    case CommandLine::Ok:
        break;
    }

    TargetFacts target = inspectTarget(options.targetDir, *platform::makeDriveService());
    // Only a removable drive's root is written to, unless the user insists.
    if (options.force)
        console.logLine(Preflight::forcedNotice(options.targetDir));
    QString refusal = Preflight::checkTarget(options, target);
    if (refusal.isEmpty()) {
        // Files a killed run left would take the space this run needs: they go first.
        const Leftovers found = findLeftovers(options.targetDir);
        bool allRemoved = true;
        for (const QString &line : removeLeftoversLogged(found, &allRemoved))
            console.logLine(line);
        if (options.clean)
            return exitStatusFor(allRemoved ? RunOutcome::Completed : RunOutcome::Failed);
        if (!found.isEmpty())
            target = inspectTarget(options.targetDir, *platform::makeDriveService());
    } else if (options.clean) {
        console.error(refusal);
        return exitStatusFor(RunOutcome::NotRun);
    }
    refusal = Preflight::check(options, target);
    if (refusal.isEmpty())
        refusal = Preflight::checkReportPath(options.jsonPath);
    if (!refusal.isEmpty()) {
        console.error(refusal);
        return exitStatusFor(RunOutcome::NotRun);
    }

    // Which card this is, in the log and the report.
    const CardInfo card = describeCard(options.targetDir, *platform::makeDriveService());
    console.logLine(cardTestedLine(card));
    const ResultsReport::Setup report{
        options,
        rulesFor(options),
        I18n::codeOf(language),
        TerminalStyle(TerminalStyle::modeFor(jsonToStdout ? platform::stderrIsTerminal()
                                                          : platform::stdoutIsTerminal())),
        &out,
        cardJson(card),
        card,
        card.spaceKnown ? card.totalBytes : -1};

    RunController controller(options, &console, platform::interruptRequested);
    int exitStatus = exitStatusFor(RunOutcome::NotRun);
    QObject::connect(&controller, &RunController::finished, &app, [&] {
        exitStatus = ResultsReport::conclude(controller, report, &console);
        QCoreApplication::exit(exitStatus);
    });
    controller.start(target.freeBytes);
    // start() may already have finished (an interrupt before the first round).
    if (controller.isFinished())
        return exitStatus;
    return app.exec();
}
