#include "appidentity.h"

#include <QCoreApplication>

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Lumora"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("lumoracard.org"));
    QCoreApplication::setApplicationName(QStringLiteral("LumoraCard"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));
}
