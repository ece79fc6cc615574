// The format service: which drives it refuses, how udisks2's answers map onto the outcomes,
// and a real format of a loop card through udisks2. A test never talks to the machine's own
// udisks2: the buses below are the test's own, or never reached.
#include "asyncformatservice.h"
#include "drives.h"
#include "loopcard.h"
#include "udisks2errors.h"
#include "udisks2formatservice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
class Daemon : public QProcess
{
protected:
    void setupChildProcess() override { prctl(PR_SET_PDEATHSIG, SIGTERM); }
};

// Allows everything: the bus is the test's own and only root's processes reach its socket.
const char kBusConfig[] =
    "<busconfig><type>system</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>\n"
    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";

// Where the daemons live when they are not on the PATH.
QString program(const char *name)
{
    return QStandardPaths::findExecutable(
        QLatin1String(name), {"/usr/bin", "/bin", "/usr/sbin", "/sbin", "/lib/systemd",
                              "/usr/lib/systemd", "/usr/libexec/udisks2", "/usr/lib/udisks2"});
}

bool isRunning(const QByteArray &name)
{
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return true;
    }
    return false;
}

template <typename Condition>
bool waitFor(Condition condition)
{
    const QDeadlineTimer deadline(20000);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(50);
    return condition();
}

using R = platform::FormatResult;

// Starts a format and waits for its end, as the window does: the result, the new root, and
// whether start() came back before `finished`.
std::tuple<R, QString, bool> formatAndWait(FormatService &service, const QString &root)
{
    QSignalSpy spy(&service, &FormatService::finished);
    service.start(root);
    const bool returnedAtOnce = spy.isEmpty();
    if (spy.isEmpty() && !spy.wait(120000))
        return {R::Failed, QString(), returnedAtOnce};
    return {spy[0][0].value<R>(), spy[0][1].toString(), returnedAtOnce};
}
}  // namespace

