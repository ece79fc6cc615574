#include "mainwindow.h"

// Starting and stopping a test arrive with the test-control work: the checks before a start,
// the format offer, the engine launch per round and the running state of the controls.

void MainWindow::startTest()
{
    // Filled in with the test start.
}

void MainWindow::stopTest()
{
    // Filled in with the test start.
}

void MainWindow::launchTester()
{
    // Filled in with the test start.
}

void MainWindow::setRunning(bool /*running*/)
{
    // Filled in with the test start.
}
