#pragma once

#include "formatservice.h"

#include <string>

namespace platform {

// The system's own format dialog for the drive at `rootPath` ("E:\"), owned by the active
// window; returns when the user closes it. Windows only.
FormatResult showFormatDialog(const std::string &rootPath);

}  // namespace platform
