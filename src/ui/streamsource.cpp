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
