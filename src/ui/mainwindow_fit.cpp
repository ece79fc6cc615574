#include "mainwindow.h"

#include "screenfit.h"
#include "speedchartwidget.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTableWidget>

namespace {

// The chart gives way first: it grows into what the other boxes leave and shrinks to a
// height that still keeps its scale labels apart, so that the settings above it stay whole
// wherever the window allows. On a short screen the table shrinks too, to its header and
// the card total row.
constexpr int chartHeight = 95;
constexpr int compactTableHeight = 120;
constexpr int usualTableHeight = 270;

}  // namespace

QRect MainWindow::availableScreenArea() const
{
    const QScreen *where = screen() ? screen() : QGuiApplication::primaryScreen();
    return where ? where->availableGeometry()
                 : QRect(QPoint(0, 0), usualWindowSize + windowFrameAllowance);
}

void MainWindow::fitToScreen(const QRect &available)
{
    const WindowFit fit = fitWindow(available.size());
    speedChart->setMinimumHeight(chartHeight);
    // The table keeps one height, its minimum: at a larger hint it would shrink along with
    // the settings, and extra height is the chart's. A fixed height also holds when the
    // verdict line under it (a word-wrapped label) makes the layout work by heights for widths,
    // which go by hints, not minimums.
    const int tableHeight = fit.compact ? compactTableHeight : usualTableHeight;
    resultsTable->setMinimumHeight(tableHeight);
    resultsTable->setMaximumHeight(tableHeight);
    setMinimumSize(fit.minimum);
    resize(fit.size);
    if (fit.size != usualWindowSize) {
        // A window that nearly fills the screen must not be cascaded down off its bottom.
        const QSize spare = available.size() - fit.size - windowFrameAllowance;
        move(available.topLeft() + QPoint(qMax(0, spare.width() / 2), qMax(0, spare.height() / 2)));
    }
}
