#include "udisks2sandbox.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

// A daemon that ends with the test process, even when that is killed.
class DaemonProcess : public QProcess
{
protected:
    void setupChildProcess() override { prctl(PR_SET_PDEATHSIG, SIGTERM); }
};

namespace {

constexpr int kStartMs = 20000;

// Allows everything: the bus is the test's own and only root's processes reach its socket.
const char kBusConfig[] =
    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
    "<busconfig><type>system</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>\n"
    "  <policy context=\"default\">\n"
    "    <allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>\n"
    "    <allow own=\"*\"/>\n"
    "  </policy>\n"
    "</busconfig>\n";

QString findProgram(const QString &name, const QStringList &folders)
{
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? QStandardPaths::findExecutable(name, folders) : onPath;
}

// Whether a process of this name runs on the machine.
bool isRunning(const QString &name)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name.toLatin1())
            return true;
    }
    return false;
}

bool runTool(const QString &program, const QStringList &args, QString *error)
{
    QProcess process;
    process.start(program, args);
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0)
        return true;
    *error = QStringLiteral("%1 %2: %3")
                 .arg(program, args.join(QLatin1Char(' ')),
                      QString::fromLocal8Bit(process.readAllStandardError()));
    return false;
}

// The mount points of `device`, from the kernel's table.
QStringList mountsOf(const QString &device)
{
    QStringList points;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (QString::fromLocal8Bit(volume.device()) == device)
            points << volume.rootPath();
    }
    return points;
}

template <typename Condition>
bool waitFor(Condition condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.hasExpired(kStartMs))
            return false;
        QThread::msleep(50);
    }
    return true;
}

}  // namespace

UDisks2Sandbox::UDisks2Sandbox(const QString &folder)
    : m_folder(folder)
{}

UDisks2Sandbox::~UDisks2Sandbox()
{
    releaseDevice();
    // The daemons in the order they lean on each other.
    for (auto *daemon : {&m_udisks, &m_udev, &m_bus}) {
        if (!*daemon)
            continue;
        (*daemon)->terminate();
        if (!(*daemon)->waitForFinished(10000)) {
            (*daemon)->kill();
            (*daemon)->waitForFinished(10000);
        }
        daemon->reset();
    }
    if (m_madeUdevFolder)
        QDir(QStringLiteral("/run/udev")).removeRecursively();
    // udisks2 makes the folder of root's mount points on first use; rmdir keeps a full one.
    for (const QString &folder : m_madeMediaFolders)
        QDir().rmdir(folder);
}

std::unique_ptr<DaemonProcess>
UDisks2Sandbox::start(const QString &program, const QStringList &args, const QString &logName)
{
    auto process = std::make_unique<DaemonProcess>();
    process->setProgram(program);
    process->setArguments(args);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardErrorFile(m_folder + QLatin1Char('/') + logName);
    process->start();
    if (!process->waitForStarted()) {
        m_failure = program + QStringLiteral(": ") + process->errorString();
        return nullptr;
    }
    return process;
}

bool UDisks2Sandbox::startBus()
{
    const QString daemon = findProgram(QStringLiteral("dbus-daemon"), {});
    if (daemon.isEmpty()) {
        m_skipReason = QStringLiteral("dbus-daemon is not installed: no bus of the test's own");
        return false;
    }
    const QString config = m_folder + QStringLiteral("/bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QByteArray(kBusConfig).replace("%1", (m_folder + "/bus").toUtf8())) < 0) {
        m_failure = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    file.close();
    m_bus = start(daemon,
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")},
                  QStringLiteral("bus.log"));
    if (!m_bus)
        return false;
    QByteArray address;
    while (!address.contains('\n') && m_bus->waitForReadyRead(kStartMs))
        address += m_bus->readAllStandardOutput();
    m_address = QString::fromUtf8(address.trimmed());
    if (m_address.isEmpty())
        m_failure = QStringLiteral("dbus-daemon printed no address (see %1/bus.log)").arg(m_folder);
    return !m_address.isEmpty();
}

bool UDisks2Sandbox::startUdev()
{
    // The machine's own udev serves as well; a second one would fight it.
    if (isRunning(QStringLiteral("systemd-udevd")))
        return true;
    const QStringList folders = {QStringLiteral("/lib/systemd"),
                                 QStringLiteral("/usr/lib/systemd")};
    const QString udevd = findProgram(QStringLiteral("systemd-udevd"), folders);
    if (udevd.isEmpty()) {
        m_skipReason = QStringLiteral("systemd-udevd is not installed (package udev)");
        return false;
    }
    m_madeUdevFolder = !QFileInfo::exists(QStringLiteral("/run/udev"));
    m_udev = start(udevd, {}, QStringLiteral("udevd.log"));
    if (!m_udev)
        return false;
    if (!waitFor([] { return QFileInfo::exists(QStringLiteral("/run/udev/control")); })) {
        m_failure = QStringLiteral("systemd-udevd did not start (see %1/udevd.log)").arg(m_folder);
        return false;
    }
    return true;
}

bool UDisks2Sandbox::startUDisks2(const QString &device)
{
    if (geteuid() != 0) {
        m_skipReason = QStringLiteral("udisks2 and udev of the test's own need root");
        return false;
    }
    const QString udisksd =
        findProgram(QStringLiteral("udisksd"),
                    {QStringLiteral("/usr/libexec/udisks2"), QStringLiteral("/usr/lib/udisks2")});
    const QString udevadm = findProgram(QStringLiteral("udevadm"),
                                        {QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    if (udisksd.isEmpty() || udevadm.isEmpty()) {
        m_skipReason = QStringLiteral("udisks2 or udev is not installed");
        return false;
    }
    // It would share its state (/run/udisks2) with the machine's.
    if (isRunning(QStringLiteral("udisksd"))) {
        m_skipReason = QStringLiteral("the machine runs its own udisks2; a second one is not safe");
        return false;
    }
    if (!startBus() || !startUdev())
        return false;
    // udev looks at the card again, so that its database holds the file system.
    if (!runTool(udevadm, {QStringLiteral("trigger"), QStringLiteral("--action=change"), device},
                 &m_failure)
        || !runTool(udevadm, {QStringLiteral("settle"), QStringLiteral("--timeout=30")},
                    &m_failure))
        return false;
    m_device = device;
    for (const char *folder : {"/media/root", "/run/media/root"}) {
        if (!QFileInfo::exists(QLatin1String(folder)))
            m_madeMediaFolders << QLatin1String(folder);
    }

    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
    m_udisks = start(udisksd, {}, QStringLiteral("udisksd.log"));
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (!m_udisks)
        return false;
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("sandbox"));
    const bool up = waitFor([&bus] {
        return bus.isConnected()
               && bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.UDisks2"));
    });
    QDBusConnection::disconnectFromBus(QStringLiteral("sandbox"));
    if (!up)
        m_failure = QStringLiteral("udisksd did not come up (see %1/udisksd.log)").arg(m_folder);
    return up;
}

void UDisks2Sandbox::releaseDevice()
{
    if (m_device.isEmpty())
        return;
    QString error;
    for (const QString &point : mountsOf(m_device)) {
        // The folder is udisks2's, made for this mount.
        if (runTool(QStringLiteral("umount"), {point}, &error))
            QDir().rmdir(point);
        else
            qWarning("UDisks2Sandbox: %s", qPrintable(error));
    }
}
