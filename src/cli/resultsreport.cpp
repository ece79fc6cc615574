#include "resultsreport.h"

#include "consolewriter.h"
#include "datajudge.h"
#include "evaluation.h"
#include "exitstatus.h"
#include "jsonreport.h"
#include "runcontroller.h"

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
    const RunOutcome outcome = controller.outcome();
    ReportData data;
    data.language = setup.language;
    data.card = setup.card;
    data.outcome = outcome;
    const RoundRunner &run = controller.runner();
    data.error = run.errorMessage();
    data.rounds = run.completedRounds();
    data.streamNames = controller.streamLabels();
    data.samples = &run.samples();
    data.dataCheck = run.dataCheck();
    if (outcome == RunOutcome::Completed) {
        QVector<RowResult> results = evaluateRows(run.samples(), setup.rules);
        judgeData(&results, data.dataCheck);
        data.rows = ResultsTable::rows(results, data.streamNames);
        for (const ResultRow &row : qAsConst(data.rows))
            data.worst = combineVerdicts(data.worst, row.result.verdicts.row());
        console->result(QString());
        for (const QString &line : ResultsTable::format(data.rows, setup.rules, setup.style))
            console->result(line);
        for (const QString &line : ResultsTable::dataCheckLines(data.dataCheck, setup.style))
            console->result(line);
    }
    data.exitStatus = exitStatusFor(outcome, data.worst);

    if (setup.options.jsonPath.isEmpty() || outcome == RunOutcome::Stopped
        || outcome == RunOutcome::NotRun)
        return data.exitStatus;
    const QByteArray json =
        QJsonDocument(jsonReport(setup.options, setup.rules, data)).toJson(QJsonDocument::Indented);
    QString error;
    if (!writeReport(json, setup.options.jsonPath, setup.jsonStdout, &error)) {
        console->error(tr("Cannot write the report to %1: %2").arg(setup.options.jsonPath, error));
        return exitStatusFor(RunOutcome::Failed);
    }
    return data.exitStatus;
}
