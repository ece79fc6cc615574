// The Windows drive services and block file on a drive of removable type: under Wine,
// scripts/test-windows.sh maps a folder of its own as E: and names it in
// LUMORA_TEST_REMOVABLE_DRIVE.
#include "alignedbuffer.h"
#include "blockfile.h"
#include "drives.h"

#include <QFile>
#include <QtTest>

#include <algorithm>

class TestWinDrives : public QObject
{
    Q_OBJECT
    std::string m_root;
    std::unique_ptr<platform::DriveService> m_drives;

private slots:
    void initTestCase()
    {
        m_root = qEnvironmentVariable("LUMORA_TEST_REMOVABLE_DRIVE").toStdString();
        if (m_root.empty())
            QSKIP("no removable drive to test on (LUMORA_TEST_REMOVABLE_DRIVE is not set)");
        m_drives = platform::makeDriveService();
    }

    // Only the root of a removable drive counts, in either separator; the system drive and a
    // folder on the card do not. The list names each removable drive once, as "E:\".
    void driveType_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("removable");
        QTest::addColumn<int>("listed");
        const QString root = QString::fromStdString(m_root);
        QTest::newRow("root") << root << true << 1;
        QTest::newRow("slash") << QString(root).replace('\\', '/') << true << 0;
        QTest::newRow("folder on it") << root + "DCIM\\" << false << 0;
        QTest::newRow("system drive") << QStringLiteral("C:\\") << false << 0;
    }
    void driveType()
    {
        QFETCH(QString, path);
        QFETCH(bool, removable);
        QFETCH(int, listed);
        QCOMPARE(m_drives->isRemovable(path.toStdString()), removable);
        const std::vector<std::string> roots = m_drives->removableRoots();
        QCOMPARE(int(std::count(roots.begin(), roots.end(), path.toStdString())), listed);
    }

    void volumeAndSpace()
    {
        platform::VolumeInfo volume;
        QVERIFY(m_drives->queryVolume(m_root, volume));
        QVERIFY(!volume.fileSystem.empty());
        platform::DiskSpace space;
        QVERIFY(m_drives->querySpace(m_root, space));
        QVERIFY2(space.totalBytes > 0 && space.freeBytes > 0 && space.freeBytes <= space.totalBytes,
                 qPrintable(QStringLiteral("%1 of %2").arg(space.freeBytes).arg(space.totalBytes)));
    }

    // Unbuffered, only whole sectors from aligned memory move, even where the file system
    // (Wine's) would take anything.
    void blockFileTakesWholeSectorsOnly()
    {
        const std::string path = m_root + "__card_speed_test_1.dat";
        platform::AlignedBuffer buffer(8192);
        QVERIFY(!buffer.isNull());
        {
            platform::BlockFile file;
            QVERIFY(file.open(path, platform::BlockFile::Mode::WriteThrough));
            QCOMPARE(file.write(buffer.data(), 4096), std::int64_t(4096));
            QCOMPARE(file.write(buffer.data(), 1000), std::int64_t(-1));
            QCOMPARE(file.lastError(), 87);  // ERROR_INVALID_PARAMETER
            QCOMPARE(file.write(buffer.data() + 1, 4096), std::int64_t(-1));
        }
        QVERIFY(QFile::remove(QString::fromStdString(path)));
    }
};

QTEST_GUILESS_MAIN(TestWinDrives)
#include "tst_windrives.moc"
