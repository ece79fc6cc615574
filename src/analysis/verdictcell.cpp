#include "verdictcell.h"

#include "resultcells.h"

#include <QCoreApplication>
#include <QStringList>

#include <utility>

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

std::pair<QString, QString> figuresApart(double value, double limit)
{
    int decimals = 1;
    while (decimals < 3 && fixed(value, decimals) == fixed(limit, decimals))
        ++decimals;
    return {fixed(value, decimals), fixed(limit, decimals)};
}

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

QString verdictReasonText(const VerdictReason &reason)
{
    const char *key = "VerdictReasonMin";
    double scale = 100.0;  // ratios in percent
    switch (reason.measure) {
    case VerdictMeasure::Jitter:
        key = "VerdictReasonJitter";
        break;
    case VerdictMeasure::Cv:
        key = "VerdictReasonCv";
        break;
    case VerdictMeasure::Drop:
        key = "VerdictReasonDrop";
        break;
    case VerdictMeasure::Min:
        scale = 1.0;
        break;
    }
    const auto [measured, threshold] =
        figuresApart(reason.measured * scale, reason.threshold * scale);
    return tr(key).arg(tr(reason.pass == PassDirection::Write ? "LabelWrite" : "LabelRead"),
                       measured, threshold,
                       tr(reason.verdict == Verdict::Fail ? "VerdictWordFail" : "VerdictWordWarn"));
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
    // The reasons first: they decided the verdict; the figures and rules follow.
    QStringList reasons;
    for (const VerdictReason &reason : row.verdicts.reasons)
        reasons << verdictReasonText(reason);
    if (!reasons.isEmpty())
        look.toolTip = reasons.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + look.toolTip;
    if (!row.dataError.isEmpty())
        look.toolTip = row.dataError + QStringLiteral("\n\n") + look.toolTip;
    return look;
}
