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

constexpr int kToolTimeoutMs = 120000;

struct ToolResult {
    bool ok = false;
    QString output;  // stdout, trimmed
    QString error;   // what went wrong, for a failure message
};

ToolResult runTool(const QString &name, const QStringList &args)
{
    ToolResult result;
    const QString program = findTool(name);
    if (program.isEmpty()) {
        result.error = QStringLiteral("%1 not found").arg(name);
        return result;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted() || !process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.error =
            QStringLiteral("%1 %2: did not run to its end").arg(name, args.join(QLatin1Char(' ')));
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!result.ok) {
        result.error = QStringLiteral("%1 %2: exit %3: %4")
                           .arg(name, args.join(QLatin1Char(' ')))
                           .arg(process.exitCode())
                           .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
    }
    return result;
}

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// cgroup and sysfs files take one write and report a refusal through it.
bool writeControlFile(const QString &path, const QByteArray &text, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(text) != text.size()) {
        *error = QStringLiteral("cannot write \"%1\" to %2: %3")
                     .arg(QString::fromLatin1(text.trimmed()), path, file.errorString());
        return false;
    }
    return true;
}

// Where the cgroup-v1 blkio hierarchy is mounted; empty when it is not.
QString blkioMountPoint()
{
    const QList<QByteArray> lines = readSmallFile(QStringLiteral("/proc/mounts")).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() > 3 && f.at(2) == "cgroup" && f.at(3).split(',').contains("blkio"))
            return QString::fromLocal8Bit(f.at(1));
    }
    return QString();
}

// The blkio group this process is in, relative to the hierarchy's root.
QString currentBlkioGroup()
{
    const QList<QByteArray> lines = readSmallFile(QStringLiteral("/proc/self/cgroup")).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> f = line.split(':');
        if (f.size() >= 3 && f.at(1).split(',').contains("blkio"))
            return QString::fromLocal8Bit(line.mid(f.at(0).size() + f.at(1).size() + 2));
    }
    return QStringLiteral("/");
}

QString pidText()
{
    return QString::number(QCoreApplication::applicationPid());
}

// Runs detached (its own session, outliving this process) and waits for this process to
// end; if the destructor did not get to clean up, it does, touching only the listed paths
// and only the loop device still backed by this card's image.
const char kWatcherScript[] = R"sh(trap '' HUP INT TERM
pid=$1 dir=$2 image=$3 mnt=$4 dev=$5 group=$6
while kill -0 "$pid" 2>/dev/null; do sleep 1; done
if mountpoint -q "$mnt"; then umount "$mnt" 2>/dev/null || umount -l "$mnt"; fi
if [ "$(losetup -n -O BACK-FILE "$dev" 2>/dev/null)" = "$image" ]; then losetup -d "$dev"; fi
[ -d "$group" ] && rmdir "$group"
[ -f "$image" ] && rm -rf --one-file-system "$dir"
)sh";

// Every throttled card of this process shares one blkio group: a process sits in one group
// only, but a group holds a limit per device, so several cards can run at their own speeds
// side by side. The last card to go moves the process back and removes the group.
struct SharedGroup {
    std::mutex mutex;
    int users = 0;
    QString original;  // the group the process came from
};

SharedGroup &sharedGroup()
{
    static SharedGroup group;
    return group;
}

QString groupPath()
{
    const QString root = blkioMountPoint();
    return root.isEmpty() ? QString() : root + QStringLiteral("/lumoracard-test-%1").arg(pidText());
}

// Where the image lives. A synchronous write on the card makes ext4 flush, and the loop
// device turns that into an fsync of its image: on a disk shared with other work that
// stalls for a varying time and the card no longer runs at its throttle. In shared memory
// the flush costs nothing, so the throttle alone sets the card's speed.
QString imageFolder(qint64 imageBytes)
{
    const QString shm = QStringLiteral("/dev/shm");
    const QStorageInfo storage(shm);
    if (storage.isValid() && storage.rootPath() == shm
        && storage.fileSystemType() == QByteArrayLiteral("tmpfs")
        && storage.bytesAvailable() > 2 * imageBytes)
        return shm;
    return QDir::tempPath();
}

}  // namespace

QString findTool(const QString &name)
{
    // sbin is not always on a test runner's PATH.
    const QString onPath = QStandardPaths::findExecutable(name);
    if (!onPath.isEmpty())
        return onPath;
    return QStandardPaths::findExecutable(name,
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                           QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
}

bool runningAsRoot()
{
    const QList<QByteArray> lines = readSmallFile(QStringLiteral("/proc/self/status")).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Uid:")) {
            const QList<QByteArray> ids = line.mid(4).simplified().split(' ');
            return ids.size() > 1 && ids.at(1) == "0";  // the effective id
        }
    }
    return false;
}

