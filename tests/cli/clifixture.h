#pragma once

#include "clirunner.h"

#include <QDir>
#include <QJsonObject>
#include <QTemporaryDir>

// A fresh temporary folder for runs of the real tool: an empty "card" folder in it, and the
// tool's settings there too, never the user's.
class CliFixture
{
public:
    CliFixture();
    bool isValid() const { return m_dir.isValid() && QDir(card).exists(); }
    QString dir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The runner whose removable roots are `roots`; run() names the card folder alone.
    CliRunner runner(const QStringList &roots) const;
    CliRun run(const QStringList &args) const { return runner({card}).run(args); }
    // `line` split at blanks, "@CARD" and "@DIR" standing for the card and the temporary
    // folder (none of them holds a blank).
    QStringList args(const QString &line) const;
    QStringList onCard(const QString &options) const { return args("--target @CARD " + options); }

    // Stores a setting as the window would; false when it could not be written.
    bool store(const QString &key, const QVariant &value) const;
    QByteArray settingsBytes() const;  // "<none>" while there is no settings file

private:
    QTemporaryDir m_dir;  // before `card`, which is made inside it

public:
    const QString card;  // stands in for a card; it exists and starts empty
};

QStringList entries(const QString &dir);
// The figure of a line "label 12.34 MB/s" standing alone in `text`; -1 when there is none.
double speedAfter(const QString &text, const QString &label);
QString fixed2(double value);
// The report a run printed on standard output; `error` is set when it is no JSON object.
QJsonObject jsonOut(const CliRun &run, QString *error);
// A JSON object written out in the test; one that matches nothing when `text` is no object.
QJsonObject jsonObject(const char *text);
// The fields of `expected` that `actual` lacks or holds otherwise, one per line; empty when
// they all match.
QString differences(const QJsonObject &actual, const QJsonObject &expected);
