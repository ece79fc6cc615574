#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QString>

// Gives the process test identities and points every QSettings and the card history at dir,
// so that no test reads or writes the user's real settings. Must run before any QSettings is
// created. Returns whether a default QSettings now really lives under dir.
inline bool isolateSettings(const QString &dir)
{
    QCoreApplication::setOrganizationName(QStringLiteral("LumoraTest"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("test.invalid"));
    QCoreApplication::setApplicationName(QStringLiteral("LumoraCardTest"));
    qputenv("LUMORACARD_HISTORY_DB", (dir + QStringLiteral("/history.sqlite")).toLocal8Bit());
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, dir);
        QSettings::setPath(format, QSettings::SystemScope, dir + QStringLiteral("/system"));
    }
    // Where the native store is no file (the Windows registry), INI files take its place.
    if (!QSettings().fileName().startsWith(dir + QLatin1Char('/')))
        QSettings::setDefaultFormat(QSettings::IniFormat);
    return QSettings().fileName().startsWith(dir + QLatin1Char('/'));
}
