#pragma once

#include <cstdint>

namespace platform {

// Pushes what was written through the C run-time descriptor `fd` to the disk, so that a
// journal line is on the card before the file it names; false when that cannot be done.
bool syncToDisk(int fd);

// Whether a process of this id runs on this machine now (one we may not signal counts).
bool processRunning(std::int64_t pid);

}  // namespace platform
