// The format service: which drives it refuses, what it says it will do, and how udisks2's
// answers map onto the four outcomes. No udisks2 runs here, and a test never talks to the
// machine's own: the buses below are private or unreachable.
#include "drives.h"
#include "fakemachine.h"
#include "formatservice.h"
#include "linux/sysfsdrives.h"
#include "linux/udisks2errors.h"
#include "linux/udisks2format.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

Q_DECLARE_METATYPE(platform::FormatResult)

namespace {
constexpr qint64 kCardSectors = 62333952;  // a "32 GB" card

// A bus with nothing on it but the bus itself: nothing can be activated there.
const char *const kPrivateBusConfig =
    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
    "<busconfig>\n"
    "  <type>session</type>\n"
    "  <listen>unix:path=%1</listen>\n"
    "  <auth>EXTERNAL</auth>\n"
    "  <policy context=\"default\">\n"
    "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
    "    <allow eavesdrop=\"true\"/>\n"
    "    <allow own=\"*\"/>\n"
    "  </policy>\n"
    "</busconfig>\n";
}  // namespace

class TestFormatService : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void mapsUDisks2Errors_data();
    void mapsUDisks2Errors();
    void describesARemovableCard();
    void refuses_data();
    void refuses();
    void cannotFormatWithoutABus();
    void cannotFormatWithoutUDisks2();
    void machineServiceRefusesAFolder();

private:
    QString unreachableBus() const;

    QScopedPointer<FakeMachine> m_machine;
    QString m_card;
};

void TestFormatService::init()
{
    m_machine.reset(new FakeMachine);
    QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));
    m_machine->addDisk("sdb", "8:16", 1);
    m_machine->addPartition("sdb", "sdb1", "8:17", kCardSectors);
    m_machine->addLabel("DASHCAM", "sdb1");
    m_card = m_machine->mount("/dev/sdb1", "8:17", "reader", "exfat");
    m_machine->addDisk("sdd", "8:48", 0);
    m_machine->addPartition("sdd", "sdd1", "8:49");
    m_machine->mount("/dev/sdd1", "8:49", "usbhdd", "ntfs3");
    QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));
}

QString TestFormatService::unreachableBus() const
{
    return QStringLiteral("unix:path=%1/no-bus-here").arg(m_machine->path());
}

void TestFormatService::mapsUDisks2Errors_data()
{
    QTest::addColumn<QString>("error");
    QTest::addColumn<platform::FormatResult>("result");
    using R = platform::FormatResult;

    QTest::newRow("authorisation dismissed")
        << "org.freedesktop.UDisks2.Error.NotAuthorizedDismissed" << R::Cancelled;
    QTest::newRow("cancelled") << "org.freedesktop.UDisks2.Error.Cancelled" << R::Cancelled;
    QTest::newRow("not authorised") << "org.freedesktop.UDisks2.Error.NotAuthorized" << R::Failed;
    QTest::newRow("could be authorised")
        << "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain" << R::Failed;
    QTest::newRow("failed") << "org.freedesktop.UDisks2.Error.Failed" << R::Failed;
    QTest::newRow("device busy") << "org.freedesktop.UDisks2.Error.DeviceBusy" << R::Failed;
    QTest::newRow("timed out") << "org.freedesktop.UDisks2.Error.Timedout" << R::Failed;
    QTest::newRow("no reply") << "org.freedesktop.DBus.Error.NoReply" << R::Failed;
    QTest::newRow("file system not supported")
        << "org.freedesktop.UDisks2.Error.NotSupported" << R::CannotFormat;
    QTest::newRow("service unknown")
        << "org.freedesktop.DBus.Error.ServiceUnknown" << R::CannotFormat;
    QTest::newRow("name has no owner")
        << "org.freedesktop.DBus.Error.NameHasNoOwner" << R::CannotFormat;
    QTest::newRow("activation failed")
        << "org.freedesktop.DBus.Error.Spawn.ChildExited" << R::CannotFormat;
    QTest::newRow("no bus") << "org.freedesktop.DBus.Error.NoServer" << R::CannotFormat;
    QTest::newRow("disconnected") << "org.freedesktop.DBus.Error.Disconnected" << R::CannotFormat;
    QTest::newRow("old udisks2 without the method")
        << "org.freedesktop.DBus.Error.UnknownMethod" << R::CannotFormat;
    QTest::newRow("device gone from udisks2")
        << "org.freedesktop.DBus.Error.UnknownObject" << R::CannotFormat;
    QTest::newRow("unknown error") << "com.example.Error.Strange" << R::Failed;
    QTest::newRow("a prefix is not a name")
        << "org.freedesktop.UDisks2.Error.NotAuthorizedDismissedLater" << R::Failed;
    QTest::newRow("empty") << "" << R::Failed;
}

void TestFormatService::mapsUDisks2Errors()
{
    QFETCH(QString, error);
    QTEST(platform::formatResultForUDisks2Error(error.toStdString()), "result");
}

