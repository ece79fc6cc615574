#pragma once

#include <QString>
#include <QStringList>

// The smallest value of the series 1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 8 (times a power of ten)
// that is not below x, so that a scale ends on a round number. For x > 0; anything else
// (zero, negative, not finite) comes back unchanged.
double niceCeil(double x);

// The top of a speed scale for the largest smoothed speed drawn on it: 8 % of headroom,
// rounded up by niceCeil, never below niceCeil(10.8) = 12, also with no data at all.
double scaleMaximum(double largestSpeed);

// A scale value as its label: one decimal below 10, none from 10 on.
QString scaleLabel(double value);

// The labels of the six grid lines of a scale from 0 to `maximum`, bottom first.
QStringList scaleLabels(double maximum);

// The grid has six lines, the scale five equal steps.
constexpr int kScaleSteps = 5;
