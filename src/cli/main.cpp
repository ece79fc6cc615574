// lumoracard-cli: the headless front end over the test engine.
#include "clioptions.h"
#include "console.h"
#include "consolewriter.h"
#include "exitstatus.h"
#include "i18n.h"
#include "preflight.h"
#include "runcontroller.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Before anything else, so an early Ctrl-C is a clean stop rather than a kill.
    platform::installInterruptHandler();

    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Lumora"));
    QCoreApplication::setApplicationName(QStringLiteral("LumoraCard"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    // The language the user chose in the window; headless, it never asks.
    I18n::instance()->initLanguage();

    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    ConsoleWriter console(&out, &err, platform::stderrIsTerminal());

    CliOptions options;
    QString message;
    switch (CommandLine::parse(QCoreApplication::arguments(), &options, &message)) {
    case CommandLine::ShowHelp:
    case CommandLine::ShowVersion:
        out.write(message.toLocal8Bit());
        return exitStatusFor(RunOutcome::Completed);
    case CommandLine::Error:
        console.error(message);
        console.error(QCoreApplication::translate("main", "Try --help for the options."));
        return exitStatusFor(RunOutcome::NotRun);
    case CommandLine::Ok:
        break;
    }

    QVector<qint64> sourceSizes;
    QString refusal = Preflight::checkPaths(options, &sourceSizes);
    if (refusal.isEmpty())
        refusal =
            Preflight::checkSpace(options, sourceSizes, Preflight::querySpace(options.targetDir));
    if (!refusal.isEmpty()) {
        console.error(refusal);
        return exitStatusFor(RunOutcome::NotRun);
    }

    const QString target = options.targetDir;
    RunController controller(options, &console, platform::interruptRequested,
                             [target](qint64 *freeBytes) {
                                 const Preflight::Space space = Preflight::querySpace(target);
                                 *freeBytes = space.freeBytes;
                                 return space.known;
                             });
    QObject::connect(&controller, &RunController::finished, &app, [&controller] {
        QCoreApplication::exit(exitStatusFor(controller.outcome()));
    });
    controller.start();
    // start() may already have finished (an interrupt before the first round).
    if (controller.isFinished())
        return exitStatusFor(controller.outcome());
    return app.exec();
}
