#include "consoletext.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace platform {

bool writeToConsole(int fd, const char16_t *text, std::size_t length)
{
    const std::intptr_t osHandle = _get_osfhandle(fd);
    if (osHandle == -1 || osHandle == 0)
        return false;
    const HANDLE handle = reinterpret_cast<HANDLE>(osHandle);
    DWORD mode = 0;
    if (!GetConsoleMode(handle, &mode))
        return false;  // redirected: the caller writes UTF-8 bytes
    // wchar_t is UTF-16 here. Consoles before Windows 8 refuse very long writes, so the text
    // goes in pieces, never splitting a surrogate pair.
    const auto *chars = reinterpret_cast<const wchar_t *>(text);
    while (length > 0) {
        std::size_t piece = std::min<std::size_t>(length, 4096);
        if (piece < length && piece > 1 && chars[piece - 1] >= 0xD800 && chars[piece - 1] < 0xDC00)
            --piece;
        DWORD written = 0;
        if (!WriteConsoleW(handle, chars, static_cast<DWORD>(piece), &written, nullptr)
            || written == 0)
            break;  // a console that takes nothing more will not take the bytes either
        chars += written;
        length -= written;
    }
    return true;
}

}  // namespace platform
