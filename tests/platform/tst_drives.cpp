// The Linux drive service on made-up machines (every kind of disk a card or a non-card can
// be), on this machine, and on a real loop-device card.
#include "drives.h"
#include "fakemachine.h"
#include "linux/sysfsdrives.h"
#include "loopcard.h"

#include <QDir>
#include <QtTest>
#include <algorithm>

namespace {
constexpr qint64 kCardSectors = 31116288;  // a "16 GB" card

QStringList toQt(const std::vector<std::string> &list)
{
    QStringList out;
    for (const std::string &s : list)
        out << QString::fromStdString(s);
    return out;
}

std::string std8(const QString &s)
{
    return s.toStdString();
}

// Every kind of disk, each mounted on a folder named after it.
void buildZoo(FakeMachine &m)
{
    // Internal SATA disk: not a card.
    m.addDisk("sda", "8:0", 0);
    m.addPartition("sda", "sda1", "8:1");
    m.addPartition("sda", "sda2", "8:2");
    m.mount("/dev/sda1", "8:1", "internal", "ext4");
    // SD card in a USB reader: the reader reports removable media.
    m.addDisk("sdb", "8:16", 1);
    m.addPartition("sdb", "sdb1", "8:17", kCardSectors);
    m.mount("/dev/sdb1", "8:17", "reader");
    // SD card in a built-in slot: not flagged removable, but an mmcblk disk of type SD.
    m.addDisk("mmcblk0", "179:0", 0, 0, "SD");
    m.addPartition("mmcblk0", "mmcblk0p1", "179:1");
    m.mount("/dev/mmcblk0p1", "179:1", "sdslot", "exfat");
    // eMMC soldered to the board: an mmcblk disk of type MMC.
    m.addDisk("mmcblk1", "179:8", 0, 0, "MMC");
    m.addPartition("mmcblk1", "mmcblk1p1", "179:9");
    m.mount("/dev/mmcblk1p1", "179:9", "emmc", "ext4");
    // USB stick formatted without a partition table.
    m.addDisk("sdc", "8:32", 1);
    m.mount("/dev/sdc", "8:32", "stick");
    // USB hard disk: reports fixed media.
    m.addDisk("sdd", "8:48", 0);
    m.addPartition("sdd", "sdd1", "8:49");
    m.mount("/dev/sdd1", "8:49", "usbhdd", "ntfs3");
    // LUKS on a stick, and LUKS on the internal disk.
    m.addDisk("sde", "8:64", 1);
    m.addPartition("sde", "sde1", "8:65");
    m.addMapper("dm-0", "253:0", "luks-1234", {"sde1"});
    m.mount("/dev/mapper/luks-1234", "253:0", "lukscard", "ext4");
    m.addMapper("dm-1", "253:1", "luks-home", {"sda2"});
    m.mount("/dev/mapper/luks-home", "253:1", "lukshome", "ext4");
    // Loop devices, even one claiming removable media, and a partition on a loop device.
    m.addDisk("loop0", "7:0", 1);
    m.mount("/dev/loop0", "7:0", "loopimg", "ext4");
    m.addDisk("loop1", "7:1", 0);
    m.addPartition("loop1", "loop1p1", "259:0");
    m.mount("/dev/loop1p1", "259:0", "looppart");
    // NVMe system disk.
    m.addDisk("nvme0n1", "259:1", 0);
    m.addPartition("nvme0n1", "nvme0n1p1", "259:2");
    m.mount("/dev/nvme0n1p1", "259:2", "nvme", "ext4");
    // One card mounted twice.
    m.addDisk("sdf", "8:80", 1);
    m.addPartition("sdf", "sdf1", "8:81");
    m.mount("/dev/sdf1", "8:81", "twice-a");
    m.mount("/dev/sdf1", "8:81", "twice-b");
    // A card whose mount point has a blank.
    m.addDisk("sdg", "8:96", 1);
    m.addPartition("sdg", "sdg1", "8:97");
    m.mount("/dev/sdg1", "8:97", "my card");
    // A folder of the reader's card bind-mounted elsewhere: not a drive root.
    m.mount("/dev/sdb1", "8:17", "bind-dcim", "vfat", "/DCIM");
    // Not a device at all.
    m.mount("tmpfs", "0:50", "ramdisk", "tmpfs");
    // A stick whose file system uses a device number of its own (btrfs does).
    m.addDisk("sdh", "8:112", 1);
    m.addPartition("sdh", "sdh1", "8:113");
    m.mount("/dev/sdh1", "0:60", "btrfs-stick", "btrfs");
}
}  // namespace

