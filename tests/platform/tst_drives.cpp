// The Linux drive service: reading the kernel's mount table, then telling cards from other
// disks on a made-up machine (every kind of disk a card or a non-card can be), on this
// machine, and on a real loop-device card.
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

// The listed drive at `root`; one with an empty root path when it is not listed.
platform::RemovableDrive listed(const platform::DriveService &drives, const std::string &root)
{
    for (const platform::RemovableDrive &d : drives.listRemovableDrives()) {
        if (d.rootPath == root)
            return d;
    }
    return platform::RemovableDrive();
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
        {"nvme0n1", "259:1", 0, "", "nvme0n1p1", "259:2", "nvme", "ext4"},
        {"sdf", "8:80", 1, "", "sdf1", "8:81", "twice-a", "vfat"},
        {"sdg", "8:96", 1, "", "sdg1", "8:97", "my card", "vfat"},
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
}
}  // namespace

class TestDrives : public QObject
{
    Q_OBJECT

    QScopedPointer<FakeMachine> m_machine;
    QString m_mnt;
    std::string root(const QString &folder) const { return (m_mnt + folder + '/').toStdString(); }

private slots:
    void decodesMountFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("decoded");
        const char *const rows[][2] = {
            {"/media/user/MY\\040CARD", "/media/user/MY CARD"},
            {"/a\\011b\\012c", "/a\tb\nc"},
            {"/a\\134b", "/a\\b"},
            {"/x\\040\\040y", "/x  y"},
            {"/a\\09b", "/a\\09b"},  // not octal: kept
            {"/a\\089", "/a\\089"},
            {"/a\\04", "/a\\04"},  // cut short at the end: kept
            {"/media/记忆卡", "/media/记忆卡"},
        };
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString::fromUtf8(r[0]) << QString::fromUtf8(r[1]);
    }

    void decodesMountFields()
    {
        QFETCH(QString, field);
        QTEST(QString::fromStdString(platform::decodeMountField(field.toStdString())), "decoded");
    }

    void parsesMountLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");  // numbers, root, mount point, type, source
        const char *const good[][6] = {
            {"36 35 8:17 / /media/user/CARD rw,nosuid shared:1 master:2 - vfat /dev/sdb1 rw",
             "8:17", "/", "/media/user/CARD", "vfat", "/dev/sdb1"},
            {"36 35 179:1 / /mnt/sd rw - exfat /dev/mmcblk0p1 rw", "179:1", "/", "/mnt/sd", "exfat",
             "/dev/mmcblk0p1"},
            {"40 35 8:33 / /media/u/MY\\040CARD rw - vfat /dev/disk/by-label/MY\\040CARD rw",
             "8:33", "/", "/media/u/MY CARD", "vfat", "/dev/disk/by-label/MY CARD"},
            {"41 35 8:17 /DCIM /srv/dcim rw - vfat /dev/sdb1 rw", "8:17", "/DCIM", "/srv/dcim",
             "vfat", "/dev/sdb1"},
            {"42 35 0:55 / /mnt/x rw - fuse.sshfs host:/ rw", "0:55", "/", "/mnt/x", "fuse.sshfs",
             "host:/"},
        };
        for (const auto &r : good)
            QTest::newRow(r[0]) << QString(r[0]) << QStringList{r[1], r[2], r[3], r[4], r[5]};
        const char *const bad[][2] = {
            {"no separator", "36 35 8:17 / /media/CARD rw shared:1 vfat /dev/sdb1 rw"},
            {"bad device number", "36 35 8-17 / /media/CARD rw - vfat /dev/sdb1 rw"},
            {"too short", "36 35 8:17 /"},
            {"empty", ""},
        };
        for (const auto &r : bad)
            QTest::newRow(r[0]) << QString(r[1]) << QStringList();
    }

    // Between two good lines, so a bad one is seen to be skipped rather than end the parse.
    void parsesMountLines()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        const auto entries =
            platform::parseMountInfo("1 0 254:0 / / rw - ext4 /dev/vda rw\n" + line.toStdString()
                                     + "\n2 1 0:21 / /sys rw - sysfs sysfs rw\n");
        QCOMPARE(int(entries.size()), fields.isEmpty() ? 2 : 3);
        QCOMPARE(QString::fromStdString(entries.back().mountPoint), QStringLiteral("/sys"));
        if (fields.isEmpty())
            return;
        const platform::MountEntry &e = entries[1];
        QCOMPARE(
            (QStringList{QStringLiteral("%1:%2").arg(e.major).arg(e.minor),
                         QString::fromStdString(e.fsRoot), QString::fromStdString(e.mountPoint),
                         QString::fromStdString(e.fsType), QString::fromStdString(e.source)}),
            fields);
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

    // Each removable volume once, at its first mount point, in a stable order; everything
    // listed passes the type query too.
    void listsEachRemovableVolumeOnceInOrder()
    {
        const platform::SysfsDriveService drives(m_machine->sources());
        QStringList expected;
        for (const char *folder :
             {"btrfs-stick", "lukscard", "my card", "reader", "sdslot", "stick", "twice-a"})
            expected << QString::fromStdString(root(folder));
        QCOMPARE(toQt(drives.removableRoots()), expected);
        for (const std::string &r : drives.removableRoots())
            QVERIFY2(drives.isRemovable(r), r.c_str());
    }

    // The label from udev's by-label link (escaped as udev writes it), else the mount
    // point's name; the space from the mount point itself. A card still in the mount table
    // whose mount point is gone (a reader with no medium behaves alike) stays listed, with
    // neither volume nor space.
    void volumeAndSpace_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("label");  // empty: nothing can be read
        QTest::addColumn<QString>("fileSystem");
        const char *const rows[][3] = {
            {"reader", "CARD ONE", "vfat"},   {"stick", "stick", "vfat"},
            {"my card", "my card", "vfat"},   {"sdslot", "SLOT", "exfat"},
            {"lukscard", "lukscard", "ext4"}, {"vanished/CARD", "", ""}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString(r[0]) << QString(r[1]) << QString(r[2]);
    }

    void volumeAndSpace()
    {
        QFETCH(QString, folder);
        QFETCH(QString, label);
        m_machine->addLabel(QStringLiteral("CARD\\x20ONE"), QStringLiteral("sdb1"));
        m_machine->addLabel(QStringLiteral("SLOT"), QStringLiteral("mmcblk0p1"));
        m_machine->addLabel(QStringLiteral("OTHER"), QStringLiteral("sdz1"));  // not mounted
        m_machine->addDisk("sdi", "8:128", 1);
        m_machine->addPartition("sdi", "sdi1", "8:129");
        m_machine->mount("/dev/sdi1", "8:129", m_mnt + "vanished/CARD");
        QVERIFY2(m_machine->isValid(), qPrintable(m_machine->error()));
        const platform::SysfsDriveService drives(m_machine->sources());
        const std::string r = root(folder);
        const platform::RemovableDrive d = listed(drives, r);
        QCOMPARE(d.rootPath, r);
        QVERIFY(drives.isRemovable(r));
        QCOMPARE(d.volumeKnown, !label.isEmpty());
        QCOMPARE(d.spaceKnown, !label.isEmpty());
        platform::VolumeInfo volume;
        platform::DiskSpace space;
        QCOMPARE(drives.queryVolume(r, volume), !label.isEmpty());
        QCOMPARE(drives.querySpace(r, space), !label.isEmpty());
        QCOMPARE(QString::fromStdString(d.volume.label), label);
        QTEST(QString::fromStdString(d.volume.fileSystem), "fileSystem");
        QVERIFY(d.space.freeBytes >= 0 && d.space.freeBytes <= d.space.totalBytes);
        QCOMPARE(d.space.totalBytes > 0, !label.isEmpty());
        QCOMPARE(drives.capacity(r), d.space.totalBytes);
    }

    // Every query looks afresh: a card unmounted after the list was made (its folder stays
    // behind) is gone, and a changed sysfs attribute counts at once.
    void answersAfreshAfterTheCardIsPulled()
    {
        const platform::SysfsDriveService drives(m_machine->sources());
        QVERIFY(drives.isRemovable(root("reader")));
        QVERIFY(drives.isRemovable(root("stick")));
        m_machine->unmount(QString::fromStdString(root("reader")));
        QVERIFY(QFileInfo(m_mnt + "reader").isDir());
        QVERIFY(!drives.isRemovable(root("reader")));
        QVERIFY(!toQt(drives.removableRoots()).contains(QString::fromStdString(root("reader"))));
        platform::VolumeDevice device;
        QVERIFY(!drives.queryDevice(root("reader"), device));
        m_machine->setAttribute(QStringLiteral("sdc"), QStringLiteral("removable"),
                                QStringLiteral("0"));
        QVERIFY(!drives.isRemovable(root("stick")));
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
            {"named folder", "@/plain", "plain", true, 1},
            {"named with a trailing separator", "@/plain/", "plain", true, 1},
            {"folder inside a named one", "@/plain", "plain/sub", false, 1},
            {"not named", "@/other", "plain", false, 1},
            {"two named, empty items", "::@/plain::@/other:", "other", true, 2},
            {"missing folder is ignored", "@/gone:@/plain", "gone", false, 1},
            {"a removable mount named again", "@/mnt/reader", "mnt/reader", true, 0},
            {"naming makes a fixed disk removable", "@/mnt/usbhdd", "mnt/usbhdd", true, 1},
            {"named through a link", "@/link", "plain", true, 1},
            {"nothing named", "", "plain", false, 0},
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
        if (removable)
            QVERIFY(listed.contains(QFileInfo(top + '/' + query).canonicalFilePath() + '/'));
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
        QVERIFY(toQt(drives.removableRoots()).contains(plain));
        qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
        QVERIFY(!drives.isRemovable(plain.toStdString()));
        QVERIFY(!toQt(drives.removableRoots()).contains(plain));
    }

    void device_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("device");  // path, kernel name, size; empty: unknown
        QTest::newRow("partition")
            << "reader" << QStringList{"/dev/sdb1", "sdb1", QString::number(kCardSectors * 512)};
        QTest::newRow("LUKS volume")
            << "lukscard" << QStringList{"/dev/mapper/luks-1234", "dm-0", "0"};
        QTest::newRow("own device number")
            << "btrfs-stick" << QStringList{"/dev/sdh1", "sdh1", "0"};
        QTest::newRow("tmpfs") << "ramdisk" << QStringList();
        QTest::newRow("bind mount") << "bind-dcim" << QStringList();
    }

    // The block device behind a drive root, the one a format would rewrite.
    void device()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, device);
        const platform::SysfsDriveService drives(m_machine->sources());
        platform::VolumeDevice d;
        QCOMPARE(drives.queryDevice(root(folder), d), !device.isEmpty());
        if (!device.isEmpty())
            QCOMPARE(
                (QStringList{QString::fromStdString(d.devicePath),
                             QString::fromStdString(d.kernelName), QString::number(d.sizeBytes)}),
                device);
    }

    // On its own a loop device is never a card; named as a removable root it is one, at its
    // root only, with the real sysfs behind it.
    void loopCardNeedsNaming()
    {
        LoopCard card(64 * 1048576);
        LOOPCARD_REQUIRE(card);
        const std::string r = card.rootPath().toStdString();
        platform::DriveSources plainSources;
        plainSources.removableRoots = std::string();
        const platform::SysfsDriveService plain(plainSources);
        QVERIFY(!plain.isRemovable(r));
        QVERIFY(!toQt(plain.removableRoots()).contains(card.rootPath()));
        platform::VolumeDevice device;
        QVERIFY(plain.queryDevice(r, device));
        QCOMPARE(QString::fromStdString(device.devicePath), card.devicePath());
        QCOMPARE(qint64(device.sizeBytes), qint64(64 * 1048576));

        platform::DriveSources namedSources;
        namedSources.removableRoots = r;
        const platform::SysfsDriveService named(namedSources);
        QVERIFY(named.isRemovable(r));
        QVERIFY(toQt(named.removableRoots()).contains(card.rootPath()));
        platform::VolumeInfo volume;
        QVERIFY(named.queryVolume(r, volume));
        QCOMPARE(QString::fromStdString(volume.fileSystem), QStringLiteral("ext4"));
        platform::DiskSpace space;
        QVERIFY(named.querySpace(r, space));
        QVERIFY(space.totalBytes > 32 * 1048576 && space.totalBytes <= 64 * 1048576);
        QCOMPARE(named.capacity(r), space.totalBytes);
        QVERIFY(QDir().mkpath(card.rootPath() + QStringLiteral("DCIM")));
        QVERIFY(!named.isRemovable(r + "DCIM/"));
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