QString LoopCard::environmentProblem()
{
    if (!runningAsRoot())
        return QStringLiteral("loop cards need root (attach, format and mount)");
    for (const char *name : {"losetup", "mkfs.ext4", "mount", "umount", "mountpoint", "sync"}) {
        if (findTool(QString::fromLatin1(name)).isEmpty())
            return QStringLiteral("loop cards need %1, which is not installed")
                .arg(QString::fromLatin1(name));
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
    if (!QFileInfo::exists(root + QStringLiteral("/blkio.throttle.write_bps_device"))
        || !QFileInfo::exists(root + QStringLiteral("/blkio.throttle.read_bps_device")))
        return QStringLiteral("the blkio controller at %1 has no throttle files").arg(root);
    return QString();
}

LoopCard::LoopCard(qint64 imageBytes)
    : m_dir(imageFolder(imageBytes) + QStringLiteral("/lumoracard-card-%1-XXXXXX").arg(pidText()))
{
    m_skipReason = environmentProblem();
    if (m_skipReason.isEmpty())
        setUp(imageBytes);
}

LoopCard::~LoopCard()
{
    releaseThrottle();
    unmount();
    detach();
    if (m_mounted) {
        // Still mounted after every attempt: deleting the folder would reach into the card.
        m_dir.setAutoRemove(false);
        qWarning("LoopCard: %s stays mounted; the watcher will retry", qPrintable(m_mountPoint));
    } else {
        stopWatcher();
    }
}

void LoopCard::setUp(qint64 imageBytes)
{
    if (!m_dir.isValid()) {
        m_failure = QStringLiteral("cannot create a temporary folder: %1").arg(m_dir.errorString());
        return;
    }
    m_image = m_dir.filePath(QStringLiteral("card.img"));
    m_mountPoint = m_dir.filePath(QStringLiteral("card"));
    QFile image(m_image);
    if (!image.open(QIODevice::WriteOnly) || !image.resize(imageBytes)) {
        m_failure =
            QStringLiteral("cannot create the image %1: %2").arg(m_image, image.errorString());
        return;
    }
    image.close();
    // The watcher compares this with what losetup reports, which is the resolved path.
    m_image = QFileInfo(m_image).canonicalFilePath();
    if (!QDir().mkpath(m_mountPoint) || !QDir().mkpath(scratchPath())) {
        m_failure = QStringLiteral("cannot create folders in %1").arg(m_dir.path());
        return;
    }

    const ToolResult attach = runTool(
        QStringLiteral("losetup"), {QStringLiteral("--find"), QStringLiteral("--show"), m_image});
    if (!attach.ok || !attach.output.startsWith(QLatin1String("/dev/"))) {
        // Containers often have no free loop device or no right to attach one.
        m_skipReason = QStringLiteral("cannot attach a loop device here: %1").arg(attach.error);
        return;
    }
    m_device = attach.output;
    startWatcher();

    const QString name = QFileInfo(m_device).fileName();
    m_majMin = QString::fromLatin1(
        readSmallFile(QStringLiteral("/sys/class/block/%1/dev").arg(name)).trimmed());
    if (m_majMin.isEmpty()) {
        m_failure = QStringLiteral("cannot read the device number of %1").arg(m_device);
        return;
    }

    // 4 KiB blocks like a real card; no reserved blocks, so root sees the same free space as
    // anyone; tables and journal initialised now, not by a background thread during timing.
    const ToolResult format = runTool(
        QStringLiteral("mkfs.ext4"),
        {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-b"), QStringLiteral("4096"),
         QStringLiteral("-m"), QStringLiteral("0"), QStringLiteral("-E"),
         QStringLiteral("lazy_itable_init=0,lazy_journal_init=0"), m_device});
    if (!format.ok) {
        m_failure = format.error;
        return;
    }
    const ToolResult mount =
        runTool(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("ext4"), m_device, m_mountPoint});
    if (!mount.ok) {
        m_failure = mount.error;
        return;
    }
    m_mounted = true;
    m_ready = true;
}

QString LoopCard::rootPath() const
{
    return m_mountPoint + QLatin1Char('/');
}

QString LoopCard::scratchPath() const
{
    return m_dir.filePath(QStringLiteral("outside"));
}

void LoopCard::startWatcher()
{
    const QString group = groupPath();
    m_group = group;  // remembered now so the watcher and the throttle agree on the name
    QProcess watcher;
    watcher.setProgram(QStringLiteral("/bin/sh"));
    watcher.setArguments({QStringLiteral("-c"), QString::fromLatin1(kWatcherScript),
                          QStringLiteral("lumoracard-card-watcher"), pidText(), m_dir.path(),
                          m_image, m_mountPoint, m_device, group});
    watcher.setWorkingDirectory(QStringLiteral("/"));
    // Never hold the test's output open: the test runner waits for it to close.
    watcher.setStandardInputFile(QProcess::nullDevice());
    watcher.setStandardOutputFile(QProcess::nullDevice());
    watcher.setStandardErrorFile(QProcess::nullDevice());
    if (!watcher.startDetached(&m_watcherPid))
        qWarning("LoopCard: the cleanup watcher did not start; a crash would leave %s attached",
                 qPrintable(m_device));
}

