#include "diskspace.h"

#include <sys/statvfs.h>

namespace platform {

bool queryDiskSpace(const std::string &path, DiskSpace &out)
{
    struct statvfs st {
    };
    if (statvfs(path.c_str(), &st) != 0)
        return false;
    out.freeBytes = static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
    out.totalBytes =
        static_cast<std::int64_t>(st.f_blocks) * static_cast<std::int64_t>(st.f_frsize);
    return true;
}

}  // namespace platform
