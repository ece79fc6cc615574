#include "verdictcell.h"

#include "resultcells.h"

#include <QCoreApplication>

namespace {
QString tr(const char *key)
{
    return QCoreApplication::translate("VerdictCell", key);
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
}  // namespace

QString verdictText(Verdict v)
{
    switch (v) {
    case Verdict::Fail:
        return tr("VerdictFail");
    case Verdict::Warn:
        return tr("VerdictWarn");
    case Verdict::Pass:
        break;
    }
    return tr("VerdictPass");
}

QString verdictColor(Verdict v)
{
    switch (v) {
    case Verdict::Fail:
        return StatusColor::bad();
    case Verdict::Warn:
        return StatusColor::warn();
    case Verdict::Pass:
        break;
    }
    return StatusColor::good();
}

QString verdictTooltip(const SpeedStats &w, const SpeedStats &r, const VerdictRules &rules)
{
    return tr("VerdictTooltip")
        .arg(fixed(w.jitter * 100.0, 1))
        .arg(fixed(w.cv * 100.0, 1))
        .arg(w.dropCount)
        .arg(w.sampleCount)
        .arg(fixed(w.dropRatio * 100.0, 1))
        .arg(fixed(w.min, 2))
        .arg(fixed(r.jitter * 100.0, 1))
        .arg(fixed(r.cv * 100.0, 1))
        .arg(r.dropCount)
        .arg(r.sampleCount)
        .arg(fixed(r.dropRatio * 100.0, 1))
        .arg(fixed(r.min, 2))
        .arg(fixed(rules.jitterFail * 100.0, 0))
        .arg(fixed(rules.cvFail * 100.0, 0))
        .arg(fixed(rules.dropFail * 100.0, 0))
        .arg(fixed(rules.minSpeedMult, 2))
        .arg(fixed(rules.jitterWarn * 100.0, 0))
        .arg(fixed(rules.cvWarn * 100.0, 0))
        .arg(fixed(rules.dropWarn * 100.0, 0));
}

VerdictCellLook verdictCellLook(const SpeedStats &write, Verdict writeVerdict,
                                const SpeedStats &read, Verdict readVerdict,
                                const VerdictRules &rules)
{
    VerdictCellLook look;
    look.verdict = combineVerdicts(writeVerdict, readVerdict);
    look.text = verdictText(look.verdict);
    look.color = verdictColor(look.verdict);
    look.toolTip = verdictTooltip(write, read, rules);
    return look;
}

VerdictCellLook verdictCellLook(const RowResult &row, const VerdictRules &rules)
{
    VerdictCellLook look =
        verdictCellLook(row.write, row.verdicts.write, row.read, row.verdicts.read, rules);
    look.verdict = row.verdicts.row();
    look.text = verdictText(look.verdict);
    look.color = verdictColor(look.verdict);
    // The reason first: it decided the verdict, whatever the speeds below say.
    if (!row.dataError.isEmpty())
        look.toolTip = row.dataError + QStringLiteral("\n\n") + look.toolTip;
    return look;
}
