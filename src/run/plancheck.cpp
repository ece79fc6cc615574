#include "plancheck.h"

#include "cardinfo.h"
#include "drives.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
constexpr qint64 kFat32CardLimit = 34359738368;  // 32 GiB
constexpr qint64 kFat32FileLimit = 3758096384;   // 3.5 GiB, room below the 4 GiB cap
constexpr qint64 kBytesPerMB = 1048576;

PlanRefusal refuse(PlanRefusal::Reason reason, const char *title, const char *text,
                   const QStringList &args = QStringList())
{
    PlanRefusal r;
    r.reason = reason;
    r.titleKey = title;
    r.textKey = text;
    r.args = args;
    return r;
}

QString translated(const char *key)
{
    return QCoreApplication::translate("MainWindow", key);
}

PlanRefusal checkFiles(const TestPlan &plan, const TargetFacts &target)
{
    using R = PlanRefusal::Reason;
    if (plan.fill)
        return refuse(R::ModeConflict, "MsgModeConflictTitle", "MsgModeConflictBody");
    // Copies carry the source's bytes, not stamps: there is nothing to compare them with.
    if (plan.verify)
        return refuse(R::VerifyFiles, "MsgErrorTitle", "MsgVerifyFiles");
    if (plan.files.isEmpty())
        return refuse(R::NoFiles, "MsgErrorTitle", "MsgPickFileFirst");
    QStringList missing;
    qint64 total = 0;
    qint64 largest = 0;
    for (const QString &path : plan.files) {
        if (!QFileInfo(path).isFile()) {
            missing.append(path);
            continue;
        }
        const qint64 usable = usableFileBytes(plan, path);
        total += usable;
        largest = qMax(largest, usable);
    }
    if (!missing.isEmpty())
        return refuse(R::FilesMissing, "MsgErrorTitle", "MsgFilesMissing",
                      {displayPaths(missing).join(QLatin1Char('\n'))});
    if (total == 0)
        return refuse(R::FilesTooSmall, "MsgErrorTitle", "MsgFilesTooSmall");
    if (fat32Bars(target.totalBytes, largest))
        return refuse(R::Fat32Limit, "MsgCapLimitTitle", "MsgCapLimitFilesBody");
    return PlanRefusal();
}

PlanRefusal checkSpace(const TestPlan &plan, const TargetFacts &target)
{
    using R = PlanRefusal::Reason;
    if (!target.spaceKnown) {
        // The stress mode sizes itself by the free space: it cannot run blind.
        if (plan.fill)
            return refuse(R::SpaceUnknown, "MsgErrorTitle", "MsgSpaceUnknown", {plan.target});
        return PlanRefusal();
    }
    const qint64 required = requiredBytes(plan);
    if (static_cast<quint64>(target.freeBytes) < static_cast<quint64>(required))
        return refuse(R::LowSpace, "MsgLowSpaceTitle", "MsgLowSpaceBody",
                      {QString::number(required / kBytesPerMB),
                       QString::number(target.freeBytes / kBytesPerMB)});
    return PlanRefusal();
}
}  // namespace

TargetFacts inspectTarget(const QString &root, const platform::DriveService &drives)
{
    TargetFacts facts;
    const std::string path = root.toStdString();
    facts.removable = drives.isRemovable(path);
    // A removable drive's root is a mounted folder by definition.
    facts.isFolder = facts.removable || QFileInfo(root).isDir();
    platform::DiskSpace space;
    facts.spaceKnown = drives.querySpace(path, space);
    facts.freeBytes = space.freeBytes;
    facts.totalBytes = space.totalBytes;
    return facts;
}

QString PlanRefusal::title() const
{
    return titleKey ? translated(titleKey) : QString();
}

QString PlanRefusal::text() const
{
    if (!textKey)
        return QString();
    const QString text = translated(textKey);
    switch (args.size()) {
    case 0:
        return text;
    case 1:
        return text.arg(args.at(0));
    default:
        return text.arg(args.at(0), args.at(1));
    }
}

bool fat32Bars(qint64 capacity, qint64 fileBytes)
{
    return capacity >= 1 && capacity <= kFat32CardLimit && fileBytes > kFat32FileLimit;
}

qint64 requiredBytes(const TestPlan &plan)
{
    if (plan.fill)
        return perStreamBytes(plan);
    if (plan.mode == TestPlan::Mode::Files) {
        qint64 total = 0;
        for (const QString &path : plan.files)
            total += usableFileBytes(plan, path);
        return total;
    }
    return perStreamBytes(plan) * plan.streams;
}

PlanRefusal checkPlan(const TestPlan &plan, const TargetFacts &target, CheckStage stage)
{
    using R = PlanRefusal::Reason;
    if (plan.target.isEmpty())
        return refuse(R::NoDrive, "MsgNoRemovableTitle", "MsgNoRemovableBody");
    if (!target.removable) {
        PlanRefusal r = refuse(R::NotRemovable, "MsgBlockedTitle", "MsgBlockedBody", {plan.target});
        r.critical = true;
        return r;
    }
    if (!target.isFolder)
        return refuse(R::TargetMissing, "MsgErrorTitle", "MsgTargetMissing", {plan.target});
    if (plan.mode == TestPlan::Mode::Files) {
        const PlanRefusal files = checkFiles(plan, target);
        if (files.refused())
            return files;
    } else {
        const qint64 perStream = perStreamBytes(plan);
        if (perStream == 0)
            return refuse(R::SizeBelowBlock, "MsgErrorTitle", "MsgSizeLtBlock");
        if (fat32Bars(target.totalBytes, perStream))
            return refuse(R::Fat32Limit, "MsgCapLimitTitle", "MsgCapLimitBody");
    }
    if (stage == CheckStage::BeforeWrite)
        return checkSpace(plan, target);
    return PlanRefusal();
}
