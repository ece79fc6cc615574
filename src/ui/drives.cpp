#include "mainwindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QListView>
#include <QPushButton>

namespace {

// Above this a file does not fit FAT32's 4 GB limit with room to spare.
constexpr qint64 kFat32FileLimit = 3758096384;  // 3.5 GiB
// Cards up to this size come formatted with FAT32.
constexpr qint64 kFat32CardLimit = 34359738368;  // 32 GiB

QString gigabytes(std::int64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / 1073741824.0, 'f', 1);
}

}  // namespace

void MainWindow::setDriveService(std::unique_ptr<platform::DriveService> service)
{
    // The format service was made for the old drives; it is made again when needed.
    formatService.reset();
    driveService = std::move(service);
    refreshDrives();
}

void MainWindow::refreshDrives()
{
    if (!driveCombo)
        return;
    driveCombo->clear();
    const std::vector<platform::RemovableDrive> drives =
        driveService ? driveService->listRemovableDrives()
                     : std::vector<platform::RemovableDrive>();
    for (const platform::RemovableDrive &drive : drives) {
        const QString root = QString::fromStdString(drive.rootPath);
        QString label = drive.volumeKnown ? QString::fromStdString(drive.volume.label) : QString();
        if (label.isEmpty())
            label = tr("DriveRemovable");
        const QString fileSystem =
            drive.volumeKnown ? QString::fromStdString(drive.volume.fileSystem) : QString();
        const QString space = drive.spaceKnown ? QStringLiteral("%1/%2 GB")
                                                     .arg(gigabytes(drive.space.freeBytes),
                                                          gigabytes(drive.space.totalBytes))
                                               : QString();
        // One pass, so a label that contains %1 stays as it is.
        const QString text =
            QStringLiteral("%1 [%2] %3 %4").arg(root, label, fileSystem, space).trimmed();
        driveCombo->addItem(text, root);
    }
    if (driveCombo->count() > 0)
        driveCombo->setCurrentIndex(0);
    else
        driveCombo->addItem(tr("DriveWarnNoDrive"), QString());
    // Start stays available, also without a drive (it explains itself), but not while a
    // test or a format is under way: a language switch refreshes the list then too.
    if (startButton)
        startButton->setEnabled(!stopButton || !stopButton->isEnabled());
    onDriveChanged();
}

void MainWindow::onDriveChanged()
{
    if (!testSizeCombo)
        return;
    const qint64 capacity = driveCapacity();
    const bool smallCard = capacity >= 1 && capacity <= kFat32CardLimit;
    auto *list = qobject_cast<QListView *>(testSizeCombo->view());
    int highestAllowed = -1;
    bool currentBarred = false;
    for (int i = 0; i < testSizeCombo->count(); ++i) {
        const bool barred = smallCard && testSizeCombo->itemData(i).toLongLong() > kFat32FileLimit;
        if (list)
            list->setRowHidden(i, barred);
        if (!barred)
            highestAllowed = i;
        else if (i == testSizeCombo->currentIndex())
            currentBarred = true;
    }
    // Through the combo's own signal, so the total and the stored settings follow.
    if (currentBarred && highestAllowed >= 0)
        testSizeCombo->setCurrentIndex(highestAllowed);
}

qint64 MainWindow::driveCapacity() const
{
    if (!driveCombo || !driveService)
        return 0;
    const QString root = driveCombo->currentData().toString();
    if (root.isEmpty())
        return 0;
    return driveService->capacity(root.toStdString());
}