// A system bus of the test's own (never the machine's) with udisks2 and the udev it needs. It stops
// whatever it started when it goes, also after a failed start; the daemons get SIGTERM should the
// test process die first.
// A system bus of the test's own (never the machine's) with udisks2 and the udev it needs. It
// stops whatever it started when it goes, also after a failed start; the daemons get SIGTERM
// should the test process die first.
class UDisks2Sandbox
{
public:
    explicit UDisks2Sandbox(const QString &folder)  // for sockets and logs; must exist
        : m_folder(folder)
    {}
    ~UDisks2Sandbox()
    {
        for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
            // The folder is udisks2's, made for this mount.
            if (!m_device.isEmpty() && QString::fromLocal8Bit(volume.device()) == m_device
                && QProcess::execute(QStringLiteral("umount"), {volume.rootPath()}) == 0)
                QDir().rmdir(volume.rootPath());
        }
        // The daemons in the reverse order of the way they lean on each other.
        for (auto it = m_daemons.rbegin(); it != m_daemons.rend(); ++it) {
            (*it)->terminate();
            if (!(*it)->waitForFinished(10000)) {
                (*it)->kill();
                (*it)->waitForFinished(10000);
            }
        }
        if (m_madeUdevFolder)
            QDir(QStringLiteral("/run/udev")).removeRecursively();
        for (const QString &folder : m_madeFolders)
            QDir().rmdir(folder);  // keeps one that is not empty
    }

    // The bus, udev (unless the machine runs it) and udisks2; `device` is the only one the
    // test may format: it is unmounted again at the end.
    bool start(const QString &device)
    {
        const QString dbus = program("dbus-daemon"), udevd = program("systemd-udevd");
        const QString udevadm = program("udevadm"), udisksd = program("udisksd");
        // The machine's own udev serves as well; a second one would fight it.
        const bool udevRuns = isRunning("systemd-udevd");
        if (geteuid() != 0)
            skipReason = QStringLiteral("udisks2 and udev of the test's own need root");
        else if (dbus.isEmpty() || udisksd.isEmpty() || udevadm.isEmpty()
                 || (udevd.isEmpty() && !udevRuns))
            skipReason = QStringLiteral("dbus-daemon, udisks2 or udev is not installed");
        else if (isRunning("udisksd"))  // it would share the machine's state
            skipReason =
                QStringLiteral("the machine runs its own udisks2; a second one is not safe");
        if (!skipReason.isEmpty())
            return false;

        QFile config(m_folder + QStringLiteral("/bus.conf"));
        if (!config.open(QIODevice::WriteOnly)
            || config.write(QByteArray(kBusConfig).replace("%1", (m_folder + "/bus").toUtf8())) < 0)
            return fail(QStringLiteral("cannot write the bus configuration"));
        config.close();
        QProcess *bus =
            daemon(dbus, {"--config-file=" + config.fileName(), "--nofork", "--print-address"},
                   QStringLiteral("bus.log"));
        QByteArray address;
        while (bus && !address.contains('\n') && bus->waitForReadyRead(20000))
            address += bus->readAllStandardOutput();
        m_address = QString::fromUtf8(address.trimmed());
        if (m_address.isEmpty())
            return fail(QStringLiteral("dbus-daemon printed no address"));
        if (!udevRuns) {
            m_madeUdevFolder = !QFileInfo::exists(QStringLiteral("/run/udev"));
            if (!daemon(udevd, {}, QStringLiteral("udevd.log"))
                || !waitFor([] { return QFileInfo::exists(QStringLiteral("/run/udev/control")); }))
                return fail(QStringLiteral("systemd-udevd did not start"));
        }
        // udev looks at the card again, so that its database holds the file system.
        if (QProcess::execute(udevadm, {"trigger", "--action=change", device}) != 0
            || QProcess::execute(udevadm, {"settle", "--timeout=30"}) != 0)
            return fail(QStringLiteral("udevadm trigger or settle failed on ") + device);
        m_device = device;
        // udisks2 makes the folder of root's mount points on first use.
        for (const char *folder : {"/media/root", "/run/media/root"}) {
            if (!QFileInfo::exists(QLatin1String(folder)))
                m_madeFolders << QLatin1String(folder);
        }
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
        const bool started = daemon(udisksd, {}, QStringLiteral("udisksd.log"));
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        QDBusConnection connection =
            QDBusConnection::connectToBus(m_address, QStringLiteral("sandbox"));
        const bool up = started && waitFor([&connection] {
                            return connection.isConnected()
                                   && connection.interface()->isServiceRegistered(
                                       QStringLiteral("org.freedesktop.UDisks2"));
                        });
        QDBusConnection::disconnectFromBus(QStringLiteral("sandbox"));
        return up || fail(QStringLiteral("udisksd did not come up"));
    }
    QString address() const { return m_address; }

    QString skipReason;  // the machine lacks something: the test should skip
    QString failure;     // starting failed although the machine has what it needs

private:
    QProcess *daemon(const QString &program, const QStringList &args, const QString &log)
    {
        m_daemons.push_back(std::make_unique<Daemon>());
        QProcess *process = m_daemons.back().get();
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardErrorFile(m_folder + QLatin1Char('/') + log);
        process->start(program, args);
        return process->waitForStarted() ? process : nullptr;
    }
    bool fail(const QString &why)
    {
        failure = why + QStringLiteral(" (logs in %1)").arg(m_folder);
        return false;
    }

    QString m_folder;
    QString m_address;
    QString m_device;
    bool m_madeUdevFolder = false;
    QStringList m_madeFolders;
    std::vector<std::unique_ptr<QProcess>> m_daemons;  // in the order they were started
};

// In a QtTest function: skip when the machine cannot host the sandbox, fail when starting it
// failed for another reason.
#define SANDBOX_REQUIRE(sandbox, device)                                                           \
    do {                                                                                           \
        const bool sandboxUp = (sandbox).start(device);                                            \
        if (!(sandbox).skipReason.isEmpty())                                                       \
            QSKIP(qPrintable((sandbox).skipReason));                                               \
        QVERIFY2(sandboxUp, qPrintable((sandbox).failure));                                        \
    } while (false)

