#include "faultmount.h"

#include "loopcard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {
constexpr int kMountWaitMs = 10000;

// Whether /proc/mounts lists a FUSE mount at `path`.
bool fuseMountedAt(const QString &path)
{
    QFile mounts(QStringLiteral("/proc/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = QFile::encodeName(path);
    for (const QByteArray &line : mounts.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() > 2 && f.at(1) == wanted && f.at(2).startsWith("fuse"))
            return true;
    }
    return false;
}

}  // namespace

QString FaultMount::environmentProblem(const QString &helper)
{
    if (helper.isEmpty() || !QFileInfo(helper).isExecutable())
        return QStringLiteral("the fault file system was not built (libfuse3-dev is missing)");
    if (!runningAsRoot())
        return QStringLiteral("mounting the fault file system needs root");
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        return QStringLiteral("no FUSE here (/dev/fuse is missing)");
    if (findTool(QStringLiteral("umount")).isEmpty())
        return QStringLiteral("umount is not installed");
    return QString();
}

FaultMount::FaultMount(const QString &helper, const QStringList &options)
{
    if (!m_dir.isValid()) {
        m_failure = QStringLiteral("cannot create a temporary folder");
        return;
    }
    if (!QDir().mkpath(backingPath()) || !QDir().mkpath(m_dir.filePath(QStringLiteral("card")))
        || !QDir().mkpath(outsidePath())) {
        m_failure = QStringLiteral("cannot create folders in %1").arg(m_dir.path());
        return;
    }
    const QString mountPoint = m_dir.filePath(QStringLiteral("card"));
    m_helper.setProgram(helper);
    m_helper.setArguments(QStringList{backingPath(), mountPoint} + options);
    m_helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_helper.setStandardInputFile(QProcess::nullDevice());
    m_helper.setStandardOutputFile(QProcess::nullDevice());
    m_helper.start();
    if (!m_helper.waitForStarted()) {
        m_failure = QStringLiteral("%1 did not start: %2").arg(helper, m_helper.errorString());
        return;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kMountWaitMs && m_helper.state() == QProcess::Running) {
        if (fuseMountedAt(mountPoint)) {
            m_mounted = true;
            return;
        }
        QThread::msleep(20);
    }
    m_failure = QStringLiteral("the fault file system did not mount at %1").arg(mountPoint);
}

FaultMount::~FaultMount()
{
    unmount();
    if (m_helper.state() != QProcess::NotRunning) {
        m_helper.kill();
        m_helper.waitForFinished(5000);
    }
    if (fuseMountedAt(m_dir.filePath(QStringLiteral("card")))) {
        // Deleting the folder would reach through the mount.
        m_dir.setAutoRemove(false);
        qWarning("FaultMount: %s stays mounted", qPrintable(m_dir.path()));
    }
}

QString FaultMount::rootPath() const
{
    return m_dir.filePath(QStringLiteral("card")) + QLatin1Char('/');
}

QString FaultMount::backingPath() const
{
    return m_dir.filePath(QStringLiteral("backing"));
}

QString FaultMount::outsidePath() const
{
    return m_dir.filePath(QStringLiteral("outside"));
}

bool FaultMount::vanish()
{
    return m_helper.state() == QProcess::Running
           && QProcess::execute(findTool(QStringLiteral("kill")),
                                {QStringLiteral("-USR1"), QString::number(m_helper.processId())})
                  == 0;
}

void FaultMount::unmount()
{
    if (!m_mounted)
        return;
    const QString mountPoint = m_dir.filePath(QStringLiteral("card"));
    // A lazy unmount also works when the card has vanished and every call fails.
    QProcess::execute(findTool(QStringLiteral("umount")), {QStringLiteral("-l"), mountPoint});
    m_mounted = fuseMountedAt(mountPoint);
    if (!m_helper.waitForFinished(5000))
        m_helper.kill();
    m_helper.waitForFinished(5000);
}
