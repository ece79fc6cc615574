#pragma once

#include "clioptions.h"
#include "exitstatus.h"
#include "resultstable.h"
#include "roundrunner.h"

#include <QJsonObject>

// Everything a finished invocation reports, beside its options and rules.
struct ReportData {
    QString language;  // "zh_CN", "en" or "zh_TW": the language the texts are in
    RunOutcome outcome = RunOutcome::Completed;
    QString error;  // the engine's message when it failed
    int exitStatus = 0;
    QVector<RoundRunner::RoundAverages> rounds;  // the rounds that ran to their end
    QStringList streamNames;
    const SampleCollection *samples = nullptr;
    QVector<ResultRow> rows;  // the results table; empty unless the run completed
    Verdict worst = Verdict::Pass;
    QJsonObject card;     // the tested card as the system knows it
    DataCheck dataCheck;  // what reading the data back found; ran is false without --verify
};

// The machine-readable report (its shape is documented in the README): the tool, the
// settings and rules the run used, the averages of every round, each row's statistics and
// verdict, and the sample series of the card total and of every stream.
QJsonObject jsonReport(const CliOptions &options, const VerdictRules &rules,
                       const ReportData &data);

// "pass", "warn" or "fail".
QString verdictName(Verdict v);
