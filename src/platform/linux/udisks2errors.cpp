#include "linux/udisks2errors.h"

namespace platform {

namespace {
bool startsWith(const std::string &text, const std::string &prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}
}  // namespace

FormatResult formatResultForUDisks2Error(const std::string &errorName)
{
    const std::string udisks = "org.freedesktop.UDisks2.Error.";
    const std::string bus = "org.freedesktop.DBus.Error.";

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
    if (startsWith(errorName, bus + "Spawn."))
        return FormatResult::CannotFormat;
    return FormatResult::Failed;
}

}  // namespace platform
