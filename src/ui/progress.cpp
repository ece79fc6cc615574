#include "mainwindow.h"

// The progress display, the log, engine errors and the end of a round arrive with the
// progress work. Only the card-total samples are collected already, because the results
// table is built from them.

void MainWindow::onWriteProgress(int percent, double currentSpeed, double /*avgSpeed*/)
{
    // The bar and the speed label are filled in with the progress display.
    recordCardSample(PassDirection::Write, percent, currentSpeed);
}

void MainWindow::onReadProgress(int percent, double currentSpeed, double /*avgSpeed*/)
{
    // The bar and the speed label are filled in with the progress display.
    recordCardSample(PassDirection::Read, percent, currentSpeed);
}

void MainWindow::onTestError(const QString & /*message*/)
{
    // Filled in with the progress display.
}

void MainWindow::onTestFinished()
{
    // Filled in with the progress display.
}

void MainWindow::appendLog(const QString & /*message*/)
{
    // Filled in with the progress display.
}

void MainWindow::resetResults()
{
    // Filled in with the progress display.
}
