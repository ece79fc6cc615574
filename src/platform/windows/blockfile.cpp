#include "blockfile.h"

#include "windows/winstring.h"

#include <windows.h>

namespace platform {

namespace {

struct OpenArgs {
    DWORD access;
    DWORD share;
    DWORD disposition;
    DWORD flags;
};

OpenArgs openArgs(BlockFile::Mode mode)
{
    switch (mode) {
    case BlockFile::Mode::WriteThrough:
        return {GENERIC_WRITE, 0, CREATE_ALWAYS,
                FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN
                    | FILE_FLAG_OPEN_REPARSE_POINT};
    case BlockFile::Mode::ReadCached:
        return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN};
    case BlockFile::Mode::ReadUncached:
        return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT};
    }
    return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN};
}

HANDLE asHandle(intptr_t fd)
{
    return reinterpret_cast<HANDLE>(fd);
}

bool isReparsePoint(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The sector size of the volume that holds `path`; 0 when it cannot be read.
std::size_t sectorSizeOf(const std::wstring &path)
{
    wchar_t root[MAX_PATH + 1];
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH + 1)
        || !GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    return bytesPerSector;
}

// What Windows itself demands of unbuffered requests; checked here as well so that a file
// system that lets them pass (Wine's) still catches a caller that breaks the rule.
bool isWholeSectors(std::size_t sectorSize, const void *buffer, std::size_t size)
{
    if (size > MAXDWORD)
        return false;
    return sectorSize == 0
           || (size % sectorSize == 0
               && reinterpret_cast<std::uintptr_t>(buffer) % sectorSize == 0);
}

}  // namespace

BlockFile::~BlockFile()
{
    close();
}

bool BlockFile::open(const std::string &path, Mode mode)
{
    close();
    m_mode = mode;
    m_fallback = false;
    m_lastError = 0;
    m_sectorSize = 0;

    const std::wstring wide = widePath(path);
    const OpenArgs args = openArgs(mode);
    const bool noFollow = (args.flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
    // Creating over a link would rewrite the link itself: refuse before opening anything.
    if (noFollow && isReparsePoint(GetFileAttributesW(wide.c_str()))) {
        m_lastError = ERROR_CANT_ACCESS_FILE;
        return false;
    }
    HANDLE h = CreateFileW(wide.c_str(), args.access, args.share, nullptr, args.disposition,
                           args.flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    // A link put in place between the check and the open.
    BY_HANDLE_FILE_INFORMATION info{};
    if (noFollow && GetFileInformationByHandle(h, &info) && isReparsePoint(info.dwFileAttributes)) {
        CloseHandle(h);
        m_lastError = ERROR_CANT_ACCESS_FILE;
        return false;
    }
    if (args.flags & FILE_FLAG_NO_BUFFERING)
        m_sectorSize = sectorSizeOf(wide);
    m_fd = reinterpret_cast<intptr_t>(h);
    return true;
}

bool BlockFile::isOpen() const
{
    return m_fd != -1;
}

void BlockFile::close()
{
    if (m_fd == -1)
        return;
    CloseHandle(asHandle(m_fd));
    m_fd = -1;
}

bool BlockFile::seekBack(std::size_t bytes)
{
    LARGE_INTEGER distance{};
    distance.QuadPart = -static_cast<LONGLONG>(bytes);
    if (m_fd == -1 || !SetFilePointerEx(asHandle(m_fd), distance, nullptr, FILE_CURRENT)) {
        m_lastError = m_fd == -1 ? 0 : static_cast<int>(GetLastError());
        return false;
    }
    return true;
}

template <typename Call>
std::int64_t BlockFile::retrying(Call call)
{
    // Nothing to retry on Windows: there are no signals to interrupt a request.
    if (m_fd == -1)
        return -1;
    DWORD moved = 0;
    if (!call(asHandle(m_fd), &moved)) {
        m_lastError = static_cast<int>(GetLastError());
        return -1;
    }
    return moved;
}

std::int64_t BlockFile::read(void *buffer, std::size_t size)
{
    if (!isWholeSectors(m_sectorSize, buffer, size)) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    return retrying([&](HANDLE h, DWORD *moved) {
        return ReadFile(h, buffer, static_cast<DWORD>(size), moved, nullptr);
    });
}

std::int64_t BlockFile::write(const void *buffer, std::size_t size)
{
    if (!isWholeSectors(m_sectorSize, buffer, size)) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    return retrying([&](HANDLE h, DWORD *moved) {
        return WriteFile(h, buffer, static_cast<DWORD>(size), moved, nullptr);
    });
}

// Reading here is not overlapped: the read happens in awaitRead(), in the caller's thread.
void BlockFile::startRead(void *buffer, std::size_t size)
{
    m_pendingBuffer = buffer;
    m_pendingSize = size;
}

std::int64_t BlockFile::awaitRead()
{
    return read(m_pendingBuffer, m_pendingSize);
}

void BlockFile::finishPendingRead() {}

int removeFile(const std::string &path)
{
    if (DeleteFileW(widePath(path).c_str()))
        return 0;
    const DWORD error = GetLastError();
    // A missing folder (ERROR_PATH_NOT_FOUND) means the card has gone; a missing file, nothing.
    return error == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(error);
}

}  // namespace platform