class TestFormatService : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("LUMORACARD_REMOVABLE_ROOTS"); }

    // A dismissed password prompt is the user's cancel; udisks2 absent or unable to handle
    // the device means the drive cannot be formatted here; anything else failed.
    void mapsUDisks2Errors()
    {
        const std::pair<const char *, R> rows[] = {
            {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissed", R::Cancelled},
            {"org.freedesktop.UDisks2.Error.NotAuthorized", R::Failed},
            {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissedLater", R::Failed},
            {"org.freedesktop.DBus.Error.ServiceUnknown", R::CannotFormat},
            {"org.freedesktop.UDisks2.Error.NotSupported", R::CannotFormat},
        };
        for (const auto &[error, result] : rows)
            QVERIFY2(formatResultForUDisks2Error(error) == result, error);
    }

    void refuses_data()
    {
        QTest::addColumn<bool>("named");  // named as a removable root
        QTest::addColumn<QString>("why");
        QTest::newRow("plain folder") << false << "not a removable drive";
        QTest::newRow("named, no device") << true << "not the root of a volume on a block device";
    }

    // The machine's own services on a folder of the test: refused before any bus is asked,
    // and reported only once start() has returned, as a result would be.
    void refuses()
    {
        QFETCH(bool, named);
        QTemporaryDir dir;
        const QString root = dir.path() + QLatin1Char('/');
        if (named)
            qputenv("LUMORACARD_REMOVABLE_ROOTS", root.toUtf8());
        const auto drives = platform::makeDriveService();
        const auto formatter = makeFormatService(*drives);
        platform::FormatPlan plan;
        QVERIFY(dir.isValid() && !formatter->describe(root, plan));
        const auto [result, newRoot, returnedAtOnce] = formatAndWait(*formatter, root);
        QVERIFY(returnedAtOnce && result == R::CannotFormat);
        QFETCH(QString, why);
        QVERIFY2(formatter->lastMessage().contains(why), qPrintable(formatter->lastMessage()));
    }

    // udisks2 and udev on a bus of the test's own format a loop card made here (named
    // removable for the test), keep its label and mount it again.
    void formatsALoopCardThroughUDisks2()
    {
        LoopCard card(64 * 1048576);
        LOOPCARD_REQUIRE(card);
        QCOMPARE(QProcess::execute("e2label", {card.devicePath(), "DASHCAM"}), 0);
        QFile marker(card.rootPath() + "before-format");
        QVERIFY(marker.open(QIODevice::WriteOnly) && marker.write("x") == 1);
        marker.close();
        // Declared after the card, so that it unmounts the card before the card goes.
        UDisks2Sandbox sandbox(card.scratchPath());
        SANDBOX_REQUIRE(sandbox, card.devicePath());

        qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toUtf8());
        const auto drives = platform::makeDriveService();
        const auto formatter = makeUDisks2FormatService(*drives, sandbox.address());
        platform::FormatPlan plan;
        QVERIFY2(formatter->describe(card.rootPath(), plan), qPrintable(formatter->lastMessage()));
        // Only ever the loop device made above is formatted.
        QVERIFY(card.devicePath().startsWith("/dev/loop"));
        QCOMPARE(QString::fromStdString(plan.devicePath), card.devicePath());

        const auto [result, newRoot, returnedAtOnce] = formatAndWait(*formatter, card.rootPath());
        QVERIFY2(result == R::Done, qPrintable(formatter->lastMessage()));
        // Mounted again, where udisks2 chose, as an empty ext4 with the old label.
        const QStorageInfo mounted(newRoot);
        QCOMPARE(mounted.rootPath() + '/', newRoot);
        QCOMPARE(QString::fromLocal8Bit(mounted.device()), card.devicePath());
        QCOMPARE(mounted.fileSystemType(), QByteArray("ext4"));
        QProcess blkid;
        blkid.start("blkid", {"-s", "LABEL", "-o", "value", card.devicePath()});
        QVERIFY(blkid.waitForFinished());
        QCOMPARE(blkid.readAllStandardOutput().trimmed(), QByteArray("DASHCAM"));
        QVERIFY(!QFile::exists(newRoot + "before-format"));
    }
};

QTEST_GUILESS_MAIN(TestFormatService)
#include "tst_formatservice.moc"
