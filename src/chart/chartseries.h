#pragma once

#include <QVector>

// Samples are smoothed over this many of the latest raw speeds.
constexpr int kSmoothWindow = 15;

// A percent bounded to 0..100, so that a curve never leaves its half.
int boundedPercent(int percent);

// The mean of the last up to kSmoothWindow values of `raw`, the newest included; 0 when
// `raw` is empty.
double trailingMean(const QVector<double> &raw);

// Appends one sample to the three parallel series of one stream and one pass: the bounded
// percent, the raw speed as given, and its smoothed value. Returns the smoothed value.
double appendChartSample(QVector<int> &percent, QVector<double> &raw, QVector<double> &smooth,
                         int samplePercent, double mbps);
