#include "console.h"

#include <atomic>
#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {
std::atomic<int> g_interrupted{0};

extern "C" void onInterrupt(int)
{
    g_interrupted.store(1, std::memory_order_relaxed);
}
}  // namespace

bool stdoutIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

int stderrColumns()
{
    struct winsize size {
    };
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

void installInterruptHandler()
{
    struct sigaction sa {
    };
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // A closed terminal or an ended session.
    sigaction(SIGHUP, &sa, nullptr);
}

bool interruptRequested()
{
    return g_interrupted.load(std::memory_order_relaxed) != 0;
}

}  // namespace platform
