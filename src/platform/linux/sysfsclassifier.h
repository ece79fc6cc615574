#pragma once

#include "drives.h"

#include <cstdint>
#include <string>

namespace platform {

// A block device as sysfs describes it.
struct BlockDevice {
    std::string sysfsPath;   // its folder in sysfs, symbolic links resolved
    std::string kernelName;  // "sdb1", "mmcblk0p1", "dm-0"
    std::int64_t sizeBytes = 0;
};

// Finds block devices in a sysfs tree (normally /sys; tests pass a tree of their own) and
// says whether they sit on a removable disk.
class SysfsClassifier
{
public:
    explicit SysfsClassifier(std::string sysfsRoot);

    // By device number, through <root>/dev/block/MAJ:MIN.
    bool findByNumber(unsigned major, unsigned minor, BlockDevice &out) const;
    // By the device node a mount names: /dev/<name>, or /dev/mapper/<name> for a
    // device-mapper volume. For mounts whose device number is not the block device's own.
    bool findBySource(const std::string &source, BlockDevice &out) const;

    // A partition answers for its disk; a device-mapper or md volume is removable only when
    // every device under it is; a loop device never is. A disk is removable when sysfs says
    // so, or when it is an SD card in a built-in slot (an mmcblk disk of type SD; eMMC soldered
    // to the board has type MMC).
    bool isRemovable(const BlockDevice &device) const;

    // What sysfs tells of the disk under `device`: a USB or SCSI disk's vendor, model and
    // (from its USB device) serial; an SD card's CID fields. False when it tells nothing.
    bool identify(const BlockDevice &device, CardIdentity &out) const;

private:
    bool findByPath(const std::string &path, BlockDevice &out) const;
    bool diskIsRemovable(const std::string &diskPath, int depth) const;
    bool deviceIsRemovable(const std::string &devicePath, int depth) const;
    std::string diskUnder(const std::string &devicePath, int depth) const;

    std::string m_root;
};

}  // namespace platform
