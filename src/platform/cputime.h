#pragma once

namespace platform {

// CPU time (user + system, in seconds) used so far by every thread of this process.
double processCpuSeconds();

// CPU time (user + system, in seconds) of the child processes that have ended and been
// waited for, together with their own waited-for descendants.
double childrenCpuSeconds();

}  // namespace platform
