#pragma once

#include "clioptions.h"

#include <QCoreApplication>
#include <QVector>

// The bytes a test needs on the card and the checks made before anything is written.
class Preflight
{
    Q_DECLARE_TR_FUNCTIONS(Preflight)
public:
    // What the space query of the target answered; `known` is false when it failed.
    struct Space {
        bool known = false;
        qint64 freeBytes = 0;
        qint64 totalBytes = 0;
    };

    // Bytes the test writes at once: random data, streams x size in whole blocks;
    // external files, the sum of their whole-block sizes; fill, at least one file.
    static qint64 requiredBytes(const CliOptions &options, const QVector<qint64> &sourceSizes);

    // The largest single test file, in whole blocks.
    static qint64 largestFile(const CliOptions &options, const QVector<qint64> &sourceSizes);

    // Target must be an existing folder, every --file an existing regular file. Fills
    // `sourceSizes` (same order as the files). Returns an empty string when all is well.
    static QString checkPaths(const CliOptions &options, QVector<qint64> *sourceSizes);

    // The target must be the root of a removable drive (`removable`, as the drive service
    // answered for it); empty string when it is.
    static QString checkRemovable(const QString &targetDir, bool removable);
    // The log line that says --force skipped the check above.
    static QString forcedNotice(const QString &targetDir);

    // Space rules: enough free space for the test, and no file that a FAT32 card
    // (32 GiB or less) cannot hold. Empty string when the test may run.
    static QString checkSpace(const CliOptions &options, const QVector<qint64> &sourceSizes,
                              const Space &space);

    // A --json report file needs an existing folder to go in and must not be a folder
    // itself; checked before the test, so that a long run does not end without its report.
    // Empty string when it can be written (or there is none, or it goes to standard output).
    static QString checkReportPath(const QString &path);

    // Asks the platform about the target's volume.
    static Space querySpace(const QString &targetDir);
    // Asks the platform whether the target is a removable drive's root, afresh.
    static bool isRemovableRoot(const QString &targetDir);
};
