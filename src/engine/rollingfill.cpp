// The rolling fill stress test: fill the card's free space with files of one size, then
// keep deleting the oldest and writing a new one, reporting it all as one write stream.
#include "filenaming.h"
#include "fileworker.h"
#include "speedtester.h"

#include <limits>

namespace {
constexpr double kBytesPerMB = 1048576.0;
constexpr int kWatchMs = 200;
constexpr qint64 kSampleAfterNs = 199999999;
}  // namespace

void SpeedTester::runRollingFill()
{
    const qint64 fileSize = wholeBlocks(m_rollingFileSize, m_blockSize);
    if (fileSize < 1) {
        emit testError(tr("LogFileTooSmall"));
        return;
    }
    const int initialCount =
        int(qMin<qint64>(m_freeBytes / fileSize, std::numeric_limits<int>::max()));
    if (initialCount < 1) {
        emit testError(tr("LogCardFull"));
        return;
    }
    const qint64 totalWrites = qint64(m_rollingRounds) + initialCount;
    const qint64 plannedBytes = totalWrites * fileSize;
    CardNames names(m_targetDir);

    emit log(tr("LogRollingStart"));
    emit log(tr("LogRollingParams")
                 .arg(fileSize / 1048576)
                 .arg(initialCount)
                 .arg(m_rollingRounds)
                 .arg(totalWrites));

    QStringList filesOnCard;  // oldest first
    bool failed = false;
    qint64 doneBytes = 0;
    qint64 lastSampleNs = 0;
    qint64 lastSampleBytes = 0;
    double lastCurrent = 0.0;
    QElapsedTimer timer;
    timer.start();

    for (qint64 k = 0; !stopRequested() && k < totalWrites; ++k) {
        if (filesOnCard.size() >= initialCount) {
            const QString oldest = filesOnCard.takeFirst();
            if (!removeTestFile(oldest))
                emit log(tr("LogCantDelete").arg(oldest));
        }
        const QString path =
            m_targetDir + names.uniqueTargetName(QStringLiteral("__roll_%1.dat").arg(k));
        filesOnCard.append(path);

        FileWorker worker(FileWorker::Mode::Write, QString(), path, fileSize, m_blockSize,
                          &m_stopFlag);
        worker.start();
        while (worker.isRunning()) {
            worker.wait(kWatchMs);
            if (stopRequested())
                break;
            const qint64 b = worker.bytesDone();
            const qint64 now = timer.nsecsElapsed();
            if (now - lastSampleNs > kSampleAfterNs) {
                const qint64 cumulative = doneBytes + b;
                const double current = (cumulative - lastSampleBytes) / kBytesPerMB
                                       / qMax(0.001, (now - lastSampleNs) / 1e9);
                const double average = cumulative / kBytesPerMB / qMax(0.001, now / 1e9);
                // Not capped: a stress test that writes more than planned says so.
                const int percent = plannedBytes > 0 ? int(cumulative * 100 / plannedBytes) : 100;
                emit writeProgress(percent, current, average);
                emit fileWriteSample(0, percent, current, average);
                lastSampleNs = now;
                lastSampleBytes = cumulative;
                lastCurrent = current;
            }
        }
        worker.wait();
        doneBytes += worker.bytesDone();
        noteCacheFallback(worker);
        if (!worker.succeeded() && !stopRequested()) {
            emit testError(worker.errorMessage().isEmpty() ? tr("LogWriteFailed")
                                                           : worker.errorMessage());
            failed = true;
            break;
        }
    }

    // As after a failed pass: nothing after the error may read as a finished write.
    if (!failed) {
        const double average = doneBytes / kBytesPerMB / qMax(0.001, timer.nsecsElapsed() / 1e9);
        emit writeProgress(100, lastCurrent, average);
        emit fileWriteSample(0, 100, lastCurrent, average);
        emit writeFinished(average);
    }
    for (const QString &path : qAsConst(filesOnCard))
        removeTestFile(path);
    emit log(stopRequested() ? tr("LogUserCancelled") : tr("LogRollingDone"));
}
