#pragma once

#include "formatservice.h"

#include <QString>

// The outcome a D-Bus error name from udisks2 (or from the bus on its way there) stands
// for: a dismissed authorisation is the user cancelling; a missing service, object or
// method, or a file system udisks2 cannot make, means the drive cannot be formatted here;
// everything else is a failed format.
platform::FormatResult formatResultForUDisks2Error(const QString &errorName);
