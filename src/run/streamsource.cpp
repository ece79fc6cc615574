#include "streamsource.h"

#include <QCoreApplication>

QString streamLabel(const StreamSource &source)
{
    switch (source.kind) {
    case StreamSource::RandomStream:
        return QCoreApplication::translate("MainWindow", "LabelRandomStream").arg(source.index);
    case StreamSource::RollingWrite:
        return QCoreApplication::translate("MainWindow", "LabelRollingWrite");
    case StreamSource::ExternalFile:
        return source.fileName;
    default:
        return QString();
    }
}

QString streamRowLabel(int index, const QString &name)
{
    // One pass, so a name containing "%1" is shown as it is.
    return QStringLiteral("#%1  %2").arg(QString::number(index + 1), name);
}
