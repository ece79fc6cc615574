#include "evaluation.h"

RowResult evaluateCardTotal(const SampleCollection &samples, const VerdictRules &rules)
{
    RowResult r;
    r.write = samples.card(PassDirection::Write).stats(rules.slcTrim);
    r.read = samples.card(PassDirection::Read).stats(rules.slcTrim);
    r.verdicts = judgeCardTotal(r.write, r.read, rules);
    return r;
}

RowResult evaluateStream(const SampleCollection &samples, int stream, const VerdictRules &rules)
{
    RowResult r;
    r.write = samples.stream(PassDirection::Write, stream).stats(rules.slcTrim);
    r.read = samples.stream(PassDirection::Read, stream).stats(rules.slcTrim);
    r.verdicts = judgeStreamRow(r.write, r.read, rules);
    return r;
}

QVector<RowResult> evaluateRows(const SampleCollection &samples, const VerdictRules &rules)
{
    QVector<RowResult> rows{evaluateCardTotal(samples, rules)};
    if (samples.streamCount() > 1) {
        for (int i = 0; i < samples.streamCount(); ++i)
            rows.append(evaluateStream(samples, i, rules));
    }
    return rows;
}
