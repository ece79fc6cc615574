#pragma once

#include "drives.h"

namespace platform {

// What the storage driver says about the device behind drive `index` (0 for A): vendor,
// product and serial from IOCTL_STORAGE_QUERY_PROPERTY, and the SD card's CID where the drive
// is an SD slot of the system's own SD bus and the process may send it commands (administrator).
// False when the system says nothing.
bool queryCardIdentity(int index, CardIdentity &out);

}  // namespace platform
