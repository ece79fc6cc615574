#include "speedtester.h"

#include "datastamp.h"
#include "filenaming.h"
#include "fileworker.h"
#include "ioreason.h"
#include "randompattern.h"

#include <QFileInfo>

SpeedTester::SpeedTester(QObject *parent)
    : QThread(parent)
{}

SpeedTester::~SpeedTester()
{
    requestStop();
    wait();
}

void SpeedTester::setTargetDir(const QString &dir)
{
    m_targetDir = dir;
}

void SpeedTester::setTestSize(qint64 bytes)
{
    m_testSize = bytes;
}

void SpeedTester::setBlockSize(qint64 bytes)
{
    m_blockSize = bytes;
}

void SpeedTester::setSourceFiles(const QStringList &files)
{
    m_sourceFiles = files;
}

void SpeedTester::setStreamCount(int n)
{
    m_streamCount = qBound(1, n, 16);
}

void SpeedTester::setStaggerMs(int ms)
{
    m_staggerMs = qMax(0, ms);
}

void SpeedTester::setReadEnabled(bool on)
{
    m_readEnabled = on;
}

void SpeedTester::setRollingFill(qint64 fileSize, qint64 freeBytes, int rounds)
{
    m_rollingFileSize = fileSize;
    m_freeBytes = freeBytes;
    m_rollingRounds = qMax(0, rounds);
}

void SpeedTester::setVerifyData(bool on)
{
    m_verifyData = on;
}

void SpeedTester::setCardVolume(const std::optional<platform::VolumeIdentity> &volume)
{
    m_cardVolumeGiven = true;
    m_cardVolume = volume;
}

void SpeedTester::requestStop()
{
    m_stopFlag.store(1, std::memory_order_relaxed);
}

void SpeedTester::run()
{
    // A tester runs once, so a stop asked for before the thread got here still counts.
    if (stopRequested()) {
        emit log(tr("LogUserCancelled"));
        return;
    }
    m_cacheFallbackLogged = false;
    m_guard.arm(m_targetDir, m_cardVolumeGiven ? m_cardVolume : CardGuard::identify(m_targetDir));
    if (!cardStillThere()) {
        reportCardGone();
        return;
    }
    if (m_verifyData) {
        m_runId = newRunId();
        m_pattern = QByteArray(int(qMax<qint64>(0, m_blockSize)), Qt::Uninitialized);
        fillRandomPattern(reinterpret_cast<unsigned char *>(m_pattern.data()), m_blockSize);
    }

    if (m_rollingFileSize > 0 && m_freeBytes > 0) {
        runRollingFill();
        return;
    }

    m_testFiles.clear();
    m_fileSizes.clear();
    QStringList sources;  // external mode: the source of each test file, same order
    CardNames names(m_targetDir);
    if (!m_sourceFiles.isEmpty()) {
        if (!prepareExternalFiles(names, sources))
            return;
    } else if (!prepareRandomFiles(names)) {
        return;
    }

    logHeader();
    if (!cardStillThere()) {
        reportCardGone();
        return;
    }
    m_journal.begin(m_targetDir, names);
    for (int i = 0; i < m_testFiles.size(); ++i)
        m_journal.note(m_testFiles[i], m_fileSizes[i], !sources.isEmpty());

    if (!runPass(Direction::Write, sources) || stopRequested()) {
        removeTestFiles();
        if (stopRequested() && !m_cardGone)
            emit log(tr("LogUserCancelled"));
        return;
    }

    if (!m_readEnabled && !m_verifyData) {
        emit log(tr("LogReadDisabled"));
        removeTestFiles();
    } else {
        const bool readOk = runPass(Direction::Read, QStringList());
        removeTestFiles();
        if (!readOk)
            return;
    }

    if (stopRequested())
        return;
    emit log(tr("LogTestDone"));
}

