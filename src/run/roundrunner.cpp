#include "roundrunner.h"

#include "speedtester.h"

RoundRunner::RoundRunner(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<PassDirection>();
    qRegisterMetaType<RoundRunner::Outcome>();
    qRegisterMetaType<DataCheck>();
}

RoundRunner::~RoundRunner()
{
    disposeTester();
}

bool RoundRunner::start(const TestPlan &plan, qint64 freeBytes)
{
    if (m_running)
        return false;
    m_plan = plan;
    m_freeBytes = freeBytes;
    m_cardVolume = CardGuard::identify(plan.target);
    m_sources = streamSourcesOf(plan);
    m_samples.reset(m_sources.size());
    m_clock.reset();
    m_completed.clear();
    m_dataCheck = DataCheck();
    m_leftFiles.clear();
    m_errorMessage.clear();
    m_outcome = Outcome::None;
    m_stopping = false;
    m_running = true;
    m_round = 1;
    markStarted();
    m_stressMeasured = false;
    if (plan.fill) {
        const StressEstimate e = stressEstimate();
        emit log(tr("LogStressEstimate")
                     .arg(e.initialFiles)
                     .arg(e.fileBytes / 1048576)
                     .arg(e.rounds)
                     .arg(double(e.writeBytes) / 1073741824.0, 0, 'f', 1)
                     .arg(formatDuration(e.durationMs(StressEstimate::assumedMBps)))
                     .arg(StressEstimate::assumedMBps, 0, 'f', 0));
    }
    launchRound();
    return true;
}

void RoundRunner::stop()
{
    if (!m_running || m_stopping)
        return;
    m_stopping = true;
    emit log(tr("LogStopping"));
    if (m_tester)
        m_tester->requestStop();
}

void RoundRunner::stopAndWait()
{
    stop();
    if (m_tester)
        m_tester->wait();
}

int RoundRunner::axisPercent(int percent) const
{
    return sharedAxisPercent(percent, m_round, m_plan.rounds(), m_plan.fill);
}

void RoundRunner::clearSamples()
{
    m_samples.reset(0);
    m_sources.clear();
    m_dataCheck = DataCheck();
}

StressPosition RoundRunner::stressNow(double averageMBps) const
{
    // The engine reports percents of the whole write; the average over the pass's time says
    // the bytes more finely than that.
    // The clock starts with the first report, one sampling interval into the write.
    constexpr qint64 firstReportMs = 200;
    const double writtenMB = averageMBps * double(m_clock.elapsedMs() + firstReportMs) / 1000.0;
    return stressPosition(stressEstimate(), qint64(writtenMB * 1048576.0), averageMBps);
}

void RoundRunner::launchRound()
{
    disposeTester();
    m_current = RoundAverages();
    m_roundFailed = false;

    auto *tester = new SpeedTester;
    const bool files = m_plan.mode == TestPlan::Mode::Files;
    tester->setTargetDir(m_plan.target);
    tester->setTestSize(files ? 0 : m_plan.testSize);
    tester->setBlockSize(m_plan.blockSize);
    tester->setSourceFiles(files ? m_plan.files : QStringList());
    tester->setStreamCount(m_plan.streamCount());
    tester->setReadEnabled(m_plan.readPass());
    tester->setVerifyData(m_plan.verify);
    tester->setCardVolume(m_cardVolume);
    if (m_plan.fill)
        tester->setRollingFill(m_plan.testSize, m_freeBytes, m_plan.fillRounds);

    connect(tester, &SpeedTester::log, this, &RoundRunner::log);
    connect(tester, &SpeedTester::writeProgress, this, &RoundRunner::onWriteProgress);
    connect(tester, &SpeedTester::readProgress, this, &RoundRunner::onReadProgress);
    connect(tester, &SpeedTester::fileWriteSample, this, &RoundRunner::onFileWriteSample);
    connect(tester, &SpeedTester::fileReadSample, this, &RoundRunner::onFileReadSample);
    connect(tester, &SpeedTester::writeFinished, this, &RoundRunner::onWriteFinished);
    connect(tester, &SpeedTester::readFinished, this, &RoundRunner::onReadFinished);
    connect(tester, &SpeedTester::dataChecked, this, &RoundRunner::onDataChecked);
    connect(tester, &SpeedTester::testError, this, &RoundRunner::onTestError);
    connect(tester, &SpeedTester::cleanupFailed, this,
            [this](const QString &path, const QString &message) {
                m_leftFiles.append({path, message});
            });
    connect(tester, &QThread::finished, this, &RoundRunner::onTesterFinished);
    m_tester = tester;
    // A stop asked for before this round's engine existed still holds.
    if (m_stopping)
        m_tester->requestStop();
    m_tester->start();
}

