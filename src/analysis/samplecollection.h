#pragma once

#include "speedstats.h"

#include <QVector>

// One series of speed samples as the engine reports them, with the extremes of its trailing
// 15-sample moving average. The same rule serves the card total and every stream, for
// writing and for reading. Each sample is the speed of one sampling interval; the first
// report at 100 % carries the pass's last stretch folded into the interval before it
// (SampleSpan), so it replaces that interval's sample, and what follows it in the pass (the
// closing report, which repeats the average) is left out. The series' average is the mean
// of its samples, which always lies between the moving-average extremes.
class SampleSeries
{
public:
    // A report of the running pass; zero speeds say nothing. Returns whether it entered the
    // series (as a new sample or replacing the one before).
    bool addSample(int percent, double mbps);
    // The pass has ended: the next report begins another (the next round's).
    void endPass();
    // The engine's own average of the pass (bytes over its whole time), kept beside the
    // series; it stands in for the series only while that is empty.
    void setAverage(double mbps) { m_average = mbps; }
    void clear() { *this = SampleSeries(); }

    const QVector<double> &samples() const { return m_samples; }
    double average() const { return m_average; }
    double movingMax() const { return m_movingMax; }
    double movingMin() const { return m_movingMin; }
    bool seen() const { return !m_samples.isEmpty(); }

    // The statistics of this series: the mean of the samples and the moving-average
    // extremes, or the engine's average while there is no sample.
    SpeedStats stats(bool slcTrim) const;

private:
    void updateExtremes(int from);

    QVector<double> m_samples;
    double m_average = 0.0;
    double m_movingMax = 0.0;
    double m_movingMin = 0.0;
    bool m_lastEntered = false;  // the pass's latest report is the last sample
    bool m_passEnded = false;
};

enum class PassDirection { Write, Read };

// The samples of the test that runs or ran last: the card total, fed by the overall
// progress reports, and one series per stream, fed by the per-file samples. Nothing is
// reset between the rounds of a repeated test, so everything accumulates over them.
class SampleCollection
{
public:
    // Empties everything and makes room for `streams` streams.
    void reset(int streams);
    int streamCount() const { return m_streamWrite.size(); }

    // An overall progress report. Returns whether it entered the card-total series.
    bool addProgress(PassDirection pass, int percent, double currentMBps);
    // The end of a pass: its overall average becomes the card-total average, and the next
    // reports of every series of that direction begin a new pass.
    void finishPass(PassDirection pass, double avgMBps);
    // A per-file sample. The stream's average follows every report, whatever its percent
    // and speed; reports for streams outside the test are ignored.
    void addStreamSample(PassDirection pass, int fileIdx, int percent, double curMBps,
                         double avgMBps);

    const SampleSeries &card(PassDirection pass) const;
    const SampleSeries &stream(PassDirection pass, int index) const;

private:
    SampleSeries m_cardWrite;
    SampleSeries m_cardRead;
    QVector<SampleSeries> m_streamWrite;
    QVector<SampleSeries> m_streamRead;
};

// Where a report of `percent` lies on the one 0 ... 100 axis that the rounds of a repeated
// test share (the progress bar and the chart); a single round or the stress mode uses the
// percent as it is.
int sharedAxisPercent(int percent, int currentRound, int iterCount, bool fullCap);
