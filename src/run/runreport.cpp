#include "runreport.h"

#include "cardinfo.h"
#include "datajudge.h"
#include "streamsource.h"
#include "verdictcell.h"
#include "verdictrulesstore.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace {
QJsonValue intOrNull(bool present, qint64 value)
{
    return present ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue timeValue(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(isoTimeText(time)) : QJsonValue();
}

QString modeName(const TestPlan &plan)
{
    if (plan.fill)
        return QStringLiteral("fill");
    return plan.mode == TestPlan::Mode::Files ? QStringLiteral("files") : QStringLiteral("random");
}

QJsonObject settingsObject(const TestPlan &plan, const ReportSetup &setup, int streams)
{
    const VerdictRules rules = rulesAsUsed(plan, setup.rules);
    QJsonObject rulesObject;
    for (const QString &key : VerdictRulesStore::keys())
        rulesObject.insert(key, QJsonValue::fromVariant(VerdictRulesStore::field(rules, key)));
    const bool files = plan.mode == TestPlan::Mode::Files;
    return {
        {QStringLiteral("target"), displayPath(plan.target)},
        {QStringLiteral("force"), setup.force},
        {QStringLiteral("mode"), modeName(plan)},
        // Per stream, or per file of the fill; the external files set their own sizes.
        {QStringLiteral("testSize"), intOrNull(!files, plan.testSize)},
        {QStringLiteral("streams"), streams},
        {QStringLiteral("blockSize"), plan.blockSize},
        {QStringLiteral("read"), plan.readPass()},
        {QStringLiteral("verify"), plan.verify},
        {QStringLiteral("files"),
         QJsonArray::fromStringList(files ? displayPaths(plan.files) : QStringList())},
        {QStringLiteral("fill"), plan.fill},
        {QStringLiteral("fillRounds"), intOrNull(plan.fill, plan.fillRounds)},
        {QStringLiteral("iterations"), plan.fill ? 1 : plan.iterations},
        {QStringLiteral("dashcam"),
         plan.dashcam.isSet() ? QJsonValue(plan.dashcam.spec()) : QJsonValue()},
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
    case DataCheck::Kind::Stale:
        return QStringLiteral("stale");
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
        {QStringLiteral("wrongSectors"), c.wrongSectors},
        {QStringLiteral("wrapRoundSectors"), c.wrapSectors},
        {QStringLiteral("staleSectors"), c.staleSectors},
        {QStringLiteral("corruptSectors"), c.corruptSectors},
        {QStringLiteral("lostSectors"), c.lostSectors},
        {QStringLiteral("firstError"), first},
        {QStringLiteral("reason"), c.failed() ? QJsonValue(dataErrorText(c)) : QJsonValue()},
    };
}

QJsonArray reasonsArray(const VerdictReasons &reasons)
{
    QJsonArray list;
    for (const VerdictReason &r : reasons) {
        list.append(QJsonObject{
            {QStringLiteral("rule"), r.rule},
            {QStringLiteral("pass"),
             r.pass == PassDirection::Write ? QStringLiteral("write") : QStringLiteral("read")},
            {QStringLiteral("measured"), r.measured},
            {QStringLiteral("threshold"), r.threshold},
            {QStringLiteral("verdict"), verdictName(r.verdict)},
        });
    }
    return list;
}

// Whether the engine deleted every test file it made, and which stayed on the card, why.
QJsonObject cleanupObject(const QVector<RoundRunner::LeftFile> &left)
{
    QJsonArray files;
    for (const RoundRunner::LeftFile &f : left)
        files.append(
            QJsonObject{{QStringLiteral("file"), f.path}, {QStringLiteral("reason"), f.message}});
    return {{QStringLiteral("complete"), left.isEmpty()}, {QStringLiteral("leftFiles"), files}};
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
            {QStringLiteral("reasons"), reasonsArray(r.verdicts.reasons)},
        });
    }
    return list;
}

QJsonValue nameOrNull(const QString &name)
{
    return name.isEmpty() ? QJsonValue() : QJsonValue(name);
}

QJsonValue speedClassValue(const DashcamAssessment &a)
{
    if (!a.measured)
        return QJsonValue();
    return QJsonObject{
        {QStringLiteral("video"), nameOrNull(a.speedClass.videoName())},
        {QStringLiteral("uhs"), nameOrNull(a.speedClass.uhsName())},
        {QStringLiteral("class"), nameOrNull(a.speedClass.className())},
        {QStringLiteral("sustainedMBps"), a.speedClass.sustainedMBps},
    };
}

