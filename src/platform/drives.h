#pragma once

#include "diskspace.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// What the volume at a drive root calls itself.
struct VolumeInfo {
    std::string label;
    std::string fileSystem;  // as the OS names it: "vfat", "exfat", "ext4" …
};

// The block device that holds the volume at a drive root.
struct VolumeDevice {
    std::string devicePath;  // "/dev/sdb1", "/dev/mapper/luks-…"
    std::string kernelName;  // "sdb1", "dm-0"
    std::int64_t sizeBytes = 0;
};

// Who made the card and what it is, as the system tells it; any field may be empty. SD cards
// in a built-in slot also show their CID register.
struct CardIdentity {
    std::string vendor;
    std::string model;
    std::string serial;
    std::string cidManufacturerId;  // "0x000003"
    std::string cidName;            // "SD32G"
    std::string cidSerial;          // "0x1a2b3c4d"
    std::string cidDate;            // "04/2021"
    bool empty() const
    {
        return vendor.empty() && model.empty() && serial.empty() && cidManufacturerId.empty()
               && cidName.empty() && cidSerial.empty() && cidDate.empty();
    }
};

// One listed drive with everything the drive list shows. A drive whose volume or space
// cannot be read is still listed, with the matching flag false.
struct RemovableDrive {
    std::string rootPath;  // ends with '/'
    bool volumeKnown = false;
    VolumeInfo volume;
    bool spaceKnown = false;
    DiskSpace space;
};

// The machine's drives as the test sees them: only a removable drive may be written to.
// A drive is named by its root path, which ends with a separator; test files are appended
// to it directly. Every query looks at the machine afresh, so a card pulled out after the
// list was made is no longer removable, and its queries fail.
class DriveService
{
public:
    virtual ~DriveService();

    // The root paths of the removable drives, in a stable order.
    virtual std::vector<std::string> removableRoots() const = 0;
    // Whether `rootPath` is the root of a removable drive now (not a folder inside one).
    virtual bool isRemovable(const std::string &rootPath) const = 0;
    virtual bool queryVolume(const std::string &rootPath, VolumeInfo &out) const = 0;
    virtual bool querySpace(const std::string &rootPath, DiskSpace &out) const = 0;
    virtual bool queryDevice(const std::string &rootPath, VolumeDevice &out) const = 0;
    // The card behind the drive; false where the system says nothing about it.
    virtual bool queryIdentity(const std::string &rootPath, CardIdentity &out) const;

    // removableRoots() with each drive's volume and space.
    std::vector<RemovableDrive> listRemovableDrives() const;
    // Total bytes of the drive, 0 when the space query fails.
    std::int64_t capacity(const std::string &rootPath) const;
};

// The drives of this machine.
std::unique_ptr<DriveService> makeDriveService();

}  // namespace platform
