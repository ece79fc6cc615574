#include "volumeserial.h"

#include "linux/fsutil.h"

#include <sys/stat.h>
#include <sys/statfs.h>

#include <cstdio>
#include <cstring>

namespace platform {

namespace {
const char *const kByUuid = "/dev/disk/by-uuid";
}

bool queryVolumeSerial(const std::string &path, std::string &out)
{
    struct stat volume {
    };
    if (stat(path.c_str(), &volume) != 0)
        return false;
    // The link whose device is the one the path lives on.
    for (const std::string &name : directoryEntries(kByUuid)) {
        struct stat device {
        };
        if (stat((std::string(kByUuid) + "/" + name).c_str(), &device) == 0
            && S_ISBLK(device.st_mode) && device.st_rdev == volume.st_dev) {
            out = name;
            return true;
        }
    }
    // No udev link (a folder on a volume udev does not list): the kernel's file-system id,
    // which ext4 and others derive from their UUID. Zero means the file system has none.
    struct statfs fs {
    };
    if (statfs(path.c_str(), &fs) != 0)
        return false;
    int words[2] = {};
    static_assert(sizeof(words) == sizeof(fs.f_fsid), "fsid is two ints");
    std::memcpy(words, &fs.f_fsid, sizeof(words));
    if (words[0] == 0 && words[1] == 0)
        return false;
    char text[32];
    std::snprintf(text, sizeof(text), "fsid:%08x%08x", unsigned(words[0]), unsigned(words[1]));
    out = text;
    return true;
}

}  // namespace platform
