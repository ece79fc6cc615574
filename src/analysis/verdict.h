#pragma once

#include "samplecollection.h"
#include "speedstats.h"

enum class Verdict : int { Pass = 0, Warn = 1, Fail = 2 };

// Two verdicts together are as bad as the worse of them.
Verdict combineVerdicts(Verdict a, Verdict b);

// Every threshold and switch of the verdict. Fields are named by their settings keys.
// Ratios are fractions, speeds MB/s.
struct VerdictRules {
    double jitterFail = 0.65;
    double jitterWarn = 0.45;
    double cvFail = 0.5;
    double cvWarn = 0.36;
    double dropFail = 0.2;
    double dropWarn = 0.1;
    double minSpeedMult = 0.5;  // a stream fails when its min is below threshold x this
    double perStreamWrite = 5.0;
    double perStreamRead = 10.0;
    double aggWriteFail = 10.0;  // card total: Fail when the write min is below it
    double aggWriteWarn = 20.0;
    double aggReadFail = 10.0;
    double aggReadWarn = 30.0;
    bool slcTrim = true;
    bool fullCap = false;  // stress mode: fill the card, then rewrite it in rolling rounds
    int iterCount = 1;     // rounds, or rolling rounds with fullCap; 1 ... 99
    bool enableRead = false;
    // Against the card's previous comparable test: warn when a write or read average or
    // minimum fell by more than this fraction.
    double historyDropWarn = 0.25;
    // A dashcam channel is fit when its stream sustains its bitrate times this, marginal
    // when it sustains the bitrate alone; at least 1.
    double dashcamMargin = 1.5;
};

// The limits the window's controls put on these fields, for front ends without them.
int clampIterCount(int rounds);
double clampPerStreamSpeed(double mbps);  // 0 ... 2000, rounded to two decimals

// What a rule looks at.
enum class VerdictMeasure { Jitter, Cv, Drop, Min };

// A rule that gave a verdict: its key in the settings group "verdict", the figure of the pass
// it judged (a ratio, or MB/s for the minimum) and the threshold that figure crossed. Of the
// fail and the warn rule on one figure, only the one that decided is given.
struct VerdictReason {
    PassDirection pass = PassDirection::Write;
    VerdictMeasure measure = VerdictMeasure::Min;
    QString rule;
    double measured = 0.0;
    double threshold = 0.0;
    Verdict verdict = Verdict::Pass;
};
using VerdictReasons = QVector<VerdictReason>;

// One set of statistics against the metric rules and a minimum speed (MB/s). No data
// (avg <= 0) passes. The rules that fired are added to `reasons` when given.
Verdict judgeStats(const SpeedStats &stats, double threshold, const VerdictRules &rules,
                   PassDirection pass = PassDirection::Write, VerdictReasons *reasons = nullptr);

// The write, read and data verdicts of one results row, and the rules behind the first two.
struct RowVerdicts {
    Verdict write = Verdict::Pass;
    Verdict read = Verdict::Pass;
    Verdict data = Verdict::Pass;  // Fail when data came back wrong, whatever the speeds
    VerdictReasons reasons;
    Verdict row() const { return combineVerdicts(combineVerdicts(write, read), data); }
};

// The card-total row: metric rules without a minimum speed, then the card-total minimum
// rules, which only ever raise the verdict and act even when there was no data.
RowVerdicts judgeCardTotal(const SpeedStats &write, const SpeedStats &read,
                           const VerdictRules &rules);

// A stream row: metric rules with the per-stream minimum speeds.
RowVerdicts judgeStreamRow(const SpeedStats &write, const SpeedStats &read,
                           const VerdictRules &rules);
