#include "resultsreport.h"

#include "consolewriter.h"
#include "datajudge.h"
#include "exitstatus.h"
#include "resultstable.h"
#include "runcontroller.h"
#include "runreport.h"

#include <QJsonDocument>
#include <QSaveFile>

namespace {
bool writeReport(const QByteArray &json, const QString &path, QIODevice *jsonStdout, QString *error)
{
    if (path == QLatin1String("-")) {
        if (jsonStdout->write(json) == json.size())
            return true;
        *error = jsonStdout->errorString();
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
}  // namespace

int ResultsReport::conclude(const RunController &controller, const Setup &setup,
                            ConsoleWriter *console)
{
    const RoundRunner &run = controller.runner();
    const RunOutcome outcome = outcomeOf(run);
    RunResults results;
    if (outcome == RunOutcome::Completed) {
        results = judgeRun(run, setup.rules, setup.capacityBytes);
        console->result(QString());
        for (const QString &line : ResultsTable::format(results.rows, setup.rules, setup.style))
            console->result(line);
        console->result(QString());
        console->result(ResultsTable::verdictLine(results.worst, setup.style));
        for (const QString &line : verdictReasonLines(results.rows))
            console->result(line);
        for (const QString &line : ResultsTable::dataCheckLines(run.dataCheck(), setup.style))
            console->result(line);
        for (const QString &line : ResultsTable::dashcamLines(results.dashcam, setup.style))
            console->result(line);
    }
    // A dashcam profile that is not fit fails the run like a row.
    const int exitStatus = exitStatusFor(outcome, results.overall());

    if (setup.options.jsonPath.isEmpty() || outcome == RunOutcome::Stopped
        || outcome == RunOutcome::NotRun)
        return exitStatus;
    const ReportSetup report{QStringLiteral("lumoracard-cli"), setup.language, setup.card,
                             setup.options.force, setup.rules};
    const QByteArray json =
        QJsonDocument(runReport(run, results, report)).toJson(QJsonDocument::Indented);
    QString error;
    if (!writeReport(json, setup.options.jsonPath, setup.jsonStdout, &error)) {
        console->error(tr("ErrReportNotWritten").arg(setup.options.jsonPath, error));
        return exitStatusFor(RunOutcome::Failed);
    }
    return exitStatus;
}
