#include "drives.h"

#include "windows/cardidentity.h"
#include "windows/winstring.h"

#include <windows.h>

namespace platform {

namespace {

std::string utf8Root(int index)
{
    return std::string{char('A' + index), ':', '\\'};
}

// The drive letters of the machine: the drive type is asked afresh every time, so a card
// pulled out is no longer removable.
class LogicalDriveService final : public DriveService
{
public:
    std::vector<std::string> removableRoots() const override
    {
        std::vector<std::string> roots;
        const DWORD mask = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            if ((mask & (DWORD(1) << i)) && isRemovableIndex(i))
                roots.push_back(utf8Root(i));
        }
        return roots;
    }

    bool isRemovable(const std::string &rootPath) const override
    {
        const int index = driveIndexOfRoot(rootPath);
        return index >= 0 && isRemovableIndex(index);
    }

    bool queryVolume(const std::string &rootPath, VolumeInfo &out) const override
    {
        const int index = driveIndexOfRoot(rootPath);
        wchar_t label[MAX_PATH] = {};
        wchar_t fileSystem[MAX_PATH] = {};
        if (index < 0
            || !GetVolumeInformationW(driveRoot(index).c_str(), label, MAX_PATH, nullptr, nullptr,
                                      nullptr, fileSystem, MAX_PATH))
            return false;
        out.label = toUtf8(label);
        out.fileSystem = toUtf8(fileSystem);
        return true;
    }

    bool querySpace(const std::string &rootPath, DiskSpace &out) const override
    {
        return queryDiskSpace(rootPath, out);
    }

    bool queryDevice(const std::string &rootPath, VolumeDevice &out) const override
    {
        const int index = driveIndexOfRoot(rootPath);
        if (index < 0)
            return false;
        const wchar_t name[] = {wchar_t(L'A' + index), L':', L'\0'};
        wchar_t target[MAX_PATH] = {};
        DiskSpace space;
        if (!QueryDosDeviceW(name, target, MAX_PATH) || !queryDiskSpace(rootPath, space))
            return false;
        out.devicePath = std::string("\\\\.\\") + char('A' + index) + ':';
        out.kernelName = toUtf8(target);  // "\Device\HarddiskVolume5"
        out.sizeBytes = space.totalBytes;
        return true;
    }

    bool queryIdentity(const std::string &rootPath, CardIdentity &out) const override
    {
        const int index = driveIndexOfRoot(rootPath);
        return index >= 0 && queryCardIdentity(index, out);
    }

private:
    static bool isRemovableIndex(int index)
    {
        return GetDriveTypeW(driveRoot(index).c_str()) == DRIVE_REMOVABLE;
    }
};

}  // namespace

std::unique_ptr<DriveService> makeDriveService()
{
    return std::make_unique<LogicalDriveService>();
}

}  // namespace platform
