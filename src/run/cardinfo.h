#pragma once

#include "drives.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// A card as the system knows it, for the drive list, the reports and the command line's list
// of drives.
struct CardInfo {
    QString root;
    QString label;
    QString fileSystem;  // as users know it: "FAT32", "exFAT", "NTFS"
    bool spaceKnown = false;
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;
    platform::CardIdentity identity;
    QString volumeSerial;  // changes when the card is formatted; empty when unknown
};

CardInfo describeCard(const QString &root, const platform::DriveService &drives);

// A path as the user reads it, with the system's own separators: "E:\" on Windows, where Qt
// hands out "E:/".
QString displayPath(const QString &path);
QStringList displayPaths(const QStringList &paths);
// Whether the system names a card by its drive ("E:\", Windows) rather than by the folder it
// is mounted on: texts about the target say "drive" or "mount point" accordingly.
bool drivesHaveLetters();

// The file system's name as users know it: Linux's "vfat" is FAT32 above 2 GiB (and plain FAT
// below, where it may be FAT16), "exfat" exFAT, "ntfs"/"ntfs3" NTFS; other names stay.
QString fileSystemName(const QString &systemName, qint64 totalBytes);

// What the identity says, on one line: "Generic STORAGE DEVICE, serial 000000001536" or, for
// an SD card in a built-in slot, "SD32G, manufacturer 0x000003, serial 0x1a2b3c4d, made
// 04/2021"; empty when the system said nothing.
QString identityText(const platform::CardIdentity &identity);
// The log's line about the card under test: label (else its root), file system, size and
// identity, "-" for what the system does not tell.
QString cardTestedLine(const CardInfo &card);

// The card for a machine-readable report: root, label, fileSystem, totalBytes, freeBytes
// (null when unknown) and identity (null when unknown; its fields as strings).
QJsonObject cardJson(const CardInfo &card);
