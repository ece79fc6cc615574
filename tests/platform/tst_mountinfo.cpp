// Reading the kernel's mount table text.
#include "linux/mountinfo.h"

#include <QtTest>

class TestMountInfo : public QObject
{
    Q_OBJECT
private slots:
    void decodesEscapes_data();
    void decodesEscapes();
    void parsesLines_data();
    void parsesLines();
};

void TestMountInfo::decodesEscapes_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("plain") << "/media/user/CARD"
                           << "/media/user/CARD";
    QTest::newRow("blank") << "/media/user/MY\\040CARD"
                           << "/media/user/MY CARD";
    QTest::newRow("tab and newline") << "/a\\011b\\012c"
                                     << "/a\tb\nc";
    QTest::newRow("backslash") << "/a\\134b"
                               << "/a\\b";
    QTest::newRow("two in a row") << "/x\\040\\040y"
                                  << "/x  y";
    QTest::newRow("not octal stays") << "/a\\09b"
                                     << "/a\\09b";
    QTest::newRow("cut short at the end") << "/a\\04"
                                          << "/a\\04";
    QTest::newRow("UTF-8 passes through")
        << QString::fromUtf8("/media/记忆卡") << QString::fromUtf8("/media/记忆卡");
}

void TestMountInfo::decodesEscapes()
{
    QFETCH(QString, field);
    QTEST(QString::fromStdString(platform::decodeMountField(field.toStdString())), "decoded");
}

void TestMountInfo::parsesLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<QString>("fsRoot");
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<QString>("fsType");
    QTest::addColumn<QString>("source");

    QTest::newRow("card with optional fields")
        << "36 35 8:17 / /media/user/CARD rw,nosuid shared:1 master:2 - vfat /dev/sdb1 rw" << true
        << "8:17"
        << "/"
        << "/media/user/CARD"
        << "vfat"
        << "/dev/sdb1";
    QTest::newRow("no optional fields")
        << "36 35 179:1 / /mnt/sd rw - exfat /dev/mmcblk0p1 rw" << true << "179:1"
        << "/"
        << "/mnt/sd"
        << "exfat"
        << "/dev/mmcblk0p1";
    QTest::newRow("blank in mount point and source")
        << "40 35 8:33 / /media/u/MY\\040CARD rw - vfat /dev/disk/by-label/MY\\040CARD rw" << true
        << "8:33"
        << "/"
        << "/media/u/MY CARD"
        << "vfat"
        << "/dev/disk/by-label/MY CARD";
    QTest::newRow("bind mount of a folder")
        << "41 35 8:17 /DCIM /srv/dcim rw - vfat /dev/sdb1 rw" << true << "8:17"
        << "/DCIM"
        << "/srv/dcim"
        << "vfat"
        << "/dev/sdb1";
    QTest::newRow("FUSE subtype") << "42 35 0:55 / /mnt/x rw - fuse.sshfs host:/ rw" << true
                                  << "0:55"
                                  << "/"
                                  << "/mnt/x"
                                  << "fuse.sshfs"
                                  << "host:/";
    QTest::newRow("no separator") << "36 35 8:17 / /media/CARD rw shared:1 vfat /dev/sdb1 rw"
                                  << false << ""
                                  << ""
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("bad device number")
        << "36 35 8-17 / /media/CARD rw - vfat /dev/sdb1 rw" << false << ""
        << ""
        << ""
        << ""
        << "";
    QTest::newRow("too short") << "36 35 8:17 /" << false << ""
                               << ""
                               << ""
                               << ""
                               << "";
    QTest::newRow("empty") << "" << false << ""
                           << ""
                           << ""
                           << ""
                           << "";
}

void TestMountInfo::parsesLines()
{
    QFETCH(QString, line);
    QFETCH(bool, valid);
    // Between two good lines, so a bad one is seen to be skipped rather than end the parse.
    const std::string text = "1 0 254:0 / / rw - ext4 /dev/vda rw\n" + line.toStdString()
                             + "\n2 1 0:21 / /sys rw - sysfs sysfs rw\n";
    const std::vector<platform::MountEntry> entries = platform::parseMountInfo(text);
    QCOMPARE(int(entries.size()), valid ? 3 : 2);
    QCOMPARE(QString::fromStdString(entries.front().mountPoint), QStringLiteral("/"));
    QCOMPARE(QString::fromStdString(entries.back().mountPoint), QStringLiteral("/sys"));
    if (!valid)
        return;
    const platform::MountEntry &e = entries[1];
    QTEST(QStringLiteral("%1:%2").arg(e.major).arg(e.minor), "numbers");
    QTEST(QString::fromStdString(e.fsRoot), "fsRoot");
    QTEST(QString::fromStdString(e.mountPoint), "mountPoint");
    QTEST(QString::fromStdString(e.fsType), "fsType");
    QTEST(QString::fromStdString(e.source), "source");
}

QTEST_GUILESS_MAIN(TestMountInfo)
#include "tst_mountinfo.moc"
