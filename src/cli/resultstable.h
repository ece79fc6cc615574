#pragma once

#include "datacheck.h"
#include "evaluation.h"
#include "runreport.h"
#include "terminalstyle.h"

#include <QCoreApplication>
#include <QStringList>
#include <QVector>

// The results table of the window as terminal text: the card total first, then one row per
// stream; write average, maximum, minimum, jitter, CV and drop ratio, the same for reading
// when the read test ran, and the verdict. Cells are coloured by the window's rules. With
// reading the table comes in two blocks (write, then read and verdict), so that it stays
// readable on an ordinary terminal.
class ResultsTable
{
    Q_DECLARE_TR_FUNCTIONS(ResultsTable)
public:
    // Labels longer than this many columns are cut.
    static constexpr int kMaxLabelWidth = 32;

    // The table's lines, without line ends.
    static QStringList format(const QVector<ResultRow> &rows, const VerdictRules &rules,
                              const TerminalStyle &style);

    // Under the table, the verdict of the whole test: its worst row's. The rules behind the
    // rows' verdicts follow it, one a line.
    static QString verdictLine(Verdict worst, const TerminalStyle &style);

    // Under the table, what reading the data back found: why it failed the card, in the
    // Fail colour, or that it all came back, and the capacity that held its data. Nothing
    // when the data was not checked.
    static QStringList dataCheckLines(const DataCheck &check, const TerminalStyle &style);

    // Under the table, the speed class the test measured and, with a profile, its
    // judgement in the verdict's colour, the hours of recording and why a channel fell short.
    static QStringList dashcamLines(const DashcamAssessment &assessment,
                                    const TerminalStyle &style);
};
