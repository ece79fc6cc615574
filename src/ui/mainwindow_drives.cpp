#include "mainwindow.h"

#include "cardinfo.h"
#include "leftovers.h"
#include "plancheck.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QListView>
#include <QPushButton>

namespace {

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

QString MainWindow::driveItemText(const QString &root) const
{
    const CardInfo card = describeCard(root, *driveService);
    const QString label = card.label.isEmpty() ? tr("DriveRemovable") : card.label;
    const QString space =
        card.spaceKnown
            ? QStringLiteral("%1/%2 GB").arg(gigabytes(card.freeBytes), gigabytes(card.totalBytes))
            : QString();
    // One pass, so a label that contains %1 stays as it is.
    return QStringLiteral("%1 [%2] %3 %4").arg(root, label, card.fileSystem, space).trimmed();
}

void MainWindow::refreshDrives()
{
    driveCombo->clear();
    for (const std::string &root : driveService->removableRoots()) {
        const QString path = QString::fromStdString(root);
        driveCombo->addItem(driveItemText(path), path);
    }
    if (driveCombo->count() > 0)
        driveCombo->setCurrentIndex(0);
    else
        driveCombo->addItem(tr("DriveWarnNoDrive"), QString());
    onDriveChanged();
}

// The texts of the listed drives in the new language; the list and the choice stay.
void MainWindow::retranslateDrives()
{
    for (int i = 0; i < driveCombo->count(); ++i) {
        const QString root = driveCombo->itemData(i).toString();
        driveCombo->setItemText(i, root.isEmpty() ? tr("DriveWarnNoDrive") : driveItemText(root));
    }
}

void MainWindow::onDriveChanged()
{
    const qint64 capacity = driveCapacity();
    auto *list = qobject_cast<QListView *>(testSizeCombo->view());
    int highestAllowed = -1;
    bool currentBarred = false;
    for (int i = 0; i < testSizeCombo->count(); ++i) {
        const bool barred = fat32Bars(capacity, testSizeCombo->itemData(i).toLongLong());
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
    // After the event that changed the drive, so the list is settled and the window shown.
    if (!leftoverOfferQueued) {
        leftoverOfferQueued = true;
        QMetaObject::invokeMethod(this, &MainWindow::offerLeftoverRemoval, Qt::QueuedConnection);
    }
}

void MainWindow::offerLeftoverRemoval()
{
    leftoverOfferQueued = false;
    const QString root = driveCombo->currentData().toString();
    if (root.isEmpty() || runner.isRunning() || !formatDrive.isEmpty())
        return;
    const Leftovers found = findLeftovers(root);
    if (found.isEmpty() || (found.count() > 0 && root == leftoversKept))
        return;
    // A journal that names nothing left goes without a question.
    if (found.count() > 0
        && !prompt(UserPrompt::Question, tr("MsgLeftoversTitle"),
                   tr("MsgLeftoversBody")
                       .arg(root, QString::number(found.count()),
                            QString::number(double(found.bytes) / 1048576.0, 'f', 1)))) {
        leftoversKept = root;
        return;
    }
    for (const QString &line : removeLeftoversLogged(found))
        appendLog(line);
    // The free space shown grew.
    driveCombo->setItemText(driveCombo->currentIndex(), driveItemText(root));
}

qint64 MainWindow::driveCapacity() const
{
    if (!driveService)
        return 0;
    const QString root = driveCombo->currentData().toString();
    if (root.isEmpty())
        return 0;
    return driveService->capacity(root.toStdString());
}
