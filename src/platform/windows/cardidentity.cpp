#include "windows/cardidentity.h"

#include "sdcid.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <vector>

namespace platform {

namespace {

// From the SD bus driver's interface (sffdisk.h, sddef.h), which mingw-w64 does not ship.
enum SffdiskCommand { SffdiskDeviceCommand = 3 };
struct SffdiskDeviceCommandData {
    USHORT headerSize;
    USHORT flags;
    SffdiskCommand command;
    USHORT protocolArgumentSize;
    ULONG deviceDataBufferSize;
    ULONG_PTR information;
};
enum SdCommandClass { SdccStandard = 0 };
enum SdTransferDirection { SdtdRead = 1 };
enum SdTransferType { SdttCmdOnly = 1 };
enum SdResponseType { SdrtR2 = 4 };
struct SdCommandDescriptor {
    UCHAR command;
    SdCommandClass commandClass;
    SdTransferDirection direction;
    SdTransferType transferType;
    SdResponseType responseType;
};
constexpr DWORD kIoctlSffdiskDeviceCommand =
    CTL_CODE(FILE_DEVICE_DISK, 0x7a1, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr UCHAR kSendCid = 10;  // CMD10

class Handle
{
public:
    explicit Handle(HANDLE h)
        : m_handle(h)
    {}
    ~Handle()
    {
        if (valid())
            CloseHandle(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

Handle openVolume(int index, DWORD access)
{
    const wchar_t path[] = {L'\\', L'\\', L'.', L'\\', wchar_t(L'A' + index), L':', L'\0'};
    return Handle(CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
}

// A string the descriptor points at, trimmed; empty where the offset is none or outside.
std::string descriptorText(const std::vector<BYTE> &buffer, DWORD size, DWORD offset)
{
    if (offset == 0 || offset >= size)
        return {};
    std::string text;
    for (DWORD i = offset; i < size && buffer[i] != 0; ++i)
        text.push_back(char(buffer[i]));
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool queryStorageDescriptor(int index, CardIdentity &out)
{
    // No access rights are needed to ask the driver what the device is.
    const Handle volume = openVolume(index, 0);
    if (!volume.valid())
        return false;
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_DESCRIPTOR_HEADER header = {};
    DWORD returned = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &header,
                         sizeof header, &returned, nullptr)
        || header.Size < sizeof(STORAGE_DEVICE_DESCRIPTOR))
        return false;
    std::vector<BYTE> buffer(header.Size);
    if (!DeviceIoControl(volume.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                         buffer.data(), DWORD(buffer.size()), &returned, nullptr)
        || returned < sizeof(STORAGE_DEVICE_DESCRIPTOR))
        return false;
    const auto *device = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR *>(buffer.data());
    out.vendor = descriptorText(buffer, returned, device->VendorIdOffset);
    out.model = descriptorText(buffer, returned, device->ProductIdOffset);
    out.serial = descriptorText(buffer, returned, device->SerialNumberOffset);
    return !out.vendor.empty() || !out.model.empty() || !out.serial.empty();
}

// CMD10 through the SD bus driver. Only its own slots answer (a USB reader does not pass SD
// commands), and it needs a handle open for writing, which only an administrator gets.
bool querySdCid(int index, CardIdentity &out)
{
    const Handle volume = openVolume(index, GENERIC_READ | GENERIC_WRITE);
    if (!volume.valid())
        return false;
    constexpr std::size_t kCidBytes = 16;
    std::vector<BYTE> buffer(sizeof(SffdiskDeviceCommandData) + sizeof(SdCommandDescriptor)
                             + kCidBytes);
    auto *command = reinterpret_cast<SffdiskDeviceCommandData *>(buffer.data());
    command->headerSize = sizeof(SffdiskDeviceCommandData);
    command->command = SffdiskDeviceCommand;
    command->protocolArgumentSize = sizeof(SdCommandDescriptor);
    command->deviceDataBufferSize = kCidBytes;
    auto *descriptor =
        reinterpret_cast<SdCommandDescriptor *>(buffer.data() + sizeof(SffdiskDeviceCommandData));
    descriptor->command = kSendCid;
    descriptor->commandClass = SdccStandard;
    descriptor->direction = SdtdRead;
    descriptor->transferType = SdttCmdOnly;
    descriptor->responseType = SdrtR2;
    DWORD returned = 0;
    if (!DeviceIoControl(volume.get(), kIoctlSffdiskDeviceCommand, buffer.data(),
                         DWORD(buffer.size()), buffer.data(), DWORD(buffer.size()), &returned,
                         nullptr))
        return false;
    const BYTE *cid = buffer.data() + buffer.size() - kCidBytes;
    return decodeSdCid(cid, kCidBytes, out);
}

}  // namespace

bool queryCardIdentity(int index, CardIdentity &out)
{
    const bool described = queryStorageDescriptor(index, out);
    const bool cid = querySdCid(index, out);
    return described || cid;
}

}  // namespace platform
