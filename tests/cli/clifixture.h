#pragma once

#include "clirunner.h"

#include <QDir>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>

// A fresh temporary folder for runs of the real tool: an empty "card" folder in it, and the
// tool's settings there too, never the user's.
class CliFixture
{
public:
    CliFixture()
        : card(m_dir.filePath(QStringLiteral("card")))
    {
        QDir().mkpath(card);
    }
    bool isValid() const { return m_dir.isValid() && QDir(card).exists(); }
    QString dir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The runner whose removable roots are `roots`; run() names the card folder alone.
    CliRunner runner(const QStringList &roots) const
    {
        CliRunner r(path(QStringLiteral("config")), m_dir.path());
        r.setRemovableRoots(roots);
        return r;
    }
    CliRun run(const QStringList &args) const { return runner({card}).run(args); }
    // `line` split at blanks, "@CARD" and "@DIR" standing for the card and the temporary
    // folder (none of them holds a blank).
    QStringList args(const QString &line) const
    {
        QStringList out = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        out.replaceInStrings(QStringLiteral("@CARD"), card);
        return out.replaceInStrings(QStringLiteral("@DIR"), m_dir.path());
    }
    QStringList onCard(const QString &options) const { return args("--target @CARD " + options); }

    // Stores a setting as the window would; false when it could not be written.
    bool store(const QString &key, const QVariant &value) const
    {
        QSettings settings(runner({}).settingsFile(), QSettings::IniFormat);
        settings.setValue(key, value);
        settings.sync();
        return settings.status() == QSettings::NoError;
    }
    QByteArray settingsBytes() const
    {
        QFile file(runner({}).settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

private:
    QTemporaryDir m_dir;  // before `card`, which is made inside it

public:
    const QString card;  // stands in for a card; it exists and starts empty
};

inline QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

inline QString fixed2(double value)
{
    return QString::number(value, 'f', 2);
}

// The report a run printed on standard output; `error` is set when it is no JSON object.
inline QJsonObject jsonOut(const CliRun &run, QString *error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        *error = parse.errorString() + QLatin1Char('\n') + run.out + run.err;
    return doc.object();
}
