#include "leftovers.h"

#include <QCoreApplication>

QStringList removeLeftoversLogged(const Leftovers &found, bool *allRemoved)
{
    QStringList failed;
    const qint64 freed = removeLeftovers(found, &failed);
    if (allRemoved)
        *allRemoved = failed.isEmpty();
    QStringList lines;
    const int removed = found.count() - failed.size();
    if (removed > 0) {
        lines << QCoreApplication::translate("Leftovers", "LogLeftoversRemoved")
                     .arg(removed)
                     .arg(double(freed) / 1048576.0, 0, 'f', 1);
    }
    for (const QString &path : qAsConst(failed))
        lines << QCoreApplication::translate("Leftovers", "LogCantDelete").arg(path);
    return lines;
}
