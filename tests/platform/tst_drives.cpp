// The Linux drive service: reading the kernel's mount table, then telling cards from other
// disks on a made-up machine (every kind of disk a card or a non-card can be), and on a
// real loop-device card; and what the system's error codes say about a card.
#include "drives.h"
#include "ioerror.h"
#include "linux/sysfsdrives.h"
#include "loopcard.h"
#include "sdcid.h"
#include "volumeidentity.h"

#include <QtTest>

#include <algorithm>

// A made-up machine for the drive service, all inside one temporary folder: a sysfs tree
// of block devices, a mountinfo text, a by-label folder, and real folders for the mount
// points (so that space queries answer). Device numbers are written "MAJ:MIN".
class FakeMachine
{
public:
    FakeMachine()
    {
        QDir().mkpath(m_root + "/by-label");
        mount(QString(), QString(), QString());  // no source: the table as it is
    }
    QString error;  // what failed while building the machine

    // A disk with the kernel's `removable` flag; `mmcType` ("SD", "MMC") gives it the
    // device/type of a card in an MMC slot.
    void addDisk(const QString &name, const QString &numbers, int removable,
                 const QString &mmcType = QString())
    {
        addDevice(name, numbers, m_root + "/sys/devices/bus/host/block/" + name,
                  {QStringLiteral("removable=%1").arg(removable), "device/type=" + mmcType});
    }
    void addPartition(const QString &disk, const QString &name, const QString &numbers)
    {
        addDevice(name, numbers, m_devices.value(disk) + '/' + name, {"partition=1"});
    }
    // A device-mapper volume (dm-N) named `mapperName` on top of the devices `slaves`.
    void addMapper(const QString &name, const QString &numbers, const QString &mapperName,
                   const QStringList &slaves)
    {
        const QString dir = m_root + "/sys/devices/virtual/block/" + name;
        addDevice(name, numbers, dir, {"removable=0", "dm/name=" + mapperName});
        for (const QString &slave : slaves) {
            link(m_devices.value(slave), dir + "/slaves/" + slave);
            link(dir, m_devices.value(slave) + "/holders/" + name);
        }
    }
    void setAttribute(const QString &device, const QString &attribute, const QString &value)
    {
        writeFile(m_devices.value(device) + '/' + attribute, value.toUtf8() + '\n');
    }
    // A udev by-label link for `device`, relative as udev makes it, named as udev writes it.
    void addLabel(const QString &linkName, const QString &device)
    {
        link("../../" + device, m_root + "/by-label/" + linkName);
    }
    // Mounts `source` (device numbers `numbers`) on `folder`, made under the machine's mnt/.
    void mount(const QString &source, const QString &numbers, const QString &folder,
               const QString &fsType = "vfat", const QString &fsRoot = "/")
    {
        if (!source.isEmpty())
            m_mountLines << QStringLiteral("%1 1 %2 %3 %4 rw,relatime shared:1 - %5 %6 rw")
                                .arg(100 + m_mountLines.size())
                                .arg(numbers, fsRoot,
                                     makeFolder("mnt/" + folder).chopped(1).replace(" ", "\\040"),
                                     fsType, source);
        writeFile(m_root + "/mountinfo", m_mountLines.join('\n').toUtf8() + '\n');
    }
    // A real folder of the machine that is not a mount point; returned ending in '/'.
    QString makeFolder(const QString &relative)
    {
        QDir().mkpath(m_root + '/' + relative);
        return m_root + '/' + relative + '/';
    }
    // The removable roots are always explicit, so the test's environment never leaks in.
    platform::DriveSources sources(const QString &removableRoots = QString()) const
    {
        platform::DriveSources s;
        s.sysfsRoot = (m_root + "/sys").toStdString();
        s.mountInfoPath = (m_root + "/mountinfo").toStdString();
        s.byLabelDir = (m_root + "/by-label").toStdString();
        s.removableRoots = removableRoots.toStdString();
        return s;
    }

private:
    void addDevice(const QString &name, const QString &numbers, const QString &dir,
                   const QStringList &attributes)
    {
        m_devices.insert(name, dir);
        link(dir, m_root + "/sys/dev/block/" + numbers);
        link(dir, m_root + "/sys/class/block/" + name);
        for (const QString &a : QStringList{"dev=" + numbers, "size=0"} + attributes) {
            if (!a.endsWith('='))
                setAttribute(name, a.section('=', 0, 0), a.section('=', 1));
        }
    }
    void writeFile(const QString &path, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || f.write(content) != content.size())
            error = "cannot write " + path;
    }
    void link(const QString &target, const QString &linkPath)
    {
        QDir().mkpath(QFileInfo(linkPath).absolutePath());
        if (!QFile::link(target, linkPath))
            error = "cannot link " + linkPath;
    }

    QTemporaryDir m_dir;
    QString m_root = QFileInfo(m_dir.path()).canonicalFilePath();
    QHash<QString, QString> m_devices;  // kernel name -> folder in the fake sysfs
    // What every machine has: the root file system and sysfs, neither a card.
    QStringList m_mountLines{"21 1 254:0 / / rw,relatime - ext4 /dev/vda rw",
                             "22 21 0:21 / /sys rw,relatime - sysfs sysfs rw"};
};

