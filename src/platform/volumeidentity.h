#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Which volume a drive root leads to. Taken when a test starts and compared while it runs,
// so that a card pulled out, unmounted (even lazily, which leaves the empty mount folder of
// the system disk under the same path) or replaced by another is noticed.
struct VolumeIdentity {
    // Linux: st_dev of the root; Windows: the volume serial number. Files compare with it.
    std::uint64_t device = 0;
    // The root folder itself (Linux: its inode; Windows: its file index), so that another
    // folder put under the same path on the same volume does not pass for it.
    std::uint64_t rootFile = 0;
    // Linux: the source of the mount that holds the root ("/dev/sdb1"); Windows: the volume
    // GUID path ("\\?\Volume{…}\"), empty where the system gives none.
    std::string source;
};

inline bool operator==(const VolumeIdentity &a, const VolumeIdentity &b)
{
    return a.device == b.device && a.rootFile == b.rootFile && a.source == b.source;
}
inline bool operator!=(const VolumeIdentity &a, const VolumeIdentity &b)
{
    return !(a == b);
}

// The volume `root` (a folder) leads to now; false when it cannot be told (the folder is
// gone, the card does not answer).
bool readVolumeIdentity(const std::string &root, VolumeIdentity &out);

// The volume (VolumeIdentity::device) that holds `path`, a final symbolic link not followed;
// false when that cannot be told, a missing path included.
bool volumeOfPath(const std::string &path, std::uint64_t &device);

}  // namespace platform
