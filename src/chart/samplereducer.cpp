#include "samplereducer.h"

#include <algorithm>
#include <cmath>

void SampleReducer::add(int percent, double smoothed)
{
    const int index = m_count++;
    if (!std::isfinite(smoothed))
        return;
    if (m_runOpen && percent == m_runPercent) {
        if (smoothed < m_lowValue) {
            m_low = index;
            m_lowValue = smoothed;
        }
        if (smoothed > m_highValue) {
            m_high = index;
            m_highValue = smoothed;
        }
        m_last = index;
    } else {
        // The run before is complete: its indices stay as they are.
        m_runKeptFrom = m_kept.size();
        m_runOpen = true;
        m_runPercent = percent;
        m_first = m_low = m_high = m_last = index;
        m_lowValue = m_highValue = smoothed;
    }
    // Only the open run's indices can change; put them back in order.
    m_kept.resize(m_runKeptFrom);
    int picks[4] = {m_first, m_low, m_high, m_last};
    std::sort(picks, picks + 4);
    for (int k = 0; k < 4; ++k) {
        if (k == 0 || picks[k] != picks[k - 1])
            m_kept.append(picks[k]);
    }
}

QVector<int> drawableIndices(const QVector<double> &smooth)
{
    QVector<int> all;
    all.reserve(smooth.size());
    for (int i = 0; i < smooth.size(); ++i) {
        if (std::isfinite(smooth[i]))
            all.append(i);
    }
    return all;
}
