#include "ioerror.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace platform {

namespace {
bool folderOfGone(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    struct stat st {
    };
    return ::stat(folder.c_str(), &st) != 0 && errno == ENOENT;
}

// strerror_r comes in a GNU and an XSI flavour; either answers here.
[[maybe_unused]] const char *chosen(const char *gnu, const char *)
{
    return gnu;
}
[[maybe_unused]] const char *chosen(int xsi, const char *buffer)
{
    return xsi == 0 ? buffer : "";
}
}  // namespace

IoErrorKind ioErrorKind(int code, const std::string &path)
{
    switch (code) {
    case EROFS:
        return IoErrorKind::WriteProtected;
    case ENOSPC:
    case EDQUOT:
        return IoErrorKind::NoSpace;
    case EIO:
    case ENODEV:
    case ENXIO:
    case ESTALE:
    case ENOMEDIUM:
        return IoErrorKind::DeviceGone;
    case ENOENT:
        return folderOfGone(path) ? IoErrorKind::DeviceGone : IoErrorKind::Other;
    case EACCES:
    case EPERM:
        return IoErrorKind::AccessDenied;
    default:
        return IoErrorKind::Other;
    }
}

std::string ioErrorText(int code)
{
    char buffer[256] = {};
    std::string text = chosen(strerror_r(code, buffer, sizeof buffer), buffer);
    while (!text.empty() && (text.back() == '.' || text.back() == '\n'))
        text.pop_back();
    return text;
}

}  // namespace platform
