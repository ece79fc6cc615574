#include "loopcard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QThread>

#include <mutex>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs a system tool to its end; false with what went wrong in `error`.
bool runTool(const QString &name, const QStringList &args, QString *error = nullptr,
             QString *output = nullptr)
{
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(findTool(name), args);
    const bool ran = p.waitForStarted() && p.waitForFinished(120000);
    if (!ran) {
        p.kill();
        p.waitForFinished();
    }
    const bool ok = ran && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    if (!ok && error)
        *error = QStringLiteral("%1 %2: %3")
                     .arg(name, args.join(' '),
                          ran ? QString::fromLocal8Bit(p.readAllStandardError())
                              : QStringLiteral("did not run to its end"));
    return ok;
}

// Up to five tries, for a device or mount point that is still busy for a
// moment.
bool retried(const QString &name, const QStringList &args)
{
    for (int attempt = 0; attempt < 5; ++attempt, QThread::msleep(200)) {
        if (runTool(name, args))
            return true;
    }
    return false;
}

// cgroup files take one write and report a refusal through it.
bool writeControl(const QString &path, const QByteArray &text, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(text) == text.size())
        return true;
    *error = QStringLiteral("cannot write \"%1\" to %2: %3")
                 .arg(QString::fromLatin1(text.trimmed()), path, file.errorString());
    return false;
}

// Where the cgroup-v1 blkio hierarchy is mounted; empty when it is not.
QString blkioMountPoint()
{
    for (const QByteArray &line : readAll("/proc/mounts").split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() > 3 && f.at(2) == "cgroup" && f.at(3).split(',').contains("blkio"))
            return QString::fromLocal8Bit(f.at(1));
    }
    return QString();
}

// The blkio group this process is in, relative to the hierarchy's root.
QString currentBlkioGroup()
{
    for (const QByteArray &line : readAll("/proc/self/cgroup").split('\n')) {
        const QList<QByteArray> f = line.split(':');
        if (f.size() >= 3 && f.at(1).split(',').contains("blkio"))
            return QString::fromLocal8Bit(line.mid(f.at(0).size() + f.at(1).size() + 2));
    }
    return QStringLiteral("/");
}

QString pid()
{
    return QString::number(QCoreApplication::applicationPid());
}

// Runs detached (its own session, outliving this process) and waits for this
// process to end; if the destructor did not get to clean up, it does, touching
// only the listed paths and only the loop device still backed by this card's
// image.
const char kWatcherScript[] = R"sh(trap '' HUP INT TERM
pid=$1 dir=$2 image=$3 mnt=$4 dev=$5 group=$6
while kill -0 "$pid" 2>/dev/null; do sleep 1; done
if mountpoint -q "$mnt"; then umount "$mnt" 2>/dev/null || umount -l "$mnt"; fi
if [ "$(losetup -n -O BACK-FILE "$dev" 2>/dev/null)" = "$image" ]; then losetup -d "$dev"; fi
[ -d "$group" ] && rmdir "$group"
[ -f "$image" ] && rm -rf --one-file-system "$dir"
)sh";

// A process sits in one blkio group only, but a group holds a limit per device:
// every throttled card of this process shares the group. The last card to go
// moves the process back to the group it came from and removes this one.
std::mutex groupMutex;
int groupUsers = 0;
QString originalGroup;

// A synchronous write on the card makes ext4 flush, and the loop device turns
// that into an fsync of its image: on a disk shared with other work that stalls
// for a varying time and the card no longer runs at its throttle. In shared
// memory the flush costs nothing.
QString imageFolder(qint64 imageBytes)
{
    const QStorageInfo shm(QStringLiteral("/dev/shm"));
    return shm.isValid() && shm.rootPath() == QLatin1String("/dev/shm")
                   && shm.fileSystemType() == "tmpfs" && shm.bytesAvailable() > 2 * imageBytes
               ? QStringLiteral("/dev/shm")
               : QDir::tempPath();
}

}  // namespace

QString findTool(const QString &name)
{
    // sbin is not always on a test runner's PATH.
    const QString onPath = QStandardPaths::findExecutable(name);
    return !onPath.isEmpty()
               ? onPath
               : QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
}

bool runningAsRoot()
{
    for (const QByteArray &line : readAll("/proc/self/status").split('\n')) {
        if (line.startsWith("Uid:"))
            return line.mid(4).simplified().split(' ').value(1) == "0";  // the effective id
    }
    return false;
}

