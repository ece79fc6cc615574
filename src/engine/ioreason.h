#pragma once

#include <QString>

// A failed open or request of the worker, with the system's reason after its message, in the
// string table's words. `osError` is the platform's code (BlockFile::lastError()); 0 after a
// request that came back short without an error: a file that ended early when `reading`, a
// block the card took only part of otherwise.
QString withIoReason(const QString &message, int osError, const QString &path, bool reading);
