#pragma once

#include "drives.h"
#include "linux/mountinfo.h"
#include "linux/sysfsclassifier.h"

#include <optional>

namespace platform {

// Where the Linux drive service looks. Tests point these at trees of their own.
struct DriveSources {
    std::string sysfsRoot = "/sys";
    std::string mountInfoPath = "/proc/self/mountinfo";
    std::string byLabelDir = "/dev/disk/by-label";
    // Colon-separated folders treated as removable drive roots. Unset: the environment
    // variable LUMORACARD_REMOVABLE_ROOTS, read at every query.
    std::optional<std::string> removableRoots;
};

// The mounted volumes on /dev/ devices whose disk is removable (see SysfsClassifier), plus
// the folders named in the removable roots. A volume mounted more than once is listed at its
// first mount point; bind mounts of a folder inside a volume are not drive roots.
//
// Label: the volume's name in the by-label folder (udev's symbolic links to the device),
// else the root folder's own name, which is what the desktop names the mount point after.
class SysfsDriveService final : public DriveService
{
public:
    explicit SysfsDriveService(DriveSources sources = DriveSources());

    std::vector<std::string> removableRoots() const override;
    bool isRemovable(const std::string &rootPath) const override;
    bool queryVolume(const std::string &rootPath, VolumeInfo &out) const override;
    bool querySpace(const std::string &rootPath, DiskSpace &out) const override;
    bool queryDevice(const std::string &rootPath, VolumeDevice &out) const override;
    bool queryIdentity(const std::string &rootPath, CardIdentity &out) const override;

private:
    std::vector<MountEntry> mounts() const;
    std::vector<std::string> namedRoots() const;
    bool deviceOf(const MountEntry &mount, BlockDevice &out) const;
    // The block device of the volume mounted at `rootPath`, and the source the mount names.
    bool volumeDeviceAt(const std::string &rootPath, std::string &source,
                        BlockDevice &device) const;
    bool isRemovableMount(const MountEntry &mount, BlockDevice &device) const;
    std::string labelOf(const std::string &kernelName) const;

    DriveSources m_sources;
    SysfsClassifier m_sysfs;
};

}  // namespace platform
