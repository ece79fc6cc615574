#include "drives.h"

namespace platform {

DriveService::~DriveService() = default;

std::vector<RemovableDrive> DriveService::listRemovableDrives() const
{
    std::vector<RemovableDrive> drives;
    for (const std::string &root : removableRoots()) {
        RemovableDrive d;
        d.rootPath = root;
        d.volumeKnown = queryVolume(root, d.volume);
        d.spaceKnown = querySpace(root, d.space);
        drives.push_back(d);
    }
    return drives;
}

bool DriveService::queryIdentity(const std::string &, CardIdentity &) const
{
    return false;
}

std::int64_t DriveService::capacity(const std::string &rootPath) const
{
    DiskSpace space;
    return querySpace(rootPath, space) ? space.totalBytes : 0;
}

}  // namespace platform
