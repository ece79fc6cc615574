#include "preflight.h"

#include <QFileInfo>

QString Preflight::check(const CliOptions &options, TargetFacts target)
{
    if (options.force)
        target.removable = true;
    const PlanRefusal refusal = checkPlan(options.plan(), target);
    if (refusal.reason != PlanRefusal::Reason::NotRemovable)
        return refusal.text();
    // The window's text asks for a click on Refresh; here the way out is another path.
    return tr("Target %1 is not the root of a removable drive — the test is refused to protect "
              "local data.\nName the card's root folder (its mount point), or add --force to "
              "test this folder anyway.")
        .arg(options.targetDir);
}

QString Preflight::forcedNotice(const QString &targetDir)
{
    return tr("--force: the removable-drive check was skipped; %1 is tested as if it were a "
              "card.")
        .arg(targetDir);
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
