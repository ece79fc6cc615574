#pragma once

#include "clirunner.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

// A fresh temporary folder for runs of the real tool: an empty "card" folder in it, and the
// tool's settings there too, never the user's.
struct CliFixture {
    CliFixture() { QDir().mkpath(card); }
    QString path(const QString &name) const { return dir.filePath(name); }

    // The runner whose removable roots are `roots`; run() names the card folder alone.
    CliRunner runner(const QStringList &roots) const
    {
        CliRunner r(path(QStringLiteral("config")), dir.path());
        r.setRemovableRoots(roots);
        return r;
    }
    CliRun run(const QStringList &args) const { return runner({card}).run(args); }
    // `line` split at blanks, "@CARD" and "@DIR" standing for the card and the temporary
    // folder (none of them holds a blank).
    QStringList args(QString line) const
    {
        return line.replace("@CARD", card)
            .replace("@DIR", dir.path())
            .split(' ', Qt::SkipEmptyParts);
    }
    QStringList onCard(const QString &options) const { return args("--target @CARD " + options); }
    QSettings settings() const
    {
        return QSettings(runner({}).settingsFile(), QSettings::IniFormat);
    }

    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("card"));  // it exists and starts empty
};

inline QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}
