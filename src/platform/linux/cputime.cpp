#include "cputime.h"

#include <sys/resource.h>

namespace platform {

namespace {
double usageSeconds(int who)
{
    struct rusage ru {
    };
    if (getrusage(who, &ru) != 0)
        return 0.0;
    return double(ru.ru_utime.tv_sec) + double(ru.ru_stime.tv_sec)
           + (double(ru.ru_utime.tv_usec) + double(ru.ru_stime.tv_usec)) / 1e6;
}
}  // namespace

double processCpuSeconds()
{
    return usageSeconds(RUSAGE_SELF);
}

double childrenCpuSeconds()
{
    return usageSeconds(RUSAGE_CHILDREN);
}

}  // namespace platform
