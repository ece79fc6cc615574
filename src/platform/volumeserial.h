#pragma once

#include <string>

namespace platform {

// The serial number the file system of the volume holding `path` was given when it was made
// (a new one at every format): on Windows the volume serial ("1A2B-3C4D"), on Linux the file
// system's UUID as /dev/disk/by-uuid names it, else the file-system id statfs reports
// ("fsid:…"). False when the system tells none.
bool queryVolumeSerial(const std::string &path, std::string &out);

}  // namespace platform
