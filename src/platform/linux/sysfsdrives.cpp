#include "linux/sysfsdrives.h"

#include "linux/fsutil.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace platform {

namespace {
const char *const kRootsVariable = "LUMORACARD_REMOVABLE_ROOTS";

std::string asRoot(const std::string &path)
{
    return !path.empty() && path.back() == '/' ? path : path + '/';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// udev writes the characters a link name cannot hold as \xHH ("My\x20Card").
std::string decodeLinkName(const std::string &name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x'
            && hexDigit(name[i + 2]) >= 0 && hexDigit(name[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(name[i + 2]) * 16 + hexDigit(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

// The mount that is visible at `path`: the last one made there.
const MountEntry *mountAt(const std::vector<MountEntry> &mounts, const std::string &path)
{
    const MountEntry *found = nullptr;
    for (const MountEntry &m : mounts) {
        if (m.mountPoint == path)
            found = &m;
    }
    return found;
}

// The mount that holds `path`: the deepest mount point above it.
const MountEntry *mountHolding(const std::vector<MountEntry> &mounts, const std::string &path)
{
    const MountEntry *found = nullptr;
    for (const MountEntry &m : mounts) {
        const bool holds =
            m.mountPoint == "/" || path == m.mountPoint || startsWith(path, m.mountPoint + "/");
        if (holds && (found == nullptr || m.mountPoint.size() >= found->mountPoint.size()))
            found = &m;
    }
    return found;
}

// A root as the mount table spells it: links resolved, no trailing '/' (except "/"). A root
// whose folder is gone is taken as written, so that a listed drive whose mount point has
// vanished is still recognised (its queries then fail, like a drive that is not ready).
std::string mountTableSpelling(const std::string &rootPath)
{
    const std::string resolved = resolvedPath(rootPath);
    if (!resolved.empty())
        return resolved;
    std::string path = rootPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return !path.empty() && path.front() == '/' ? path : std::string();
}
}  // namespace

SysfsDriveService::SysfsDriveService(DriveSources sources)
    : m_sources(std::move(sources))
    , m_sysfs(m_sources.sysfsRoot)
{}

std::vector<MountEntry> SysfsDriveService::mounts() const
{
    std::string text;
    if (!readTextFile(m_sources.mountInfoPath, text))
        return {};
    return parseMountInfo(text);
}

std::vector<std::string> SysfsDriveService::namedRoots() const
{
    std::string list;
    if (m_sources.removableRoots) {
        list = *m_sources.removableRoots;
    } else if (const char *value = std::getenv(kRootsVariable)) {
        list = value;
    }
    std::vector<std::string> roots;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string item = list.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            continue;
        const std::string resolved = resolvedPath(item);
        if (!resolved.empty() && isDirectory(resolved))
            roots.push_back(asRoot(resolved));
    }
    return roots;
}

bool SysfsDriveService::deviceOf(const MountEntry &mount, BlockDevice &out) const
{
    if (!startsWith(mount.source, "/dev/"))
        return false;
    // The device number is exact; file systems with their own anonymous numbers (btrfs)
    // are found by the device node they were mounted from.
    return m_sysfs.findByNumber(mount.major, mount.minor, out)
           || m_sysfs.findBySource(mount.source, out);
}

bool SysfsDriveService::isRemovableMount(const MountEntry &mount, BlockDevice &device) const
{
    // A bind mount of a folder inside a volume is not the volume's root.
    return mount.fsRoot == "/" && deviceOf(mount, device) && m_sysfs.isRemovable(device);
}

std::vector<std::string> SysfsDriveService::removableRoots() const
{
    const std::vector<MountEntry> all = mounts();
    std::vector<std::string> roots;
    std::set<std::string> devicesSeen;
    for (const MountEntry &m : all) {
        // Hidden under a later mount on the same point.
        if (mountAt(all, m.mountPoint) != &m)
            continue;
        BlockDevice device;
        if (!isRemovableMount(m, device))
            continue;
        if (!devicesSeen.insert(device.sysfsPath).second)
            continue;
        roots.push_back(asRoot(m.mountPoint));
    }
    for (const std::string &named : namedRoots()) {
        if (std::find(roots.begin(), roots.end(), named) == roots.end())
            roots.push_back(named);
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

bool SysfsDriveService::isRemovable(const std::string &rootPath) const
{
    const std::string resolved = mountTableSpelling(rootPath);
    if (resolved.empty())
        return false;
    const std::vector<std::string> named = namedRoots();
    if (std::find(named.begin(), named.end(), asRoot(resolved)) != named.end())
        return true;
    const std::vector<MountEntry> all = mounts();
    const MountEntry *mount = mountAt(all, resolved);
    BlockDevice device;
    return mount != nullptr && isRemovableMount(*mount, device);
}

std::string SysfsDriveService::labelOf(const std::string &kernelName) const
{
    for (const std::string &name : directoryEntries(m_sources.byLabelDir)) {
        if (baseName(linkTarget(m_sources.byLabelDir + "/" + name)) == kernelName)
            return decodeLinkName(name);
    }
    return std::string();
}

bool SysfsDriveService::queryVolume(const std::string &rootPath, VolumeInfo &out) const
{
    // Like a drive that is not ready: nothing to read when the root is gone.
    const std::string resolved = resolvedPath(rootPath);
    if (resolved.empty() || !isDirectory(resolved))
        return false;
    const std::vector<MountEntry> all = mounts();
    const MountEntry *mount = mountAt(all, resolved);
    const bool isMountRoot = mount != nullptr;
    if (!isMountRoot)
        mount = mountHolding(all, resolved);
    if (mount == nullptr)
        return false;

    out.fileSystem = mount->fsType;
    out.label.clear();
    BlockDevice device;
    if (isMountRoot && deviceOf(*mount, device))
        out.label = labelOf(device.kernelName);
    if (out.label.empty() && resolved != "/")
        out.label = baseName(resolved);
    return true;
}

bool SysfsDriveService::querySpace(const std::string &rootPath, DiskSpace &out) const
{
    return queryDiskSpace(rootPath, out);
}

bool SysfsDriveService::volumeDeviceAt(const std::string &rootPath, std::string &source,
                                       BlockDevice &device) const
{
    const std::string resolved = mountTableSpelling(rootPath);
    if (resolved.empty())
        return false;
    const std::vector<MountEntry> all = mounts();
    const MountEntry *mount = mountAt(all, resolved);
    // A bind mount of a folder inside a volume is not the volume.
    if (mount == nullptr || mount->fsRoot != "/" || !deviceOf(*mount, device))
        return false;
    source = mount->source;
    return true;
}

bool SysfsDriveService::queryDevice(const std::string &rootPath, VolumeDevice &out) const
{
    BlockDevice device;
    if (!volumeDeviceAt(rootPath, out.devicePath, device))
        return false;
    out.kernelName = device.kernelName;
    out.sizeBytes = device.sizeBytes;
    return true;
}

bool SysfsDriveService::queryIdentity(const std::string &rootPath, CardIdentity &out) const
{
    std::string source;
    BlockDevice device;
    return volumeDeviceAt(rootPath, source, device) && m_sysfs.identify(device, out);
}

std::unique_ptr<DriveService> makeDriveService()
{
    return std::make_unique<SysfsDriveService>();
}

}  // namespace platform