class TestDrives : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void classifies_data();
    void classifies();
    void listsEachRemovableVolumeOnceInOrder();
    void volumeAndSpace_data();
    void volumeAndSpace();
    void listedDriveWhoseQueriesFail();
    void answersAfreshAfterTheCardIsPulled();
    void namedRoots_data();
    void namedRoots();
    void namedRootsFromTheEnvironment();
    void device_data();
    void device();
    void thisMachine();
    void loopCardNeedsNaming();

private:
    QScopedPointer<FakeMachine> m_machine;
    QString m_mnt;
};

void TestDrives::init()
{
    m_machine.reset(new FakeMachine);
    QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));
    buildZoo(*m_machine);
    QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));
    m_mnt = m_machine->makeFolder(QStringLiteral("mnt"));
}

void TestDrives::classifies_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("removable");

    QTest::newRow("SD card in a USB reader") << "reader" << true;
    QTest::newRow("SD card in a built-in slot") << "sdslot" << true;
    QTest::newRow("eMMC") << "emmc" << false;
    QTest::newRow("USB stick, no partition table") << "stick" << true;
    QTest::newRow("USB hard disk") << "usbhdd" << false;
    QTest::newRow("internal disk") << "internal" << false;
    QTest::newRow("NVMe disk") << "nvme" << false;
    QTest::newRow("LUKS on a stick") << "lukscard" << true;
    QTest::newRow("LUKS on the internal disk") << "lukshome" << false;
    QTest::newRow("loop device flagged removable") << "loopimg" << false;
    QTest::newRow("partition on a loop device") << "looppart" << false;
    QTest::newRow("card mounted twice, first") << "twice-a" << true;
    QTest::newRow("card mounted twice, second") << "twice-b" << true;
    QTest::newRow("blank in the mount point") << "my card" << true;
    QTest::newRow("bind mount of a card's folder") << "bind-dcim" << false;
    QTest::newRow("tmpfs") << "ramdisk" << false;
    QTest::newRow("own device number (btrfs)") << "btrfs-stick" << true;
    QTest::newRow("folder inside a card") << "reader/DCIM" << false;
    QTest::newRow("not mounted at all") << "nowhere" << false;
}

void TestDrives::classifies()
{
    QFETCH(QString, folder);
    QFETCH(bool, removable);
    QDir().mkpath(m_mnt + QStringLiteral("reader/DCIM"));
    const platform::SysfsDriveService drives(m_machine->sources());
    const QString root = m_mnt + folder + QLatin1Char('/');
    QCOMPARE(drives.isRemovable(std8(root)), removable);
    // The root may be named without its trailing separator.
    QCOMPARE(drives.isRemovable(std8(m_mnt + folder)), removable);
}

void TestDrives::listsEachRemovableVolumeOnceInOrder()
{
    const platform::SysfsDriveService drives(m_machine->sources());
    QStringList expected;
    for (const char *folder :
         {"btrfs-stick", "lukscard", "my card", "reader", "sdslot", "stick", "twice-a"})
        expected << m_mnt + QLatin1String(folder) + QLatin1Char('/');
    QCOMPARE(toQt(drives.removableRoots()), expected);
    // Everything listed is removable by the drive-type query too.
    for (const std::string &root : drives.removableRoots())
        QVERIFY2(drives.isRemovable(root), root.c_str());
}

