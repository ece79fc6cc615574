#include "diskspace.h"

#include "windows/winstring.h"

#include <windows.h>

namespace platform {

bool queryDiskSpace(const std::string &path, DiskSpace &out)
{
    ULARGE_INTEGER freeToCaller{};
    ULARGE_INTEGER total{};
    if (!GetDiskFreeSpaceExW(widePath(path).c_str(), &freeToCaller, &total, nullptr))
        return false;
    out.freeBytes = static_cast<std::int64_t>(freeToCaller.QuadPart);
    out.totalBytes = static_cast<std::int64_t>(total.QuadPart);
    return true;
}

}  // namespace platform
