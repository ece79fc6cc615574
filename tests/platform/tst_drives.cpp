// The Linux drive service: reading the kernel's mount table, then telling cards from other
// disks on a made-up machine (every kind of disk a card or a non-card can be), and on a
// real loop-device card.
#include "drives.h"
#include "fakemachine.h"
#include "linux/sysfsdrives.h"
#include "loopcard.h"

#include <QDir>
#include <QProcess>
#include <QStorageInfo>
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

// Every kind of disk, each mounted on a folder named after what it is.
void buildZoo(FakeMachine &m)
{
    const struct {
        const char *disk, *numbers;
        int removable;
        const char *mmcType, *partition, *partitionNumbers, *folder, *fsType;
    } disks[] = {
        {"sda", "8:0", 0, "", "sda1", "8:1", "internal", "ext4"},
        {"sdb", "8:16", 1, "", "sdb1", "8:17", "reader", "vfat"},  // SD card in a USB reader
        // An SD card in a built-in slot is not flagged removable; eMMC has type MMC.
        {"mmcblk0", "179:0", 0, "SD", "mmcblk0p1", "179:1", "sdslot", "exfat"},
        {"mmcblk1", "179:8", 0, "MMC", "mmcblk1p1", "179:9", "emmc", "ext4"},
        {"sdc", "8:32", 1, "", "", "", "stick", "vfat"},            // no partition table
        {"sdd", "8:48", 0, "", "sdd1", "8:49", "usbhdd", "ntfs3"},  // reports fixed media
        {"loop0", "7:0", 1, "", "", "", "loopimg", "ext4"},         // claims removable media
        {"loop1", "7:1", 0, "", "loop1p1", "259:0", "looppart", "vfat"},
        {"sdf", "8:80", 1, "", "sdf1", "8:81", "twice-a", "vfat"},
        {"sde", "8:64", 1, "", "sde1", "8:65", "", ""},    // under LUKS, below
        {"sdh", "8:112", 1, "", "sdh1", "8:113", "", ""},  // btrfs, below
    };
    for (const auto &d : disks) {
        m.addDisk(d.disk, d.numbers, d.removable, 0, d.mmcType);
        const bool bare = !*d.partition;
        if (!bare)
            m.addPartition(d.disk, d.partition, d.partitionNumbers);
        if (*d.folder)
            m.mount(QStringLiteral("/dev/") + (bare ? d.disk : d.partition),
                    bare ? d.numbers : d.partitionNumbers, d.folder, d.fsType);
    }
    m.setAttribute("sdb1", "size", QString::number(kCardSectors));
    m.addPartition("sda", "sda2", "8:2");
    m.mount("/dev/sdf1", "8:81", "twice-b");  // one card mounted twice
    // LUKS on a stick, and LUKS on the internal disk.
    m.addMapper("dm-0", "253:0", "luks-1234", "sde1");
    m.mount("/dev/mapper/luks-1234", "253:0", "lukscard", "ext4");
    m.addMapper("dm-1", "253:1", "luks-home", "sda2");
    m.mount("/dev/mapper/luks-home", "253:1", "lukshome", "ext4");
    // A folder of the reader's card bind-mounted elsewhere: not a drive root.
    m.mount("/dev/sdb1", "8:17", "bind-dcim", "vfat", "/DCIM");
    m.mount("tmpfs", "0:50", "ramdisk", "tmpfs");
    // A file system with a device number of its own, as btrfs has.
    m.mount("/dev/sdh1", "0:60", "btrfs-stick", "btrfs");
    // A card mounted over by a plain disk: hidden, so neither listed nor accepted.
    m.addDisk("sdj", "8:144", 1);
    m.mount("/dev/sdj", "8:144", "hidden", "vfat");
    m.mount("/dev/sda1", "8:1", "hidden", "ext4");
}
}  // namespace

class TestDrives : public QObject
{
    Q_OBJECT

    QScopedPointer<FakeMachine> m_machine;
    QString m_mnt;
    std::string root(const QString &folder) const { return (m_mnt + folder + '/').toStdString(); }

private slots:
    // The kernel escapes blanks, tabs, line breaks and backslashes in octal; anything that
    // is no such escape stays as it is.
    void decodesMountFields()
    {
        const char *const rows[][2] = {
            {"/media/user/MY\\040CARD", "/media/user/MY CARD"},
            {"/a\\011b\\012c\\134d", "/a\tb\nc\\d"},
            {"/a\\089", "/a\\089"},
            {"/a\\04", "/a\\04"},
        };
        for (const auto &r : rows)
            QCOMPARE(QString::fromStdString(platform::decodeMountField(r[0])),
                     QString::fromUtf8(r[1]));
    }

