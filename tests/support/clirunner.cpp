#include "clirunner.h"

#include <QFile>
#include <QRegularExpression>

void CliRunner::start(QProcess &process, const QStringList &args) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_configHome);
    env.insert(QStringLiteral("LUMORACARD_HISTORY_DB"), m_configHome + "/history");
    if (!m_dataHome.isEmpty()) {
        env.remove(QStringLiteral("LUMORACARD_HISTORY_DB"));
        env.insert(QStringLiteral("HOME"), m_dataHome);
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dataHome + "/.local/share");
    }
    env.remove(QStringLiteral("LUMORACARD_REMOVABLE_ROOTS"));
    if (!m_removableRoots.isEmpty())
        env.insert(QStringLiteral("LUMORACARD_REMOVABLE_ROOTS"), m_removableRoots.join(':'));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_workDir);
    process.start(QStringLiteral(LUMORA_CLI_PATH), args);
}

CliRun CliRunner::run(const QStringList &args, int timeoutMs) const
{
    QProcess process;
    start(process, args);
    CliRun run;
    if (!process.waitForStarted() || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.exitStatus = process.exitStatus();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QStringList lenientRules()
{
    QStringList args;
    for (const char *rule :
         {"aggWriteFail=0", "aggWriteWarn=0", "aggReadFail=0", "aggReadWarn=0", "perStreamWrite=0",
          "perStreamRead=0", "jitterFail=1e300", "jitterWarn=1e300", "cvFail=1e300", "cvWarn=1e300",
          "dropFail=1e300", "dropWarn=1e300"})
        args << QStringLiteral("--rules") << QLatin1String(rule);
    return args;
}

QStringList tableRow(const QString &text, const QString &label, int block)
{
    const QStringList lines =
        text.split('\n').filter(QRegularExpression('^' + QRegularExpression::escape(label)));
    if (block >= lines.size())
        return QStringList();
    return QStringList{label}
           + lines[block].mid(label.size()).split(QRegularExpression(" {2,}"), Qt::SkipEmptyParts);
}

QJsonDocument readJson(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return QJsonDocument();
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError)
        *error = parse.errorString();
    return doc;
}
