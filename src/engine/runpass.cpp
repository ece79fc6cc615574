// One write or read pass over all test files: one worker per file, watched by the
// engine thread, which turns the workers' byte counters into progress and speed samples.
#include "fileworker.h"
#include "speedtester.h"

#include <QFileInfo>

namespace {
constexpr double kBytesPerMB = 1048576.0;
constexpr int kPollMs = 50;
constexpr qint64 kSampleAfterMs = 199;  // sample once more than this has passed

double atLeastOneMs(double seconds)
{
    return qMax(0.001, seconds);
}

double passSeconds(const QElapsedTimer &timer)
{
    return atLeastOneMs(timer.nsecsElapsed() / 1e9);
}

qint64 bytesSum(const QVector<FileWorker *> &workers)
{
    qint64 sum = 0;
    for (const FileWorker *w : workers)
        sum += w->bytesDone();
    return sum;
}

// Waits at most one poll interval, returning early when a running worker ends, so the
// end of the pass is seen at once instead of up to a poll interval late.
void pollPause(const QVector<FileWorker *> &workers, const QVector<bool> &started)
{
    for (int i = 0; i < workers.size(); ++i) {
        if (started[i] && workers[i]->isRunning()) {
            workers[i]->wait(kPollMs);
            return;
        }
    }
    QThread::msleep(kPollMs);
}
}  // namespace

bool SpeedTester::runPass(Direction direction, const QStringList &sources)
{
    const bool writing = direction == Direction::Write;
    const int n = m_testFiles.size();
    const QString stagger = QString::number(m_staggerMs / 1000.0, 'f', 1);
    if (!cardStillThere()) {
        reportCardGone();
        return false;
    }

    if (writing && sources.isEmpty())
        emit log(tr("LogWriteRandom"));
    else if (writing)
        emit log(n > 1 ? tr("LogWriteParallelFiles").arg(n).arg(stagger) : tr("LogWriteFileCopy"));
    else
        emit log(n > 1 ? tr("LogReadParallelFiles").arg(n).arg(stagger) : tr("LogRead"));

    PassState state;
    state.direction = direction;
    state.total = m_testSize;
    for (int i = 0; i < n; ++i) {
        state.workers.append(
            new FileWorker(writing ? FileWorker::Mode::Write : FileWorker::Mode::Read,
                           sources.isEmpty() ? QString() : sources.at(i), m_testFiles.at(i),
                           m_fileSizes.at(i), m_blockSize, &m_stopFlag));
        if (sources.isEmpty())
            attachVerification(*state.workers.last(), quint32(i), i);
        state.workers.last()->setCardVolume(m_guard.expected());
    }
    state.started.fill(false, n);
    state.finished.fill(false, n);
    state.lastSampleNs.fill(0, n);
    state.lastBytes.fill(0, n);
    state.spans.resize(n);

    auto startWorker = [&](int i) {
        state.workers[i]->start();
        state.started[i] = true;
        state.lastSampleNs[i] = state.startTimer.nsecsElapsed();
    };

    state.startTimer.start();
    startWorker(0);
    if (n > 1)
        logFileStart(direction, 0, sources);
    state.passTimer.start();
    state.intervalTimer.start();

    bool stopped = false;
    for (int k = 1; k < n;) {
        if (state.startTimer.elapsed() >= qint64(m_staggerMs) * k) {
            startWorker(k);
            logFileStart(direction, k, sources);
            ++k;
            continue;
        }
        if (!cardStillThere(true) || stopRequested()) {
            stopped = true;
            break;
        }
        if (state.intervalTimer.elapsed() > kSampleAfterMs)
            sampleProgress(state, bytesSum(state.workers), false);
        QThread::msleep(kPollMs);
    }

    while (!stopped && cardStillThere(true) && !stopRequested()) {
        bool anyRunning = false;
        for (const FileWorker *w : qAsConst(state.workers))
            anyRunning = anyRunning || w->isRunning();
        if (!anyRunning)
            break;
        if (state.intervalTimer.elapsed() > kSampleAfterMs)
            sampleProgress(state, bytesSum(state.workers), false);
        pollPause(state.workers, state.started);
    }

    for (FileWorker *w : qAsConst(state.workers))
        w->wait();
    // Read the clock before anything else, so the average covers the transfer only.
    const double seconds = passSeconds(state.passTimer);
    // Whatever the workers found, a card that went away ends the run here, without results.
    const bool cardThere = cardStillThere();

    auto deleteWorkers = [&] {
        qDeleteAll(state.workers);
        state.workers.clear();
    };

    if (stopRequested()) {
        deleteWorkers();
        if (!cardThere)
            reportCardGone();
        return false;
    }

    sampleProgress(state, bytesSum(state.workers), true);

    QStringList errors;
    qint64 moved = 0;
    DataCheck check;
    for (const FileWorker *w : qAsConst(state.workers)) {
        if (!w->succeeded() && !w->errorMessage().isEmpty())
            errors.append(w->errorMessage());
        moved += w->bytesDone();
        check.merge(w->dataCheck());
        noteCacheFallback(*w);
    }
    deleteWorkers();
    if (!errors.isEmpty()) {
        emit testError(errors.join(QLatin1Char('\n')));
        return false;
    }

    const double avg = moved / kBytesPerMB / seconds;
    if (writing) {
        emit writeProgress(100, avg, avg);
        emit writeFinished(avg);
        emit log(tr("LogWriteDone").arg(avg, 0, 'f', 2));
    } else {
        emit readProgress(100, avg, avg);
        if (m_verifyData)
            reportDataCheck(check);
        emit readFinished(avg);
        emit log(tr("LogReadDone").arg(avg, 0, 'f', 2));
    }
    return true;
}

