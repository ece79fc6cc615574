#pragma once

#include <string>

namespace platform {

// What an OS error code (errno on POSIX, GetLastError() on Windows) means for a card.
enum class IoErrorKind {
    Other,           // only the system's own words say it
    WriteProtected,  // a read-only card or mount
    NoSpace,
    DeviceGone,  // not ready, failing or pulled out
    AccessDenied,
};

// `path` is the file the failed call was about: a file not found whose folder has gone too
// means the card has gone.
IoErrorKind ioErrorKind(int code, const std::string &path);
// The system's own words for `code` in UTF-8, without a trailing period or line break.
std::string ioErrorText(int code);

}  // namespace platform
