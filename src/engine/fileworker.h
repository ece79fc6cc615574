#pragma once

#include <QString>
#include <QThread>

#include <atomic>

// Moves the data of one test file in one direction, in whole blocks, on its own thread.
// The engine watches bytesDone() while it runs and reads the outcome after wait().
class FileWorker : public QThread
{
    Q_OBJECT
public:
    enum class Mode { Write, Read };
    Q_ENUM(Mode)

    FileWorker(Mode mode, const QString &sourcePath, const QString &targetPath, qint64 fileSize,
               qint64 blockSize, const std::atomic<int> *stopFlag, QObject *parent = nullptr);
    ~FileWorker() override;

    qint64 bytesDone() const { return m_bytesDone.load(std::memory_order_relaxed); }
    // Valid only after the thread has finished.
    bool succeeded() const { return m_succeeded; }
    QString errorMessage() const { return m_errorMessage; }
    // The file system refused unbuffered access and the transfer went through the
    // page cache (whose pages were dropped). Valid after the thread has finished.
    bool usedCacheFallback() const { return m_cacheFallback; }

protected:
    void run() override;

private:
    bool stopRequested() const;

    const Mode m_mode;
    const QString m_sourcePath;
    const QString m_targetPath;
    const qint64 m_fileSize;
    const qint64 m_blockSize;
    const std::atomic<int> *const m_stopFlag;
    std::atomic<qint64> m_bytesDone{0};
    bool m_succeeded = false;
    QString m_errorMessage;
    bool m_cacheFallback = false;
};
