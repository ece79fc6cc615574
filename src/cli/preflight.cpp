#include "preflight.h"

#include "diskspace.h"
#include "drives.h"
#include "filenaming.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr qint64 kFat32CardLimit = 34359738368;  // 32 GiB: such cards come formatted FAT32
constexpr qint64 kFat32FileLimit = 3758096384;   // 3.5 GiB, leaving room below the 4 GiB cap
constexpr qint64 kBytesPerMB = 1048576;
}  // namespace

qint64 Preflight::requiredBytes(const CliOptions &options, const QVector<qint64> &sourceSizes)
{
    if (!options.sourceFiles.isEmpty()) {
        qint64 total = 0;
        for (qint64 size : sourceSizes)
            total += wholeBlocks(size, options.blockSize);
        return total;
    }
    const qint64 perFile = wholeBlocks(options.testSize, options.blockSize);
    return options.fill ? perFile : perFile * options.streamCount;
}

qint64 Preflight::largestFile(const CliOptions &options, const QVector<qint64> &sourceSizes)
{
    if (options.sourceFiles.isEmpty())
        return wholeBlocks(options.testSize, options.blockSize);
    qint64 largest = 0;
    for (qint64 size : sourceSizes)
        largest = qMax(largest, wholeBlocks(size, options.blockSize));
    return largest;
}

QString Preflight::checkPaths(const CliOptions &options, QVector<qint64> *sourceSizes)
{
    const QFileInfo target(options.targetDir);
    if (!target.exists())
        return tr("Target %1 does not exist.").arg(options.targetDir);
    if (!target.isDir())
        return tr("Target %1 is not a folder.").arg(options.targetDir);

    sourceSizes->clear();
    QStringList missing;
    for (const QString &path : options.sourceFiles) {
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile())
            missing << path;
        sourceSizes->append(info.size());
    }
    if (!missing.isEmpty()) {
        return tr("MsgFilesMissing").arg(missing.join(QLatin1Char('\n')));
    }
    if (!options.sourceFiles.isEmpty() && requiredBytes(options, *sourceSizes) == 0)
        return tr("MsgFilesTooSmall");
    return QString();
}

QString Preflight::checkRemovable(const QString &targetDir, bool removable)
{
    if (removable)
        return QString();
    return tr("Target %1 is not the root of a removable drive — the test is refused to protect "
              "local data.\nName the card's root folder (its mount point), or add --force to "
              "test this folder anyway.")
        .arg(targetDir);
}

QString Preflight::forcedNotice(const QString &targetDir)
{
    return tr("--force: the removable-drive check was skipped; %1 is tested as if it were a "
              "card.")
        .arg(targetDir);
}

QString Preflight::checkSpace(const CliOptions &options, const QVector<qint64> &sourceSizes,
                              const Space &space)
{
    if (!space.known) {
        // The fill mode sizes itself by the free space; it cannot run blind.
        if (options.fill)
            return tr("Cannot read the free space of %1.").arg(options.targetDir);
        return QString();
    }
    const qint64 largest = largestFile(options, sourceSizes);
    if (space.totalBytes >= 1 && space.totalBytes <= kFat32CardLimit && largest > kFat32FileLimit) {
        return options.sourceFiles.isEmpty() ? tr("MsgCapLimitBody") : tr("MsgCapLimitFilesBody");
    }
    const qint64 required = requiredBytes(options, sourceSizes);
    if (space.freeBytes < required) {
        return tr("MsgLowSpaceBody").arg(required / kBytesPerMB).arg(space.freeBytes / kBytesPerMB);
    }
    return QString();
}

QString Preflight::checkReportPath(const QString &path)
{
    if (path.isEmpty() || path == QLatin1String("-"))
        return QString();
    const QFileInfo file(path);
    if (file.isDir())
        return tr("The report %1 is a folder.").arg(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return tr("The folder of the report %1 does not exist.").arg(path);
    return QString();
}

Preflight::Space Preflight::querySpace(const QString &targetDir)
{
    platform::DiskSpace ds;
    Space space;
    space.known = platform::queryDiskSpace(targetDir.toStdString(), ds);
    space.freeBytes = ds.freeBytes;
    space.totalBytes = ds.totalBytes;
    return space;
}

bool Preflight::isRemovableRoot(const QString &targetDir)
{
    return platform::makeDriveService()->isRemovable(targetDir.toStdString());
}
