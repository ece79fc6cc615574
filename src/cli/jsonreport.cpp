#include "jsonreport.h"

#include "verdictrulesstore.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace {
QJsonValue intOrNull(bool present, qint64 value)
{
    return present ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QString modeName(const CliOptions &o)
{
    if (o.fill)
        return QStringLiteral("fill");
    return o.sourceFiles.isEmpty() ? QStringLiteral("random") : QStringLiteral("files");
}

QJsonObject settingsObject(const CliOptions &o, const VerdictRules &rules, int streams)
{
    QJsonObject rulesObject;
    for (const QString &key : VerdictRulesStore::keys())
        rulesObject.insert(key, QJsonValue::fromVariant(VerdictRulesStore::field(rules, key)));
    return {
        {QStringLiteral("target"), o.targetDir},
        {QStringLiteral("force"), o.force},
        {QStringLiteral("mode"), modeName(o)},
        // Per stream, or per file of the fill; the external files set their own sizes.
        {QStringLiteral("testSize"), intOrNull(o.sourceFiles.isEmpty(), o.testSize)},
        {QStringLiteral("streams"), streams},
        {QStringLiteral("blockSize"), o.blockSize},
        {QStringLiteral("read"), rules.enableRead},
        {QStringLiteral("verify"), o.verify},
        {QStringLiteral("files"), QJsonArray::fromStringList(o.sourceFiles)},
        {QStringLiteral("fill"), o.fill},
        {QStringLiteral("fillRounds"), intOrNull(o.fill, o.fillRounds)},
        {QStringLiteral("iterations"), o.fill ? 1 : o.iterations},
        {QStringLiteral("rules"), rulesObject},
    };
}

QJsonObject statsObject(const SpeedStats &s)
{
    return {
        {QStringLiteral("avg"), s.avg},
        {QStringLiteral("max"), s.max},
        {QStringLiteral("min"), s.min},
        {QStringLiteral("jitter"), s.jitter},
        {QStringLiteral("cv"), s.cv},
        {QStringLiteral("dropRatio"), s.dropRatio},
        {QStringLiteral("dropCount"), s.dropCount},
        {QStringLiteral("sampleCount"), s.sampleCount},
    };
}

QJsonValue verdictValue(bool present, Verdict v)
{
    return present ? QJsonValue(verdictName(v)) : QJsonValue(QJsonValue::Null);
}

QJsonArray roundsArray(const QVector<RoundRunner::RoundAverages> &rounds)
{
    QJsonArray list;
    for (int i = 0; i < rounds.size(); ++i) {
        const RoundRunner::RoundAverages &r = rounds[i];
        list.append(QJsonObject{
            {QStringLiteral("round"), i + 1},
            {QStringLiteral("writeAvg"), r.write},
            {QStringLiteral("readAvg"), r.readDone ? QJsonValue(r.read) : QJsonValue()},
        });
    }
    return list;
}

QString dataKindName(DataCheck::Kind kind)
{
    switch (kind) {
    case DataCheck::Kind::WrapRound:
        return QStringLiteral("wrapRound");
    case DataCheck::Kind::Corrupt:
        return QStringLiteral("corrupt");
    case DataCheck::Kind::Lost:
        return QStringLiteral("lost");
    case DataCheck::Kind::None:
        break;
    }
    return QString();
}

// Null when the data was not checked (no --verify, or the run ended before the read-back).
QJsonValue verificationValue(const DataCheck &c)
{
    if (!c.ran)
        return QJsonValue();
    const QJsonValue first = c.failed() ? QJsonValue(QJsonObject{
                                 {QStringLiteral("file"), c.firstFile},
                                 {QStringLiteral("offset"), c.firstOffset},
                                 {QStringLiteral("kind"), dataKindName(c.firstKind)},
                             })
                                        : QJsonValue();
    return QJsonObject{
        {QStringLiteral("passed"), !c.failed()},
        {QStringLiteral("checkedBytes"), c.checkedBytes},
        {QStringLiteral("goodBytes"), c.goodBytes},
        {QStringLiteral("wrongBytes"), c.wrongBytes},
        {QStringLiteral("wrongBlocks"), c.wrongBlocks},
        {QStringLiteral("wrapRoundBlocks"), c.wrapBlocks},
        {QStringLiteral("corruptBlocks"), c.corruptBlocks},
        {QStringLiteral("lostBlocks"), c.lostBlocks},
        {QStringLiteral("firstError"), first},
        {QStringLiteral("reason"), c.failed() ? QJsonValue(dataErrorText(c)) : QJsonValue()},
    };
}

QJsonArray rowsArray(const QVector<ResultRow> &rows, bool read, bool verify)
{
    QJsonArray list;
    for (int i = 0; i < rows.size(); ++i) {
        const RowResult &r = rows[i].result;
        const Verdict row = r.verdicts.row();
        list.append(QJsonObject{
            {QStringLiteral("name"), rows[i].label},
            {QStringLiteral("kind"), i == 0 ? QStringLiteral("card") : QStringLiteral("stream")},
            {QStringLiteral("stream"), intOrNull(i > 0, i)},
            {QStringLiteral("write"), statsObject(r.write)},
            {QStringLiteral("read"), read ? QJsonValue(statsObject(r.read)) : QJsonValue()},
            {QStringLiteral("writeVerdict"), verdictName(r.verdicts.write)},
            {QStringLiteral("readVerdict"), verdictValue(read, r.verdicts.read)},
            {QStringLiteral("dataVerdict"), verdictValue(verify, r.verdicts.data)},
            {QStringLiteral("verdict"), verdictName(row)},
            {QStringLiteral("verdictCode"), static_cast<int>(row)},
        });
    }
    return list;
}

QJsonArray numbers(const QVector<double> &values)
{
    QJsonArray list;
    for (double v : values)
        list.append(v);
    return list;
}

QJsonObject seriesObject(const SampleCollection &samples, const QStringList &names)
{
    QJsonArray streams;
    for (int i = 0; i < samples.streamCount(); ++i) {
        streams.append(QJsonObject{
            {QStringLiteral("stream"), i + 1},
            {QStringLiteral("name"), names.value(i)},
            {QStringLiteral("write"), numbers(samples.stream(PassDirection::Write, i).samples())},
            {QStringLiteral("read"), numbers(samples.stream(PassDirection::Read, i).samples())},
        });
    }
    const QJsonObject card{
        {QStringLiteral("write"), numbers(samples.card(PassDirection::Write).samples())},
        {QStringLiteral("read"), numbers(samples.card(PassDirection::Read).samples())},
    };
    return {{QStringLiteral("card"), card}, {QStringLiteral("streams"), streams}};
}
}  // namespace

