#include "mainwindow.h"

// The drive list, the drive-dependent size limit and the capacity query arrive with the
// drive service. Until then the list stays empty and nothing is limited.

void MainWindow::refreshDrives()
{
    // Filled in with the drive service.
}

void MainWindow::onDriveChanged()
{
    // Filled in with the drive service.
}

qint64 MainWindow::driveCapacity() const
{
    // Filled in with the drive service; 0 means "unknown", which limits nothing.
    return 0;
}
