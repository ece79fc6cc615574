#pragma once

#include "speedstats.h"

#include <QString>

// Status colours shared by the number cells and the verdict, as "#rrggbb" names so that
// a window (QColor) and a console (its own palette) can both use them.
namespace StatusColor {
inline QString good()
{
    return QStringLiteral("#1976d2");
}
inline QString warn()
{
    return QStringLiteral("#e67e22");
}
inline QString bad()
{
    return QStringLiteral("#d32f2f");
}
}  // namespace StatusColor

// A speed cell: "85.37", good at or above the threshold, bad below it.
QString speedCellText(double mbps);
QString speedCellColor(double mbps, double threshold);

// A ratio cell: "12.3%", bad above `fail`, warn above `warn`, good otherwise.
QString ratioCellText(double ratio);
QString ratioCellColor(double ratio, double warn, double fail);

// The tooltip of the drop-ratio cell: how many analysed samples fell below avg x 60 %.
QString dropSamplesTooltip(const SpeedStats &stats);
