#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class DriveService;

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

// Quick-formats a removable drive with the file system and label it has now: unmount,
// format, mount again. Only removable drives are ever formatted.
class FormatService
{
public:
    virtual ~FormatService();

    // Fills `out` and returns true when `rootPath` is a removable drive on a block device;
    // otherwise false, and lastMessage() says why.
    virtual bool describe(const std::string &rootPath, FormatPlan &out) = 0;
    // Blocks until the drive is formatted and mounted again (or not). On Done, `newRoot`
    // (when given) receives the root path it was mounted at, which may differ from before.
    virtual FormatResult format(const std::string &rootPath, std::string *newRoot = nullptr) = 0;
    // Why the last call did not succeed, for the log; empty after a success.
    virtual std::string lastMessage() const = 0;
};

// The machine's format service; `drives` decides what is removable and must outlive it.
std::unique_ptr<FormatService> makeFormatService(const DriveService &drives);

}  // namespace platform
