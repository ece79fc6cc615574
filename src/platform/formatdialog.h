#pragma once

#include "formatservice.h"

#include <cstdint>
#include <string>

namespace platform {

// The system's own format dialog for the drive at `rootPath` ("E:\"), owned by `ownerWindow`
// (the window's native handle; 0 for the thread's active window) and modal to it; returns when
// the user closes it. Windows only; call it on the thread that owns the window.
FormatResult showFormatDialog(const std::string &rootPath, std::uintptr_t ownerWindow);

}  // namespace platform
