#pragma once

#include "formatservice.h"

#include <string>

namespace platform {

// The system's own format dialog for the drive at `rootPath` (Windows). Modal: returns when
// the user has closed it.
FormatResult showFormatDialog(const std::string &rootPath);

}  // namespace platform
