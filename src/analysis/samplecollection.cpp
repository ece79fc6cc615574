#include "samplecollection.h"

#include <algorithm>

namespace {
constexpr int kMovingWindow = 15;
}  // namespace

bool SampleSeries::addSample(int percent, double mbps)
{
    const bool last = percent > 99;
    if (m_passEnded) {
        if (last)
            return false;  // the closing report of an ended pass
        endPass();
    }
    m_passEnded = last;
    if (!(mbps > 0.0)) {
        m_lastEntered = false;
        return false;
    }
    if (last && m_lastEntered) {
        m_samples.last() = mbps;
        updateExtremes(0);
    } else {
        m_samples.append(mbps);
        updateExtremes(m_samples.size() - 1);
    }
    m_lastEntered = !last;
    return true;
}

void SampleSeries::endPass()
{
    m_passEnded = false;
    m_lastEntered = false;
}

// Takes the moving averages ending at `from` ... the last sample into the extremes; from 0
// they are taken afresh.
void SampleSeries::updateExtremes(int from)
{
    for (int i = from; i < m_samples.size(); ++i) {
        const int count = std::min(kMovingWindow, i + 1);
        double sum = 0.0;
        for (int k = i - count + 1; k <= i; ++k)
            sum += m_samples[k];
        const double mean = sum / count;
        if (i == 0) {
            m_movingMax = m_movingMin = mean;
        } else {
            m_movingMax = std::max(m_movingMax, mean);
            m_movingMin = std::min(m_movingMin, mean);
        }
    }
}

SpeedStats SampleSeries::stats(bool slcTrim) const
{
    if (m_samples.isEmpty())
        return computeSpeedStats(m_samples, m_average, m_movingMax, m_movingMin, slcTrim);
    double sum = 0.0;
    for (double v : m_samples)
        sum += v;
    // The mean is a weighted mean of moving averages, so it lies between their extremes;
    // the clamp only takes up rounding.
    const double mean = std::clamp(sum / m_samples.size(), m_movingMin, m_movingMax);
    return computeSpeedStats(m_samples, mean, m_movingMax, m_movingMin, slcTrim);
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
    SampleSeries &card = pass == PassDirection::Write ? m_cardWrite : m_cardRead;
    card.setAverage(avgMBps);
    card.endPass();
    for (SampleSeries &s : pass == PassDirection::Write ? m_streamWrite : m_streamRead)
        s.endPass();
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
