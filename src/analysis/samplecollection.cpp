#include "samplecollection.h"

#include <algorithm>

namespace {
constexpr int kMovingWindow = 15;
}  // namespace

bool SampleSeries::addSample(int percent, double mbps)
{
    if (percent > 99 || !(mbps > 0.0))
        return false;
    m_samples.append(mbps);

    const int count = std::min(kMovingWindow, static_cast<int>(m_samples.size()));
    double sum = 0.0;
    for (int i = m_samples.size() - count; i < m_samples.size(); ++i)
        sum += m_samples[i];
    const double mean = sum / count;

    if (!m_seen) {
        m_movingMax = m_movingMin = mean;
        m_seen = true;
    } else {
        m_movingMax = std::max(m_movingMax, mean);
        m_movingMin = std::min(m_movingMin, mean);
    }
    return true;
}

SpeedStats SampleSeries::stats(bool slcTrim) const
{
    return computeSpeedStats(m_samples, m_average, m_movingMax, m_movingMin, slcTrim);
}

void SampleCollection::reset(int streams)
{
    const int n = std::max(0, streams);
    m_cardWrite.clear();
    m_cardRead.clear();
    m_streamWrite = QVector<SampleSeries>(n);
    m_streamRead = QVector<SampleSeries>(n);
}

bool SampleCollection::addProgress(PassDirection pass, int percent, double currentMBps)
{
    SampleSeries &s = pass == PassDirection::Write ? m_cardWrite : m_cardRead;
    return s.addSample(percent, currentMBps);
}

void SampleCollection::finishPass(PassDirection pass, double avgMBps)
{
    (pass == PassDirection::Write ? m_cardWrite : m_cardRead).setAverage(avgMBps);
}

void SampleCollection::addStreamSample(PassDirection pass, int fileIdx, int percent, double curMBps,
                                       double avgMBps)
{
    QVector<SampleSeries> &streams = pass == PassDirection::Write ? m_streamWrite : m_streamRead;
    if (fileIdx < 0 || fileIdx >= streams.size())
        return;
    SampleSeries &s = streams[fileIdx];
    s.addSample(percent, curMBps);
    s.setAverage(avgMBps);
}

const SampleSeries &SampleCollection::card(PassDirection pass) const
{
    return pass == PassDirection::Write ? m_cardWrite : m_cardRead;
}

const SampleSeries &SampleCollection::stream(PassDirection pass, int index) const
{
    return pass == PassDirection::Write ? m_streamWrite.at(index) : m_streamRead.at(index);
}

int sharedAxisPercent(int percent, int currentRound, int iterCount, bool fullCap)
{
    if (fullCap || iterCount < 2)
        return percent;
    return ((currentRound - 1) * 100 + percent) / iterCount;
}
