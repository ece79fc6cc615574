#include "fileworker.h"

#include "alignedbuffer.h"
#include "blockfile.h"
#include "randompattern.h"

#include <QFile>

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

    const qint64 blocks = m_fileSize / m_blockSize;
    const auto request = static_cast<std::size_t>(m_blockSize);
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
