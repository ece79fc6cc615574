#include "cputime.h"

#include <windows.h>

namespace platform {

namespace {
double seconds(const LARGE_INTEGER &hundredNs)
{
    return double(hundredNs.QuadPart) / 1e7;
}

double seconds(const FILETIME &t)
{
    LARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = static_cast<LONG>(t.dwHighDateTime);
    return seconds(v);
}

// Windows keeps no account of waited-for children. A job object does: every process started
// after this one joined it belongs to it, and the job counts their time after they end.
HANDLE childrenJob()
{
    static HANDLE job = [] {
        HANDLE h = CreateJobObjectW(nullptr, nullptr);
        if (h != nullptr && !AssignProcessToJobObject(h, GetCurrentProcess())) {
            CloseHandle(h);
            h = nullptr;
        }
        return h;
    }();
    return job;
}
}  // namespace

double processCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0.0;
    return seconds(kernel) + seconds(user);
}

double childrenCpuSeconds()
{
    HANDLE job = childrenJob();
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    if (job == nullptr
        || !QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                      nullptr))
        return 0.0;
    // The job's total includes this process from the moment it joined; differences between
    // two calls are what the callers use, and those hold only the children's time.
    const double jobTotal = seconds(info.TotalUserTime) + seconds(info.TotalKernelTime);
    const double self = processCpuSeconds();
    return jobTotal > self ? jobTotal - self : 0.0;
}

}  // namespace platform