void SpeedTester::sampleProgress(PassState &state, qint64 sum, bool final)
{
    const bool writing = state.direction == Direction::Write;
    const double passSecs = passSeconds(state.passTimer);
    const double average = sum / kBytesPerMB / passSecs;
    int percent = state.total > 0 ? int(qMin<qint64>(100, sum * 100 / state.total)) : 0;
    if (final)
        percent = 100;
    const double current = state.totalSpan.next(sum - state.lastTotal,
                                                state.intervalTimer.nsecsElapsed(), percent == 100);
    if (writing)
        emit writeProgress(percent, current, average);
    else
        emit readProgress(percent, current, average);

    const qint64 now = state.startTimer.nsecsElapsed();
    for (int i = 0; i < state.workers.size(); ++i) {
        if (!state.started[i] || state.finished[i])
            continue;
        const FileWorker *worker = state.workers[i];
        const qint64 b = worker->bytesDone();
        if (b == 0) {
            // A file's clock starts at its first byte.
            state.lastSampleNs[i] = now;
            continue;
        }
        const qint64 size = m_fileSizes[i];
        int pct = size > 0 ? int(qMin<qint64>(100, b * 100 / size)) : 0;
        if (final)
            pct = 100;
        // A file whose data is all there ended when its last block did, not at this look.
        const qint64 at =
            b >= size ? qMax(state.lastSampleNs[i], now - worker->nsSinceLastMove()) : now;
        const double cur =
            state.spans[i].next(b - state.lastBytes[i], at - state.lastSampleNs[i], pct == 100);
        const double avg = b / kBytesPerMB / passSecs;
        if (writing)
            emit fileWriteSample(i, pct, cur, avg);
        else
            emit fileReadSample(i, pct, cur, avg);
        state.lastBytes[i] = b;
        state.lastSampleNs[i] = now;
        if (worker->isFinished() && b >= size)
            state.finished[i] = true;
    }

    state.lastTotal = sum;
    state.intervalTimer.restart();
}

void SpeedTester::logFileStart(Direction direction, int index, const QStringList &sources)
{
    const QString &path = sources.isEmpty() ? m_testFiles.at(index) : sources.at(index);
    const QString label = QStringLiteral("#%1: %2").arg(index + 1).arg(QFileInfo(path).fileName());
    emit log(direction == Direction::Write ? tr("LogBeginWrite").arg(label)
                                           : tr("LogBeginRead").arg(label));
}