QString LoopCard::environmentProblem()
{
    if (!runningAsRoot())
        return QStringLiteral("loop cards need root (attach, format and mount)");
    for (const char *name : {"losetup", "mkfs.ext4", "mount", "umount", "mountpoint", "sync"}) {
        if (findTool(QString::fromLatin1(name)).isEmpty())
            return QStringLiteral("loop cards need %1, which is not installed").arg(name);
    }
    if (!QFileInfo::exists(QStringLiteral("/dev/loop-control")))
        return QStringLiteral("no loop device support here (/dev/loop-control is missing)");
    return QString();
}

QString LoopCard::throttleProblem()
{
    if (!runningAsRoot())
        return QStringLiteral("throttling a card needs root (cgroup blkio)");
    const QString root = blkioMountPoint();
    if (root.isEmpty())
        return QStringLiteral("the cgroup-v1 blkio controller is not mounted here");
    if (!QFileInfo::exists(root + "/blkio.throttle.write_bps_device")
        || !QFileInfo::exists(root + "/blkio.throttle.read_bps_device"))
        return QStringLiteral("the blkio controller at %1 has no throttle files").arg(root);
    return QString();
}

LoopCard::LoopCard(qint64 imageBytes)
    : m_dir(imageFolder(imageBytes) + QStringLiteral("/lumoracard-card-%1-XXXXXX").arg(pid()))
{
    m_skipReason = environmentProblem();
    if (m_skipReason.isEmpty())
        setUp(imageBytes);
}

void LoopCard::setUp(qint64 imageBytes)
{
    m_mountPoint = m_dir.filePath("card");
    QFile image(m_dir.filePath("card.img"));
    if (!m_dir.isValid() || !image.open(QIODevice::WriteOnly) || !image.resize(imageBytes)
        || !QDir().mkpath(m_mountPoint) || !QDir().mkpath(scratchPath())) {
        m_failure = QStringLiteral("cannot make the image and folders in %1: %2")
                        .arg(m_dir.path(), image.errorString());
        return;
    }
    image.close();
    // The watcher compares this with what losetup reports, which is the resolved
    // path.
    m_image = QFileInfo(image.fileName()).canonicalFilePath();
    QString error;
    if (!runTool("losetup", {"--find", "--show", m_image}, &error, &m_device)
        || !m_device.startsWith(QLatin1String("/dev/"))) {
        // Containers often have no free loop device or no right to attach one.
        m_skipReason = QStringLiteral("cannot attach a loop device here: %1").arg(error);
        m_device.clear();
        return;
    }
    m_group =
        blkioMountPoint().isEmpty() ? QString() : blkioMountPoint() + "/lumoracard-test-" + pid();
    if (!QProcess::startDetached("/bin/sh",
                                 {"-c", kWatcherScript, "lumoracard-card-watcher", pid(),
                                  m_dir.path(), m_image, m_mountPoint, m_device, m_group},
                                 "/", &m_watcherPid))
        qWarning("LoopCard: no cleanup watcher; a crash would leave %s", qPrintable(m_device));

    m_majMin = QString::fromLatin1(
        readAll("/sys/class/block/" + QFileInfo(m_device).fileName() + "/dev").trimmed());
    // 4 KiB blocks like a real card; no reserved blocks, so root sees the same
    // free space as anyone; tables and journal initialised now, not by a
    // background thread during timing.
    if (m_majMin.isEmpty())
        m_failure = QStringLiteral("cannot read the device number of %1").arg(m_device);
    else if (runTool("mkfs.ext4",
                     {"-q", "-F", "-b", "4096", "-m", "0", "-E",
                      "lazy_itable_init=0,lazy_journal_init=0", m_device},
                     &m_failure)
             && runTool("mount", {"-t", "ext4", m_device, m_mountPoint}, &m_failure))
        m_mounted = m_ready = true;
}