QString verdictName(Verdict v)
{
    switch (v) {
    case Verdict::Warn:
        return QStringLiteral("warn");
    case Verdict::Fail:
        return QStringLiteral("fail");
    case Verdict::Pass:
        break;
    }
    return QStringLiteral("pass");
}

QJsonObject jsonReport(const CliOptions &options, const VerdictRules &rules, const ReportData &data)
{
    const bool completed = data.outcome == RunOutcome::Completed;
    const RoundRunner::Means means = RoundRunner::meansOf(data.rounds);
    const bool anyRound = !data.rounds.isEmpty();
    const QJsonObject averages{
        {QStringLiteral("write"), anyRound ? QJsonValue(means.write) : QJsonValue()},
        {QStringLiteral("read"), means.readRounds > 0 ? QJsonValue(means.read) : QJsonValue()},
    };

    QJsonObject report{
        {QStringLiteral("tool"), QStringLiteral("lumoracard-cli")},
        {QStringLiteral("version"), QCoreApplication::applicationVersion()},
        {QStringLiteral("format"), 1},
        {QStringLiteral("language"), data.language},
        {QStringLiteral("card"), data.card},
        {QStringLiteral("settings"),
         settingsObject(options, rules, data.samples ? data.samples->streamCount() : 0)},
        {QStringLiteral("outcome"),
         completed ? QStringLiteral("completed") : QStringLiteral("failed")},
        {QStringLiteral("error"), data.error.isEmpty() ? QJsonValue() : QJsonValue(data.error)},
        {QStringLiteral("rounds"), roundsArray(data.rounds)},
        {QStringLiteral("averages"), averages},
        {QStringLiteral("rows"), rowsArray(data.rows, rules.enableRead, options.verify)},
        {QStringLiteral("verification"), verificationValue(data.dataCheck)},
        {QStringLiteral("verdict"), verdictValue(completed, data.worst)},
        {QStringLiteral("verdictCode"),
         completed ? QJsonValue(static_cast<int>(data.worst)) : QJsonValue()},
        {QStringLiteral("exitStatus"), data.exitStatus},
    };
    if (data.samples)
        report.insert(QStringLiteral("series"), seriesObject(*data.samples, data.streamNames));
    return report;
}
