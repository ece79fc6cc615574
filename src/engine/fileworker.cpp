#include "fileworker.h"

#include "alignedbuffer.h"
#include "blockfile.h"
#include "datastamp.h"
#include "ioerror.h"
#include "ioreason.h"
#include "randompattern.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <cstring>

using platform::AlignedBuffer;
using platform::BlockFile;

namespace {
std::string nativePath(const QString &path)
{
    return path.toStdString();  // UTF-8, as the platform layer takes paths
}

// A short answer is no error yet: the rest of the block is asked for once more, and only
// what still comes back short or failed is one.
std::int64_t wholeRead(BlockFile &file, void *buffer, std::int64_t got, std::size_t size)
{
    return got >= 0 && got < std::int64_t(size) ? file.readRest(buffer, size, std::size_t(got))
                                                : got;
}
}  // namespace

FileWorker::FileWorker(Mode mode, const QString &sourcePath, const QString &targetPath,
                       qint64 fileSize, qint64 blockSize, const std::atomic<int> *stopFlag,
                       QObject *parent)
    : QThread(parent)
    , m_mode(mode)
    , m_sourcePath(sourcePath)
    , m_targetPath(targetPath)
    , m_fileSize(fileSize)
    , m_blockSize(blockSize)
    , m_stopFlag(stopFlag)
{}

FileWorker::~FileWorker() = default;

void FileWorker::setVerification(const Verification &verification)
{
    m_verification = verification;
}

void FileWorker::setCardVolume(const platform::VolumeIdentity &volume)
{
    m_cardVolume = volume;
}

bool FileWorker::onCard(const BlockFile *opened)
{
    if (!m_cardVolume)
        return true;
    std::uint64_t device = 0;
    platform::VolumeIdentity folder;
    const bool there = opened ? opened->volume(device) && device == m_cardVolume->device
                              : platform::readVolumeIdentity(
                                    nativePath(QFileInfo(m_targetPath).absolutePath()), folder)
                                    && folder == *m_cardVolume;
    if (there)
        return true;
    m_errorMessage = tr("ErrCardGone");
    return false;
}

bool FileWorker::verifying() const
{
    return m_verification.pattern && m_blockSize > kStampBytes && m_sourcePath.isEmpty();
}

qint64 FileWorker::steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void FileWorker::addBytes(qint64 n)
{
    // The time first, so whoever sees the bytes also sees when they arrived.
    m_lastMoveNs.store(steadyNs(), std::memory_order_relaxed);
    m_bytesDone.fetch_add(n, std::memory_order_release);
}

qint64 FileWorker::nsSinceLastMove() const
{
    const qint64 at = m_lastMoveNs.load(std::memory_order_relaxed);
    return at > 0 ? qMax<qint64>(0, steadyNs() - at) : 0;
}

bool FileWorker::stopRequested() const
{
    return m_stopFlag && m_stopFlag->load(std::memory_order_relaxed) != 0;
}