LoopCard::~LoopCard()
{
    releaseThrottle();
    // A test may have unmounted it itself (a format does). Something still
    // holding it gets a lazy unmount, which the kernel finishes later.
    if (m_mounted
        && (!runTool("mountpoint", {"-q", m_mountPoint}) || retried("umount", {m_mountPoint})
            || runTool("umount", {"-l", m_mountPoint})))
        m_mounted = false;
    // On a device still in use this sets auto-clear, which detaches it once
    // released.
    if (!m_device.isEmpty() && !retried("losetup", {"-d", m_device}))
        qWarning("LoopCard: cannot detach %s", qPrintable(m_device));
    if (m_mounted) {
        // Deleting the folder would reach into the card: the watcher retries.
        m_dir.setAutoRemove(false);
        qWarning("LoopCard: %s stays mounted", qPrintable(m_mountPoint));
    } else if (m_watcherPid > 0) {
        // It ignores TERM on purpose (a test runner's group kill must not stop it).
        QProcess::execute(findTool("kill"), {"-KILL", QString::number(m_watcherPid)});
    }
}

bool LoopCard::throttle(qint64 writeBytesPerSec, qint64 readBytesPerSec)
{
    m_throttleError = !m_ready ? QStringLiteral("no card to throttle") : throttleProblem();
    if (m_throttleError.isEmpty() && !m_inGroup) {
        std::lock_guard<std::mutex> lock(groupMutex);
        if (groupUsers == 0) {
            originalGroup = blkioMountPoint() + currentBlkioGroup();
            if (!QFileInfo::exists(m_group) && !QDir().mkdir(m_group))
                m_throttleError = QStringLiteral("cannot create the blkio group %1").arg(m_group);
            // cgroup.procs moves every thread of the process; threads started later
            // inherit it.
            else
                writeControl(m_group + "/cgroup.procs", pid().toLatin1() + '\n', &m_throttleError);
        }
        if (m_throttleError.isEmpty()) {
            ++groupUsers;
            m_inGroup = true;
            m_baseWritten = qMax<qint64>(0, throttledBytes("Write"));
            m_baseRead = qMax<qint64>(0, throttledBytes("Read"));
        }
    }
    return m_throttleError.isEmpty()
           && setLimits(writeBytesPerSec, readBytesPerSec, &m_throttleError);
}

bool LoopCard::setLimits(qint64 writeBytesPerSec, qint64 readBytesPerSec, QString *error) const
{
    const QByteArray rule = m_majMin.toLatin1() + ' ';
    return writeControl(m_group + "/blkio.throttle.write_bps_device",
                        rule + QByteArray::number(writeBytesPerSec) + '\n', error)
           && writeControl(m_group + "/blkio.throttle.read_bps_device",
                           rule + QByteArray::number(readBytesPerSec) + '\n', error);
}

qint64 LoopCard::throttledBytes(const QString &operation) const
{
    if (!m_inGroup || !QFileInfo::exists(m_group))
        return -1;
    // The group outlives a card when others share it, and a later card may get
    // the same loop device: count from when this card joined. No line: nothing
    // moved for the group yet.
    const QByteArray prefix = m_majMin.toLatin1() + ' ' + operation.toLatin1() + ' ';
    qint64 now = 0;
    for (const QByteArray &line :
         readAll(m_group + "/blkio.throttle.io_service_bytes").split('\n')) {
        if (line.startsWith(prefix))
            now = line.mid(prefix.size()).trimmed().toLongLong();
    }
    return now - (operation == QLatin1String("Write") ? m_baseWritten : m_baseRead);
}

bool LoopCard::sync()
{
    return m_ready && runTool("sync", {"-f", rootPath()});
}

bool LoopCard::setReadOnly()
{
    return sync() && runTool("mount", {"-o", "remount,ro", m_mountPoint});
}

qint64 LoopCard::freeBytes()
{
    if (!sync())
        return -1;
    const QStorageInfo storage(rootPath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

void LoopCard::releaseThrottle()
{
    if (!m_inGroup)
        return;
    m_inGroup = false;
    QString error;
    // A 0 removes this device's rules, so the shared group no longer limits it.
    if (!setLimits(0, 0, &error))
        qWarning("LoopCard: %s", qPrintable(error));
    std::lock_guard<std::mutex> lock(groupMutex);
    if (--groupUsers > 0)
        return;
    if (!writeControl(originalGroup + "/cgroup.procs", pid().toLatin1() + '\n', &error))
        qWarning("LoopCard: %s", qPrintable(error));
    // A child that has just exited may still be counted in the group for a
    // moment.
    for (int attempt = 0; attempt < 20 && !QDir().rmdir(m_group); ++attempt)
        QThread::msleep(100);
}
