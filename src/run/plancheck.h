#pragma once

#include "testplan.h"

#include <QStringList>

namespace platform {
class DriveService;
}

// What the machine says about a test's target, asked once just before the checks.
struct TargetFacts {
    bool isFolder = false;   // an existing folder
    bool removable = false;  // the root of a removable drive, now
    bool spaceKnown = false;
    qint64 freeBytes = 0;  // available to this user
    qint64 totalBytes = 0;
};
TargetFacts inspectTarget(const QString &root, const platform::DriveService &drives);

// Why a test may not run, as string-table keys with their arguments, so that each front end
// shows it in its own way and language.
struct PlanRefusal {
    enum class Reason {
        None,
        NoDrive,
        TargetMissing,
        NotRemovable,
        ModeConflict,
        VerifyFiles,
        NoFiles,
        FilesMissing,
        FilesTooSmall,
        SizeBelowBlock,
        Fat32Limit,
        LowSpace,
        SpaceUnknown,
    };
    Reason reason = Reason::None;
    const char *titleKey = nullptr;
    const char *textKey = nullptr;
    QStringList args;
    bool critical = false;  // shown as a critical message rather than a warning

    bool refused() const { return reason != Reason::None; }
    QString title() const;
    // The text with its arguments filled in one pass, so an argument holding "%1" stays.
    QString text() const;
};

// Before the format offer only what the card's contents cannot change is checked; right
// before writing, the free space too.
enum class CheckStage { BeforeFormat, BeforeWrite };

// Every refusal of a test, in the order a user meets them: the target, the mode, the files
// or the size, the FAT32 limit, then (before writing) the free space.
PlanRefusal checkPlan(const TestPlan &plan, const TargetFacts &target,
                      CheckStage stage = CheckStage::BeforeWrite);

// Cards of 32 GiB or less come formatted FAT32, whose 4 GiB file limit a test file must
// stay well below; a capacity of 0 (unknown) never bars anything.
bool fat32Bars(qint64 capacity, qint64 fileBytes);

// Bytes on the card the test needs at once: every stream's file, or one rolling file.
qint64 requiredBytes(const TestPlan &plan);
