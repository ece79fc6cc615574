#include "fileworker.h"

#include "alignedbuffer.h"
#include "blockfile.h"
#include "datastamp.h"
#include "randompattern.h"

#include <QFile>
#include <QFileInfo>

using platform::AlignedBuffer;
using platform::BlockFile;

namespace {
std::string nativePath(const QString &path)
{
    return path.toStdString();  // UTF-8, as the platform layer takes paths
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
                m_errorMessage = tr("无法打开源文件: %1").arg(m_sourcePath);
                return;
            }
        } else {
            // Generated once, before the file is opened: nothing is computed while timing.
            fillRandomPattern(buffer.data(), m_blockSize);
        }
        if (!target.open(nativePath(m_targetPath), BlockFile::Mode::WriteThrough)) {
            m_errorMessage = tr("无法创建目标文件: %1").arg(m_targetPath);
            return;
        }
    } else if (!target.open(nativePath(m_targetPath), BlockFile::Mode::ReadUncached)) {
        m_errorMessage = tr("无法读取文件: %1").arg(m_targetPath);
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
            if (copying && source.read(buffer.data(), request) != m_blockSize) {
                m_errorMessage = tr("读取源文件失败 (%1)").arg(m_sourcePath);
                break;
            }
            if (stamping)
                writeStamp(buffer.data(), {m_verification.run, m_verification.file, quint64(i)});
            moved = target.write(buffer.data(), request);
            if (moved != m_blockSize) {
                m_errorMessage = tr("写入失败 (%1)").arg(m_targetPath);
                break;
            }
        } else {
            moved = target.read(buffer.data(), request);
            if (moved != m_blockSize) {
                m_errorMessage = tr("读取失败 (%1)").arg(m_targetPath);
                break;
            }
        }
        m_bytesDone.fetch_add(moved, std::memory_order_relaxed);
    }

    m_cacheFallback = target.usedCacheFallback();
    source.close();
    target.close();
    m_succeeded = m_errorMessage.isEmpty();
}

// Reads the file back and compares every block with what was written there, the next block
// already on its way meanwhile, so the comparison costs the transfer no time.
bool FileWorker::readVerified(BlockFile &file, unsigned char *first)
{
    const auto request = static_cast<std::size_t>(m_blockSize);
    AlignedBuffer second(request);
    if (second.isNull()) {
        m_errorMessage = QStringLiteral("Failed to allocate I/O buffer");
        return false;
    }
    unsigned char *const buffers[2] = {first, second.data()};
    const QString name = QFileInfo(m_targetPath).fileName();
    const int stream = m_verification.stream;
    const qint64 blocks = m_fileSize / m_blockSize;
    bool inFlight = blocks > 0;
    if (inFlight)
        file.startRead(buffers[0], request);
    for (qint64 i = 0; i < blocks; ++i) {
        const qint64 got = file.awaitRead();
        inFlight = false;
        if (got < 0) {
            m_errorMessage = tr("读取失败 (%1)").arg(m_targetPath);
            return false;
        }
        if (stopRequested())
            return false;
        if (got == m_blockSize && i + 1 < blocks) {
            file.startRead(buffers[(i + 1) % 2], request);
            inFlight = true;
        }
        m_bytesDone.fetch_add(got, std::memory_order_relaxed);

        qint64 wrong = 0;
        const StampKey key{m_verification.run, m_verification.file, quint64(i)};
        const DataCheck::Kind kind =
            checkBlock(buffers[i % 2], got, m_blockSize, m_verification.pattern, key, &wrong);
        if (kind == DataCheck::Kind::None)
            m_check.addGood(m_blockSize);
        else
            m_check.addWrong(kind, m_blockSize, wrong, name, stream, i * m_blockSize);
        if (got < m_blockSize) {
            // Nothing follows a short read: the rest of the file was never stored.
            for (qint64 j = i + 1; j < blocks; ++j)
                m_check.addWrong(DataCheck::Kind::Lost, m_blockSize, m_blockSize, name, stream,
                                 j * m_blockSize);
            break;
        }
    }
    if (inFlight)
        file.awaitRead();  // the second buffer goes with this function
    return true;
}
