#include "mainwindow.h"

#include "screenfit.h"
#include "speedchartwidget.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSizePolicy>
#include <QTableWidget>

namespace {

// The chart gives way first: it grows into what the other boxes leave and shrinks to a
// height that still keeps its scale labels apart, so that the settings above it stay whole
// wherever the window allows. On a short screen the table shrinks too, to its header and
// the card total row.
constexpr int chartHeight = 95;
constexpr int compactTableHeight = 120;
constexpr int usualTableHeight = 300;

}  // namespace

QSize MainWindow::availableScreenSize() const
{
    const QScreen *where = screen() ? screen() : QGuiApplication::primaryScreen();
    return where ? where->availableGeometry().size() : usualWindowSize + windowFrameAllowance;
}

void MainWindow::fitToScreen(const QSize &available)
{
    const WindowFit fit = fitWindow(available);
    speedChart->setMinimumHeight(chartHeight);
    resultsTable->setMinimumHeight(fit.compact ? compactTableHeight : usualTableHeight);
    // The table's own hint would make it shrink along with the settings; at its minimum it
    // leaves the settings the room they need, and extra height goes to the chart.
    resultsTable->setSizePolicy(resultsTable->sizePolicy().horizontalPolicy(),
                                QSizePolicy::Ignored);
    setMinimumSize(fit.minimum);
    resize(fit.size);
}
