#include "journalsupport.h"

#include <windows.h>

#include <io.h>

namespace platform {

bool syncToDisk(int fd)
{
    return fd >= 0 && _commit(fd) == 0;
}

bool processRunning(std::int64_t pid)
{
    if (pid <= 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

}  // namespace platform
