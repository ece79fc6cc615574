#pragma once

#include "asyncformatservice.h"

#include <string>

// The format service over udisks2 on the D-Bus bus at `busAddress` instead of the system
// bus; for tests, which must never reach the machine's own udisks2.
std::unique_ptr<FormatService> makeUDisks2FormatService(const platform::DriveService &drives,
                                                        const QString &busAddress);
