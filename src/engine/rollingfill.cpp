// The rolling fill stress test: fill the card's free space with files of one size, then
// keep deleting the oldest and writing a new one, reporting it all as one write stream.
// With verification on, one last file takes the whole blocks left of the free space, and the
// files left at the end (the whole free space) are read back and compared: the whole-card
// check that tells how much of the card holds its data.
#include "filenaming.h"
#include "fileworker.h"
#include "speedtester.h"

#include <limits>

namespace {
constexpr double kBytesPerMB = 1048576.0;
constexpr int kWatchMs = 200;
constexpr qint64 kSampleAfterNs = 199999999;
}  // namespace

void SpeedTester::watchSerialWorker(FileWorker &worker, SerialProgress &progress)
{
    const bool writing = progress.direction == Direction::Write;
    while (worker.isRunning()) {
        worker.wait(kWatchMs);
        if (!cardStillThere(true) || stopRequested())
            break;
        const qint64 b = worker.bytesDone();
        if (progress.timer.nsecsElapsed() - progress.lastSampleNs <= kSampleAfterNs)
            continue;
        const qint64 cumulative = progress.doneBytes + b;
        progress.sample(cumulative, cumulative >= progress.plannedBytes);
        emitSerialSample(progress, writing);
    }
    worker.wait();
    progress.doneBytes += worker.bytesDone();
    noteCacheFallback(worker);
}

// The closing report of a serial run: the stretch since the last sample, folded into it.
void SpeedTester::closeSerial(SerialProgress &progress)
{
    if (progress.lastPercent < 100)
        progress.sample(progress.doneBytes, true);
    progress.lastPercent = 100;
    emitSerialSample(progress, progress.direction == Direction::Write);
}

void SpeedTester::emitSerialSample(const SerialProgress &progress, bool writing)
{
    const int percent = progress.lastPercent;
    const double average = progress.lastAverage;
    if (writing) {
        emit writeProgress(percent, progress.lastCurrent, average);
        emit fileWriteSample(0, percent, progress.lastCurrent, average);
    } else {
        emit readProgress(percent, progress.lastCurrent, average);
        emit fileReadSample(0, percent, progress.lastCurrent, average);
    }
}

