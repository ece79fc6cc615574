#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct DiskSpace {
    std::int64_t freeBytes = 0;  // available to the calling user
    std::int64_t totalBytes = 0;
};

// The space of the volume that holds `path`; false when the query fails.
bool queryDiskSpace(const std::string &path, DiskSpace &out);

}  // namespace platform
