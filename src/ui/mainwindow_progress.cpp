#include "mainwindow.h"

#include "historydialog.h"
#include "i18n.h"
#include "logpanel.h"
#include "speedchartwidget.h"
#include "stressbanner.h"

#include <QDebug>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QTime>

void MainWindow::connectRunner()
{
    connect(&runner, &RoundRunner::log, this, &MainWindow::appendLog);
    connect(&runner, &RoundRunner::progress, this,
            [this](PassDirection pass, int percent, double current, double average) {
                if (pass == PassDirection::Write)
                    onWriteProgress(percent, current, average);
                else
                    onReadProgress(percent, current, average);
            });
    connect(&runner, &RoundRunner::streamSample, this,
            [this](PassDirection pass, int stream, int percent, double current) {
                if (pass == PassDirection::Write)
                    onFileWriteSample(stream, percent, current);
                else
                    onFileReadSample(stream, percent, current);
            });
    connect(&runner, &RoundRunner::passFinished, this,
            [this](PassDirection pass) { fillPassResults(pass); });
    connect(&runner, &RoundRunner::roundJudgeable, this, &MainWindow::evaluateVerdicts);
    connect(&runner, &RoundRunner::error, this, &MainWindow::onTestError);
    connect(&runner, &RoundRunner::finished, this, &MainWindow::onTestFinished);
}

QString MainWindow::liveSpeedText(double current, double average) const
{
    // Only a repeated test outside the stress mode shows its rounds.
    const TestPlan &plan = runner.plan();
    const QString prefix =
        plan.rounds() >= 2 ? tr("RoundPrefix").arg(runner.round()).arg(plan.rounds()) : QString();
    const PassClock &clock = runner.passClock();
    return prefix + tr("ProgressLive").arg(current, 0, 'f', 2).arg(average, 0, 'f', 2)
           + tr("ProgressTime")
                 .arg(formatDuration(clock.elapsedMs()), formatDuration(clock.remainingMs()));
}

void MainWindow::onWriteProgress(int percent, double currentSpeed, double avgSpeed)
{
    writeProgressBar->setValue(runner.axisPercent(percent));
    // A report without speed keeps showing the last real one.
    if (currentSpeed > 0)
        lastWriteSpeed = currentSpeed;
    writeSpeedLabel->setText(liveSpeedText(lastWriteSpeed, avgSpeed));
    showStressProgress(PassDirection::Write, avgSpeed);
}

void MainWindow::onReadProgress(int percent, double currentSpeed, double avgSpeed)
{
    readProgressBar->setValue(runner.axisPercent(percent));
    if (currentSpeed > 0)
        lastReadSpeed = currentSpeed;
    readSpeedLabel->setText(liveSpeedText(lastReadSpeed, avgSpeed));
    showStressProgress(PassDirection::Read, avgSpeed);
}

void MainWindow::showStressProgress(PassDirection pass, double average)
{
    if (!runner.plan().fill)
        return;
    const StressEstimate estimate = runner.stressEstimate();
    if (pass == PassDirection::Write) {
        stressBanner->showPosition(estimate, runner.stressNow(average));
        return;
    }
    // Reading the card back after the last round: only the time left moves.
    StressPosition done = stressPosition(estimate, estimate.writeBytes, average);
    done.remainingMs = runner.passClock().remainingMs();
    stressBanner->showPosition(estimate, done);
}

void MainWindow::onFileWriteSample(int fileIdx, int percent, double cur)
{
    // The rounds of a repeated test share one axis, so their curves continue one another.
    if (cur > 0)
        speedChart->addWriteSample(fileIdx, runner.axisPercent(percent), cur);
}

void MainWindow::onFileReadSample(int fileIdx, int percent, double cur)
{
    if (cur > 0)
        speedChart->addReadSample(fileIdx, runner.axisPercent(percent), cur);
}

void MainWindow::onTestError(const QString &message)
{
    // Shown without a nested event loop: the run goes on ending while the box is open.
    prompt(UserPrompt::RunError, tr("LogTestErrorTitle"), message);
}

void MainWindow::onTestFinished()
{
    setRunning(false);
    stressBanner->showIdle();
    // Completed and failed tests go into the card's history; refused or stopped ones do not.
    const RoundRunner::Outcome outcome = runner.outcome();
    if (outcome == RoundRunner::Outcome::Completed || outcome == RoundRunner::Outcome::Failed) {
        takePerStreamThresholds();
        const ReportSetup setup{QStringLiteral("lumoracard"),
                                I18n::codeOf(I18n::instance()->language()), cardJson(testedCard),
                                false, rules};
        history->record(runReport(runner, judgeRun(runner, rules, testedCapacity()), setup),
                        testedCard, rules);
    }
    if (runner.outcome() == RoundRunner::Outcome::Stopped)
        resetResults();
    updateExportActions();
}

void MainWindow::appendLog(const QString &message)
{
    const QString stamp = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    QMessageLogger().debug().noquote() << QStringLiteral("[%1] %2").arg(stamp, message);
    if (logPanel)
        logPanel->append(stamp, message);
}

void MainWindow::resetResults()
{
    speedChart->clearSamples();
    speedChart->setStreams(QStringList());
    for (QProgressBar *bar : {writeProgressBar, readProgressBar})
        bar->setValue(0);
    for (QLabel *label : {writeSpeedLabel, readSpeedLabel})
        label->setText(tr("ProgressInitial"));
    resultsTable->setRowCount(0);
    showResultColumns();
    judged = RunResults();
    showVerdicts();
    lastWriteSpeed = 0.0;
    lastReadSpeed = 0.0;
    // The card-total series, extremes and averages and every per-stream series.
    runner.clearSamples();
    updateExportActions();
}

void MainWindow::prepareResults(const QVector<StreamSource> &sources)
{
    const QStringList labels = streamLabelsOf(sources);
    speedChart->setStreams(labels);
    prepareResultRows(labels);
}
