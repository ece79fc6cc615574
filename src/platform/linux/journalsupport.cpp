#include "journalsupport.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace platform {

bool syncToDisk(int fd)
{
    return fd >= 0 && fsync(fd) == 0;
}

bool processRunning(std::int64_t pid)
{
    if (pid <= 0)
        return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace platform