void RoundRunner::disposeTester()
{
    if (!m_tester)
        return;
    m_tester->requestStop();
    m_tester->wait();
    delete m_tester;
    m_tester = nullptr;
}

void RoundRunner::replay(const TestPlan &plan, const QVector<StreamSource> &sources)
{
    m_plan = plan;
    m_sources = sources;
    m_samples.reset(sources.size());
    m_completed.clear();
    m_dataCheck = DataCheck();
    m_round = 1;
    m_roundFailed = false;
    m_outcome = Outcome::Completed;
    markStarted();
}

void RoundRunner::markStarted()
{
    m_startedAt = QDateTime::currentDateTime();
    m_endedAt = QDateTime();
    m_duration.start();
    m_durationMs = -1;
}

void RoundRunner::onWriteProgress(int percent, double currentMBps, double averageMBps)
{
    m_samples.addProgress(PassDirection::Write, percent, currentMBps);
    m_clock.report(PassDirection::Write, m_round, percent);
    if (m_plan.fill && !m_stressMeasured && stressNow(averageMBps).remainingMs >= 0) {
        m_stressMeasured = true;
        emit log(tr("LogStressMeasured")
                     .arg(averageMBps, 0, 'f', 2)
                     .arg(formatDuration(stressEstimate().durationMs(averageMBps))));
    }
    emit progress(PassDirection::Write, percent, currentMBps, averageMBps);
}

void RoundRunner::onReadProgress(int percent, double currentMBps, double averageMBps)
{
    m_samples.addProgress(PassDirection::Read, percent, currentMBps);
    m_clock.report(PassDirection::Read, m_round, percent);
    emit progress(PassDirection::Read, percent, currentMBps, averageMBps);
}

void RoundRunner::onFileWriteSample(int fileIdx, int percent, double currentMBps,
                                    double averageMBps)
{
    m_samples.addStreamSample(PassDirection::Write, fileIdx, percent, currentMBps, averageMBps);
    emit streamSample(PassDirection::Write, fileIdx, percent, currentMBps);
}

void RoundRunner::onFileReadSample(int fileIdx, int percent, double currentMBps, double averageMBps)
{
    m_samples.addStreamSample(PassDirection::Read, fileIdx, percent, currentMBps, averageMBps);
    emit streamSample(PassDirection::Read, fileIdx, percent, currentMBps);
}

void RoundRunner::onWriteFinished(double average)
{
    // A pass that reported an error has no results to show, whatever follows it.
    if (m_roundFailed)
        return;
    m_current.write = average;
    m_samples.finishPass(PassDirection::Write, average);
    emit passFinished(PassDirection::Write);
    if (!m_plan.readBack())
        emit roundJudgeable();
}

void RoundRunner::onReadFinished(double average)
{
    if (m_roundFailed || !m_plan.readBack())
        return;
    m_current.read = average;
    m_current.readDone = true;
    m_samples.finishPass(PassDirection::Read, average);
    emit passFinished(PassDirection::Read);
    emit roundJudgeable();
}

void RoundRunner::onDataChecked(const DataCheck &check)
{
    if (!m_roundFailed)
        m_dataCheck.merge(check);
}

void RoundRunner::onTestError(const QString &message)
{
    m_roundFailed = true;
    if (m_errorMessage.isEmpty())
        m_errorMessage = message;
    emit log(tr("LogErrorPrefix").arg(message));
    emit error(message);
}

void RoundRunner::onTesterFinished()
{
    if (sender() != m_tester || !m_running)
        return;
    if (m_stopping) {
        finish(Outcome::Stopped);
        return;
    }
    if (m_roundFailed) {
        finish(Outcome::Failed);
        return;
    }
    m_completed.append(m_current);
    if (m_round < m_plan.rounds()) {
        ++m_round;
        emit log(tr("LogRoundEnter").arg(m_round).arg(m_plan.rounds()));
        launchRound();
        return;
    }
    finish(Outcome::Completed);
}

void RoundRunner::finish(Outcome outcome)
{
    m_endedAt = QDateTime::currentDateTime();
    m_durationMs = m_duration.elapsed();
    m_running = false;
    m_outcome = outcome;
    emit finished(outcome);
}

RoundRunner::Means RoundRunner::meansOf(const QVector<RoundAverages> &rounds)
{
    Means m;
    if (rounds.isEmpty())
        return m;
    for (const RoundAverages &r : rounds) {
        m.write += r.write;
        if (r.readDone) {
            m.read += r.read;
            ++m.readRounds;
        }
    }
    m.write /= rounds.size();
    if (m.readRounds > 0)
        m.read /= m.readRounds;
    return m;
}
