#include "chartseries.h"

#include <algorithm>

int boundedPercent(int percent)
{
    return std::clamp(percent, 0, 100);
}

double trailingMean(const QVector<double> &raw)
{
    // Summed afresh each time rather than kept as a running sum: 15 additions are nothing,
    // a running sum would drift over a 100,000-sample stress test, and one NaN or infinity
    // would spoil every later value instead of only the next 15.
    const int n = raw.size();
    const int from = std::max(n - kSmoothWindow, 0);
    if (n == from)
        return 0.0;
    double sum = 0.0;
    for (int i = from; i < n; ++i)
        sum += raw[i];
    return sum / (n - from);
}

double appendChartSample(QVector<int> &percent, QVector<double> &raw, QVector<double> &smooth,
                         int samplePercent, double mbps)
{
    percent.append(boundedPercent(samplePercent));
    raw.append(mbps);
    const double mean = trailingMean(raw);
    smooth.append(mean);
    return mean;
}
