#include "verdict.h"

#include <QString>

#include <algorithm>

namespace {
constexpr int kMaxRounds = 99;
constexpr double kMaxPerStreamSpeed = 2000.0;

// A fail and a warn rule on one figure: the fail rule if it fires, else the warn rule if it
// does, noted with the verdict it gives.
Verdict noteRule(VerdictReasons *out, PassDirection pass, VerdictMeasure measure, double value,
                 bool above, const char *failKey, double fail, const char *warnKey, double warn)
{
    const auto crosses = [&](double limit) { return above ? value > limit : value < limit; };
    if (crosses(fail)) {
        out->append({pass, measure, QLatin1String(failKey), value, fail, Verdict::Fail});
        return Verdict::Fail;
    }
    if (crosses(warn)) {
        out->append({pass, measure, QLatin1String(warnKey), value, warn, Verdict::Warn});
        return Verdict::Warn;
    }
    return Verdict::Pass;
}
}  // namespace

Verdict combineVerdicts(Verdict a, Verdict b)
{
    return static_cast<int>(a) >= static_cast<int>(b) ? a : b;
}

int clampIterCount(int rounds)
{
    return std::clamp(rounds, 1, kMaxRounds);
}

double clampPerStreamSpeed(double mbps)
{
    const double clamped = std::clamp(mbps, 0.0, kMaxPerStreamSpeed);
    // Rounded through the decimal text, as a two-decimal spin box does.
    return QString::number(clamped, 'f', 2).toDouble();
}

Verdict judgeStats(const SpeedStats &stats, double threshold, const VerdictRules &rules,
                   PassDirection pass, VerdictReasons *reasons)
{
    if (stats.avg <= 0.0)
        return Verdict::Pass;
    VerdictReasons found;
    const bool write = pass == PassDirection::Write;
    Verdict v = noteRule(&found, pass, VerdictMeasure::Jitter, stats.jitter, true, "jitterFail",
                         rules.jitterFail, "jitterWarn", rules.jitterWarn);
    v = combineVerdicts(v, noteRule(&found, pass, VerdictMeasure::Cv, stats.cv, true, "cvFail",
                                    rules.cvFail, "cvWarn", rules.cvWarn));
    v = combineVerdicts(v, noteRule(&found, pass, VerdictMeasure::Drop, stats.dropRatio, true,
                                    "dropFail", rules.dropFail, "dropWarn", rules.dropWarn));
    v = combineVerdicts(v, noteRule(&found, pass, VerdictMeasure::Min, stats.min, false,
                                    "minSpeedMult", threshold * rules.minSpeedMult,
                                    write ? "perStreamWrite" : "perStreamRead", threshold));
    if (reasons)
        *reasons += found;
    return v;
}

RowVerdicts judgeCardTotal(const SpeedStats &write, const SpeedStats &read,
                           const VerdictRules &rules)
{
    // The card-total minimums only ever raise the metric verdict, and act without data too.
    RowVerdicts v;
    v.write = judgeStats(write, 0.0, rules, PassDirection::Write, &v.reasons);
    v.write = combineVerdicts(
        v.write, noteRule(&v.reasons, PassDirection::Write, VerdictMeasure::Min, write.min, false,
                          "aggWriteFail", rules.aggWriteFail, "aggWriteWarn", rules.aggWriteWarn));
    if (rules.enableRead) {
        v.read = judgeStats(read, 0.0, rules, PassDirection::Read, &v.reasons);
        v.read = combineVerdicts(
            v.read, noteRule(&v.reasons, PassDirection::Read, VerdictMeasure::Min, read.min, false,
                             "aggReadFail", rules.aggReadFail, "aggReadWarn", rules.aggReadWarn));
    }
    return v;
}

RowVerdicts judgeStreamRow(const SpeedStats &write, const SpeedStats &read,
                           const VerdictRules &rules)
{
    RowVerdicts v;
    v.write = judgeStats(write, rules.perStreamWrite, rules, PassDirection::Write, &v.reasons);
    if (rules.enableRead)
        v.read = judgeStats(read, rules.perStreamRead, rules, PassDirection::Read, &v.reasons);
    return v;
}