void SpeedTester::SerialProgress::sample(qint64 cumulative, bool last)
{
    const qint64 now = timer.nsecsElapsed();
    lastCurrent = span.next(cumulative - lastSampleBytes, now - lastSampleNs, last);
    // Not capped: a stress test that writes more than planned says so.
    lastPercent = plannedBytes > 0 ? int(cumulative * 100 / plannedBytes) : 100;
    lastAverage = cumulative / kBytesPerMB / qMax(0.001, now / 1e9);
    lastSampleNs = now;
    lastSampleBytes = cumulative;
}

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
    CardNames names(m_targetDir);

    emit log(tr("LogRollingStart"));
    emit log(tr("LogRollingParams")
                 .arg(fileSize / 1048576)
                 .arg(initialCount)
                 .arg(m_rollingRounds)
                 .arg(totalWrites));
    if (m_verifyData)
        emit log(tr("LogVerifyOn"));

    QStringList filesOnCard;   // oldest first
    QVector<quint32> numbers;  // each file's number in its stamps
    bool failed = false;
    const qint64 tail =
        m_verifyData ? wholeBlocks(m_freeBytes - initialCount * fileSize, m_blockSize) : 0;
    SerialProgress progress(Direction::Write, totalWrites * fileSize + tail);
    if (cardStillThere())
        m_journal.begin(m_targetDir, names);

    for (qint64 k = 0; cardStillThere() && !stopRequested() && k < totalWrites; ++k) {
        if (filesOnCard.size() >= initialCount) {
            const QString oldest = filesOnCard.takeFirst();
            numbers.removeFirst();
            removeAtEnd({oldest});  // one that stays is not tried again
        }
        const QString path =
            m_targetDir + names.uniqueTargetName(QStringLiteral("__roll_%1.dat").arg(k));
        m_journal.note(path, fileSize);
        filesOnCard.append(path);
        numbers.append(quint32(k));

        if (!writeRollingFile(path, quint32(k), fileSize, false, progress) && cardStillThere()
            && !stopRequested()) {
            failed = true;
            break;
        }
    }

    QVector<qint64> sizes(filesOnCard.size(), fileSize);
    if (!failed && tail > 0 && cardStillThere() && !stopRequested()) {
        const QString path =
            m_targetDir + names.uniqueTargetName(QStringLiteral("__roll_%1.dat").arg(totalWrites));
        m_journal.note(path, tail);
        filesOnCard.append(path);
        numbers.append(quint32(totalWrites));
        sizes.append(0);
        emit log(tr("LogFillTail").arg(tail / 1048576));
        failed = !writeRollingFile(path, quint32(totalWrites), tail, true, progress, &sizes.last())
                 && cardStillThere() && !stopRequested();
    }
    // A card that went away ends the test at once: no results, and nothing said after it.
    if (!failed && !cardStillThere()) {
        reportCardGone();
        failed = true;
    }
    // As after a failed pass: nothing after the error may read as a finished write.
    if (!failed) {
        closeSerial(progress);
        emit writeFinished(progress.lastAverage);
        if (m_verifyData && !stopRequested() && !readBackRollingFiles(filesOnCard, numbers, sizes)
            && !cardStillThere())
            reportCardGone();
    }
    removeAtEnd(filesOnCard);
    // Off the card the journal's name may be anyone's file: it stays for the next start.
    if (!cardStillThere())
        return;
    m_journal.finish();
    emit log(stopRequested() ? tr("LogUserCancelled") : tr("LogRollingDone"));
}

bool SpeedTester::writeRollingFile(const QString &path, quint32 number, qint64 size, bool toEnd,
                                   SerialProgress &progress, qint64 *written)
{
    FileWorker worker(FileWorker::Mode::Write, QString(), path, size, m_blockSize, &m_stopFlag);
    attachVerification(worker, number, 0);
    // The file system's own overhead is not known beforehand: the card says when it is full.
    worker.setFillToEnd(toEnd);
    worker.setCardVolume(m_guard.expected());
    worker.start();
    watchSerialWorker(worker, progress);
    if (written)
        *written = worker.bytesDone();
    if (!worker.succeeded() && cardStillThere() && !stopRequested()) {
        emit testError(worker.errorMessage().isEmpty() ? tr("LogWriteFailed")
                                                       : worker.errorMessage());
    }
    return worker.succeeded();
}

bool SpeedTester::readBackRollingFiles(const QStringList &files, const QVector<quint32> &numbers,
                                       const QVector<qint64> &sizes)
{
    emit log(tr("LogRead"));
    qint64 planned = 0;
    for (qint64 size : sizes)
        planned += size;
    SerialProgress progress(Direction::Read, planned);
    DataCheck check;
    for (int i = 0; i < files.size() && cardStillThere() && !stopRequested(); ++i) {
        FileWorker worker(FileWorker::Mode::Read, QString(), files[i], sizes[i], m_blockSize,
                          &m_stopFlag);
        // The files deleted by the rolling rounds are the ones numbered below the oldest left.
        attachVerification(worker, numbers[i], 0, numbers.first());
        worker.setCardVolume(m_guard.expected());
        worker.start();
        watchSerialWorker(worker, progress);
        check.merge(worker.dataCheck());
        if (!worker.succeeded() && cardStillThere() && !stopRequested()) {
            emit testError(worker.errorMessage());
            return false;
        }
    }
    if (!cardStillThere() || stopRequested())
        return false;
    closeSerial(progress);
    const double average = progress.lastAverage;
    reportDataCheck(check);
    emit readFinished(average);
    emit log(tr("LogReadDone").arg(average, 0, 'f', 2));
    return true;
}
