#include "mainwindow.h"

// Stored test settings and the external file list arrive with the settings work. Until
// then the controls keep their defaults and nothing is stored.

void MainWindow::loadTestSettings()
{
    // Filled in with the stored test settings.
}

void MainWindow::saveTestSettings()
{
    // Filled in with the stored test settings.
}

void MainWindow::browseSourceFiles()
{
    // Filled in with the external file list.
}

void MainWindow::clearSourceFiles()
{
    // Filled in with the external file list.
}
