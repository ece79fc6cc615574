#include "chartgeometry.h"

#include "chartscale.h"

namespace {
// Room left of the plot for the write scale, right of it for the read scale (or a margin
// without one), above it for the legend's edge and below it for the half titles.
constexpr int kLeft = 55;
constexpr int kTop = 14;
constexpr int kRightWithScale = 56;
constexpr int kRightMargin = 11;
constexpr int kBottom = 21;

QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
}  // namespace

ChartGeometry chartGeometry(const QSize &size, bool readVisible)
{
    ChartGeometry g;
    g.x1 = kLeft;
    g.y1 = kTop;
    g.x2 = size.width() - (readVisible ? kRightWithScale : kRightMargin);
    g.y2 = size.height() - kBottom;
    g.plot = corners(g.x1, g.y1, g.x2, g.y2);
    g.plotWidth = g.x2 - g.x1 + 1;
    g.plotHeight = g.y2 - g.y1 + 1;
    g.writeStart = g.x1;
    g.middle = g.x1 + (readVisible ? g.plotWidth / 2.0 : double(g.plotWidth));
    g.titleWidth = readVisible ? g.plotWidth / 2 : g.plotWidth;
    return g;
}

int ChartGeometry::gridY(int i) const
{
    return y2 - (plotHeight * i) / kScaleSteps;
}

double ChartGeometry::writeX(int percent) const
{
    return halfX(writeStart, middle, percent);
}

double ChartGeometry::readX(int percent) const
{
    return halfX(middle, x2, percent);
}

double ChartGeometry::speedY(double speed, double scaleMax) const
{
    return y2 - plotHeight * speed / scaleMax;
}

QRect ChartGeometry::writeLabelBox(int i) const
{
    const int y = gridY(i);
    return corners(0, y - 8, 50, y + 7);
}

QRect ChartGeometry::readLabelBox(int i) const
{
    const int y = gridY(i);
    return corners(x2 + 4, y - 8, x2 + 50, y + 7);
}

QRect ChartGeometry::writeUnitBox() const
{
    return corners(0, 0, 50, 13);
}

QRect ChartGeometry::readUnitBox() const
{
    return corners(x2 + 4, 0, x2 + 50, 13);
}

QRect ChartGeometry::writeTitleBox() const
{
    return corners(x1, y2 + 2, x1 + titleWidth - 1, y2 + 19);
}

QRect ChartGeometry::readTitleBox() const
{
    const int left = int(middle);
    return corners(left, y2 + 2, left + titleWidth - 1, y2 + 19);
}

int ChartGeometry::legendLeft(int count) const
{
    // Truncated as a real number, so a row wider than the plot moves left by the full half.
    return int(x1 + (plotWidth - kLegendItemWidth * count) / 2.0);
}

QRect ChartGeometry::legendSwatch(int left, int k) const
{
    const int lx = left + kLegendItemWidth * k;
    return corners(lx, y1 + 5, lx + 9, y1 + 14);
}

QRect ChartGeometry::legendText(int left, int k) const
{
    const int lx = left + kLegendItemWidth * k;
    return corners(lx + 13, y1 + 4, lx + 34, y1 + 15);
}
