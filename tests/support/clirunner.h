#pragma once

#include <QJsonDocument>
#include <QProcess>
#include <QStringList>

// Runs the real lumoracard-cli with its settings in a folder of the test's own
// (XDG_CONFIG_HOME), never the user's. The tool writes only to removable drive
// roots; a test's folders become such roots by being named in
// LUMORACARD_REMOVABLE_ROOTS, which is otherwise cleared, so that the caller's
// environment never decides.
struct CliRun {
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QString out;
    QString err;
};

class CliRunner
{
public:
    // `configHome` stands in for XDG_CONFIG_HOME; `workDir` is the working
    // folder.
    CliRunner(const QString &configHome, const QString &workDir)
        : m_configHome(configHome)
        , m_workDir(workDir)
    {}

    // The settings file the tool reads there.
    QString settingsFile() const
    {
        return m_configHome + QStringLiteral("/Lumora/LumoraCard.conf");
    }

    // The folders the tool is to take for removable drive roots; none by default.
    void setRemovableRoots(const QStringList &roots) { m_removableRoots = roots; }
    // The card history in the data folder under `home` (HOME and XDG_DATA_HOME), as a user's
    // is, rather than beside the settings.
    void setDataHome(const QString &home) { m_dataHome = home; }

    void start(QProcess &process, const QStringList &args) const;
    // Runs to the end; on a timeout the process is killed and `err` says so.
    CliRun run(const QStringList &args, int timeoutMs = 120000) const;

private:
    QString m_configHome;
    QString m_workDir;
    QStringList m_removableRoots;
    QString m_dataHome;
};

// --rules under which any completed run passes: no minimum speed anywhere and
// metric thresholds no series can reach.
QStringList lenientRules();

// The line of the results table that begins with `label`, split into its cells
// (cells are at least two blanks apart); empty when there is none. With a read
// test the table has two blocks: `block` 0 is the write block, 1 the read
// block.
QStringList tableRow(const QString &text, const QString &label, int block = 0);

// A JSON document parsed from a file, or an error text in `error`.
QJsonDocument readJson(const QString &path, QString *error);
