#pragma once

#include <QSet>
#include <QString>
#include <QtGlobal>

// `size` rounded down to whole blocks; 0 when no whole block fits (or the block is empty).
qint64 wholeBlocks(qint64 size, qint64 blockSize);

// The names a test may still give its files in the card's root. Cards use FAT32 or exFAT,
// where CLIP.MP4 and clip.mp4 are one file, so names are compared without case, whatever
// the file system under the root happens to be.
class CardNames
{
public:
    // Everything in `rootDir` now is taken: files, folders and links, dangling ones too.
    explicit CardNames(const QString &rootDir);

    // `fileName` when it is free, else "name (k).ext" with the smallest free k = 1, 2, ...
    // The name returned is taken from then on.
    QString uniqueTargetName(const QString &fileName);

private:
    bool isTaken(const QString &name) const;

    QSet<QString> m_taken;  // case-folded
};

// Deletes a test file the engine created. A symbolic link standing under the name is
// left alone: the engine never writes through one, so it is not the engine's file.
bool removeTestFile(const QString &path);
// The same, with the system's error when it failed (0 for a link or folder left alone).
bool removeTestFile(const QString &path, int *osError);
