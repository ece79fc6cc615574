#include "clirunner.h"

#include <QFile>
#include <QRegularExpression>

CliRunner::CliRunner(const QString &configHome, const QString &workDir)
    : m_configHome(configHome)
    , m_workDir(workDir)
{}

QString CliRunner::settingsFile() const
{
    return m_configHome + QStringLiteral("/Lumora/LumoraCard.conf");
}

void CliRunner::start(QProcess &process, const QStringList &args) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_configHome);
    const QString rootsVariable = QStringLiteral("LUMORACARD_REMOVABLE_ROOTS");
    if (m_removableRoots.isEmpty())
        env.remove(rootsVariable);
    else
        env.insert(rootsVariable, m_removableRoots.join(QLatin1Char(':')));
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
    int seen = -1;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.startsWith(label))
            continue;
        if (++seen < block)
            continue;
        const QString rest = line.mid(label.size());
        return QStringList{label}
               + rest.split(QRegularExpression(QStringLiteral(" {2,}")), Qt::SkipEmptyParts);
    }
    return QStringList();
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
