#include "filenaming.h"

#include "blockfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

qint64 wholeBlocks(qint64 size, qint64 blockSize)
{
    if (blockSize <= 0 || size <= 0)
        return 0;
    return size / blockSize * blockSize;
}

CardNames::CardNames(const QString &rootDir)
{
    // System also lists dangling links, which still occupy their names.
    const QStringList names = QDir(rootDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                      | QDir::NoDotAndDotDot);
    for (const QString &name : names)
        m_taken.insert(name.toCaseFolded());
}

bool CardNames::isTaken(const QString &name) const
{
    return m_taken.contains(name.toCaseFolded());
}

QString CardNames::uniqueTargetName(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix();
    const QString base = info.completeBaseName();
    QString name = fileName;
    for (int k = 1; isTaken(name); ++k) {
        // One arg() call: a "%1" inside the name must come out as it went in.
        const QString counter = QString::number(k);
        name = suffix.isEmpty() ? QStringLiteral("%1 (%2)").arg(base, counter)
                                : QStringLiteral("%1 (%2).%3").arg(base, counter, suffix);
    }
    m_taken.insert(name.toCaseFolded());
    return name;
}

bool removeTestFile(const QString &path)
{
    int error = 0;
    return removeTestFile(path, &error);
}

bool removeTestFile(const QString &path, int *osError)
{
    *osError = 0;
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isFile()))
        return false;
    *osError = platform::removeFile(path.toStdString());
    return *osError == 0;
}
