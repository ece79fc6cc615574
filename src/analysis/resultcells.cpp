#include "resultcells.h"

#include <QCoreApplication>

QString speedCellText(double mbps)
{
    return QString::number(mbps, 'f', 2);
}

QString speedCellColor(double mbps, double threshold)
{
    return mbps >= threshold ? StatusColor::good() : StatusColor::bad();
}

QString ratioCellText(double ratio)
{
    return QStringLiteral("%1%").arg(ratio * 100.0, 0, 'f', 1);
}

QString ratioCellColor(double ratio, double warn, double fail)
{
    if (ratio > fail)
        return StatusColor::bad();
    if (ratio > warn)
        return StatusColor::warn();
    return StatusColor::good();
}

QString dropSamplesTooltip(const SpeedStats &stats)
{
    return QCoreApplication::translate("ResultCells", "VerdictDropSamples")
        .arg(stats.dropCount)
        .arg(stats.sampleCount);
}