    // Optional fields before the separator, escaped fields decoded; a bad line is skipped
    // rather than ending the parse.
    void parsesMountLines()
    {
        const auto entries = platform::parseMountInfo(
            "36 35 8:17 /DCIM /media/u/MY\\040CARD rw shared:1 master:2 - vfat /dev/sdb1 rw\n"
            "36 35 8-17 / /media/CARD rw - vfat /dev/sdb1 rw\n"
            "36 35 8:17 /\n"
            "2 1 0:21 / /sys rw - sysfs sysfs rw\n");
        QCOMPARE(int(entries.size()), 2);
        const platform::MountEntry &e = entries[0];
        QCOMPARE(
            (QStringList{QStringLiteral("%1:%2").arg(e.major).arg(e.minor),
                         QString::fromStdString(e.fsRoot), QString::fromStdString(e.mountPoint),
                         QString::fromStdString(e.fsType), QString::fromStdString(e.source)}),
            (QStringList{"8:17", "/DCIM", "/media/u/MY CARD", "vfat", "/dev/sdb1"}));
        QCOMPARE(QString::fromStdString(entries[1].mountPoint), QStringLiteral("/sys"));
    }

    void init()
    {
        m_machine.reset(new FakeMachine);
        buildZoo(*m_machine);
        QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));
        m_mnt = m_machine->makeFolder(QStringLiteral("mnt"));
    }

    void classifies_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("removable");
        QTest::newRow("SD card in a USB reader") << "reader" << true;
        QTest::newRow("SD card in a built-in slot") << "sdslot" << true;
        QTest::newRow("eMMC") << "emmc" << false;
        QTest::newRow("USB stick, no partition table") << "stick" << true;
        QTest::newRow("USB hard disk") << "usbhdd" << false;
        QTest::newRow("internal disk") << "internal" << false;
        QTest::newRow("LUKS on a stick") << "lukscard" << true;
        QTest::newRow("LUKS on the internal disk") << "lukshome" << false;
        QTest::newRow("loop device flagged removable") << "loopimg" << false;
        QTest::newRow("partition on a loop device") << "looppart" << false;
        QTest::newRow("card mounted twice, second") << "twice-b" << true;
        QTest::newRow("bind mount of a card's folder") << "bind-dcim" << false;
        QTest::newRow("tmpfs") << "ramdisk" << false;
        QTest::newRow("own device number (btrfs)") << "btrfs-stick" << true;
        QTest::newRow("card mounted over") << "hidden" << false;
        QTest::newRow("folder inside a card") << "reader/DCIM" << false;
        QTest::newRow("not mounted at all") << "nowhere" << false;
    }

    // Also named without the trailing separator.
    void classifies()
    {
        QFETCH(QString, folder);
        QFETCH(bool, removable);
        QDir().mkpath(m_mnt + QStringLiteral("reader/DCIM"));
        const platform::SysfsDriveService drives(m_machine->sources());
        QCOMPARE(drives.isRemovable(root(folder)), removable);
        QCOMPARE(drives.isRemovable((m_mnt + folder).toStdString()), removable);
    }

    // Each removable volume once, at its first mount point, in a stable order, with its
    // label from udev's by-label link (escaped as udev writes it), else the mount point's
    // name.
    void listsEachRemovableVolumeOnce()
    {
        m_machine->addLabel(QStringLiteral("CARD\\x20ONE"), QStringLiteral("sdb1"));
        const platform::SysfsDriveService drives(m_machine->sources());
        QStringList expected;
        for (const char *folder :
             {"btrfs-stick", "lukscard", "reader", "sdslot", "stick", "twice-a"})
            expected << QString::fromStdString(root(folder));
        QCOMPARE(toQt(drives.removableRoots()), expected);
        QStringList labels;
        for (const platform::RemovableDrive &d : drives.listRemovableDrives())
            labels << QString::fromStdString(d.volume.label);
        QCOMPARE(labels, QStringList({"btrfs-stick", "lukscard", "CARD ONE", "sdslot", "stick",
                                      "twice-a"}));
    }

    void namedRoots_data()
    {
        QTest::addColumn<QString>("roots");  // "@" stands for the machine's folder
        QTest::addColumn<QString>("query");  // relative to the machine's folder
        QTest::addColumn<bool>("removable");
        QTest::addColumn<int>("extraListed");  // roots listed beyond the removable mounts
        const struct {
            const char *name, *roots, *query;
            bool removable;
            int extraListed;
        } rows[] = {
            {"named with a trailing separator", "@/plain/", "plain", true, 1},
            {"folder inside a named one", "@/plain", "plain/sub", false, 1},
            {"two named, empty items", "::@/plain::@/other:", "other", true, 2},
            {"missing folder is ignored", "@/gone:@/plain", "gone", false, 1},
            {"named through a link", "@/link", "plain", true, 1},
        };
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString(r.roots) << QString(r.query) << r.removable
                                  << r.extraListed;
    }

    // Folders named as removable roots (LUMORACARD_REMOVABLE_ROOTS) count as drives, only
    // at their root, listed once each, sorted, with a trailing separator.
    void namedRoots()
    {
        QFETCH(QString, roots);
        QFETCH(QString, query);
        QFETCH(bool, removable);
        QFETCH(int, extraListed);
        m_machine->makeFolder(QStringLiteral("plain/sub"));
        m_machine->makeFolder(QStringLiteral("other"));
        const QString top = m_machine->path();
        QVERIFY(QFile::link(top + QStringLiteral("/plain"), top + QStringLiteral("/link")));
        const platform::SysfsDriveService unnamed(m_machine->sources());
        const platform::SysfsDriveService drives(m_machine->sources(roots.replace('@', top)));
        QCOMPARE(drives.isRemovable((top + '/' + query + '/').toStdString()), removable);
        QStringList listed = toQt(drives.removableRoots());
        QCOMPARE(listed.size(), int(unnamed.removableRoots().size()) + extraListed);
        QCOMPARE(listed.removeDuplicates(), 0);
        QVERIFY(std::is_sorted(listed.cbegin(), listed.cend()));
        for (const QString &r : listed)
            QVERIFY2(r.endsWith('/') && drives.isRemovable(r.toStdString()), qPrintable(r));
    }

    // Without explicit roots the environment is read at every query, not once.
    void namedRootsFromTheEnvironment()
    {
        const QString plain = m_machine->makeFolder(QStringLiteral("plain"));
        platform::DriveSources sources = m_machine->sources();
        sources.removableRoots.reset();
        const platform::SysfsDriveService drives(sources);
        qputenv("LUMORACARD_REMOVABLE_ROOTS", plain.toUtf8());
        QVERIFY(drives.isRemovable(plain.toStdString()));
        qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
        QVERIFY(!drives.isRemovable(plain.toStdString()));
    }

    // The block device behind a drive root, the one a format would rewrite.
    void device()
    {
        const platform::SysfsDriveService drives(m_machine->sources());
        const char *const rows[][4] = {
            {"reader", "/dev/sdb1", "sdb1", "15931539456"},  // 512-byte sectors
            {"btrfs-stick", "/dev/sdh1", "sdh1", "0"},
        };
        for (const auto &r : rows) {
            platform::VolumeDevice d;
            QVERIFY2(drives.queryDevice(root(r[0]), d), r[0]);
            QCOMPARE(
                (QStringList{QString::fromStdString(d.devicePath),
                             QString::fromStdString(d.kernelName), QString::number(d.sizeBytes)}),
                (QStringList{r[1], r[2], r[3]}));
        }
        platform::VolumeDevice none;
        QVERIFY(!drives.queryDevice(root("ramdisk"), none));
        QVERIFY(!drives.queryDevice(root("bind-dcim"), none));
    }

    // On its own a loop device is never a card; named as a removable root it is one, at its
    // root only, with the real sysfs, mount table and free space behind it.
    void loopCardNeedsNaming()
    {
        LoopCard card(64 * 1048576);
        LOOPCARD_REQUIRE(card);
        const std::string r = card.rootPath().toStdString();
        // Blocks kept for root, which no user may write to.
        QCOMPARE(QProcess::execute("tune2fs", {"-r", "1024", card.devicePath()}), 0);
        platform::DriveSources sources;
        sources.removableRoots = std::string();
        QVERIFY(!platform::SysfsDriveService(sources).isRemovable(r));
        sources.removableRoots = r;
        const platform::SysfsDriveService named(sources);
        QVERIFY(named.isRemovable(r));
        platform::VolumeDevice device;
        QVERIFY(named.queryDevice(r, device));
        QCOMPARE(QString::fromStdString(device.devicePath), card.devicePath());
        QCOMPARE(qint64(device.sizeBytes), qint64(64 * 1048576));
        platform::VolumeInfo volume;
        QVERIFY(named.queryVolume(r, volume));
        QCOMPARE(QString::fromStdString(volume.fileSystem), QStringLiteral("ext4"));
        platform::DiskSpace space;
        QVERIFY(named.querySpace(r, space));
        QVERIFY(space.totalBytes > 32 * 1048576 && space.totalBytes <= 64 * 1048576);
        const QStorageInfo storage(card.rootPath());
        QVERIFY(storage.bytesAvailable() < storage.bytesFree());
        QCOMPARE(qint64(space.freeBytes), storage.bytesAvailable());
        QVERIFY(QDir().mkpath(card.rootPath() + QStringLiteral("DCIM")));
        QVERIFY(!named.isRemovable(r + "DCIM/"));
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
