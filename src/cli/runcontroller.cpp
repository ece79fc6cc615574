#include "runcontroller.h"

#include "consolewriter.h"
#include "speedtester.h"
#include "streamlabels.h"

namespace {
constexpr int kInterruptPollMs = 100;
}

RunController::RunController(const CliOptions &options, ConsoleWriter *console,
                             std::function<bool()> interruptRequested, FreeSpaceQuery freeSpace,
                             QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_console(console)
    , m_interruptRequested(std::move(interruptRequested))
    , m_freeSpace(std::move(freeSpace))
    , m_progress(console->errIsTerminal())
    , m_labels(::streamLabels(options))
{
    m_samples.reset(m_labels.size());
    m_interruptTimer.setInterval(kInterruptPollMs);
    connect(&m_interruptTimer, &QTimer::timeout, this, &RunController::pollInterrupt);
    m_clock.start();
}

RunController::~RunController()
{
    disposeTester();
}

void RunController::start()
{
    m_interruptTimer.start();
    m_round = 1;
    if (m_interruptRequested()) {
        finish(RunOutcome::Stopped);
        return;
    }
    launchRound();
}

void RunController::launchRound()
{
    disposeTester();
    m_current = Round();

    auto *tester = new SpeedTester;
    tester->setTargetDir(m_options.targetDir);
    tester->setTestSize(m_options.sourceFiles.isEmpty() ? m_options.testSize : 0);
    tester->setBlockSize(m_options.blockSize);
    tester->setSourceFiles(m_options.sourceFiles);
    tester->setStreamCount(m_options.fill ? 1 : m_options.streamCount);
    tester->setReadEnabled(m_options.readEnabled && !m_options.fill);
    if (m_options.fill) {
        // Without free bytes the engine would quietly run an ordinary test instead.
        qint64 freeBytes = 0;
        const bool known = m_freeSpace(&freeBytes);
        if (!known || freeBytes <= 0) {
            delete tester;
            m_errorMessage = known
                                 ? tr("LogCardFull")
                                 : tr("Cannot read the free space of %1.").arg(m_options.targetDir);
            m_console->logLine(m_errorMessage);
            finish(RunOutcome::Failed);
            return;
        }
        tester->setRollingFill(m_options.testSize, freeBytes, m_options.fillRounds);
    }

    connect(tester, &SpeedTester::log, this, &RunController::onLog);
    connect(tester, &SpeedTester::writeProgress, this, &RunController::onWriteProgress);
    connect(tester, &SpeedTester::readProgress, this, &RunController::onReadProgress);
    connect(tester, &SpeedTester::writeFinished, this, &RunController::onWriteFinished);
    connect(tester, &SpeedTester::readFinished, this, &RunController::onReadFinished);
    connect(tester, &SpeedTester::fileWriteSample, this, &RunController::onFileWriteSample);
    connect(tester, &SpeedTester::fileReadSample, this, &RunController::onFileReadSample);
    connect(tester, &SpeedTester::testError, this, &RunController::onTestError);
    connect(tester, &QThread::finished, this, &RunController::onTesterFinished);
    m_tester = tester;
    m_tester->start();
}

void RunController::disposeTester()
{
    if (!m_tester)
        return;
    m_tester->requestStop();
    m_tester->wait();
    delete m_tester;
    m_tester = nullptr;
}

void RunController::onLog(const QString &message)
{
    m_console->logLine(message);
}

void RunController::onWriteProgress(int percent, double current, double average)
{
    m_samples.addProgress(PassDirection::Write, percent, current);
    showProgress(ProgressLine::Phase::Write, percent, current, average);
}

void RunController::onReadProgress(int percent, double current, double average)
{
    m_samples.addProgress(PassDirection::Read, percent, current);
    showProgress(ProgressLine::Phase::Read, percent, current, average);
}

void RunController::showProgress(ProgressLine::Phase phase, int percent, double current,
                                 double average)
{
    if (!m_progress.due(m_clock.elapsed()))
        return;
    m_console->progress(
        ProgressLine::format(phase, percent, current, average, m_round, m_options.iterations));
}

void RunController::onWriteFinished(double average)
{
    m_current.writeAvg = average;
    m_samples.finishPass(PassDirection::Write, average);
}

void RunController::onReadFinished(double average)
{
    m_current.readDone = true;
    m_current.readAvg = average;
    m_samples.finishPass(PassDirection::Read, average);
}

void RunController::onFileWriteSample(int fileIdx, int percent, double current, double average)
{
    m_samples.addStreamSample(PassDirection::Write, fileIdx, percent, current, average);
}

void RunController::onFileReadSample(int fileIdx, int percent, double current, double average)
{
    m_samples.addStreamSample(PassDirection::Read, fileIdx, percent, current, average);
}

void RunController::onTestError(const QString &message)
{
    m_failed = true;
    if (m_errorMessage.isEmpty())
        m_errorMessage = message;
    m_console->logLine(tr("LogErrorPrefix").arg(message));
}

void RunController::onTesterFinished()
{
    if (sender() != m_tester)
        return;
    m_console->clearProgress();
    pollInterrupt();
    if (m_stopping) {
        finish(RunOutcome::Stopped);
        return;
    }
    if (m_failed) {
        finish(RunOutcome::Failed);
        return;
    }
    m_completed.append(m_current);
    if (m_round < m_options.iterations) {
        ++m_round;
        m_console->logLine(tr("LogRoundEnter").arg(m_round).arg(m_options.iterations));
        launchRound();
        return;
    }
    finish(RunOutcome::Completed);
}

void RunController::pollInterrupt()
{
    if (!m_interruptRequested())
        return;
    if (!m_stopping) {
        m_stopping = true;
        m_console->logLine(tr("LogStopping"));
    }
    // Asked again at every tick: a stop that lands before the engine thread has begun
    // its run is reset by it.
    if (m_tester && m_tester->isRunning())
        m_tester->requestStop();
}

void RunController::finish(RunOutcome outcome)
{
    m_interruptTimer.stop();
    m_outcome = outcome;
    m_finished = true;
    m_console->clearProgress();
    if (outcome != RunOutcome::Stopped)
        printSummary();
    emit finished();
}

RunController::Means RunController::meansOf(const QVector<Round> &rounds)
{
    Means m;
    if (rounds.isEmpty())
        return m;
    for (const Round &r : rounds) {
        m.write += r.writeAvg;
        if (r.readDone) {
            m.read += r.readAvg;
            ++m.readRounds;
        }
    }
    m.write /= rounds.size();
    if (m.readRounds > 0)
        m.read /= m.readRounds;
    return m;
}

void RunController::printSummary()
{
    if (m_completed.isEmpty())
        return;
    const int n = m_completed.size();
    if (m_options.iterations > 1) {
        for (int i = 0; i < n; ++i) {
            const Round &r = m_completed[i];
            if (r.readDone) {
                m_console->result(tr("Round %1: write %2 MB/s, read %3 MB/s")
                                      .arg(i + 1)
                                      .arg(r.writeAvg, 0, 'f', 2)
                                      .arg(r.readAvg, 0, 'f', 2));
            } else {
                m_console->result(
                    tr("Round %1: write %2 MB/s").arg(i + 1).arg(r.writeAvg, 0, 'f', 2));
            }
        }
    }
    const Means means = meansOf(m_completed);
    // One round (asked for, or the only one done before a failure) needs no mean.
    if (n == 1) {
        m_console->result(tr("Write average: %1 MB/s").arg(means.write, 0, 'f', 2));
        if (means.readRounds > 0)
            m_console->result(tr("Read average: %1 MB/s").arg(means.read, 0, 'f', 2));
        return;
    }
    m_console->result(
        tr("Write average over %1 rounds: %2 MB/s").arg(n).arg(means.write, 0, 'f', 2));
    if (means.readRounds > 0) {
        m_console->result(tr("Read average over %1 rounds: %2 MB/s")
                              .arg(means.readRounds)
                              .arg(means.read, 0, 'f', 2));
    }
}
