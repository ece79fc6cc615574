#include "udisks2errors.h"

platform::FormatResult formatResultForUDisks2Error(const QString &errorName)
{
    using platform::FormatResult;
    const QString udisks = QStringLiteral("org.freedesktop.UDisks2.Error.");
    const QString bus = QStringLiteral("org.freedesktop.DBus.Error.");

    if (errorName == udisks + "NotAuthorizedDismissed" || errorName == udisks + "Cancelled")
        return FormatResult::Cancelled;
    if (errorName == udisks + "NotSupported")
        return FormatResult::CannotFormat;
    // udisks2 is not there (not running, not activatable, or too old to resolve devices).
    for (const char *absent : {"ServiceUnknown", "NameHasNoOwner", "NoServer", "Disconnected",
                               "UnknownMethod", "UnknownObject", "UnknownInterface"}) {
        if (errorName == bus + absent)
            return FormatResult::CannotFormat;
    }
    if (errorName.startsWith(bus + "Spawn."))
        return FormatResult::CannotFormat;
    return FormatResult::Failed;
}