void FileWorker::run()
{
    // The buffer is freed by its destructor on every path out of run().
    AlignedBuffer buffer(m_blockSize > 0 ? static_cast<std::size_t>(m_blockSize) : 0);
    if (buffer.isNull() || m_blockSize <= 0) {
        m_errorMessage = QStringLiteral("Failed to allocate I/O buffer");
        return;
    }

    // Where the card's folder already leads elsewhere, nothing is created or opened there.
    if (!onCard(nullptr))
        return;

    const bool copying = m_mode == Mode::Write && !m_sourcePath.isEmpty();
    BlockFile source;
    BlockFile target;

    if (m_mode == Mode::Write) {
        if (copying) {
            if (!source.open(nativePath(m_sourcePath), BlockFile::Mode::ReadCached)) {
                m_errorMessage = withIoReason(
                    tr("无法打开源文件: %1").arg(QDir::toNativeSeparators(m_sourcePath)),
                    source.lastError(), m_sourcePath, true);
                return;
            }
        } else {
            // Generated once, before the file is opened: nothing is computed while timing.
            fillRandomPattern(buffer.data(), m_blockSize);
        }
        if (!target.open(nativePath(m_targetPath), BlockFile::Mode::WriteThrough)) {
            m_errorMessage =
                withIoReason(tr("无法创建目标文件: %1").arg(QDir::toNativeSeparators(m_targetPath)),
                             target.lastError(), m_targetPath, false);
            return;
        }
    } else if (!target.open(nativePath(m_targetPath), BlockFile::Mode::ReadUncached)) {
        m_errorMessage =
            withIoReason(tr("无法读取文件: %1").arg(QDir::toNativeSeparators(m_targetPath)),
                         target.lastError(), m_targetPath, true);
        return;
    }
    // The folder may have changed since it was looked at: the open file decides. A file
    // made off the card in that instant is left alone, as its path may no longer lead to it.
    if (!onCard(&target))
        return;

    if (m_mode == Mode::Read && verifying()) {
        const bool ended = readVerified(target, buffer.data());
        m_cacheFallback = target.usedCacheFallback();
        target.close();
        m_succeeded = ended && m_errorMessage.isEmpty();
        return;
    }

    const qint64 blocks = m_fileSize / m_blockSize;
    const auto request = static_cast<std::size_t>(m_blockSize);
    const bool stamping = m_mode == Mode::Write && verifying();
    for (qint64 i = 0; i < blocks; ++i) {
        if (stopRequested()) {
            m_cacheFallback = target.usedCacheFallback();
            return;
        }
        std::int64_t moved;
        if (m_mode == Mode::Write) {
            if (copying
                && wholeRead(source, buffer.data(), source.read(buffer.data(), request), request)
                       != m_blockSize) {
                m_errorMessage = withIoReason(
                    tr("读取源文件失败 (%1)").arg(QDir::toNativeSeparators(m_sourcePath)),
                    source.lastError(), m_sourcePath, true);
                break;
            }
            if (stamping)
                stampBlock(buffer.data(), m_blockSize,
                           {m_verification.run, m_verification.file, quint64(i)});
            moved = target.write(buffer.data(), request);
            // Short mostly means a full card: writing the rest once more either finishes the
            // block or brings the system's reason.
            if (moved >= 0 && moved < m_blockSize)
                moved = target.writeRest(buffer.data(), request, std::size_t(moved));
            if (moved != m_blockSize && m_fillToEnd
                && platform::ioErrorKind(target.lastError(), nativePath(m_targetPath))
                       == platform::IoErrorKind::NoSpace)
                break;  // the card is full: the file ends here
            if (moved != m_blockSize) {
                m_errorMessage =
                    withIoReason(tr("写入失败 (%1)").arg(QDir::toNativeSeparators(m_targetPath)),
                                 target.lastError(), m_targetPath, false);
                break;
            }
        } else {
            moved = wholeRead(target, buffer.data(), target.read(buffer.data(), request), request);
            if (moved != m_blockSize) {
                m_errorMessage =
                    withIoReason(tr("读取失败 (%1)").arg(QDir::toNativeSeparators(m_targetPath)),
                                 target.lastError(), m_targetPath, true);
                break;
            }
        }
        addBytes(moved);
    }

    m_cacheFallback = target.usedCacheFallback();
    source.close();
    target.close();
    m_succeeded = m_errorMessage.isEmpty();
}

// Reads the file back and compares every byte with what was written there, the next block
// already on its way meanwhile, so the comparison costs the transfer no time.
bool FileWorker::readVerified(BlockFile &file, unsigned char *first)
{
    const auto request = static_cast<std::size_t>(m_blockSize);
    AlignedBuffer second(request);
    AlignedBuffer expected(request);  // the pattern, its stamps patched in for each block
    if (second.isNull() || expected.isNull()) {
        m_errorMessage = QStringLiteral("Failed to allocate I/O buffer");
        return false;
    }
    std::memcpy(expected.data(), m_verification.pattern, request);
    const StampScope scope{m_verification.run, m_verification.liveFrom};
    unsigned char *const buffers[2] = {first, second.data()};
    const QString name = QFileInfo(m_targetPath).fileName();
    const int stream = m_verification.stream;
    const qint64 blocks = m_fileSize / m_blockSize;
    bool inFlight = blocks > 0;
    if (inFlight)
        file.startRead(buffers[0], request);
    for (qint64 i = 0; i < blocks; ++i) {
        // A file on the card has its full size once written, so even a short read is a read
        // error, not data the card never stored.
        const qint64 got = wholeRead(file, buffers[i % 2], file.awaitRead(), request);
        inFlight = false;
        if (got != m_blockSize) {
            m_errorMessage =
                withIoReason(tr("读取失败 (%1)").arg(QDir::toNativeSeparators(m_targetPath)),
                             file.lastError(), m_targetPath, true);
            return false;
        }
        if (stopRequested())
            return false;
        if (i + 1 < blocks) {
            file.startRead(buffers[(i + 1) % 2], request);
            inFlight = true;
        }
        addBytes(got);

        stampBlock(expected.data(), m_blockSize,
                   {m_verification.run, m_verification.file, quint64(i)});
        checkBlock(buffers[i % 2], expected.data(), m_blockSize, scope, name, stream,
                   i * m_blockSize, &m_check);
    }
    if (inFlight)
        file.awaitRead();  // the second buffer goes with this function
    return true;
}
