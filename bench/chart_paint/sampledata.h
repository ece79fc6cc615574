#pragma once

#include <QVector>

// One pass of one stream as a card might report it: the percent of the pass and the
// speed in MB/s of every sample.
struct PassSamples {
    QVector<int> percent;
    QVector<double> mbps;
};

// `count` samples of a write pass: a fast cache segment at the start, then a slower
// steady speed with noise and the odd stall. Deterministic for a given seed.
PassSamples writePass(int count, double steadyMBps, unsigned seed);
// `count` samples of a read pass: steady and fast, with noise.
PassSamples readPass(int count, double steadyMBps, unsigned seed);
