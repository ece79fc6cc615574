#pragma once

#include "evaluation.h"
#include "verdict.h"

#include <QString>

#include <utility>

// What the verdict cell of a results row shows, without any widget: the window turns it
// into an item, the console into a coloured word.
struct VerdictCellLook {
    Verdict verdict = Verdict::Pass;
    QString text;
    QString color;  // text colour; the background is the same colour at backgroundAlpha
    QString toolTip;
};

// How the cell sets its text off from the number cells.
constexpr int kVerdictBackgroundAlpha = 35;  // of 255
constexpr int kVerdictFontWeight = 75;       // bold
constexpr int kVerdictPointSizeIncrease = 6;

QString verdictText(Verdict v);
QString verdictColor(Verdict v);

// A figure and its threshold with one to three decimals, as many as it takes to tell them apart.
std::pair<QString, QString> figuresApart(double value, double limit);

// Why a rule gave its verdict, e.g. "Write minimum 12.3 MB/s below 15.0 → Fail": the figures
// with as many decimals (one to three) as it takes to tell them apart.
QString verdictReasonText(const VerdictReason &reason);

// The figures behind both verdicts and the rules they were judged by. The read line is
// always there, even when the read test is off.
QString verdictTooltip(const SpeedStats &write, const SpeedStats &read, const VerdictRules &rules);

VerdictCellLook verdictCellLook(const SpeedStats &write, Verdict writeVerdict,
                                const SpeedStats &read, Verdict readVerdict,
                                const VerdictRules &rules);
// The same for a whole row: the reason for its data verdict and the rules behind its
// speed verdicts come first in the tooltip.
VerdictCellLook verdictCellLook(const RowResult &row, const VerdictRules &rules);