void TestDrives::volumeAndSpace_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("fileSystem");

    // The reader's card has a label link (with a blank, as udev escapes it); the others
    // are named after their mount point.
    QTest::newRow("label from its link") << "reader"
                                         << "CARD ONE"
                                         << "vfat";
    QTest::newRow("label from the mount point") << "stick"
                                                << "stick"
                                                << "vfat";
    QTest::newRow("blank in the mount point") << "my card"
                                              << "my card"
                                              << "vfat";
    QTest::newRow("exFAT in a slot") << "sdslot"
                                     << "SLOT"
                                     << "exfat";
    QTest::newRow("LUKS volume") << "lukscard"
                                 << "lukscard"
                                 << "ext4";
}

void TestDrives::volumeAndSpace()
{
    QFETCH(QString, folder);
    m_machine->addLabel(QStringLiteral("CARD\\x20ONE"), QStringLiteral("sdb1"));
    m_machine->addLabel(QStringLiteral("SLOT"), QStringLiteral("mmcblk0p1"));
    // A label of a device that is not mounted changes nothing.
    m_machine->addLabel(QStringLiteral("OTHER"), QStringLiteral("sdz1"));
    QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));

    const platform::SysfsDriveService drives(m_machine->sources());
    const std::string root = std8(m_mnt + folder + QLatin1Char('/'));
    bool found = false;
    for (const platform::RemovableDrive &d : drives.listRemovableDrives()) {
        if (d.rootPath != root)
            continue;
        found = true;
        QVERIFY(d.volumeKnown);
        QTEST(QString::fromStdString(d.volume.label), "label");
        QTEST(QString::fromStdString(d.volume.fileSystem), "fileSystem");
        // The mount points are folders of this machine: statvfs answers for them.
        QVERIFY(d.spaceKnown);
        QVERIFY(d.space.totalBytes > 0);
        QVERIFY(d.space.freeBytes >= 0 && d.space.freeBytes <= d.space.totalBytes);
        QCOMPARE(drives.capacity(root), d.space.totalBytes);
    }
    QVERIFY2(found, root.c_str());
}

void TestDrives::listedDriveWhoseQueriesFail()
{
    // A card still in the mount table whose mount point is gone (a reader with no medium
    // behaves alike): listed, removable, but neither volume nor space can be read.
    m_machine->addDisk("sdi", "8:128", 1);
    m_machine->addPartition("sdi", "sdi1", "8:129");
    const QString vanished = m_mnt + QStringLiteral("vanished/CARD");
    const QString root = m_machine->mountAt("/dev/sdi1", "8:129", vanished);
    QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));

    const platform::SysfsDriveService drives(m_machine->sources());
    QVERIFY(toQt(drives.removableRoots()).contains(root));
    QVERIFY(drives.isRemovable(std8(root)));
    for (const platform::RemovableDrive &d : drives.listRemovableDrives()) {
        if (d.rootPath == std8(root)) {
            QVERIFY(!d.volumeKnown);
            QVERIFY(!d.spaceKnown);
        }
    }
    platform::VolumeInfo volume;
    QVERIFY(!drives.queryVolume(std8(root), volume));
    platform::DiskSpace space;
    QVERIFY(!drives.querySpace(std8(root), space));
    QCOMPARE(drives.capacity(std8(root)), std::int64_t(0));
}

void TestDrives::answersAfreshAfterTheCardIsPulled()
{
    const platform::SysfsDriveService drives(m_machine->sources());
    const QString reader = m_mnt + QStringLiteral("reader/");
    const QString stick = m_mnt + QStringLiteral("stick/");
    QVERIFY(drives.isRemovable(std8(reader)));
    QVERIFY(drives.isRemovable(std8(stick)));

    // The reader's card is unmounted after the list was made; its folder stays behind.
    m_machine->unmount(reader);
    QVERIFY(QFileInfo(reader).isDir());
    QVERIFY(!drives.isRemovable(std8(reader)));
    QVERIFY(!toQt(drives.removableRoots()).contains(reader));
    platform::VolumeDevice device;
    QVERIFY(!drives.queryDevice(std8(reader), device));

    // What sysfs says is read afresh too.
    m_machine->setAttribute(QStringLiteral("sdc"), QStringLiteral("removable"),
                            QStringLiteral("0"));
    QVERIFY(!drives.isRemovable(std8(stick)));
}

