#include "ioerror.h"

#include "windows/winstring.h"

#include <windows.h>

namespace platform {

namespace {
// Not in every SDK's headers.
constexpr DWORD kNoSuchDevice = 433;        // ERROR_NO_SUCH_DEVICE
constexpr DWORD kDiskQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED

bool folderOfGone(const std::string &path)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    return GetFileAttributesW(widePath(folder).c_str()) == INVALID_FILE_ATTRIBUTES;
}
}  // namespace

IoErrorKind ioErrorKind(int code, const std::string &path)
{
    switch (static_cast<DWORD>(code)) {
    case ERROR_WRITE_PROTECT:
        return IoErrorKind::WriteProtected;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kDiskQuotaExceeded:
        return IoErrorKind::NoSpace;
    case ERROR_NOT_READY:
    case ERROR_DEVICE_REMOVED:
    case kNoSuchDevice:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_IO_DEVICE:
    case ERROR_MEDIA_CHANGED:
    case ERROR_NO_MEDIA_IN_DRIVE:
    case ERROR_FILE_INVALID:  // the volume went away under an open file
        return IoErrorKind::DeviceGone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return folderOfGone(path) ? IoErrorKind::DeviceGone : IoErrorKind::Other;
    case ERROR_ACCESS_DENIED:
        return IoErrorKind::AccessDenied;
    default:
        return IoErrorKind::Other;
    }
}

std::string ioErrorText(int code)
{
    wchar_t buffer[512] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, buffer,
                                   sizeof buffer / sizeof buffer[0], nullptr);
    std::string text = n > 0 ? toUtf8(buffer) : std::to_string(code);
    while (
        !text.empty()
        && (text.back() == '.' || text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

}  // namespace platform
