#include "mainwindow.h"

void MainWindow::openVerdictSettings()
{
    // Filled in with the verdict rules dialog.
}
