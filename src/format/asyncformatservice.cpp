#include "asyncformatservice.h"

#include "drives.h"

FormatService::FormatService(QObject *parent)
    : QObject(parent)
{
    // For queued connections and signal spies.
    qRegisterMetaType<platform::FormatResult>();
}

bool planFromDrives(const platform::DriveService &drives, const QString &rootPath,
                    platform::FormatPlan &out, QString &why)
{
    const std::string root = rootPath.toStdString();
    if (!drives.isRemovable(root)) {
        why = rootPath + QStringLiteral(" is not a removable drive");
        return false;
    }
    platform::VolumeDevice device;
    if (!drives.queryDevice(root, device)) {
        why = rootPath + QStringLiteral(" is not the root of a volume on a block device");
        return false;
    }
    platform::VolumeInfo volume;
    drives.queryVolume(root, volume);
    out.rootPath = root;
    out.devicePath = device.devicePath;
    out.sizeBytes = device.sizeBytes;
    out.fileSystem = volume.fileSystem;
    out.label = volume.label;
    why.clear();
    return true;
}
