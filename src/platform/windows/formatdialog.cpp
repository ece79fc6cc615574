#include "formatdialog.h"

#include "windows/winstring.h"

#include <shlobj.h>
#include <windows.h>

namespace platform {

FormatResult showFormatDialog(const std::string &rootPath, std::uintptr_t ownerWindow)
{
    const int drive = driveIndexOfRoot(rootPath);
    if (drive < 0)
        return FormatResult::CannotFormat;
    // Owned by the main window, the dialog stays above it and disables it while open.
    HWND owner = reinterpret_cast<HWND>(ownerWindow);
    if (owner == nullptr || !IsWindow(owner))
        owner = GetActiveWindow();
    switch (SHFormatDrive(owner, static_cast<UINT>(drive), SHFMT_ID_DEFAULT, 0)) {
    case SHFMT_ERROR:
        return FormatResult::Failed;
    case SHFMT_CANCEL:
        return FormatResult::Cancelled;
    case SHFMT_NOFORMAT:
        return FormatResult::CannotFormat;
    default:
        return FormatResult::Done;
    }
}

}  // namespace platform
