#pragma once

#include "cardguard.h"
#include "datacheck.h"
#include "samplespan.h"
#include "testjournal.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <QVector>

#include <atomic>

class CardNames;
class FileWorker;

// Runs one complete measurement on the card on its own thread: prepares the test
// files, writes them with one FileWorker per file, optionally reads them back, and
// deletes them; or runs the rolling fill stress test instead. Reports only through
// its signals; the end of the run is the end of the thread.
class SpeedTester : public QThread
{
    Q_OBJECT
public:
    explicit SpeedTester(QObject *parent = nullptr);
    ~SpeedTester() override;

    void setTargetDir(const QString &dir);
    void setTestSize(qint64 bytes);
    void setBlockSize(qint64 bytes);
    void setSourceFiles(const QStringList &files);
    void setStreamCount(int n);
    void setStaggerMs(int ms);
    void setReadEnabled(bool on);
    void setRollingFill(qint64 fileSize, qint64 freeBytes, int rounds);
    // Stamps every block written and compares every block read back with it; the files are
    // read back even when the read test is off. Reported through dataChecked().
    void setVerifyData(bool on);
    // What the card's root led to at the run's Start (CardGuard::identify), which every round
    // must find again; nothing: it could not be told then, and the run fails at once. Without
    // a call, run() looks at the root itself as it begins.
    void setCardVolume(const std::optional<platform::VolumeIdentity> &volume);
    // Honoured whenever it comes, even before start(): a tester runs once.
    void requestStop();

    QString targetDir() const { return m_targetDir; }
    QStringList sourceFiles() const { return m_sourceFiles; }
    // The files and sizes of the current test; rebuilt by run().
    QStringList testFiles() const { return m_testFiles; }
    QVector<qint64> fileSizes() const { return m_fileSizes; }
    qint64 testSize() const { return m_testSize; }
    qint64 blockSize() const { return m_blockSize; }
    int streamCount() const { return m_streamCount; }
    int staggerMs() const { return m_staggerMs; }
    bool readEnabled() const { return m_readEnabled; }
    qint64 rollingFileSize() const { return m_rollingFileSize; }
    qint64 freeBytes() const { return m_freeBytes; }
    int rollingRounds() const { return m_rollingRounds; }
    bool verifyData() const { return m_verifyData; }
    bool stopRequested() const { return m_stopFlag.load(std::memory_order_relaxed) != 0; }

signals:
    void writeProgress(int percent, double currentSpeedMBps, double avgSpeedMBps);
    void readProgress(int percent, double currentSpeedMBps, double avgSpeedMBps);
    void fileWriteSample(int fileIdx, int percent, double curMBps, double avgMBps);
    void fileReadSample(int fileIdx, int percent, double curMBps, double avgMBps);
    void writeFinished(double avgSpeedMBps);
    void readFinished(double avgSpeedMBps);
    void testError(const QString &message);
    void log(const QString &message);
    // What the read-back found, just before readFinished(); only with verification on.
    void dataChecked(const DataCheck &check);
    // A test file could not be deleted at the end and stays on the card: `message` is the
    // log line, with the system's reason.
    void cleanupFailed(const QString &path, const QString &message);

protected:
    void run() override;

private:
    enum class Direction { Write, Read };

    // Per-pass bookkeeping of the sampling step.
    struct PassState {
        Direction direction = Direction::Write;
        QVector<FileWorker *> workers;
        QVector<bool> started;
        QVector<bool> finished;
        QVector<qint64> lastSampleNs;  // on the start timer
        QVector<qint64> lastBytes;
        QVector<SampleSpan> spans;
        qint64 lastTotal = 0;
        SampleSpan totalSpan;
        qint64 total = 0;
        QElapsedTimer startTimer;
        QElapsedTimer passTimer;
        QElapsedTimer intervalTimer;
    };

    // One stream moving one file after another (the rolling fill and its read-back): the
    // byte count and the sample clock run on across files, so speeds stay continuous.
    struct SerialProgress {
        SerialProgress(Direction d, qint64 planned)
            : direction(d)
            , plannedBytes(planned)
        {
            timer.start();
        }
        // One sample of the bytes moved so far; `last` ends the stream (percent 100).
        void sample(qint64 cumulative, bool last);

        Direction direction;
        qint64 plannedBytes;  // the 100 % mark
        qint64 doneBytes = 0;
        qint64 lastSampleNs = 0;
        qint64 lastSampleBytes = 0;
        double lastCurrent = 0.0;
        double lastAverage = 0.0;
        int lastPercent = 0;
        SampleSpan span;
        QElapsedTimer timer;
    };

    bool prepareExternalFiles(CardNames &names, QStringList &sources);
    bool prepareRandomFiles(CardNames &names);
    void logHeader();
    bool runPass(Direction direction, const QStringList &sources);
    void sampleProgress(PassState &state, qint64 sum, bool final);
    void logFileStart(Direction direction, int index, const QStringList &sources);
    void noteCacheFallback(const FileWorker &worker);
    void runRollingFill();
    // Samples the worker until it ends, then adds its bytes.
    void watchSerialWorker(FileWorker &worker, SerialProgress &progress);
    void closeSerial(SerialProgress &progress);
    void emitSerialSample(const SerialProgress &progress, bool writing);
    // Writes one file of the fill as part of its one write stream (`toEnd`: the last one, up
    // to where the card is full, `size` at most); false when that failed (reported) or was
    // stopped.
    bool writeRollingFile(const QString &path, quint32 number, qint64 size, bool toEnd,
                          SerialProgress &progress, qint64 *written = nullptr);
    bool readBackRollingFiles(const QStringList &files, const QVector<quint32> &numbers,
                              const QVector<qint64> &sizes);
    void removeTestFiles();
    // False once the card is gone (asked now, or with `poll` at the guard's pace), which
    // stops the run as a user's stop does; the error itself goes out through reportCardGone().
    bool cardStillThere(bool poll = false);
    void reportCardGone();
    // Deletes test files; one that stays on the card is logged and reported with its reason.
    void removeAtEnd(const QStringList &paths);
    // Stamps and compares the sectors of `worker`'s file, numbered `file` in the stamps; files
    // numbered below `liveFrom` were deleted.
    void attachVerification(FileWorker &worker, quint32 file, int stream,
                            quint32 liveFrom = 0) const;
    void reportDataCheck(const DataCheck &check);

    QString m_targetDir;
    QStringList m_sourceFiles;
    QStringList m_testFiles;
    QVector<qint64> m_fileSizes;
    qint64 m_testSize = 1073741824;
    qint64 m_blockSize = 1048576;
    int m_streamCount = 1;
    int m_staggerMs = 0;
    bool m_readEnabled = false;
    qint64 m_rollingFileSize = 0;
    qint64 m_freeBytes = 0;
    int m_rollingRounds = 0;
    bool m_verifyData = false;
    quint64 m_runId = 0;
    QByteArray m_pattern;  // one block of the usual pattern, which stamped blocks carry
    std::atomic<int> m_stopFlag{0};
    bool m_cardVolumeGiven = false;
    std::optional<platform::VolumeIdentity> m_cardVolume;
    CardGuard m_guard;
    bool m_cardGone = false;
    bool m_cardGoneReported = false;
    bool m_cacheFallbackLogged = false;
    TestJournal m_journal;  // names the files on the card until they are deleted
};
