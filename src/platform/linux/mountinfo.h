#pragma once

#include <string>
#include <vector>

namespace platform {

// One line of /proc/<pid>/mountinfo.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string fsRoot;      // the folder of the file system seen here; "/" for the whole volume
    std::string mountPoint;  // decoded, without a trailing '/' (except "/" itself)
    std::string fsType;      // e.g. "vfat", "exfat", "fuseblk"
    std::string source;      // decoded, e.g. "/dev/sdb1"
};

// The entries of a mountinfo text, in its order; malformed lines are skipped.
std::vector<MountEntry> parseMountInfo(const std::string &text);

// Undoes the kernel's octal escapes in a mountinfo field ("\040" for a blank, "\011" tab,
// "\012" newline, "\134" backslash).
std::string decodeMountField(const std::string &field);

}  // namespace platform