namespace {

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
        {"mmcblk0", "179:0", 0, "SD", "mmcblk0p1", "179:1", "sd slot", "exfat"},
        {"mmcblk1", "179:8", 0, "MMC", "mmcblk1p1", "179:9", "emmc", "ext4"},
        {"sdc", "8:32", 1, "", "", "", "stick", "vfat"},     // no partition table
        {"loop0", "7:0", 1, "", "", "", "loopimg", "ext4"},  // claims removable media
        {"loop1", "7:1", 0, "", "loop1p1", "259:0", "looppart", "vfat"},
        {"sdf", "8:80", 1, "", "sdf1", "8:81", "twice-a", "vfat"},
        {"sde", "8:64", 1, "", "sde1", "8:65", "", ""},     // under LUKS, below
        {"sdh", "8:112", 1, "", "sdh1", "8:113", "", ""},   // btrfs, below
        {"sdj", "8:144", 1, "", "", "", "hidden", "vfat"},  // mounted over, below
        {"sdk", "8:160", 1, "", "sdk1", "8:161", "", ""},   // spanned with sda3, below
    };
    for (const auto &d : disks) {
        m.addDisk(d.disk, d.numbers, d.removable, d.mmcType);
        const bool bare = !*d.partition;
        if (!bare)
            m.addPartition(d.disk, d.partition, d.partitionNumbers);
        if (*d.folder)
            m.mount(QStringLiteral("/dev/") + (bare ? d.disk : d.partition),
                    bare ? d.numbers : d.partitionNumbers, d.folder, d.fsType);
    }
    m.setAttribute("sdb1", "size", "31116288");  // a "16 GB" card
    m.addPartition("sda", "sda2", "8:2");
    m.mount("/dev/sdf1", "8:81", "twice-b");  // one card mounted twice
    // LUKS on a stick, and LUKS on the internal disk.
    m.addMapper("dm-0", "253:0", "luks-1234", {"sde1"});
    m.mount("/dev/mapper/luks-1234", "253:0", "lukscard", "ext4");
    m.addMapper("dm-1", "253:1", "luks-home", {"sda2"});
    m.mount("/dev/mapper/luks-home", "253:1", "lukshome", "ext4");
    // One volume over a stick and the internal disk: pulling the stick breaks it.
    m.addPartition("sda", "sda3", "8:3");
    m.addMapper("dm-2", "253:2", "vg-span", {"sdk1", "sda3"});
    m.mount("/dev/mapper/vg-span", "253:2", "span", "ext4");
    // A folder of the reader's card bind-mounted elsewhere: not a drive root.
    m.mount("/dev/sdb1", "8:17", "bind-dcim", "vfat", "/DCIM");
    m.mount("tmpfs", "0:50", "ramdisk", "tmpfs");
    // A file system with a device number of its own, as btrfs has.
    m.mount("/dev/sdh1", "0:60", "btrfs-stick", "btrfs");
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
    void init()
    {
        m_machine.reset(new FakeMachine);
        buildZoo(*m_machine);
        QVERIFY2(m_machine->error.isEmpty(), qPrintable(m_machine->error));
        m_mnt = m_machine->makeFolder(QStringLiteral("mnt"));
    }

    // A file not found in a folder that has gone too: the card has gone.
    void ioErrorKinds_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("folderGone");
        QTest::addColumn<int>("kind");
        using K = platform::IoErrorKind;
        const std::tuple<const char *, int, bool, K> rows[] = {
            {"EROFS", EROFS, false, K::WriteProtected},
            {"ENOSPC", ENOSPC, false, K::NoSpace},
            {"EDQUOT", EDQUOT, false, K::NoSpace},
            {"EIO", EIO, false, K::DeviceGone},
            {"ENODEV", ENODEV, false, K::DeviceGone},
            {"ENXIO", ENXIO, false, K::DeviceGone},
            {"ESTALE", ESTALE, false, K::DeviceGone},
            {"ENOENT, root gone", ENOENT, true, K::DeviceGone},
            {"ENOENT", ENOENT, false, K::Other},
            {"EACCES", EACCES, false, K::AccessDenied},
            {"EPERM", EPERM, false, K::AccessDenied},
            {"EFBIG", EFBIG, false, K::Other}};
        for (const auto &[name, code, gone, kind] : rows)
            QTest::newRow(name) << code << gone << int(kind);
    }
    void ioErrorKinds()
    {
        QFETCH(int, code);
        QFETCH(bool, folderGone);
        QFETCH(int, kind);
        const QString file = m_mnt + (folderGone ? "pulled/" : "") + "__card_speed_test_1.dat";
        QCOMPARE(int(platform::ioErrorKind(code, file.toStdString())), kind);
        const std::string text = platform::ioErrorText(code);
        QVERIFY(!text.empty() && text.back() != '.' && text.back() != '\n');
    }

    // The CID as SD host controllers hand it over (Windows' SD bus): the register's order,
    // reversed, or without its CRC byte; a damaged or empty one is never taken for a card.
    void sdCid_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        const QByteArray cid = QByteArray::fromHex("0353445343333247801a2b3c4d015425");
        QByteArray reversed(cid);
        std::reverse(reversed.begin(), reversed.end());
        QByteArray damaged(cid);
        damaged[10] = char(damaged[10] ^ 0x04);
        QTest::newRow("register order") << cid << true;
        QTest::newRow("reversed") << reversed << true;
        QTest::newRow("no CRC, reversed low") << reversed.mid(1) + QByteArray(1, 0) << true;
        QTest::newRow("no CRC, high") << QByteArray(1, 0) + cid.left(15) << true;
        QTest::newRow("a bit flipped") << damaged << false;
        QTest::newRow("zeros") << QByteArray(16, 0) << false;
        QTest::newRow("ones") << QByteArray(16, char(0xff)) << false;
        QTest::newRow("short") << cid.left(15) << false;
    }
    void sdCid()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        platform::CardIdentity id;
        const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
        QCOMPARE(platform::decodeSdCid(data, std::size_t(bytes.size()), id), valid);
        if (!valid) {
            QVERIFY(id.empty());
            return;
        }
        // The forms Linux shows in sysfs.
        QCOMPARE(QString::fromStdString(id.cidManufacturerId), QStringLiteral("0x000003"));
        QCOMPARE(QString::fromStdString(id.cidName), QStringLiteral("SC32G"));
        QCOMPARE(QString::fromStdString(id.cidSerial), QStringLiteral("0x1a2b3c4d"));
        QCOMPARE(QString::fromStdString(id.cidDate), QStringLiteral("04/2021"));
        const std::uint8_t cmd0[] = {0x40, 0, 0, 0, 0};
        QCOMPARE(int(platform::sdCrc7(cmd0, sizeof cmd0)), 0x4a);
    }

    // Each folder named after what it is (buildZoo()), also without the trailing separator;
    // "reader/DCIM" is a folder inside a card, "nowhere" is not mounted at all.
    void classifies()
    {
        QDir().mkpath(m_mnt + QStringLiteral("reader/DCIM"));
        const platform::SysfsDriveService drives(m_machine->sources());
        const std::pair<const char *, bool> rows[] = {
            {"reader", true},   {"sd slot", true},      {"emmc", false},    {"stick", true},
            {"lukscard", true}, {"lukshome", false},    {"loopimg", false}, {"looppart", false},
            {"twice-b", true},  {"bind-dcim", false},   {"ramdisk", false}, {"btrfs-stick", true},
            {"hidden", false},  {"reader/DCIM", false}, {"nowhere", false}, {"span", false}};
        for (const auto &[folder, removable] : rows) {
            QVERIFY2(drives.isRemovable(root(folder)) == removable, folder);
            QVERIFY2(drives.isRemovable((m_mnt + folder).toStdString()) == removable, folder);
        }
    }

    // Each removable volume once, at its first mount point, in a stable order, with its
    // label from udev's by-label link (escaped as udev writes it), else the mount point's
    // name; and the block device behind a root, the one a format would rewrite.
    void listsEachRemovableVolumeOnce()
    {
        m_machine->addLabel(QStringLiteral("CARD\\x20ONE"), QStringLiteral("sdb1"));
        const platform::SysfsDriveService drives(m_machine->sources());
        const QStringList folders{"btrfs-stick", "lukscard", "reader",
                                  "sd slot",     "stick",    "twice-a"};
        QStringList roots, labels;
        for (const QString &folder : folders)
            roots << m_mnt + folder + '/';
        for (const platform::RemovableDrive &d : drives.listRemovableDrives())
            labels << QString::fromStdString(d.volume.label);
        QStringList listed;
        for (const std::string &r : drives.removableRoots())
            listed << QString::fromStdString(r);
        QCOMPARE(listed, roots);
        QCOMPARE(labels, QStringList(folders).replaceInStrings("reader", "CARD ONE"));
        platform::VolumeDevice d;
        QVERIFY(drives.queryDevice(root("reader"), d) && d.sizeBytes == 31116288LL * 512);
        QCOMPARE(QString::fromStdString(d.devicePath + ' ' + d.kernelName), "/dev/sdb1 sdb1");
        QVERIFY(drives.queryDevice(root("btrfs-stick"), d) && d.devicePath == "/dev/sdh1");
        QVERIFY(!drives.queryDevice(root("ramdisk"), d)
                && !drives.queryDevice(root("bind-dcim"), d));
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
        // Named as the programs take it, from the environment.
        qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toLocal8Bit());
        const auto unset = qScopeGuard([] { qunsetenv("LUMORACARD_REMOVABLE_ROOTS"); });
        sources.removableRoots.reset();
        const platform::SysfsDriveService named(sources);
        platform::VolumeDevice device;
        platform::VolumeInfo volume;
        platform::DiskSpace space;
        QVERIFY(named.isRemovable(r) && named.queryDevice(r, device) && named.queryVolume(r, volume)
                && named.querySpace(r, space));
        QCOMPARE(QString::fromStdString(device.devicePath), card.devicePath());
        QCOMPARE(qint64(device.sizeBytes), qint64(64 * 1048576));
        QCOMPARE(volume.fileSystem, std::string("ext4"));
        QVERIFY(space.totalBytes > 32 * 1048576 && space.totalBytes <= 64 * 1048576);
        const QStorageInfo storage(card.rootPath());
        QVERIFY(storage.bytesAvailable() < storage.bytesFree());
        QCOMPARE(qint64(space.freeBytes), storage.bytesAvailable());
        QVERIFY(QDir().mkpath(card.rootPath() + QStringLiteral("DCIM")));
        QVERIFY(!named.isRemovable(r + "DCIM/"));

        // What a running test holds on to: the card's volume, mount source and root folder.
        // The folder an unmount leaves under the same path has none of them.
        platform::VolumeIdentity atStart, inside, left;
        QVERIFY(platform::readVolumeIdentity(r, atStart)
                && platform::readVolumeIdentity(r + "DCIM/", inside));
        QCOMPARE(QString::fromStdString(atStart.source), card.devicePath());
        QVERIFY(inside.device == atStart.device && inside.source == atStart.source
                && inside.rootFile != atStart.rootFile);
        QCOMPARE(QProcess::execute(findTool("umount"), {card.rootPath()}), 0);
        QVERIFY(platform::readVolumeIdentity(r, left) && left.device != atStart.device
                && left.source != atStart.source && left.rootFile != atStart.rootFile);
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
