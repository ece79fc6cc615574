#include "volumeidentity.h"

#include "blockfile.h"

#include "linux/fsutil.h"
#include "linux/mountinfo.h"

#include <sys/stat.h>

namespace platform {

namespace {
// Whether `path` is `mountPoint` or lies below it (component-wise: /mnt/card2 is not in
// /mnt/card).
bool isUnder(const std::string &path, const std::string &mountPoint)
{
    if (mountPoint == "/")
        return true;
    return startsWith(path, mountPoint)
           && (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}
}  // namespace

bool readVolumeIdentity(const std::string &root, VolumeIdentity &out)
{
    struct stat st {
    };
    if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    const std::string resolved = resolvedPath(root);
    std::string text;
    if (resolved.empty() || !readTextFile("/proc/self/mountinfo", text))
        return false;
    // The deepest mount point above the root; of two at one place the later one, which
    // covers the earlier.
    const MountEntry *holder = nullptr;
    const std::vector<MountEntry> mounts = parseMountInfo(text);
    for (const MountEntry &m : mounts) {
        if (isUnder(resolved, m.mountPoint)
            && (!holder || m.mountPoint.size() >= holder->mountPoint.size()))
            holder = &m;
    }
    if (!holder)
        return false;
    out.device = static_cast<std::uint64_t>(st.st_dev);
    out.rootFile = static_cast<std::uint64_t>(st.st_ino);
    out.source = holder->source;
    return true;
}

bool volumeOfPath(const std::string &path, std::uint64_t &device)
{
    struct stat st {
    };
    if (lstat(path.c_str(), &st) != 0)
        return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    return true;
}

// A member of BlockFile, kept here beside the other volume calls.
bool BlockFile::volume(std::uint64_t &device) const
{
    struct stat st {
    };
    if (!isOpen() || fstat(static_cast<int>(m_fd), &st) != 0)
        return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    return true;
}

}  // namespace platform
