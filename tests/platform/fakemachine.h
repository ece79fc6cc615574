#pragma once

#include "linux/sysfsdrives.h"

#include <QHash>
#include <QStringList>
#include <QTemporaryDir>

// A made-up machine for the drive service, all inside one temporary folder: a sysfs tree
// of block devices, a mountinfo text, a by-label folder, and real folders for the mount
// points (so that space queries answer). Device numbers are written "MAJ:MIN".
class FakeMachine
{
public:
    FakeMachine();

    bool isValid() const { return m_error.isEmpty(); }
    // What failed while building the machine; empty when nothing did.
    QString error() const { return m_error; }

    // A disk with the kernel's `removable` flag; `mmcType` ("SD", "MMC") gives it the
    // device/type of a card in an MMC slot.
    void addDisk(const QString &name, const QString &numbers, int removable, qint64 sectors = 0,
                 const QString &mmcType = QString());
    void addPartition(const QString &disk, const QString &name, const QString &numbers,
                      qint64 sectors = 0);
    // A device-mapper volume (dm-N) named `mapperName` on top of the device `slave`.
    void addMapper(const QString &name, const QString &numbers, const QString &mapperName,
                   const QString &slave);
    // Rewrites one attribute of a device ("removable", "device/type" …).
    void setAttribute(const QString &device, const QString &attribute, const QString &value);
    // A udev by-label link for `device`; `linkName` as udev writes it ("MY\x20CARD").
    void addLabel(const QString &linkName, const QString &device);

    // Mounts `source` (device numbers `numbers`) on `folder`, made under the machine's mnt/;
    // an absolute `folder` is taken as it is and not made (a vanished mount point). Returns
    // the root path, ending in '/'.
    QString mount(const QString &source, const QString &numbers, const QString &folder,
                  const QString &fsType = QStringLiteral("vfat"),
                  const QString &fsRoot = QStringLiteral("/"));
    // The machine's own folder (canonical, no trailing separator).
    QString path() const { return m_root; }
    // A real folder of the machine that is not a mount point; returned ending in '/'.
    QString makeFolder(const QString &relative);

    // The service's sources; the removable roots are always explicit, so the test's
    // environment never leaks in.
    platform::DriveSources sources(const QString &removableRoots = QString()) const;

private:
    void writeFile(const QString &path, const QByteArray &content);
    void link(const QString &target, const QString &linkPath);
    void addDevice(const QString &name, const QString &dir, const QString &numbers);
    void writeMountInfo();

    QTemporaryDir m_dir;
    QString m_root;                     // canonical path of m_dir
    QHash<QString, QString> m_devices;  // kernel name -> folder in the fake sysfs
    QStringList m_mountLines;
    QString m_error;
};
