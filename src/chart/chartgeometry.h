#pragma once

#include <QRect>
#include <QSize>

// Where everything of the chart lies for one widget size. Rectangles are inclusive pixel
// corners turned into QRects; positions along the halves are real numbers so that curves
// stay smooth whatever the width.
struct ChartGeometry {
    QRect plot;  // the plot area, (x1, y1) to (x2, y2)
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int plotWidth = 0;        // PW = x2 - x1 + 1
    int plotHeight = 0;       // PH = y2 - y1 + 1
    double writeStart = 0.0;  // xs: the left edge of the write half
    double middle = 0.0;      // xm: where the write half ends and the read half begins
    int titleWidth = 0;       // width of each half title's box, whole pixels

    // y of grid line i (0 at the bottom, kScaleSteps at the top).
    int gridY(int i) const;
    // x of a sample of `percent` (0..100) in the write or the read half.
    double writeX(int percent) const;
    double readX(int percent) const;
    // y of `speed` on a scale that ends at `scaleMax`.
    double speedY(double speed, double scaleMax) const;

    // The boxes of the scale labels beside grid line i, and of the unit labels above them.
    QRect writeLabelBox(int i) const;
    QRect readLabelBox(int i) const;
    QRect writeUnitBox() const;
    QRect readUnitBox() const;
    // The boxes of the two half titles under the plot.
    QRect writeTitleBox() const;
    QRect readTitleBox() const;

    // Left edge of the legend row for `count` streams, and the parts of item k (0-based).
    int legendLeft(int count) const;
    QRect legendSwatch(int left, int k) const;
    QRect legendText(int left, int k) const;
};

// The geometry of a chart of `size`. Without the read half the plot widens to 10 pixels
// from the right edge and the write half takes all of it.
ChartGeometry chartGeometry(const QSize &size, bool readVisible);

// x of `percent` (0..100) on a half that runs from `start` to `end`.
inline double halfX(double start, double end, int percent)
{
    return start + percent / 100.0 * (end - start);
}

constexpr int kLegendItemWidth = 34;
