#pragma once

#include "clioptions.h"
#include "plancheck.h"

#include <QCoreApplication>

// The checks made before anything is written, in the command line's words: the test's own
// checks are the run core's, the report file is the command line's alone.
class Preflight
{
    Q_DECLARE_TR_FUNCTIONS(Preflight)
public:
    // Why the test must not run on `target` (as the machine described it just now); empty
    // when it may. --force lets a folder that is not a removable drive's root pass.
    static QString check(const CliOptions &options, TargetFacts target);
    // Why `target` itself must not be written to (--clean asks nothing else); empty when it
    // may.
    static QString checkTarget(const CliOptions &options, TargetFacts target);
    // The log line that says --force skipped the removable check.
    static QString forcedNotice(const QString &targetDir);

    // A --json report file needs an existing folder to go in and must not be a folder
    // itself; checked before the test, so that a long run does not end without its report.
    // Empty string when it can be written (or there is none, or it goes to standard output).
    static QString checkReportPath(const QString &path);
};
