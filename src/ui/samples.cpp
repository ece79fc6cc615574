#include "mainwindow.h"

#include "speedchartwidget.h"

void MainWindow::prepareResults(const QVector<StreamSource> &sources)
{
    streamSources = sources;
    streamLabels.clear();
    for (const StreamSource &source : sources)
        streamLabels.append(streamLabel(source));
    if (speedChart)
        speedChart->setStreams(streamLabels);
    samples.reset(streamLabels.size());
    prepareResultRows(streamLabels);
}

void MainWindow::onFileWriteSample(int fileIdx, int percent, double cur, double avg)
{
    recordStreamSample(PassDirection::Write, fileIdx, percent, cur, avg);
}

void MainWindow::onFileReadSample(int fileIdx, int percent, double cur, double avg)
{
    recordStreamSample(PassDirection::Read, fileIdx, percent, cur, avg);
}

void MainWindow::onWriteFinished(double avgSpeed)
{
    finishWriteStats(avgSpeed);
    // Without a read pass this is the end of the round, so judge now.
    if (!rules.enableRead)
        evaluateVerdicts();
}

void MainWindow::onReadFinished(double avgSpeed)
{
    finishReadStats(avgSpeed);
}

void MainWindow::recordStreamSample(PassDirection pass, int fileIdx, int percent, double cur,
                                    double avg)
{
    // The rounds of a repeated test share one axis, so their curves continue one another.
    const int position = sharedAxisPercent(percent, currentRound, rules.iterCount, rules.fullCap);
    if (cur > 0 && speedChart) {
        if (pass == PassDirection::Write)
            speedChart->addWriteSample(fileIdx, position, cur);
        else
            speedChart->addReadSample(fileIdx, position, cur);
    }
    samples.addStreamSample(pass, fileIdx, percent, cur, avg);
}

void MainWindow::recordCardSample(PassDirection pass, int percent, double currentSpeed)
{
    // The card total is the engine's overall speed, not a sum of the stream series.
    samples.addProgress(pass, percent, currentSpeed);
}
