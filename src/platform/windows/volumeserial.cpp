#include "volumeserial.h"

#include "windows/winstring.h"

#include <windows.h>

#include <cstdio>

namespace platform {

bool queryVolumeSerial(const std::string &path, std::string &out)
{
    const int index = driveIndexOfRoot(path);
    DWORD serial = 0;
    if (index < 0
        || !GetVolumeInformationW(driveRoot(index).c_str(), nullptr, 0, &serial, nullptr, nullptr,
                                  nullptr, 0))
        return false;
    // As the system's own tools write it.
    char text[16];
    std::snprintf(text, sizeof(text), "%04lX-%04lX", static_cast<unsigned long>(serial >> 16),
                  static_cast<unsigned long>(serial & 0xffff));
    out = text;
    return true;
}

}  // namespace platform