void LoopCard::stopWatcher()
{
    if (m_watcherPid <= 0)
        return;
    // The watcher ignores TERM on purpose (a test runner's group kill must not stop it).
    QProcess::execute(findTool(QStringLiteral("kill")),
                      {QStringLiteral("-KILL"), QString::number(m_watcherPid)});
    m_watcherPid = 0;
}

bool LoopCard::throttle(qint64 writeBytesPerSec, qint64 readBytesPerSec)
{
    m_throttleError.clear();
    if (!m_ready) {
        m_throttleError = QStringLiteral("no card to throttle");
        return false;
    }
    const QString problem = throttleProblem();
    if (!problem.isEmpty() || m_group.isEmpty()) {
        m_throttleError = problem.isEmpty() ? QStringLiteral("no blkio controller") : problem;
        return false;
    }
    if (!m_inGroup) {
        if (!joinGroup())
            return false;
        m_baseWritten = qMax<qint64>(0, counter(QStringLiteral("Write")));
        m_baseRead = qMax<qint64>(0, counter(QStringLiteral("Read")));
    }
    return setLimits(writeBytesPerSec, readBytesPerSec, &m_throttleError);
}

bool LoopCard::setLimits(qint64 writeBytesPerSec, qint64 readBytesPerSec, QString *error)
{
    const QByteArray rule = m_majMin.toLatin1() + ' ';
    return writeControlFile(m_group + QStringLiteral("/blkio.throttle.write_bps_device"),
                            rule + QByteArray::number(writeBytesPerSec) + '\n', error)
           && writeControlFile(m_group + QStringLiteral("/blkio.throttle.read_bps_device"),
                               rule + QByteArray::number(readBytesPerSec) + '\n', error);
}

bool LoopCard::joinGroup()
{
    SharedGroup &shared = sharedGroup();
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (shared.users == 0) {
        shared.original = blkioMountPoint() + currentBlkioGroup();
        if (!QFileInfo::exists(m_group) && !QDir().mkdir(m_group)) {
            m_throttleError = QStringLiteral("cannot create the blkio group %1").arg(m_group);
            return false;
        }
        // cgroup.procs moves every thread of the process; threads started later inherit it.
        if (!writeControlFile(m_group + QStringLiteral("/cgroup.procs"),
                              pidText().toLatin1() + '\n', &m_throttleError))
            return false;
    }
    ++shared.users;
    m_inGroup = true;
    return true;
}

qint64 LoopCard::throttledBytes(const QString &operation) const
{
    if (!m_inGroup)
        return -1;
    const qint64 now = counter(operation);
    if (now < 0)
        return -1;
    // The group outlives a card when others share it, and a later card may get the same
    // loop device: count from when this card joined.
    return now - (operation == QLatin1String("Write") ? m_baseWritten : m_baseRead);
}

qint64 LoopCard::counter(const QString &operation) const
{
    if (m_group.isEmpty() || !QFileInfo::exists(m_group))
        return -1;
    const QByteArray prefix = m_majMin.toLatin1() + ' ' + operation.toLatin1() + ' ';
    const QList<QByteArray> lines =
        readSmallFile(m_group + QStringLiteral("/blkio.throttle.io_service_bytes")).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().toLongLong();
    }
    return 0;  // the device has not moved anything for the group yet
}

bool LoopCard::sync()
{
    return m_ready && runTool(QStringLiteral("sync"), {QStringLiteral("-f"), rootPath()}).ok;
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
    SharedGroup &shared = sharedGroup();
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (--shared.users > 0)
        return;
    if (!shared.original.isEmpty()
        && !writeControlFile(shared.original + QStringLiteral("/cgroup.procs"),
                             pidText().toLatin1() + '\n', &error))
        qWarning("LoopCard: %s", qPrintable(error));
    // A child that has just exited may still be counted in the group for a moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (QDir().rmdir(m_group))
            return;
        QThread::msleep(100);
    }
    qWarning("LoopCard: cannot remove the blkio group %s", qPrintable(m_group));
}

void LoopCard::unmount()
{
    if (!m_mounted)
        return;
    // A test may have unmounted it itself (a format does).
    if (!runTool(QStringLiteral("mountpoint"), {QStringLiteral("-q"), m_mountPoint}).ok) {
        m_mounted = false;
        return;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (runTool(QStringLiteral("umount"), {m_mountPoint}).ok) {
            m_mounted = false;
            return;
        }
        QThread::msleep(200);
    }
    // Something still holds it: detach it from the tree now, the kernel finishes later.
    if (runTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint}).ok)
        m_mounted = false;
}

void LoopCard::detach()
{
    if (m_device.isEmpty())
        return;
    for (int attempt = 0; attempt < 5; ++attempt) {
        // On a device still in use this sets auto-clear, which detaches it once released.
        if (runTool(QStringLiteral("losetup"), {QStringLiteral("-d"), m_device}).ok) {
            m_device.clear();
            return;
        }
        QThread::msleep(200);
    }
    qWarning("LoopCard: cannot detach %s", qPrintable(m_device));
}
