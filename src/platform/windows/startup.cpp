#include "startup.h"

#include <windows.h>

namespace platform {

void prepareProcess()
{
    // Keeps whatever the parent process asked for and adds ours.
    const UINT inherited = SetErrorMode(0);
    SetErrorMode(inherited | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

}  // namespace platform
