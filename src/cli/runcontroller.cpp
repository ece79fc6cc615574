#include "runcontroller.h"

#include "console.h"
#include "consolewriter.h"

namespace {
constexpr int kInterruptPollMs = 100;
}

RunController::RunController(const CliOptions &options, ConsoleWriter *console,
                             std::function<bool()> interruptRequested, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_console(console)
    , m_interruptRequested(std::move(interruptRequested))
    , m_progress(console->errIsTerminal())
{
    m_interruptTimer.setInterval(kInterruptPollMs);
    connect(&m_interruptTimer, &QTimer::timeout, this, &RunController::pollInterrupt);
    connect(&m_runner, &RoundRunner::log, this,
            [this](const QString &message) { m_console->logLine(message); });
    connect(&m_runner, &RoundRunner::progress, this, &RunController::showProgress);
    connect(&m_runner, &RoundRunner::finished, this, &RunController::onFinished);
    m_clock.start();
}

void RunController::start(qint64 freeBytes)
{
    if (m_interruptRequested()) {
        onFinished(RoundRunner::Outcome::Stopped);
        return;
    }
    m_interruptTimer.start();
    m_runner.start(m_options.plan(), freeBytes);
}

void RunController::showProgress(PassDirection pass, int percent, double current, double average)
{
    if (!m_progress.due(m_clock.elapsed()))
        return;
    const auto phase =
        pass == PassDirection::Write ? ProgressLine::Phase::Write : ProgressLine::Phase::Read;
    const PassClock &clock = m_runner.passClock();
    int round = m_runner.round();
    int rounds = m_runner.plan().rounds();
    qint64 remainingMs = clock.remainingMs();
    // The stress mode's rolling rounds, and its time left from the bytes still to write.
    if (m_runner.plan().fill && pass == PassDirection::Write) {
        const StressPosition at = m_runner.stressNow(average);
        round = at.round;
        rounds = at.filling ? 0 : m_runner.stressEstimate().rounds;
        remainingMs = at.remainingMs;
    }
    // Asked every time: the terminal may have been resized. A log file takes whole lines.
    const int columns =
        m_console->errIsTerminal() ? ProgressLine::columnsFor(platform::stderrColumns()) : 0;
    m_console->progress(ProgressLine::format(phase, percent, current, average, round, rounds,
                                             clock.elapsedMs(), remainingMs, columns));
}

void RunController::pollInterrupt()
{
    if (m_interruptRequested())
        m_runner.stop();
}

void RunController::onFinished(RoundRunner::Outcome outcome)
{
    m_interruptTimer.stop();
    switch (outcome) {
    case RoundRunner::Outcome::Completed:
        m_outcome = RunOutcome::Completed;
        break;
    case RoundRunner::Outcome::Stopped:
        m_outcome = RunOutcome::Stopped;
        break;
    default:
        m_outcome = RunOutcome::Failed;
        break;
    }
    m_finished = true;
    m_console->clearProgress();
    if (m_outcome != RunOutcome::Stopped)
        printSummary();
    emit finished();
}

void RunController::printSummary()
{
    const QVector<RoundRunner::RoundAverages> &rounds = m_runner.completedRounds();
    if (rounds.isEmpty())
        return;
    const int n = rounds.size();
    if (m_options.iterations > 1) {
        for (int i = 0; i < n; ++i) {
            const RoundRunner::RoundAverages &r = rounds[i];
            if (r.readDone) {
                m_console->result(tr("SummaryRoundWriteRead")
                                      .arg(i + 1)
                                      .arg(r.write, 0, 'f', 2)
                                      .arg(r.read, 0, 'f', 2));
            } else {
                m_console->result(tr("SummaryRoundWrite").arg(i + 1).arg(r.write, 0, 'f', 2));
            }
        }
    }
    const RoundRunner::Means means = RoundRunner::meansOf(rounds);
    // One round (asked for, or the only one done before a failure) needs no mean.
    if (n == 1) {
        m_console->result(tr("SummaryWriteAvg").arg(means.write, 0, 'f', 2));
        if (means.readRounds > 0)
            m_console->result(tr("SummaryReadAvg").arg(means.read, 0, 'f', 2));
        return;
    }
    m_console->result(tr("SummaryWriteAvgRounds").arg(n).arg(means.write, 0, 'f', 2));
    if (means.readRounds > 0) {
        m_console->result(
            tr("SummaryReadAvgRounds").arg(means.readRounds).arg(means.read, 0, 'f', 2));
    }
}