void TestDrives::namedRoots_data()
{
    QTest::addColumn<QString>("roots");  // "@" stands for the machine's folder
    QTest::addColumn<QString>("query");  // relative to the machine's folder
    QTest::addColumn<bool>("removable");
    QTest::addColumn<int>("extraListed");  // roots listed beyond the removable mounts

    QTest::newRow("named folder") << "@/plain"
                                  << "plain" << true << 1;
    QTest::newRow("named with a trailing separator") << "@/plain/"
                                                     << "plain" << true << 1;
    QTest::newRow("folder inside a named one") << "@/plain"
                                               << "plain/sub" << false << 1;
    QTest::newRow("not named") << "@/other"
                               << "plain" << false << 1;
    QTest::newRow("two named, empty items") << "::@/plain::@/other:"
                                            << "other" << true << 2;
    QTest::newRow("missing folder is ignored") << "@/gone:@/plain"
                                               << "gone" << false << 1;
    QTest::newRow("a removable mount named again") << "@/mnt/reader"
                                                   << "mnt/reader" << true << 0;
    QTest::newRow("naming makes a fixed disk removable") << "@/mnt/usbhdd"
                                                         << "mnt/usbhdd" << true << 1;
    QTest::newRow("named through a link") << "@/link"
                                          << "plain" << true << 1;
    QTest::newRow("nothing named") << ""
                                   << "plain" << false << 0;
}

void TestDrives::namedRoots()
{
    QFETCH(QString, roots);
    QFETCH(QString, query);
    QFETCH(bool, removable);
    QFETCH(int, extraListed);
    m_machine->makeFolder(QStringLiteral("plain/sub"));
    m_machine->makeFolder(QStringLiteral("other"));
    const QString top = m_machine->path();
    const QString base = top + QLatin1Char('/');
    QVERIFY(QFile::link(top + QStringLiteral("/plain"), top + QStringLiteral("/link")));
    roots.replace(QLatin1Char('@'), top);

    const platform::SysfsDriveService unnamed(m_machine->sources());
    const platform::SysfsDriveService drives(m_machine->sources(roots));
    QCOMPARE(drives.isRemovable(std8(base + query + QLatin1Char('/'))), removable);
    QStringList listed = toQt(drives.removableRoots());
    QCOMPARE(listed.size(), int(unnamed.removableRoots().size()) + extraListed);
    QCOMPARE(listed.removeDuplicates(), 0);
    QVERIFY(std::is_sorted(listed.cbegin(), listed.cend()));
    for (const QString &root : listed)
        QVERIFY2(root.endsWith(QLatin1Char('/')) && drives.isRemovable(std8(root)),
                 qPrintable(root));
    if (removable)
        QVERIFY(listed.contains(QFileInfo(base + query).canonicalFilePath() + QLatin1Char('/')));
}

void TestDrives::namedRootsFromTheEnvironment()
{
    const QString plain = m_machine->makeFolder(QStringLiteral("plain"));
    platform::DriveSources sources = m_machine->sources();
    sources.removableRoots.reset();  // from LUMORACARD_REMOVABLE_ROOTS
    const platform::SysfsDriveService drives(sources);

    qputenv("LUMORACARD_REMOVABLE_ROOTS", plain.toUtf8());
    QVERIFY(drives.isRemovable(std8(plain)));
    QVERIFY(toQt(drives.removableRoots()).contains(plain));
    // Read at every query, not when the service was made.
    qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
    QVERIFY(!drives.isRemovable(std8(plain)));
    QVERIFY(!toQt(drives.removableRoots()).contains(plain));
}

