#include "resultsreport.h"

#include "cardhistory.h"
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
    if (outcome == RunOutcome::Stopped || outcome == RunOutcome::NotRun)
        return exitStatus;

    const ReportSetup reportSetup{QStringLiteral("lumoracard-cli"), setup.language, setup.card,
                                  setup.options.force, setup.rules};
    QJsonObject report = runReport(run, results, reportSetup);
    report.insert(QStringLiteral("previous"), QJsonValue());
    if (setup.options.history) {
        // Recorded whatever the database says: a history that cannot be written is a
        // warning in the log, never a failed test.
        const HistoryResult history = recordRun(&report, setup.testedCard, setup.rules);
        for (const QString &line : history.log)
            console->logLine(line);
        if (outcome == RunOutcome::Completed) {
            for (const QString &line : history.changes + history.warnings)
                console->result(line);
        }
    }
    if (setup.options.jsonPath.isEmpty())
        return exitStatus;
    const QByteArray json = QJsonDocument(report).toJson(QJsonDocument::Indented);
    QString error;
    if (!writeReport(json, setup.options.jsonPath, setup.jsonStdout, &error)) {
        console->error(tr("ErrReportNotWritten").arg(setup.options.jsonPath, error));
        return exitStatusFor(RunOutcome::Failed);
    }
    return exitStatus;
}
