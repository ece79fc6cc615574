#include "speedstats.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {
constexpr int kDetectWindow = 10;
constexpr int kExtremesWindow = 15;
constexpr int kMinSamplesForTrim = 30;
constexpr double kPeakFactor = 1.15;
constexpr double kSettleFactor = 1.05;
constexpr double kDropFactor = 0.6;

// Mean of samples max(first, i - window + 1) ... i: a trailing moving average whose window
// starts filling again at `first`.
double trailingMean(const QVector<double> &s, int first, int i, int window)
{
    const int from = std::max(first, i - window + 1);
    double sum = 0.0;
    for (int k = from; k <= i; ++k)
        sum += s[k];
    return sum / (i - from + 1);
}

// Where the cache segment ends, or nothing when the series shows no cliff worth trimming.
std::optional<int> detectTrimStart(const QVector<double> &s)
{
    const int n = s.size();
    QVector<double> curve(n);
    for (int i = 0; i < n; ++i)
        curve[i] = trailingMean(s, 0, i, kDetectWindow);

    // The steady state is judged on the last 40 %; for an even count the upper middle.
    QVector<double> tail(s.begin() + (6 * n) / 10, s.end());
    std::sort(tail.begin(), tail.end());
    const double median = tail[tail.size() / 2];
    if (median <= 0.0)
        return std::nullopt;

    double peak = 0.0;
    int peakIndex = 0;
    for (int i = 0; i < n / 2; ++i) {
        if (curve[i] > peak) {
            peak = curve[i];
            peakIndex = i;
        }
    }
    if (peak < kPeakFactor * median)
        return std::nullopt;

    for (int j = peakIndex + 1; j < n; ++j) {
        if (curve[j] <= kSettleFactor * median)
            return std::min(j, n / 2);  // never discard more than the first half
    }
    return std::nullopt;
}

// Nearest rank by truncation over an ascending vector.
double percentile(const QVector<double> &sorted, double p)
{
    const int k = sorted.size();
    const int index = static_cast<int>((k - 1) * p);
    return sorted[std::clamp(index, 0, k - 1)];
}
}  // namespace

SpeedStats computeSpeedStats(const QVector<double> &series, double fallbackAvg, double fallbackMax,
                             double fallbackMin, bool slcTrim)
{
    SpeedStats r;
    r.avg = fallbackAvg;
    r.max = fallbackMax;
    r.min = fallbackMin;
    const int n = series.size();
    if (n == 0)
        return r;

    int t = 0;
    const std::optional<int> trim =
        slcTrim && n >= kMinSamplesForTrim ? detectTrimStart(series) : std::nullopt;
    if (trim) {
        t = *trim;
        double sum = 0.0;
        for (int i = t; i < n; ++i)
            sum += series[i];
        r.max = r.min = series[t];
        for (int i = t; i < n; ++i) {
            const double m = trailingMean(series, t, i, kExtremesWindow);
            r.max = std::max(r.max, m);
            r.min = std::min(r.min, m);
        }
        // A mean of moving averages: between their extremes but for rounding.
        r.avg = std::clamp(sum / (n - t), r.min, r.max);
    }

    r.sampleCount = n - t;
    if (r.avg <= 0.0)
        return r;

    QVector<double> sorted(series.begin() + t, series.end());
    std::sort(sorted.begin(), sorted.end());
    const double p5 = percentile(sorted, 0.05);
    const double p25 = percentile(sorted, 0.25);
    const double p75 = percentile(sorted, 0.75);
    const double p95 = percentile(sorted, 0.95);

    r.jitter = (p75 - p25) / r.avg;

    // Deviation from the record's average, not from the mean of the kept samples, so the
    // figure stays comparable with the average the table shows.
    double squares = 0.0;
    int kept = 0;
    for (double x : sorted) {
        if (x >= p5 && x <= p95) {
            squares += (x - r.avg) * (x - r.avg);
            ++kept;
        }
    }
    r.cv = kept > 0 ? std::sqrt(squares / kept) / r.avg : 0.0;

    const double dropBelow = kDropFactor * r.avg;
    r.dropCount = static_cast<int>(
        std::count_if(sorted.begin(), sorted.end(), [=](double x) { return x < dropBelow; }));
    r.dropRatio = static_cast<double>(r.dropCount) / r.sampleCount;
    return r;
}
