#pragma once

#include <QVector>

// The figures of one analysed speed series. Speeds in MB/s, ratios as fractions
// (0.45 means 45 %).
struct SpeedStats {
    double avg = 0.0;
    double max = 0.0;
    double min = 0.0;
    double jitter = 0.0;     // (P75 - P25) / avg
    double cv = 0.0;         // standard deviation over [P5, P95] / avg
    double dropRatio = 0.0;  // dropCount / sampleCount
    int dropCount = 0;       // analysed samples below 0.6 x avg
    int sampleCount = 0;     // samples analysed, after the trim if any
};

// Analyses one series of speed samples (oldest first). Without a trim, avg/max/min are the
// fallbacks (the series' mean and the extremes of its moving average); with
// slcTrim the fast cache segment at the start may be cut off, and then every figure comes
// from the remaining steady-state samples.
SpeedStats computeSpeedStats(const QVector<double> &series, double fallbackAvg, double fallbackMax,
                             double fallbackMin, bool slcTrim);
