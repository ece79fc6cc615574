#pragma once

#include <QSet>
#include <QString>
#include <QtGlobal>

// `size` rounded down to whole blocks; 0 when no whole block fits (or the block is empty).
qint64 wholeBlocks(qint64 size, qint64 blockSize);

// Name for the copy of a source file in the card's root: the source's own name, or
// "name (k).ext" with k = 1, 2, ... when that name is already taken by another file of
// the test (ignoring case) or by anything already present in `targetDir` (a file, a folder
// or a link).
QString uniqueTargetName(const QString &sourceFileName, const QSet<QString> &usedNames,
                         const QString &targetDir);

// Deletes a test file the engine created. A symbolic link standing under the name is
// left alone: the engine never writes through one, so it is not the engine's file.
bool removeTestFile(const QString &path);
