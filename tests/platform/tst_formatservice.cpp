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
    "<busconfig><type>session</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>\n"
    "  <policy context=\"default\">\n"
    "    <allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>\n"
    "    <allow own=\"*\"/>\n"
    "  </policy>\n"
    "</busconfig>\n";

QString messageOf(const platform::FormatService &service)
{
    return QString::fromStdString(service.lastMessage());
}
}  // namespace

class TestFormatService : public QObject
{
    Q_OBJECT

    QScopedPointer<FakeMachine> m_machine;
    QString m_card;

    // The service on the made-up machine, talking to `bus` (by default one that is not there).
    std::unique_ptr<platform::FormatService> service(const platform::DriveService &drives,
                                                     QString bus = QString()) const
    {
        if (bus.isEmpty())
            bus = QStringLiteral("unix:path=%1/no-bus-here").arg(m_machine->path());
        return platform::makeUDisks2FormatService(drives, bus.toStdString());
    }

private slots:
    void init()
    {
        m_machine.reset(new FakeMachine);
        m_machine->addDisk("sdb", "8:16", 1);
        m_machine->addPartition("sdb", "sdb1", "8:17", kCardSectors);
        m_machine->addLabel("DASHCAM", "sdb1");
        m_card = m_machine->mount("/dev/sdb1", "8:17", "reader", "exfat");
        m_machine->addDisk("sdd", "8:48", 0);
        m_machine->addPartition("sdd", "sdd1", "8:49");
        m_machine->mount("/dev/sdd1", "8:49", "usbhdd", "ntfs3");
        QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));
    }

    void mapsUDisks2Errors_data()
    {
        QTest::addColumn<QString>("error");
        QTest::addColumn<platform::FormatResult>("result");
        using R = platform::FormatResult;
        // A refused authorisation is the user's cancel; udisks2 absent, too old or unable to
        // handle the device means the drive cannot be formatted here; anything else failed.
        const struct {
            const char *error;
            R result;
        } rows[] = {
            {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissed", R::Cancelled},
            {"org.freedesktop.UDisks2.Error.Cancelled", R::Cancelled},
            {"org.freedesktop.UDisks2.Error.NotAuthorized", R::Failed},
            {"org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain", R::Failed},
            {"org.freedesktop.UDisks2.Error.Failed", R::Failed},
            {"org.freedesktop.UDisks2.Error.DeviceBusy", R::Failed},
            {"org.freedesktop.UDisks2.Error.Timedout", R::Failed},
            {"org.freedesktop.DBus.Error.NoReply", R::Failed},
            {"org.freedesktop.UDisks2.Error.NotSupported", R::CannotFormat},
            {"org.freedesktop.DBus.Error.ServiceUnknown", R::CannotFormat},
            {"org.freedesktop.DBus.Error.NameHasNoOwner", R::CannotFormat},
            {"org.freedesktop.DBus.Error.Spawn.ChildExited", R::CannotFormat},
            {"org.freedesktop.DBus.Error.NoServer", R::CannotFormat},
            {"org.freedesktop.DBus.Error.Disconnected", R::CannotFormat},
            {"org.freedesktop.DBus.Error.UnknownMethod", R::CannotFormat},
            {"org.freedesktop.DBus.Error.UnknownObject", R::CannotFormat},
            {"com.example.Error.Strange", R::Failed},
            {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissedLater", R::Failed},  // no prefix
            {"", R::Failed},
        };
        for (const auto &r : rows)
            QTest::newRow(*r.error ? r.error : "empty") << QString(r.error) << r.result;
    }

    void mapsUDisks2Errors()
    {
        QFETCH(QString, error);
        QTEST(platform::formatResultForUDisks2Error(error.toStdString()), "result");
    }

    // The plan comes from the machine itself; without a bus the format cannot happen, and
    // the card is left as it was.
    void cardWithoutABus()
    {
        const platform::SysfsDriveService drives(m_machine->sources());
        const auto formatter = service(drives);
        platform::FormatPlan plan;
        QVERIFY2(formatter->describe(m_card.toStdString(), plan),
                 qPrintable(messageOf(*formatter)));
        QCOMPARE(QString::fromStdString(plan.rootPath), m_card);
        QCOMPARE(QString::fromStdString(plan.devicePath), QStringLiteral("/dev/sdb1"));
        QCOMPARE(qint64(plan.sizeBytes), kCardSectors * 512);
        QCOMPARE(QString::fromStdString(plan.fileSystem), QStringLiteral("exfat"));
        QCOMPARE(QString::fromStdString(plan.label), QStringLiteral("DASHCAM"));
        QVERIFY(messageOf(*formatter).isEmpty());

        std::string newRoot;
        QCOMPARE(formatter->format(m_card.toStdString(), &newRoot),
                 platform::FormatResult::CannotFormat);
        QVERIFY2(messageOf(*formatter).contains(QLatin1String("D-Bus")),
                 qPrintable(messageOf(*formatter)));
        QVERIFY(newRoot.empty());
        QVERIFY(drives.isRemovable(m_card.toStdString()));
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("root");  // relative to the machine's folder
        QTest::addColumn<QString>("namedRoots");
        QTest::addColumn<QString>("why");
        QTest::newRow("USB hard disk") << "mnt/usbhdd/" << QString() << "not a removable drive";
        QTest::newRow("folder inside the card")
            << "mnt/reader/DCIM/" << QString() << "not a removable drive";
        QTest::newRow("named folder, no device")
            << "plain/" << QStringLiteral("plain") << "not the root of a volume on a block device";
    }

    // Refused, with the reason, before any bus is asked.
    void refuses()
    {
        QFETCH(QString, root);
        QFETCH(QString, namedRoots);
        QFETCH(QString, why);
        m_machine->makeFolder(QStringLiteral("mnt/reader/DCIM"));
        m_machine->makeFolder(QStringLiteral("plain"));
        const QString top = m_machine->path() + QLatin1Char('/');
        const platform::SysfsDriveService drives(
            m_machine->sources(namedRoots.isEmpty() ? QString() : top + namedRoots));
        const auto formatter = service(drives);
        const std::string target = (top + root).toStdString();
        platform::FormatPlan plan;
        QVERIFY(!formatter->describe(target, plan));
        QVERIFY2(messageOf(*formatter).contains(why), qPrintable(messageOf(*formatter)));
        std::string newRoot;
        QCOMPARE(formatter->format(target, &newRoot), platform::FormatResult::CannotFormat);
        QVERIFY2(messageOf(*formatter).contains(why), qPrintable(messageOf(*formatter)));
        QVERIFY(newRoot.empty());
    }

    // A private bus without udisks2: the plan still comes from the machine, the format
    // cannot happen, and the log names the bus's answer.
    void cannotFormatWithoutUDisks2()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed: no private bus to ask for udisks2");
        const QString config = m_machine->path() + QStringLiteral("/bus.conf");
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(kPrivateBusConfig)
                       .replace("%1", (m_machine->path() + QStringLiteral("/bus")).toUtf8()));
        file.close();
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
            const auto formatter = service(drives, QString::fromUtf8(address.trimmed()));
            platform::FormatPlan plan;
            QVERIFY(formatter->describe(m_card.toStdString(), plan));
            QCOMPARE(QString::fromStdString(plan.label), QStringLiteral("DASHCAM"));
            std::string newRoot;
            QCOMPARE(formatter->format(m_card.toStdString(), &newRoot),
                     platform::FormatResult::CannotFormat);
            const QString message = messageOf(*formatter);
            QVERIFY2(
                message.contains(QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
                    || message.contains(QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")),
                qPrintable(message));
            QVERIFY(newRoot.empty());
        }
        bus.terminate();
        QVERIFY(bus.waitForFinished(10000));
    }

    // The machine's own services, on a temporary folder: refused before any bus is asked.
    void machineServiceRefusesAFolder()
    {
        qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
        const std::unique_ptr<platform::FormatService> formatter =
            platform::makeFormatService(*drives);
        const std::string root = (dir.path() + QLatin1Char('/')).toStdString();
        platform::FormatPlan plan;
        QVERIFY(!formatter->describe(root, plan));
        QCOMPARE(formatter->format(root), platform::FormatResult::CannotFormat);
        QVERIFY2(messageOf(*formatter).contains(QLatin1String("removable")),
                 qPrintable(messageOf(*formatter)));
    }
};

QTEST_GUILESS_MAIN(TestFormatService)
#include "tst_formatservice.moc"