void TestDrives::device_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QString>("devicePath");
    QTest::addColumn<QString>("kernelName");
    QTest::addColumn<qint64>("sizeBytes");

    QTest::newRow("partition") << "reader" << true << "/dev/sdb1"
                               << "sdb1" << kCardSectors * 512;
    QTest::newRow("LUKS volume") << "lukscard" << true << "/dev/mapper/luks-1234"
                                 << "dm-0" << qint64(0);
    QTest::newRow("own device number") << "btrfs-stick" << true << "/dev/sdh1"
                                       << "sdh1" << qint64(0);
    QTest::newRow("tmpfs") << "ramdisk" << false << QString() << QString() << qint64(0);
    QTest::newRow("bind mount") << "bind-dcim" << false << QString() << QString() << qint64(0);
}

void TestDrives::device()
{
    QFETCH(QString, folder);
    QFETCH(bool, known);
    const platform::SysfsDriveService drives(m_machine->sources());
    platform::VolumeDevice d;
    QCOMPARE(drives.queryDevice(std8(m_mnt + folder + QLatin1Char('/')), d), known);
    if (!known)
        return;
    QTEST(QString::fromStdString(d.devicePath), "devicePath");
    QTEST(QString::fromStdString(d.kernelName), "kernelName");
    QTEST(qint64(d.sizeBytes), "sizeBytes");
}

void TestDrives::thisMachine()
{
    // Whatever this machine has: the list must be consistent with the type query, and a
    // fresh temporary folder is never a removable drive root.
    qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
    const std::unique_ptr<platform::DriveService> drives = platform::makeDriveService();
    const std::vector<platform::RemovableDrive> list = drives->listRemovableDrives();
    qInfo("%d removable drive(s) on this machine", int(list.size()));
    for (const platform::RemovableDrive &d : list) {
        qInfo("  %s [%s] %s", d.rootPath.c_str(), d.volume.label.c_str(),
              d.volume.fileSystem.c_str());
        QVERIFY(!d.rootPath.empty() && d.rootPath.back() == '/');
        QVERIFY2(drives->isRemovable(d.rootPath), d.rootPath.c_str());
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!drives->isRemovable(std8(dir.path() + QLatin1Char('/'))));
    QVERIFY(!drives->isRemovable("/proc/"));
    platform::VolumeInfo volume;
    QVERIFY(drives->queryVolume(std8(dir.path()), volume));
    QVERIFY(!volume.fileSystem.empty());
}

void TestDrives::loopCardNeedsNaming()
{
    LoopCard card(64 * 1048576);
    LOOPCARD_REQUIRE(card);
    const std::string root = std8(card.rootPath());

    // On its own a loop device is never a card.
    platform::DriveSources plainSources;
    plainSources.removableRoots = std::string();
    const platform::SysfsDriveService plain(plainSources);
    QVERIFY(!plain.isRemovable(root));
    QVERIFY(!toQt(plain.removableRoots()).contains(card.rootPath()));
    // The real sysfs knows the device behind the mount.
    platform::VolumeDevice device;
    QVERIFY(plain.queryDevice(root, device));
    QCOMPARE(QString::fromStdString(device.devicePath), card.devicePath());
    QCOMPARE(qint64(device.sizeBytes), qint64(64 * 1048576));

    // Named as a removable root, it is one.
    platform::DriveSources namedSources;
    namedSources.removableRoots = root;
    const platform::SysfsDriveService named(namedSources);
    QVERIFY(named.isRemovable(root));
    QVERIFY(toQt(named.removableRoots()).contains(card.rootPath()));
    platform::VolumeInfo volume;
    QVERIFY(named.queryVolume(root, volume));
    QCOMPARE(QString::fromStdString(volume.fileSystem), QStringLiteral("ext4"));
    platform::DiskSpace space;
    QVERIFY(named.querySpace(root, space));
    QVERIFY(space.totalBytes > 32 * 1048576 && space.totalBytes <= 64 * 1048576);
    QCOMPARE(named.capacity(root), space.totalBytes);
    // Only the root: a folder on the card is not a drive.
    QVERIFY(QDir().mkpath(card.rootPath() + QStringLiteral("DCIM")));
    QVERIFY(!named.isRemovable(root + "DCIM/"));
}

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