void TestFormatService::describesARemovableCard()
{
    const platform::SysfsDriveService drives(m_machine->sources());
    const auto service = platform::makeUDisks2FormatService(drives, unreachableBus().toStdString());
    platform::FormatPlan plan;
    QVERIFY2(service->describe(m_card.toStdString(), plan), service->lastMessage().c_str());
    QCOMPARE(QString::fromStdString(plan.rootPath), m_card);
    QCOMPARE(QString::fromStdString(plan.devicePath), QStringLiteral("/dev/sdb1"));
    QCOMPARE(qint64(plan.sizeBytes), kCardSectors * 512);
    QCOMPARE(QString::fromStdString(plan.fileSystem), QStringLiteral("exfat"));
    QCOMPARE(QString::fromStdString(plan.label), QStringLiteral("DASHCAM"));
    QVERIFY(service->lastMessage().empty());
}

void TestFormatService::refuses_data()
{
    QTest::addColumn<QString>("root");  // relative to the machine's folder
    QTest::addColumn<QString>("namedRoots");
    QTest::addColumn<QString>("why");

    QTest::newRow("USB hard disk") << "mnt/usbhdd/" << QString() << "not a removable drive";
    QTest::newRow("folder inside the card")
        << "mnt/reader/DCIM/" << QString() << "not a removable drive";
    QTest::newRow("named folder, no device") << "plain/"
                                             << "plain"
                                             << "not the root of a volume on a block device";
}

void TestFormatService::refuses()
{
    QFETCH(QString, root);
    QFETCH(QString, namedRoots);
    QFETCH(QString, why);
    m_machine->makeFolder(QStringLiteral("mnt/reader/DCIM"));
    m_machine->makeFolder(QStringLiteral("plain"));
    const QString top = m_machine->path() + QLatin1Char('/');
    const QString named = namedRoots.isEmpty() ? QString() : top + namedRoots;
    const platform::SysfsDriveService drives(m_machine->sources(named));
    const auto service = platform::makeUDisks2FormatService(drives, unreachableBus().toStdString());

    platform::FormatPlan plan;
    QVERIFY(!service->describe((top + root).toStdString(), plan));
    QVERIFY2(QString::fromStdString(service->lastMessage()).contains(why),
             service->lastMessage().c_str());
    std::string newRoot;
    QCOMPARE(service->format((top + root).toStdString(), &newRoot),
             platform::FormatResult::CannotFormat);
    // Refused before any bus is asked.
    QVERIFY2(QString::fromStdString(service->lastMessage()).contains(why),
             service->lastMessage().c_str());
    QVERIFY(newRoot.empty());
}

void TestFormatService::cannotFormatWithoutABus()
{
    const platform::SysfsDriveService drives(m_machine->sources());
    const auto service = platform::makeUDisks2FormatService(drives, unreachableBus().toStdString());
    std::string newRoot;
    QCOMPARE(service->format(m_card.toStdString(), &newRoot), platform::FormatResult::CannotFormat);
    QVERIFY2(QString::fromStdString(service->lastMessage()).contains(QLatin1String("D-Bus")),
             service->lastMessage().c_str());
    QVERIFY(newRoot.empty());
    // Nothing happened to the card's mount.
    QVERIFY(drives.isRemovable(m_card.toStdString()));
}

void TestFormatService::cannotFormatWithoutUDisks2()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed: no private bus to ask for udisks2");
    const QString config = m_machine->path() + QStringLiteral("/bus.conf");
    {
        QFile f(config);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(kPrivateBusConfig)
                    .replace("%1", (m_machine->path() + QStringLiteral("/bus")).toUtf8()));
    }
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
    QVERIFY2(bus.waitForStarted(), qPrintable(bus.errorString()));
    QByteArray address;
    while (!address.contains('\n') && bus.waitForReadyRead(10000))
        address += bus.readAllStandardOutput();
    QVERIFY2(address.contains('\n'), bus.readAllStandardError().constData());

    {
        const platform::SysfsDriveService drives(m_machine->sources());
        const auto service =
            platform::makeUDisks2FormatService(drives, address.trimmed().toStdString());
        // Without udisks2 the plan still comes from the machine itself.
        platform::FormatPlan plan;
        QVERIFY(service->describe(m_card.toStdString(), plan));
        QCOMPARE(QString::fromStdString(plan.label), QStringLiteral("DASHCAM"));

        std::string newRoot;
        QCOMPARE(service->format(m_card.toStdString(), &newRoot),
                 platform::FormatResult::CannotFormat);
        const QString message = QString::fromStdString(service->lastMessage());
        QVERIFY2(
            message.contains(QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
                || message.contains(QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")),
            qPrintable(message));
        QVERIFY(newRoot.empty());
    }
    bus.terminate();
    QVERIFY(bus.waitForFinished(10000));
}

void TestFormatService::machineServiceRefusesAFolder()
{
    // The machine's own services, on a temporary folder: refused before any bus is asked.
    qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
    const std::unique_ptr<platform::FormatService> service = platform::makeFormatService(*drives);
    const std::string root = (dir.path() + QLatin1Char('/')).toStdString();
    platform::FormatPlan plan;
    QVERIFY(!service->describe(root, plan));
    QCOMPARE(service->format(root), platform::FormatResult::CannotFormat);
    QVERIFY2(QString::fromStdString(service->lastMessage()).contains(QLatin1String("removable")),
             service->lastMessage().c_str());
}

QTEST_GUILESS_MAIN(TestFormatService)
#include "tst_formatservice.moc"