bool SpeedTester::prepareExternalFiles(CardNames &names, QStringList &sources)
{
    qint64 total = 0;
    for (const QString &src : qAsConst(m_sourceFiles)) {
        const qint64 usable = wholeBlocks(QFileInfo(src).size(), m_blockSize);
        if (usable == 0) {
            emit log(tr("LogSkipSmall").arg(src));
            continue;
        }
        // Never a name already on the card, so a file the test did not create is never
        // overwritten or deleted (not even the source itself when it is on the card).
        m_testFiles.append(m_targetDir + names.uniqueTargetName(QFileInfo(src).fileName()));
        m_fileSizes.append(usable);
        sources.append(src);
        total += usable;
    }
    if (m_testFiles.isEmpty()) {
        emit testError(tr("LogNoValidFiles"));
        return false;
    }
    m_testSize = total;
    return true;
}

bool SpeedTester::prepareRandomFiles(CardNames &names)
{
    const qint64 perFile = wholeBlocks(m_testSize, m_blockSize);
    if (perFile == 0) {
        emit testError(tr("MsgSizeLtBlock"));
        return false;
    }
    const int n = qBound(1, m_streamCount, 16);
    for (int i = 1; i <= n; ++i) {
        const QString wanted = QStringLiteral("__card_speed_test_%1.dat").arg(i);
        m_testFiles.append(m_targetDir + names.uniqueTargetName(wanted));
        m_fileSizes.append(perFile);
    }
    m_testSize = n * perFile;
    return true;
}

void SpeedTester::logHeader()
{
    const int count = m_testFiles.size();
    emit log(tr("LogTestStart"));
    if (m_sourceFiles.isEmpty())
        emit log(count > 1 ? tr("LogModeRandomN").arg(count) : tr("LogModeRandom"));
    else
        emit log(count < 2 ? tr("LogModeExternal") : tr("LogModeExternalN").arg(count));
    emit log(tr("LogSizeBlock").arg(m_testSize / 1048576).arg(m_blockSize / 1024));
    if (m_verifyData)
        emit log(tr("LogVerifyOn"));
}

void SpeedTester::attachVerification(FileWorker &worker, quint32 file, int stream,
                                     quint32 liveFrom) const
{
    if (!m_verifyData)
        return;
    worker.setVerification({m_runId, file, stream,
                            reinterpret_cast<const unsigned char *>(m_pattern.constData()),
                            liveFrom});
}

void SpeedTester::reportDataCheck(const DataCheck &check)
{
    for (const QString &line : dataCheckLogLines(check))
        emit log(line);
    emit dataChecked(check);
}

void SpeedTester::removeTestFiles()
{
    removeAtEnd(m_testFiles);
    // Off the card the journal's name may be anyone's file: it stays for the next start.
    if (cardStillThere())
        m_journal.finish();
}

void SpeedTester::removeAtEnd(const QStringList &paths)
{
    for (const QString &path : paths) {
        // Off the card the name may be anyone's file; a card that went away was said already.
        if (!m_guard.isOnCard(path))
            continue;
        int error = 0;
        // A link or folder standing under the name is not the engine's file: left alone, quietly.
        if (removeTestFile(path, &error) || error == 0)
            continue;
        const QString line = withIoReason(tr("LogCantDelete").arg(path), error, path, false);
        emit log(line);
        emit cleanupFailed(path, line);
    }
}

bool SpeedTester::cardStillThere(bool poll)
{
    if (!m_cardGone && !(poll ? m_guard.poll() : m_guard.holds())) {
        m_cardGone = true;
        m_stopFlag.store(1, std::memory_order_relaxed);
    }
    return !m_cardGone;
}

void SpeedTester::reportCardGone()
{
    if (m_cardGoneReported)
        return;
    m_cardGoneReported = true;
    emit testError(tr("ErrCardGone"));
}

void SpeedTester::noteCacheFallback(const FileWorker &worker)
{
    if (m_cacheFallbackLogged || !worker.usedCacheFallback())
        return;
    m_cacheFallbackLogged = true;
    emit log(tr("LogCacheFallback"));
}
