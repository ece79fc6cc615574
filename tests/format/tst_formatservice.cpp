// The format service: which drives it refuses, how udisks2's answers map onto the four
// outcomes, and a real format of a loop card through udisks2. A test never talks to the
// machine's own udisks2: the buses below are the test's own, or never reached.
#include "asyncformatservice.h"
#include "drives.h"
#include "loopcard.h"
#include "udisks2errors.h"
#include "udisks2formatservice.h"
#include "udisks2sandbox.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QtTest>

namespace {
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

QByteArray labelOf(const QString &device)
{
    QProcess blkid;
    blkid.start(QStringLiteral("blkid"), {"-s", "LABEL", "-o", "value", device});
    return blkid.waitForFinished() ? blkid.readAllStandardOutput().trimmed() : QByteArray();
}
}  // namespace

class TestFormatService : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("LUMORACARD_REMOVABLE_ROOTS"); }

    // A refused authorisation is the user's cancel; udisks2 absent or unable to handle the
    // device means the drive cannot be formatted here; anything else failed.
    void mapsUDisks2Errors()
    {
        using R = platform::FormatResult;
        const struct {
            const char *error;
            R result;
        } rows[] = {
            {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissed", R::Cancelled},
            {"org.freedesktop.UDisks2.Error.NotAuthorized", R::Failed},
            {"org.freedesktop.DBus.Error.ServiceUnknown", R::CannotFormat},
            {"org.freedesktop.UDisks2.Error.NotSupported", R::CannotFormat},
            {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissedLater", R::Failed},
            {"", R::Failed},
        };
        for (const auto &r : rows)
            QVERIFY2(formatResultForUDisks2Error(r.error) == r.result, r.error);
    }

    void refuses_data()
    {
        QTest::addColumn<bool>("named");  // named as a removable root
        QTest::addColumn<QString>("why");
        QTest::newRow("plain folder") << false << "not a removable drive";
        QTest::newRow("named folder, no device")
            << true << "not the root of a volume on a block device";
    }

    // The machine's own services on a folder of the test: refused with the reason before any
    // bus is asked, and reported only once start() has returned, as a result would be.
    void refuses()
    {
        QFETCH(bool, named);
        QFETCH(QString, why);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString root = dir.path() + QLatin1Char('/');
        if (named)
            qputenv("LUMORACARD_REMOVABLE_ROOTS", root.toUtf8());
        const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
        const std::unique_ptr<FormatService> formatter = makeFormatService(*drives);
        platform::FormatPlan plan;
        QVERIFY(!formatter->describe(root, plan));
        const Outcome outcome = formatAndWait(*formatter, root);
        QVERIFY(outcome.returnedAtOnce);
        QCOMPARE(outcome.result, platform::FormatResult::CannotFormat);
        QVERIFY2(formatter->lastMessage().contains(why), qPrintable(formatter->lastMessage()));
    }

    // A bus of the test's own without udisks2: the format cannot happen, and the message
    // names the bus's answer.
    void cannotFormatWithoutUDisks2()
    {
        LoopCard card(64 * 1048576);
        LOOPCARD_REQUIRE(card);
        UDisks2Sandbox sandbox(card.scratchPath());
        SANDBOX_REQUIRE(sandbox, sandbox.startBus());
        qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toUtf8());
        const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
        const auto formatter = makeUDisks2FormatService(*drives, sandbox.address());
        QCOMPARE(formatAndWait(*formatter, card.rootPath()).result,
                 platform::FormatResult::CannotFormat);
        const QString message = formatter->lastMessage();
        QVERIFY2(message.contains(QLatin1String("ServiceUnknown"))
                     || message.contains(QLatin1String("NameHasNoOwner")),
                 qPrintable(message));
    }

    // The real path: udisks2 and udev on a bus of the test's own format a loop card made
    // here (named removable for the test), keep its label and mount it again.
    void formatsALoopCardThroughUDisks2()
    {
        LoopCard card(64 * 1048576);
        LOOPCARD_REQUIRE(card);
        QCOMPARE(QProcess::execute(QStringLiteral("e2label"), {card.devicePath(), "DASHCAM"}), 0);
        // Declared after the card, so it unmounts the card before the card goes.
        UDisks2Sandbox sandbox(card.scratchPath());
        SANDBOX_REQUIRE(sandbox, sandbox.startUDisks2(card.devicePath()));
        QFile marker(card.rootPath() + QStringLiteral("before-format"));
        QVERIFY(marker.open(QIODevice::WriteOnly) && marker.write("x") == 1);
        marker.close();

        qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toUtf8());
        const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
        const auto formatter = makeUDisks2FormatService(*drives, sandbox.address());
        platform::FormatPlan plan;
        QVERIFY2(formatter->describe(card.rootPath(), plan), qPrintable(formatter->lastMessage()));
        // Only ever the loop device made above is formatted.
        QCOMPARE(QString::fromStdString(plan.devicePath), card.devicePath());
        QVERIFY(card.devicePath().startsWith(QLatin1String("/dev/loop")));

        const Outcome outcome = formatAndWait(*formatter, card.rootPath());
        QVERIFY2(outcome.result == platform::FormatResult::Done,
                 qPrintable(formatter->lastMessage()));
        // Mounted again, where udisks2 chose, as an empty ext4 with the old label.
        const QStorageInfo mounted(outcome.newRoot);
        QCOMPARE(mounted.rootPath() + QLatin1Char('/'), outcome.newRoot);
        QCOMPARE(QString::fromLocal8Bit(mounted.device()), card.devicePath());
        QCOMPARE(mounted.fileSystemType(), QByteArray("ext4"));
        QCOMPARE(labelOf(card.devicePath()), QByteArray("DASHCAM"));
        QVERIFY(!QFile::exists(outcome.newRoot + QStringLiteral("before-format")));
    }
};

QTEST_GUILESS_MAIN(TestFormatService)
#include "tst_formatservice.moc"
