#pragma once

#include <QVector>

// Picks the samples of one curve worth drawing. A stress test keeps up to 100,000 samples
// per stream and pass, but the percent is a whole number, so all samples of one percent lie
// on one x, at any width: hundreds of them on a vertical line whose pixels are fixed by
// its lowest and highest point and by where the curve enters and leaves it. Of every run
// of consecutive samples with one percent it therefore keeps the first, the lowest, the
// highest and the last, in their order, and the curve drawn through them covers exactly
// the pixels of the curve through all of them. A pass has at most 101 such runs, so a
// paint costs the same after 2,000 samples as after 100,000. The choice does not depend on
// the chart's size, so it is made as samples arrive and survives resizes.
//
// Samples whose smoothed value is not finite cannot be drawn and are left out.
class SampleReducer
{
public:
    // The next sample of the curve (its index is the number of samples added before it).
    void add(int percent, double smoothed);
    void clear() { *this = SampleReducer(); }

    // The indices to draw, in order.
    const QVector<int> &indices() const { return m_kept; }

private:
    int m_count = 0;
    bool m_runOpen = false;
    int m_runPercent = 0;
    int m_runKeptFrom = 0;  // where the open run's indices begin in m_kept
    int m_first = 0;
    int m_low = 0;
    int m_high = 0;
    int m_last = 0;
    double m_lowValue = 0.0;
    double m_highValue = 0.0;
    QVector<int> m_kept;
};

// Every index of `smooth` whose value can be drawn, in order: the curve without reduction.
QVector<int> drawableIndices(const QVector<double> &smooth);
