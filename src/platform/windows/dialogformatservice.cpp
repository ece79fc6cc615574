#include "formatdialog.h"
#include "formatservice.h"

#include "drives.h"

namespace platform {

namespace {

// Formatting through the system's dialog, which asks its own questions and keeps the
// drive letter: the card comes back at the same root.
class DialogFormatService final : public FormatService
{
public:
    explicit DialogFormatService(const DriveService &drives)
        : m_drives(drives)
    {}

    bool describe(const std::string &rootPath, FormatPlan &out) override
    {
        if (!m_drives.isRemovable(rootPath)) {
            m_message = rootPath + " is not a removable drive";
            return false;
        }
        out = FormatPlan();
        out.rootPath = rootPath;
        VolumeDevice device;
        if (m_drives.queryDevice(rootPath, device)) {
            out.devicePath = device.devicePath;
            out.sizeBytes = device.sizeBytes;
        }
        VolumeInfo volume;
        if (m_drives.queryVolume(rootPath, volume)) {
            out.fileSystem = volume.fileSystem;
            out.label = volume.label;
        }
        m_message.clear();
        return true;
    }

    FormatResult format(const std::string &rootPath, std::string *) override
    {
        if (!m_drives.isRemovable(rootPath)) {
            m_message = rootPath + " is not a removable drive";
            return FormatResult::CannotFormat;
        }
        const FormatResult result = showFormatDialog(rootPath);
        m_message = result == FormatResult::Failed ? "the format dialog reported an error"
                    : result == FormatResult::CannotFormat
                        ? "the format dialog cannot format " + rootPath
                        : std::string();
        return result;
    }

    std::string lastMessage() const override { return m_message; }

private:
    const DriveService &m_drives;
    std::string m_message;
};

}  // namespace

std::unique_ptr<FormatService> makeFormatService(const DriveService &drives)
{
    return std::make_unique<DialogFormatService>(drives);
}

}  // namespace platform
