#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

// A real card for tests: an ext4 file system on a loop device over an image
// file, mounted beside the image in a temporary folder of its own. It can be
// throttled with the cgroup-v1 blkio controller; the whole test process then
// moves into a group of its own, so every thread the engine starts afterwards
// inherits the limit. Cards of one process share that group, each with its own
// limits, so several throttled cards can run at the same time.
//
// The image is sparse and goes to /dev/shm when that is a tmpfs with room (see
// imageFolder()), otherwise to the system's temporary folder.
//
// Everything it makes carries the id of the creating process:
//   <tmp>/lumoracard-card-<pid>-XXXXXX/   card.img, card/ (the mount point),
//   outside/ (scratch) the loop device whose backing file is that card.img
//   <blkio>/lumoracard-test-<pid>         the throttle group, shared by the
//   process's cards
// A detached watcher removes exactly these if the test process dies without
// running the destructor (a crash, a timeout kill); it detaches only a loop
// device still backed by this card's image. Leftovers of a run killed together
// with its watcher show in `losetup -a` with a backing file under a
// lumoracard-card-<pid>-* folder.
class LoopCard
{
public:
    explicit LoopCard(qint64 imageBytes);
    ~LoopCard();
    Q_DISABLE_COPY(LoopCard)

    // Why this machine cannot host a loop card or throttle one; empty when it
    // can.
    static QString environmentProblem();
    static QString throttleProblem();

    // The card is attached, formatted and mounted.
    bool isReady() const { return m_ready; }
    // Set when the machine lacks something the card needs: the test should skip.
    QString skipReason() const { return m_skipReason; }
    // Set when making the card failed although the machine has what it needs.
    QString failure() const { return m_failure; }

    QString rootPath() const { return m_mountPoint + QLatin1Char('/'); }
    QString devicePath() const { return m_device; }
    // A folder in the same temporary folder but off the card.
    QString scratchPath() const { return m_dir.filePath(QStringLiteral("outside")); }

    // Caps the card's speed for this process, in bytes per second; 0 lifts a
    // limit. May be called again to change the limits. False with throttleError()
    // on failure.
    bool throttle(qint64 writeBytesPerSec, qint64 readBytesPerSec);
    QString throttleError() const { return m_throttleError; }
    // Bytes this card has moved through the throttle since it was first
    // throttled, as the block layer counted them ("Read" or "Write"); -1 when it
    // is not throttled.
    qint64 throttledBytes(const QString &operation) const;

    // Mounts the card again read-only, as a card with its lock switch set.
    bool setReadOnly();
    // Pushes the file system to the device (journal included), so free space is
    // settled.
    bool sync();
    // Bytes free on the card once synced; -1 when that cannot be read.
    qint64 freeBytes();

private:
    void setUp(qint64 imageBytes);
    bool setLimits(qint64 writeBytesPerSec, qint64 readBytesPerSec, QString *error) const;
    void releaseThrottle();

    QTemporaryDir m_dir;
    QString m_image, m_mountPoint, m_device, m_majMin;
    QString m_group;  // full path of the process's throttle group
    QString m_skipReason, m_failure, m_throttleError;
    bool m_inGroup = false, m_mounted = false, m_ready = false;
    qint64 m_baseWritten = 0,
           m_baseRead = 0;  // the group's counters when the card joined
    qint64 m_watcherPid = 0;
};

// Shared with the other fixtures that need root and system tools.
bool runningAsRoot();
QString findTool(const QString &name);  // on PATH or in the usual bin and sbin folders

// In a QtTest function: skip when the machine cannot host a loop card, fail
// when making it failed for another reason.
#define LOOPCARD_REQUIRE(card)                                                                     \
    do {                                                                                           \
        if (!(card).skipReason().isEmpty())                                                        \
            QSKIP(qPrintable((card).skipReason()));                                                \
        QVERIFY2((card).isReady(), qPrintable((card).failure()));                                  \
    } while (false)

// The same, then throttles the card; skips when the blkio controller is
// missing.
#define LOOPCARD_REQUIRE_THROTTLE(card, writeBps, readBps)                                         \
    do {                                                                                           \
        LOOPCARD_REQUIRE(card);                                                                    \
        if (!LoopCard::throttleProblem().isEmpty())                                                \
            QSKIP(qPrintable(LoopCard::throttleProblem()));                                        \
        QVERIFY2((card).throttle((writeBps), (readBps)), qPrintable((card).throttleError()));      \
    } while (false)
