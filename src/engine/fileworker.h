#pragma once

#include "datacheck.h"
#include "volumeidentity.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <optional>

namespace platform {
class BlockFile;
}

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

    // Stamps every sector written (write mode) or compares every byte read with what was
    // written (read mode). `pattern` is one block of the usual pattern, kept by the caller
    // for the worker's life. Set before start().
    struct Verification {
        quint64 run = 0;
        quint32 file = 0;  // the file's number in its stamps
        int stream = 0;    // the results row it belongs to
        const unsigned char *pattern = nullptr;
        quint32 liveFrom = 0;  // files of this run numbered below it are deleted
    };
    void setVerification(const Verification &verification);
    // What the card's root led to at Start: the test file's folder must still lead there and
    // the opened file lie on that volume. A file found elsewhere, as when the card went away
    // under its path, is neither written nor read. Set before start(); without it nothing
    // is checked.
    void setCardVolume(const platform::VolumeIdentity &volume);
    // Write mode: the file ends where the card is full, `fileSize` being at most; a write
    // refused for want of space ends it complete, with the whole blocks written before.
    void setFillToEnd(bool on) { m_fillToEnd = on; }

    qint64 bytesDone() const { return m_bytesDone.load(std::memory_order_acquire); }
    // How long ago the last bytes counted in bytesDone() arrived: a stream's data may end
    // well before the next look at it. 0 before the first block.
    qint64 nsSinceLastMove() const;
    // Valid only after the thread has finished.
    bool succeeded() const { return m_succeeded; }
    QString errorMessage() const { return m_errorMessage; }
    // The file system refused unbuffered access and the transfer went through the
    // page cache (whose pages were dropped). Valid after the thread has finished.
    bool usedCacheFallback() const { return m_cacheFallback; }
    // What the compared blocks held. Valid after the thread has finished.
    const DataCheck &dataCheck() const { return m_check; }

protected:
    void run() override;

private:
    bool stopRequested() const;
    static qint64 steadyNs();
    void addBytes(qint64 n);
    bool verifying() const;
    // False when stopped or failed.
    bool readVerified(platform::BlockFile &file, unsigned char *first);
    // Whether the opened test file, or before it is opened the folder it goes in, lies on
    // the card; false with the error message set.
    bool onCard(const platform::BlockFile *opened);

    const Mode m_mode;
    const QString m_sourcePath;
    const QString m_targetPath;
    const qint64 m_fileSize;
    const qint64 m_blockSize;
    const std::atomic<int> *const m_stopFlag;
    std::atomic<qint64> m_bytesDone{0};
    std::atomic<qint64> m_lastMoveNs{0};
    bool m_succeeded = false;
    QString m_errorMessage;
    bool m_cacheFallback = false;
    Verification m_verification;
    std::optional<platform::VolumeIdentity> m_cardVolume;
    bool m_fillToEnd = false;
    DataCheck m_check;
};
