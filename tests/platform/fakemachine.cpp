#include "fakemachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// The kernel's escapes in mountinfo fields.
QString escapeMountField(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case ' ':
            out += QStringLiteral("\\040");
            break;
        case '\t':
            out += QStringLiteral("\\011");
            break;
        case '\n':
            out += QStringLiteral("\\012");
            break;
        case '\\':
            out += QStringLiteral("\\134");
            break;
        default:
            out += c;
        }
    }
    return out;
}
}  // namespace

FakeMachine::FakeMachine()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    m_root = QFileInfo(m_dir.path()).canonicalFilePath();
    for (const char *sub : {"sys/dev/block", "sys/class/block", "sys/devices", "by-label", "mnt"})
        QDir().mkpath(m_root + QLatin1Char('/') + QLatin1String(sub));
    m_valid = true;
    writeMountInfo();
}

QString FakeMachine::sysfs() const
{
    return m_root + QStringLiteral("/sys");
}

QString FakeMachine::deviceDir(const QString &device) const
{
    return m_devices.value(device);
}

void FakeMachine::writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size()) {
        m_valid = false;
        m_error = QStringLiteral("cannot write %1").arg(path);
    }
}

void FakeMachine::link(const QString &target, const QString &linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).absolutePath());
    if (!QFile::link(target, linkPath)) {
        m_valid = false;
        m_error = QStringLiteral("cannot link %1").arg(linkPath);
    }
}

void FakeMachine::addDevice(const QString &name, const QString &dir, const QString &numbers)
{
    QDir().mkpath(dir);
    writeFile(dir + QStringLiteral("/dev"), numbers.toLatin1() + '\n');
    link(dir, sysfs() + QStringLiteral("/dev/block/") + numbers);
    link(dir, sysfs() + QStringLiteral("/class/block/") + name);
    m_devices.insert(name, dir);
}

void FakeMachine::addDisk(const QString &name, const QString &numbers, int removable,
                          qint64 sectors, const QString &mmcType)
{
    const QString dir = sysfs() + QStringLiteral("/devices/bus/host/block/") + name;
    addDevice(name, dir, numbers);
    writeFile(dir + QStringLiteral("/removable"), QByteArray::number(removable) + '\n');
    writeFile(dir + QStringLiteral("/size"), QByteArray::number(sectors) + '\n');
    if (!mmcType.isEmpty())
        writeFile(dir + QStringLiteral("/device/type"), mmcType.toLatin1() + '\n');
}

void FakeMachine::addPartition(const QString &disk, const QString &name, const QString &numbers,
                               qint64 sectors)
{
    const QString dir = deviceDir(disk) + QLatin1Char('/') + name;
    addDevice(name, dir, numbers);
    writeFile(dir + QStringLiteral("/partition"), "1\n");
    writeFile(dir + QStringLiteral("/size"), QByteArray::number(sectors) + '\n');
}

void FakeMachine::addMapper(const QString &name, const QString &numbers, const QString &mapperName,
                            const QStringList &slaves)
{
    const QString dir = sysfs() + QStringLiteral("/devices/virtual/block/") + name;
    addDevice(name, dir, numbers);
    writeFile(dir + QStringLiteral("/removable"), "0\n");
    writeFile(dir + QStringLiteral("/size"), "0\n");
    writeFile(dir + QStringLiteral("/dm/name"), mapperName.toUtf8() + '\n');
    for (const QString &slave : slaves) {
        link(deviceDir(slave), dir + QStringLiteral("/slaves/") + slave);
        link(dir, deviceDir(slave) + QStringLiteral("/holders/") + name);
    }
}

void FakeMachine::setAttribute(const QString &device, const QString &attribute,
                               const QString &value)
{
    writeFile(deviceDir(device) + QLatin1Char('/') + attribute, value.toLatin1() + '\n');
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
    const QString point = m_root + QStringLiteral("/mnt/") + folder;
    QDir().mkpath(point);
    m_mountLines << QStringLiteral("%1 1 %2 %3 %4 rw,relatime shared:%1 - %5 %6 rw")
                        .arg(m_nextMountId)
                        .arg(numbers, escapeMountField(fsRoot), escapeMountField(point), fsType,
                             escapeMountField(source));
    ++m_nextMountId;
    writeMountInfo();
    return point + QLatin1Char('/');
}

QString FakeMachine::mountAt(const QString &source, const QString &numbers,
                             const QString &mountPoint, const QString &fsType)
{
    m_mountLines << QStringLiteral("%1 1 %2 / %3 rw,relatime - %4 %5 rw")
                        .arg(m_nextMountId)
                        .arg(numbers, escapeMountField(mountPoint), fsType,
                             escapeMountField(source));
    ++m_nextMountId;
    writeMountInfo();
    return mountPoint + QLatin1Char('/');
}

void FakeMachine::unmount(const QString &root)
{
    QString point = root;
    if (point.endsWith(QLatin1Char('/')))
        point.chop(1);
    const QString field = QLatin1Char(' ') + escapeMountField(point) + QLatin1Char(' ');
    for (int i = m_mountLines.size() - 1; i >= 0; --i) {
        if (m_mountLines[i].contains(field))
            m_mountLines.removeAt(i);
    }
    writeMountInfo();
}

void FakeMachine::writeMountInfo()
{
    // What every machine has: the root file system and sysfs, neither a card.
    QStringList lines{QStringLiteral("21 1 254:0 / / rw,relatime - ext4 /dev/vda rw"),
                      QStringLiteral("22 21 0:21 / /sys rw,relatime - sysfs sysfs rw")};
    lines += m_mountLines;
    writeFile(m_root + QStringLiteral("/mountinfo"), lines.join(QLatin1Char('\n')).toUtf8() + '\n');
}

platform::DriveSources FakeMachine::sources(const QString &removableRoots) const
{
    platform::DriveSources s;
    s.sysfsRoot = sysfs().toStdString();
    s.mountInfoPath = (m_root + QStringLiteral("/mountinfo")).toStdString();
    s.byLabelDir = (m_root + QStringLiteral("/by-label")).toStdString();
    s.removableRoots = removableRoots.toStdString();
    return s;
}
