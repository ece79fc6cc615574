#pragma once

#include "clioptions.h"
#include "exitstatus.h"
#include "progressline.h"
#include "roundrunner.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class ConsoleWriter;

// Shows one invocation's run on the console: the run core's log lines, the live progress
// line and, at the end, the averages of the rounds. Polls an interrupt flag, since a signal
// handler can only set one, and turns it into a stop of the run.
class RunController : public QObject
{
    Q_OBJECT
public:
    RunController(const CliOptions &options, ConsoleWriter *console,
                  std::function<bool()> interruptRequested, QObject *parent = nullptr);

    // `freeBytes` sizes the stress mode's fill.
    void start(qint64 freeBytes);

    bool isFinished() const { return m_finished; }
    RunOutcome outcome() const { return m_outcome; }
    const RoundRunner &runner() const { return m_runner; }
    QStringList streamLabels() const { return streamLabelsOf(m_runner.streamSources()); }

signals:
    void finished();

private:
    void showProgress(PassDirection pass, int percent, double current, double average);
    void pollInterrupt();
    void onFinished(RoundRunner::Outcome outcome);
    void printSummary();

    const CliOptions m_options;
    ConsoleWriter *m_console;
    std::function<bool()> m_interruptRequested;
    RoundRunner m_runner;
    QTimer m_interruptTimer;
    QElapsedTimer m_clock;
    ProgressLine m_progress;
    bool m_finished = false;
    RunOutcome m_outcome = RunOutcome::NotRun;
};