QJsonValue dashcamValue(const DashcamAssessment &a)
{
    if (!a.profile)
        return QJsonValue();
    const DashcamJudgement &j = *a.profile;
    QJsonArray channels;
    for (const DashcamChannel &c : j.channels) {
        channels.append(QJsonObject{
            {QStringLiteral("bitrate"), c.bitrateMbit},
            {QStringLiteral("sustained"), c.measured ? QJsonValue(c.sustainedMBps) : QJsonValue()},
            {QStringLiteral("verdict"),
             c.measured ? QJsonValue(dashcamVerdictName(c.verdict)) : QJsonValue()},
        });
    }
    return QJsonObject{
        {QStringLiteral("preset"), nameOrNull(j.profile.preset)},
        {QStringLiteral("channels"), channels},
        {QStringLiteral("margin"), j.margin},
        {QStringLiteral("verdict"),
         j.judged ? QJsonValue(dashcamVerdictName(j.verdict)) : QJsonValue()},
        {QStringLiteral("hours"), j.hours >= 0.0 ? QJsonValue(j.hours) : QJsonValue()},
    };
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

RunOutcome outcomeOf(const RoundRunner &run)
{
    switch (run.outcome()) {
    case RoundRunner::Outcome::Completed:
        return RunOutcome::Completed;
    case RoundRunner::Outcome::Stopped:
        return RunOutcome::Stopped;
    case RoundRunner::Outcome::Failed:
        return RunOutcome::Failed;
    case RoundRunner::Outcome::None:
        break;
    }
    return RunOutcome::NotRun;
}

VerdictRules rulesAsUsed(const TestPlan &plan, VerdictRules rules)
{
    rules.enableRead = plan.readPass();
    rules.fullCap = plan.fill;
    rules.iterCount = plan.fill ? plan.fillRounds : plan.iterations;
    return rules;
}

RunResults judgeRun(const RoundRunner &run, const VerdictRules &rules, qint64 capacityBytes)
{
    QVector<RowResult> evaluated = evaluateRows(run.samples(), rulesAsUsed(run.plan(), rules));
    judgeData(&evaluated, run.dataCheck());
    const QStringList names = streamLabelsOf(run.streamSources());
    RunResults results;
    for (int i = 0; i < evaluated.size(); ++i) {
        const QString label = i == 0 ? QCoreApplication::translate("MainWindow", "RowCardTotal")
                                     : streamRowLabel(i - 1, names.value(i - 1));
        results.rows.append({label, evaluated[i]});
        results.worst = combineVerdicts(results.worst, evaluated[i].verdicts.row());
    }
    results.dashcam =
        assessForDashcam(evaluated, run.plan().dashcam, rules.dashcamMargin, capacityBytes);
    return results;
}

QStringList verdictReasonLines(const QVector<ResultRow> &rows, std::optional<Verdict> only)
{
    QStringList lines;
    for (const ResultRow &row : rows) {
        for (const VerdictReason &reason : row.result.verdicts.reasons) {
            if (!only || reason.verdict == *only) {
                lines << QCoreApplication::translate("RunReport", "VerdictReasonOfRow")
                             .arg(row.label, verdictReasonText(reason));
            }
        }
    }
    return lines;
}

QJsonObject runReport(const RoundRunner &run, const RunResults &results, const ReportSetup &setup)
{
    const TestPlan &plan = run.plan();
    const RunOutcome outcome = outcomeOf(run);
    const bool completed = outcome == RunOutcome::Completed;
    const QVector<RoundRunner::RoundAverages> &rounds = run.completedRounds();
    const RoundRunner::Means means = RoundRunner::meansOf(rounds);
    const QJsonObject averages{
        {QStringLiteral("write"), rounds.isEmpty() ? QJsonValue() : QJsonValue(means.write)},
        {QStringLiteral("read"), means.readRounds > 0 ? QJsonValue(means.read) : QJsonValue()},
    };
    const QVector<ResultRow> noRows;
    const Verdict worst = completed ? results.worst : Verdict::Pass;
    const DashcamAssessment dashcam = completed ? results.dashcam : DashcamAssessment();
    QJsonObject report{
        {QStringLiteral("tool"), setup.tool},
        {QStringLiteral("version"), QCoreApplication::applicationVersion()},
        {QStringLiteral("format"), 1},
        {QStringLiteral("language"), setup.language},
        {QStringLiteral("card"), setup.card},
        {QStringLiteral("settings"), settingsObject(plan, setup, run.samples().streamCount())},
        {QStringLiteral("outcome"),
         completed ? QStringLiteral("completed") : QStringLiteral("failed")},
        {QStringLiteral("error"),
         run.errorMessage().isEmpty() ? QJsonValue() : QJsonValue(run.errorMessage())},
        {QStringLiteral("startedAt"), timeValue(run.startedAt())},
        {QStringLiteral("endedAt"), timeValue(run.endedAt())},
        {QStringLiteral("durationSeconds"),
         run.durationMs() < 0 ? QJsonValue() : QJsonValue(run.durationMs() / 1000.0)},
        {QStringLiteral("rounds"), roundsArray(rounds)},
        {QStringLiteral("averages"), averages},
        {QStringLiteral("rows"),
         rowsArray(completed ? results.rows : noRows, plan.readPass(), plan.verify)},
        {QStringLiteral("verification"), verificationValue(run.dataCheck())},
        {QStringLiteral("cleanup"), cleanupObject(run.leftFiles())},
        {QStringLiteral("verdict"), verdictValue(completed, worst)},
        {QStringLiteral("verdictCode"),
         completed ? QJsonValue(static_cast<int>(worst)) : QJsonValue()},
        {QStringLiteral("speedClass"), speedClassValue(dashcam)},
        {QStringLiteral("dashcam"), dashcamValue(dashcam)},
        {QStringLiteral("exitStatus"),
         exitStatusFor(outcome, combineVerdicts(worst, dashcam.verdict()))},
        {QStringLiteral("series"),
         seriesObject(run.samples(), streamLabelsOf(run.streamSources()))},
    };
    return report;
}

QString isoTimeText(const QDateTime &time)
{
    // Qt writes "Z" for UTC and no offset at all for local time: the offset is always spelled.
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
           + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
           + QStringLiteral("%1:%2")
                 .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
