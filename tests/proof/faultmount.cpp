#include "faultmount.h"

#include "loopcard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStorageInfo>
#include <QThread>

namespace {
const QString kHelper = QStringLiteral(LUMORA_FAULTFS_PATH);

// Whether a FUSE file system is mounted at `path`.
bool fuseMountedAt(const QString &path)
{
    const QStorageInfo mount(path);
    return mount.rootPath() == path && mount.fileSystemType().startsWith("fuse");
}
}  // namespace

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                | QDir::System);
}

QString FaultMount::environmentProblem()
{
    if (kHelper.isEmpty() || !QFileInfo(kHelper).isExecutable())
        return QStringLiteral("the fault file system was not built (libfuse3-dev is missing)");
    if (!runningAsRoot())
        return QStringLiteral("mounting the fault file system needs root");
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        return QStringLiteral("no FUSE here (/dev/fuse is missing)");
    return findTool(QStringLiteral("umount")).isEmpty() ? QStringLiteral("no umount") : QString();
}

FaultMount::FaultMount(const QStringList &options)
{
    const QString mountPoint = m_dir.filePath(QStringLiteral("card"));
    if (!environmentProblem().isEmpty() || !QDir().mkpath(backingPath())
        || !QDir().mkpath(mountPoint))
        return;
    m_helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_helper.start(kHelper, QStringList{backingPath(), mountPoint} + options);
    QElapsedTimer waited;
    waited.start();
    while (!m_mounted && waited.elapsed() < 10000 && m_helper.state() != QProcess::NotRunning) {
        QThread::msleep(20);
        m_mounted = fuseMountedAt(mountPoint);
    }
}

FaultMount::~FaultMount()
{
    const QString mountPoint = m_dir.filePath(QStringLiteral("card"));
    // A lazy unmount also works when the card has vanished and every call fails.
    if (m_mounted)
        QProcess::execute(findTool(QStringLiteral("umount")), {QStringLiteral("-l"), mountPoint});
    if (!m_helper.waitForFinished(5000))
        m_helper.kill();
    m_helper.waitForFinished(5000);
    if (fuseMountedAt(mountPoint)) {  // deleting the folder would reach through the mount
        m_dir.setAutoRemove(false);
        qWarning("FaultMount: %s stays mounted", qPrintable(mountPoint));
    }
}

bool FaultMount::vanish()
{
    return m_helper.state() == QProcess::Running
           && QProcess::execute(findTool(QStringLiteral("kill")),
                                {QStringLiteral("-USR1"), QString::number(m_helper.processId())})
                  == 0;
}
