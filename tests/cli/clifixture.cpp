#include "clifixture.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSettings>

CliFixture::CliFixture()
    : card(m_dir.filePath(QStringLiteral("card")))
{
    QDir().mkpath(card);
}

CliRunner CliFixture::runner(const QStringList &roots) const
{
    CliRunner r(path(QStringLiteral("config")), m_dir.path());
    r.setRemovableRoots(roots);
    return r;
}

QStringList CliFixture::args(const QString &line) const
{
    QStringList out = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    out.replaceInStrings(QStringLiteral("@CARD"), card);
    return out.replaceInStrings(QStringLiteral("@DIR"), m_dir.path());
}

bool CliFixture::store(const QString &key, const QVariant &value) const
{
    QSettings settings(runner({}).settingsFile(), QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QByteArray CliFixture::settingsBytes() const
{
    QFile file(runner({}).settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                               | QDir::System);
}

double speedAfter(const QString &text, const QString &label)
{
    const QRegularExpression re(
        QStringLiteral("^%1 (\\d+\\.\\d\\d) MB/s$").arg(QRegularExpression::escape(label)),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
}

QString fixed2(double value)
{
    return QString::number(value, 'f', 2);
}

QJsonObject jsonOut(const CliRun &run, QString *error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        *error = parse.errorString() + QLatin1Char('\n') + run.out + run.err;
    return doc.object();
}

QJsonObject jsonObject(const char *text)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parse);
    // A typo in the expectation must not pass as "nothing expected".
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return QJsonObject{{QStringLiteral("unreadable expectation"), QString::fromUtf8(text)}};
    return doc.object();
}

QString differences(const QJsonObject &actual, const QJsonObject &expected)
{
    QString out;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QJsonValue got = actual.value(it.key());
        if (got != it.value())
            out += QStringLiteral("%1: %2, expected %3\n")
                       .arg(it.key(), QJsonDocument(QJsonArray{got}).toJson(QJsonDocument::Compact),
                            QJsonDocument(QJsonArray{it.value()}).toJson(QJsonDocument::Compact));
    }
    return out;
}
