#pragma once

#include "dashcam.h"
#include "evaluation.h"
#include "exitstatus.h"
#include "roundrunner.h"
#include "verdict.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

// One row of the results: its label and what the analysis made of its samples.
struct ResultRow {
    QString label;
    RowResult result;
};

// The rules a run is judged and reported by: `rules`, with the switches that describe the
// test (read pass, stress mode, rounds) as the plan launched it, whatever the controls say now.
VerdictRules rulesAsUsed(const TestPlan &plan, VerdictRules rules);

// A finished run judged by rulesAsUsed(its plan, `rules`): the rows as the results table lists them
// (the card total first, then the streams when there are several, labelled as the window labels
// them), data that came back wrong included, and the worst verdict among them; beside them, what
// the figures mean for a dashcam, its profile's hours on a card of `capacityBytes` (-1: unknown).
struct RunResults {
    QVector<ResultRow> rows;
    Verdict worst = Verdict::Pass;
    DashcamAssessment dashcam;
    // The worst row and the dashcam profile's verdict: what the exit status counts.
    Verdict overall() const { return combineVerdicts(worst, dashcam.verdict()); }
};
RunResults judgeRun(const RoundRunner &run, const VerdictRules &rules, qint64 capacityBytes = -1);

// Why the rows got their verdicts: one line per rule that raised one, "row: reason", in the
// order of the table; with `only`, just the rules that gave that verdict.
QStringList verdictReasonLines(const QVector<ResultRow> &rows,
                               std::optional<Verdict> only = std::nullopt);

// What the report says beside the run itself.
struct ReportSetup {
    QString tool;      // the program that wrote it
    QString language;  // "zh_CN", "en" or "zh_TW": the language of the names in it
    QJsonObject card;  // the tested card as the system knows it
    bool force = false;
    VerdictRules rules;
};

// The machine-readable report both front ends write (its shape is documented in the README):
// the tool, the card, the settings and rules the run used, the averages of every round, each
// row's statistics and verdict, the data check, the speed class and dashcam profile's
// judgement, and the sample series of the card total and of every stream. `results` are those of a
// completed run; ignored otherwise.
QJsonObject runReport(const RoundRunner &run, const RunResults &results, const ReportSetup &setup);

// How the run ended, for the report and the command line's exit status.
RunOutcome outcomeOf(const RoundRunner &run);

// "pass", "warn" or "fail".
QString verdictName(Verdict v);

// ISO 8601 in local time with its UTC offset always written out: "2026-12-07T05:10:03+00:00".
QString isoTimeText(const QDateTime &time);
