#include "console.h"

#include <windows.h>

#include <atomic>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace platform {

namespace {
std::atomic<int> g_interrupted{0};

BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        g_interrupted.store(1, std::memory_order_relaxed);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The process ends as soon as this returns; waiting here gives the run the
        // system's grace period to stop and remove its files.
        g_interrupted.store(1, std::memory_order_relaxed);
        Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

// A console that understands the colour sequences. The console's code page is set to the
// ANSI one, in which Qt's local 8-bit text arrives.
bool isColourConsole(DWORD stdHandle)
{
    HANDLE h = GetStdHandle(stdHandle);
    DWORD mode = 0;
    if (h == INVALID_HANDLE_VALUE || h == nullptr || !GetConsoleMode(h, &mode))
        return false;
    if (!(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING)
        && !SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return false;  // before Windows 10: plain lines without colours or redrawing
    SetConsoleOutputCP(GetACP());
    return true;
}
}  // namespace

bool stdoutIsTerminal()
{
    return isColourConsole(STD_OUTPUT_HANDLE);
}

bool stderrIsTerminal()
{
    return isColourConsole(STD_ERROR_HANDLE);
}

int stderrColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void installInterruptHandler()
{
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool interruptRequested()
{
    return g_interrupted.load(std::memory_order_relaxed) != 0;
}

}  // namespace platform
