#include "linux/sysfsclassifier.h"

#include "linux/fsutil.h"

namespace platform {

namespace {
// Stacks deeper than this (dm on dm on md …) are not worth following.
constexpr int kMaxStackDepth = 8;
constexpr std::int64_t kSectorBytes = 512;  // sysfs counts sizes in 512-byte sectors

std::string attribute(const std::string &dir, const std::string &name)
{
    std::string text;
    if (!readTextFile(dir + "/" + name, text))
        return std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}
}  // namespace

SysfsClassifier::SysfsClassifier(std::string sysfsRoot)
    : m_root(std::move(sysfsRoot))
{}

bool SysfsClassifier::findByPath(const std::string &path, BlockDevice &out) const
{
    const std::string resolved = resolvedPath(path);
    if (resolved.empty() || !isDirectory(resolved))
        return false;
    out.sysfsPath = resolved;
    out.kernelName = baseName(resolved);
    const std::string sectors = attribute(resolved, "size");
    try {
        out.sizeBytes = sectors.empty() ? 0 : std::stoll(sectors) * kSectorBytes;
    } catch (...) {
        out.sizeBytes = 0;
    }
    return true;
}

bool SysfsClassifier::findByNumber(unsigned major, unsigned minor, BlockDevice &out) const
{
    return findByPath(m_root + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor),
                      out);
}

bool SysfsClassifier::findBySource(const std::string &source, BlockDevice &out) const
{
    const std::string mapper = "/dev/mapper/";
    if (startsWith(source, mapper)) {
        const std::string name = source.substr(mapper.size());
        for (const std::string &entry : directoryEntries(m_root + "/class/block")) {
            if (startsWith(entry, "dm-")
                && attribute(m_root + "/class/block/" + entry + "/dm", "name") == name)
                return findByPath(m_root + "/class/block/" + entry, out);
        }
        return false;
    }
    if (!startsWith(source, "/dev/"))
        return false;
    const std::string name = baseName(source);
    return !name.empty() && findByPath(m_root + "/class/block/" + name, out);
}

bool SysfsClassifier::isRemovable(const BlockDevice &device) const
{
    return deviceIsRemovable(device.sysfsPath, 0);
}

bool SysfsClassifier::deviceIsRemovable(const std::string &devicePath, int depth) const
{
    // A partition's folder sits inside its disk's folder.
    const bool partition = pathExists(devicePath + "/partition");
    return diskIsRemovable(partition ? parentPath(devicePath) : devicePath, depth);
}

bool SysfsClassifier::diskIsRemovable(const std::string &diskPath, int depth) const
{
    const std::string name = baseName(diskPath);
    // Loop devices are files of some other disk, whatever their flag says.
    if (startsWith(name, "loop"))
        return false;

    const std::vector<std::string> slaves = directoryEntries(diskPath + "/slaves");
    if (!slaves.empty()) {
        if (depth >= kMaxStackDepth)
            return false;
        for (const std::string &slave : slaves) {
            const std::string under = resolvedPath(diskPath + "/slaves/" + slave);
            if (under.empty() || !deviceIsRemovable(under, depth + 1))
                return false;
        }
        return true;
    }

    if (attribute(diskPath, "removable") == "1")
        return true;
    return startsWith(name, "mmcblk") && attribute(diskPath, "device/type") == "SD";
}

std::string SysfsClassifier::diskUnder(const std::string &devicePath, int depth) const
{
    const std::string disk =
        pathExists(devicePath + "/partition") ? parentPath(devicePath) : devicePath;
    // A mapped volume (LUKS) is the disk under it.
    const std::vector<std::string> slaves = directoryEntries(disk + "/slaves");
    if (slaves.empty() || depth >= kMaxStackDepth)
        return disk;
    const std::string under = resolvedPath(disk + "/slaves/" + slaves.front());
    return under.empty() ? disk : diskUnder(under, depth + 1);
}

bool SysfsClassifier::identify(const BlockDevice &device, CardIdentity &out) const
{
    out = CardIdentity();
    const std::string disk = diskUnder(device.sysfsPath, 0);
    const std::string hardware = resolvedPath(disk + "/device");
    if (hardware.empty())
        return false;
    if (startsWith(baseName(disk), "mmcblk")) {
        out.cidManufacturerId = attribute(hardware, "manfid");
        out.cidName = attribute(hardware, "name");
        out.cidSerial = attribute(hardware, "serial");
        out.cidDate = attribute(hardware, "date");
    } else {
        out.vendor = attribute(hardware, "vendor");
        out.model = attribute(hardware, "model");
        // The serial number belongs to the USB device, some folders further up.
        for (std::string dir = hardware; dir.size() > m_root.size() + 1; dir = parentPath(dir)) {
            if (pathExists(dir + "/idVendor")) {
                out.serial = attribute(dir, "serial");
                break;
            }
        }
    }
    return !out.empty();
}

}  // namespace platform
