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
    return tr("ErrNotRemovableRoot").arg(options.targetDir);
}

QString Preflight::checkTarget(const CliOptions &options, TargetFacts target)
{
    if (!options.force && !target.removable)
        return tr("ErrNotRemovableRoot").arg(options.targetDir);
    if (!target.isFolder)
        return QCoreApplication::translate("MainWindow", "MsgTargetMissing").arg(options.targetDir);
    return QString();
}

QString Preflight::forcedNotice(const QString &targetDir)
{
    return tr("LogForceSkipped").arg(targetDir);
}

QString Preflight::checkReportPath(const QString &path)
{
    if (path.isEmpty() || path == QLatin1String("-"))
        return QString();
    const QFileInfo file(path);
    if (file.isDir())
        return tr("ErrReportIsFolder").arg(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return tr("ErrReportFolderMissing").arg(path);
    return QString();
}
