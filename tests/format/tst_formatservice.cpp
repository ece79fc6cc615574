// The format service: which drives it refuses, what it says it will do, how udisks2's
// answers map onto the four outcomes, and a real format of a loop card through udisks2.
// A test never talks to the machine's own udisks2: the buses below are the test's own or
// unreachable.
#include "asyncformatservice.h"
#include "drives.h"
#include "fakemachine.h"
#include "linux/sysfsdrives.h"
#include "loopcard.h"
#include "udisks2errors.h"
#include "udisks2formatservice.h"
#include "udisks2sandbox.h"

#include <QFile>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QtTest>

namespace {
constexpr qint64 kCardSectors = 62333952;  // a "32 GB" card

struct Outcome {
    platform::FormatResult result = platform::FormatResult::Failed;
    QString newRoot;
    bool returnedAtOnce = false;  // start() came back before `finished`
};

// Starts a format and waits for its end, as the window does.
Outcome formatAndWait(FormatService &service, const QString &root)
{
    QSignalSpy spy(&service, &FormatService::finished);
    service.start(root);
    Outcome outcome;
    outcome.returnedAtOnce = spy.isEmpty();
    if (spy.isEmpty() && !spy.wait(120000))
        return outcome;
    outcome.result = spy.first().at(0).value<platform::FormatResult>();
    outcome.newRoot = spy.first().at(1).toString();
    return outcome;
}
}  // namespace

class TestFormatService : public QObject
{
    Q_OBJECT

    QScopedPointer<FakeMachine> m_machine;
    QString m_card;

    // The service on the made-up machine, talking to `bus` (by default one that is not there).
    std::unique_ptr<FormatService> service(const platform::DriveService &drives,
                                           QString bus = QString()) const
    {
        if (bus.isEmpty())
            bus = QStringLiteral("unix:path=%1/no-bus-here").arg(m_machine->path());
        return makeUDisks2FormatService(drives, bus);
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

    void cleanup() { qunsetenv("LUMORACARD_REMOVABLE_ROOTS"); }

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
        QTEST(formatResultForUDisks2Error(error), "result");
    }

    // The plan comes from the machine itself; without a bus the format cannot happen, and
    // the card is left as it was.
    void cardWithoutABus()
    {
        const platform::SysfsDriveService drives(m_machine->sources());
        const auto formatter = service(drives);
        platform::FormatPlan plan;
        QVERIFY2(formatter->describe(m_card, plan), qPrintable(formatter->lastMessage()));
        QCOMPARE(QString::fromStdString(plan.rootPath), m_card);
        QCOMPARE(QString::fromStdString(plan.devicePath), QStringLiteral("/dev/sdb1"));
        QCOMPARE(qint64(plan.sizeBytes), kCardSectors * 512);
        QCOMPARE(QString::fromStdString(plan.fileSystem), QStringLiteral("exfat"));
        QCOMPARE(QString::fromStdString(plan.label), QStringLiteral("DASHCAM"));
        QVERIFY(formatter->lastMessage().isEmpty());

        const Outcome outcome = formatAndWait(*formatter, m_card);
        QVERIFY(outcome.returnedAtOnce);
        QCOMPARE(outcome.result, platform::FormatResult::CannotFormat);
        QVERIFY2(formatter->lastMessage().contains(QLatin1String("D-Bus")),
                 qPrintable(formatter->lastMessage()));
        QVERIFY(outcome.newRoot.isEmpty());
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
        platform::FormatPlan plan;
        QVERIFY(!formatter->describe(top + root, plan));
        QVERIFY2(formatter->lastMessage().contains(why), qPrintable(formatter->lastMessage()));
        const Outcome outcome = formatAndWait(*formatter, top + root);
        QVERIFY(outcome.returnedAtOnce);
        QCOMPARE(outcome.result, platform::FormatResult::CannotFormat);
        QVERIFY2(formatter->lastMessage().contains(why), qPrintable(formatter->lastMessage()));
    }

    // A bus of the test's own without udisks2: the plan still comes from the machine, the
    // format cannot happen, and the log names the bus's answer.
    void cannotFormatWithoutUDisks2()
    {
        UDisks2Sandbox sandbox(m_machine->path());
        SANDBOX_REQUIRE(sandbox, sandbox.startBus());
        const platform::SysfsDriveService drives(m_machine->sources());
        const auto formatter = service(drives, sandbox.address());
        platform::FormatPlan plan;
        QVERIFY(formatter->describe(m_card, plan));
        QCOMPARE(QString::fromStdString(plan.label), QStringLiteral("DASHCAM"));
        const Outcome outcome = formatAndWait(*formatter, m_card);
        QCOMPARE(outcome.result, platform::FormatResult::CannotFormat);
        const QString message = formatter->lastMessage();
        QVERIFY2(
            message.contains(QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
                || message.contains(QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")),
            qPrintable(message));
    }

    // The real path: udisks2 and udev on a bus of the test's own format a loop card made
    // here (named removable for the test) and mount it again.
    void formatsALoopCardThroughUDisks2()
    {
        LoopCard card(64 * 1048576);
        LOOPCARD_REQUIRE(card);
        // Declared after the card, so it unmounts the card before the card goes.
        UDisks2Sandbox sandbox(card.scratchPath());
        SANDBOX_REQUIRE(sandbox, sandbox.startUDisks2(card.devicePath()));
        QFile marker(card.rootPath() + QStringLiteral("before-format"));
        QVERIFY(marker.open(QIODevice::WriteOnly) && marker.write("x") == 1);
        marker.close();

        qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toUtf8());  // until cleanup()
        const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
        const auto formatter = makeUDisks2FormatService(*drives, sandbox.address());
        platform::FormatPlan plan;
        QVERIFY2(formatter->describe(card.rootPath(), plan), qPrintable(formatter->lastMessage()));
        // Only ever the loop device made above is formatted.
        QCOMPARE(QString::fromStdString(plan.devicePath), card.devicePath());
        QVERIFY(card.devicePath().startsWith(QLatin1String("/dev/loop")));
        QCOMPARE(QString::fromStdString(plan.fileSystem), QStringLiteral("ext4"));

        const Outcome outcome = formatAndWait(*formatter, card.rootPath());
        QVERIFY(outcome.returnedAtOnce);
        QVERIFY2(outcome.result == platform::FormatResult::Done,
                 qPrintable(formatter->lastMessage()));
        QVERIFY(formatter->lastMessage().isEmpty());
        // Mounted again, where udisks2 chose, as an empty ext4.
        const QStorageInfo mounted(outcome.newRoot);
        QCOMPARE(mounted.rootPath() + QLatin1Char('/'), outcome.newRoot);
        QCOMPARE(QString::fromLocal8Bit(mounted.device()), card.devicePath());
        QCOMPARE(mounted.fileSystemType(), QByteArray("ext4"));
        QVERIFY(!QFile::exists(outcome.newRoot + QStringLiteral("before-format")));
    }

    // The machine's own services, on a temporary folder: refused before any bus is asked.
    void machineServiceRefusesAFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
        const std::unique_ptr<FormatService> formatter = makeFormatService(*drives);
        const QString root = dir.path() + QLatin1Char('/');
        platform::FormatPlan plan;
        QVERIFY(!formatter->describe(root, plan));
        QCOMPARE(formatAndWait(*formatter, root).result, platform::FormatResult::CannotFormat);
        QVERIFY2(formatter->lastMessage().contains(QLatin1String("removable")),
                 qPrintable(formatter->lastMessage()));
    }
};

QTEST_GUILESS_MAIN(TestFormatService)
#include "tst_formatservice.moc"
