#include "filenaming.h"

#include <QFile>
#include <QFileInfo>

qint64 wholeBlocks(qint64 size, qint64 blockSize)
{
    if (blockSize <= 0 || size <= 0)
        return 0;
    return size / blockSize * blockSize;
}

namespace {
bool existsOnCard(const QString &path)
{
    const QFileInfo info(path);
    // exists() is false for a dangling link, which still occupies the name.
    return info.exists() || info.isSymLink();
}

// Cards carry FAT or exFAT, and Windows ignores case anyway: "A.mp4" and "a.mp4" are one file.
bool takenByTest(const QSet<QString> &usedNames, const QString &name)
{
    for (const QString &used : usedNames) {
        if (used.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
}  // namespace

QString uniqueTargetName(const QString &sourceFileName, const QSet<QString> &usedNames,
                         const QString &targetDir)
{
    const QFileInfo source(sourceFileName);
    const QString suffix = source.suffix();
    const QString base = source.completeBaseName();
    QString name = sourceFileName;
    for (int k = 1; takenByTest(usedNames, name) || existsOnCard(targetDir + name); ++k) {
        name = suffix.isEmpty() ? QStringLiteral("%1 (%2)").arg(base).arg(k)
                                : QStringLiteral("%1 (%2).%3").arg(base).arg(k).arg(suffix);
    }
    return name;
}

bool removeTestFile(const QString &path)
{
    if (QFileInfo(path).isSymLink())
        return false;
    return QFile::remove(path);
}
