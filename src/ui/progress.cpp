#include "mainwindow.h"

#include "speedchartwidget.h"

#include <QDebug>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QTime>

namespace {

// Only a repeated test outside the stress mode shows its rounds.
bool showsRounds(const VerdictRules &rules)
{
    return !rules.fullCap && rules.iterCount >= 2;
}

}  // namespace

void MainWindow::onWriteProgress(int percent, double currentSpeed, double avgSpeed)
{
    writeProgressBar->setValue(
        sharedAxisPercent(percent, currentRound, rules.iterCount, rules.fullCap));
    const QString prefix =
        showsRounds(rules) ? tr("RoundPrefix").arg(currentRound).arg(rules.iterCount) : QString();
    // A report without speed keeps showing the last real one.
    if (currentSpeed > 0)
        lastWriteSpeed = currentSpeed;
    writeSpeedLabel->setText(
        prefix + tr("ProgressLive").arg(lastWriteSpeed, 0, 'f', 2).arg(avgSpeed, 0, 'f', 2));
    recordCardSample(PassDirection::Write, percent, currentSpeed);
}

void MainWindow::onReadProgress(int percent, double currentSpeed, double avgSpeed)
{
    readProgressBar->setValue(
        sharedAxisPercent(percent, currentRound, rules.iterCount, rules.fullCap));
    const QString prefix =
        showsRounds(rules) ? tr("RoundPrefix").arg(currentRound).arg(rules.iterCount) : QString();
    if (currentSpeed > 0)
        lastReadSpeed = currentSpeed;
    readSpeedLabel->setText(
        prefix + tr("ProgressLive").arg(lastReadSpeed, 0, 'f', 2).arg(avgSpeed, 0, 'f', 2));
    recordCardSample(PassDirection::Read, percent, currentSpeed);
}

void MainWindow::onTestError(const QString &message)
{
    appendLog(tr("LogErrorPrefix").arg(message));
    // Before the box: its event loop may deliver the end of the engine thread, and that
    // must already see no rounds left.
    currentRound = rules.iterCount;
    prompt(UserPrompt::Critical, tr("LogTestErrorTitle"), message);
}

void MainWindow::onTestFinished()
{
    if (userStopped) {
        setRunning(false);
        userStopped = false;
        currentRound = 0;
        resetResults();
        return;
    }
    if (!rules.fullCap && currentRound >= 1 && currentRound < rules.iterCount) {
        ++currentRound;
        appendLog(tr("LogRoundEnter").arg(currentRound).arg(rules.iterCount));
        launchTester();
        return;
    }
    setRunning(false);
    currentRound = 0;
}

void MainWindow::appendLog(const QString &message)
{
    const QString line = QStringLiteral("[%1] %2").arg(
        QTime::currentTime().toString(QStringLiteral("hh:mm:ss")), message);
    QMessageLogger().debug().noquote() << line;
}

void MainWindow::resetResults()
{
    if (speedChart) {
        speedChart->clearSamples();
        speedChart->setStreams(QStringList());
    }
    for (QProgressBar *bar : {writeProgressBar, readProgressBar}) {
        if (bar)
            bar->setValue(0);
    }
    for (QLabel *label : {writeSpeedLabel, readSpeedLabel}) {
        if (label)
            label->setText(tr("ProgressInitial"));
    }
    if (resultsTable)
        resultsTable->setRowCount(0);
    lastWriteSpeed = 0.0;
    lastReadSpeed = 0.0;
    streamLabels.clear();
    streamSources.clear();
    // The card-total series, extremes and averages and every per-stream series.
    samples.reset(0);
}
