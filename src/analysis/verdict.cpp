#include "verdict.h"

#include <QString>

#include <algorithm>

namespace {
constexpr int kMaxRounds = 99;
constexpr double kMaxPerStreamSpeed = 2000.0;

Verdict raiseForMinimum(Verdict v, double min, double failBelow, double warnBelow)
{
    if (min < failBelow)
        return Verdict::Fail;
    if (min < warnBelow)
        return combineVerdicts(v, Verdict::Warn);
    return v;
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

Verdict judgeStats(const SpeedStats &stats, double threshold, const VerdictRules &rules)
{
    if (stats.avg <= 0.0)
        return Verdict::Pass;
    if (stats.jitter > rules.jitterFail || stats.cv > rules.cvFail
        || stats.dropRatio > rules.dropFail || stats.min < threshold * rules.minSpeedMult)
        return Verdict::Fail;
    if (stats.jitter > rules.jitterWarn || stats.cv > rules.cvWarn
        || stats.dropRatio > rules.dropWarn || stats.min < threshold)
        return Verdict::Warn;
    return Verdict::Pass;
}

RowVerdicts judgeCardTotal(const SpeedStats &write, const SpeedStats &read,
                           const VerdictRules &rules)
{
    RowVerdicts v;
    v.write = judgeStats(write, 0.0, rules);
    v.write = raiseForMinimum(v.write, write.min, rules.aggWriteFail, rules.aggWriteWarn);
    if (rules.enableRead) {
        v.read = judgeStats(read, 0.0, rules);
        v.read = raiseForMinimum(v.read, read.min, rules.aggReadFail, rules.aggReadWarn);
    }
    return v;
}

RowVerdicts judgeStreamRow(const SpeedStats &write, const SpeedStats &read,
                           const VerdictRules &rules)
{
    RowVerdicts v;
    v.write = judgeStats(write, rules.perStreamWrite, rules);
    if (rules.enableRead)
        v.read = judgeStats(read, rules.perStreamRead, rules);
    return v;
}
