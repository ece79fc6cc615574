#include "fakemachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

FakeMachine::FakeMachine()
{
    m_root = QFileInfo(m_dir.path()).canonicalFilePath();
    if (!m_dir.isValid())
        m_error = QStringLiteral("no temporary folder");
    for (const char *sub : {"sys/dev/block", "sys/class/block", "sys/devices", "by-label", "mnt"})
        QDir().mkpath(m_root + QLatin1Char('/') + QLatin1String(sub));
    writeMountInfo();
}

void FakeMachine::writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        m_error = QStringLiteral("cannot write %1").arg(path);
}

void FakeMachine::link(const QString &target, const QString &linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).absolutePath());
    if (!QFile::link(target, linkPath))
        m_error = QStringLiteral("cannot link %1").arg(linkPath);
}

void FakeMachine::addDevice(const QString &name, const QString &dir, const QString &numbers)
{
    QDir().mkpath(dir);
    writeFile(dir + QStringLiteral("/dev"), numbers.toLatin1() + '\n');
    link(dir, m_root + QStringLiteral("/sys/dev/block/") + numbers);
    link(dir, m_root + QStringLiteral("/sys/class/block/") + name);
    m_devices.insert(name, dir);
}

void FakeMachine::addDisk(const QString &name, const QString &numbers, int removable,
                          qint64 sectors, const QString &mmcType)
{
    const QString dir = m_root + QStringLiteral("/sys/devices/bus/host/block/") + name;
    addDevice(name, dir, numbers);
    setAttribute(name, QStringLiteral("removable"), QString::number(removable));
    setAttribute(name, QStringLiteral("size"), QString::number(sectors));
    if (!mmcType.isEmpty())
        setAttribute(name, QStringLiteral("device/type"), mmcType);
}

void FakeMachine::addPartition(const QString &disk, const QString &name, const QString &numbers,
                               qint64 sectors)
{
    addDevice(name, m_devices.value(disk) + QLatin1Char('/') + name, numbers);
    setAttribute(name, QStringLiteral("partition"), QStringLiteral("1"));
    setAttribute(name, QStringLiteral("size"), QString::number(sectors));
}

void FakeMachine::addMapper(const QString &name, const QString &numbers, const QString &mapperName,
                            const QString &slave)
{
    const QString dir = m_root + QStringLiteral("/sys/devices/virtual/block/") + name;
    addDevice(name, dir, numbers);
    setAttribute(name, QStringLiteral("removable"), QStringLiteral("0"));
    setAttribute(name, QStringLiteral("size"), QStringLiteral("0"));
    setAttribute(name, QStringLiteral("dm/name"), mapperName);
    link(m_devices.value(slave), dir + QStringLiteral("/slaves/") + slave);
    link(dir, m_devices.value(slave) + QStringLiteral("/holders/") + name);
}

void FakeMachine::setAttribute(const QString &device, const QString &attribute,
                               const QString &value)
{
    writeFile(m_devices.value(device) + QLatin1Char('/') + attribute, value.toUtf8() + '\n');
}

void FakeMachine::addLabel(const QString &linkName, const QString &device)
{
    // udev's links are relative: by-label/NAME -> ../../sdb1
    link(QStringLiteral("../../") + device, m_root + QStringLiteral("/by-label/") + linkName);
}

QString FakeMachine::makeFolder(const QString &relative)
{
    const QString path = m_root + QLatin1Char('/') + relative;
    QDir().mkpath(path);
    return path + QLatin1Char('/');
}

QString FakeMachine::mount(const QString &source, const QString &numbers, const QString &folder,
                           const QString &fsType, const QString &fsRoot)
{
    const QString point = QDir::isAbsolutePath(folder)
                              ? folder
                              : makeFolder(QStringLiteral("mnt/") + folder).chopped(1);
    m_mountLines << QStringLiteral("%1 1 %2 %3 %4 rw,relatime shared:1 - %5 %6 rw")
                        .arg(100 + m_mountLines.size())
                        .arg(numbers, fsRoot, point, fsType, source);
    writeMountInfo();
    return point + QLatin1Char('/');
}

void FakeMachine::writeMountInfo()
{
    // What every machine has: the root file system and sysfs, neither a card.
    const QStringList lines = QStringList{"21 1 254:0 / / rw,relatime - ext4 /dev/vda rw",
                                          "22 21 0:21 / /sys rw,relatime - sysfs sysfs rw"}
                              + m_mountLines;
    writeFile(m_root + QStringLiteral("/mountinfo"), lines.join(QLatin1Char('\n')).toUtf8() + '\n');
}

platform::DriveSources FakeMachine::sources(const QString &removableRoots) const
{
    platform::DriveSources s;
    s.sysfsRoot = (m_root + QStringLiteral("/sys")).toStdString();
    s.mountInfoPath = (m_root + QStringLiteral("/mountinfo")).toStdString();
    s.byLabelDir = (m_root + QStringLiteral("/by-label")).toStdString();
    s.removableRoots = removableRoots.toStdString();
    return s;
}
