#include "volumeidentity.h"

#include "blockfile.h"

#include "windows/winstring.h"

#include <windows.h>

namespace platform {

namespace {
// The serial number of the volume an open handle lies on. The same call serves the root and
// every test file, so both are always read alike; it needs no access right of the handle.
bool serialOf(HANDLE handle, std::uint64_t &serial)
{
    DWORD number = 0;
    if (!GetVolumeInformationByHandleW(handle, nullptr, 0, &number, nullptr, nullptr, nullptr, 0))
        return false;
    serial = number;
    return true;
}

// Opens a file or folder only to look at it; a reparse point is not followed.
HANDLE openToLookAt(const std::wstring &path)
{
    return CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}
}  // namespace

bool readVolumeIdentity(const std::string &root, VolumeIdentity &out)
{
    const std::wstring path = widePath(root);
    HANDLE handle = openToLookAt(path);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    std::uint64_t serial = 0;
    const bool ok = GetFileInformationByHandle(handle, &info)
                    && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                    && serialOf(handle, serial);
    CloseHandle(handle);
    if (!ok)
        return false;
    out.device = serial;
    out.rootFile = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    out.source.clear();
    wchar_t mountPoint[MAX_PATH + 1];
    wchar_t volumeName[64];  // "\\?\Volume{GUID}\" takes 49 characters and the terminator
    if (GetVolumePathNameW(path.c_str(), mountPoint, MAX_PATH + 1)
        && GetVolumeNameForVolumeMountPointW(mountPoint, volumeName, 64))
        out.source = toUtf8(volumeName);
    return true;
}

bool volumeOfPath(const std::string &path, std::uint64_t &device)
{
    HANDLE handle = openToLookAt(widePath(path));
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = serialOf(handle, device);
    CloseHandle(handle);
    return ok;
}

// A member of BlockFile, kept here beside the other volume calls.
bool BlockFile::volume(std::uint64_t &device) const
{
    return isOpen() && serialOf(reinterpret_cast<HANDLE>(m_fd), device);
}

}  // namespace platform
