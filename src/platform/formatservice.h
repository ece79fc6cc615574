#pragma once

#include <cstdint>
#include <string>

namespace platform {

// How a format ended. The values are the ones the window's log distinguishes.
enum class FormatResult : int {
    Done = 0,
    Failed = -1,
    Cancelled = -2,     // the user refused the authorisation
    CannotFormat = -3,  // no format service here, or the drive may not be formatted
};

// What formatting a drive will do, for the question put to the user first.
struct FormatPlan {
    std::string rootPath;
    std::string devicePath;  // the block device that is rewritten
    std::int64_t sizeBytes = 0;
    std::string fileSystem;  // the file system it gets again ("vfat", "exfat" …); may be empty
    std::string label;       // the label it gets again
};

}  // namespace platform
