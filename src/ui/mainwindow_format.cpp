// Formatting the card before a test. The format runs outside the window (a daemon or the
// system's dialog); the window waits for it without blocking, locked as during a run.
#include "mainwindow.h"

#include "formatconfirmdialog.h"

#include <QComboBox>
#include <QLabel>

void MainWindow::setFormatService(std::unique_ptr<FormatService> service)
{
    formatService = std::move(service);
    if (formatService)
        connect(formatService.get(), &FormatService::finished, this, &MainWindow::onFormatFinished);
}

FormatService *MainWindow::ensureFormatService()
{
    if (!formatService && driveService)
        setFormatService(makeFormatService(*driveService));
    return formatService.get();
}

void MainWindow::formatBeforeTest(const QString &drive)
{
    appendLog(tr("MsgFormatting").arg(drive));
    FormatService *service = ensureFormatService();
    platform::FormatPlan plan;
    if (!service || !service->describe(drive, plan))
        return afterFormat(drive, platform::FormatResult::CannotFormat, QString());
    if (!prompt(UserPrompt::FormatConfirm, tr("DlgFormatConfirmTitle"),
                FormatConfirmDialog::describe(plan)))
        return afterFormat(drive, platform::FormatResult::Cancelled, QString());
    formatDrive = drive;
    setRunning(true);
    labelBeforeFormat = writeSpeedLabel->text();
    writeSpeedLabel->setText(tr("MsgFormatting").arg(drive));
    service->setOwnerWindow(winId());
    service->start(drive);
}

void MainWindow::onFormatFinished(platform::FormatResult result, const QString &newRoot)
{
    if (formatDrive.isEmpty())
        return;  // not waiting (any more)
    const QString drive = formatDrive;
    endFormatWait();
    afterFormat(drive, result, newRoot);
}

void MainWindow::afterFormat(const QString &drive, platform::FormatResult result,
                             const QString &newRoot)
{
    logFormatOutcome(result);

    // The card may come back mounted somewhere else, or not at all.
    refreshDrives();
    int index = -1;
    if (result == platform::FormatResult::Done && !newRoot.isEmpty())
        index = driveCombo->findData(newRoot);
    if (index < 0)
        index = driveCombo->findData(drive);
    if (index < 0) {
        // Never go on with whatever drive the list now starts with: the user picked this one.
        if (driveCombo->currentData().toString().isEmpty())
            prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgFormatNoAccess"));
        else
            prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgFormatLost").arg(drive));
        return;
    }
    driveCombo->setCurrentIndex(index);
    continueStart(driveCombo->currentData().toString());
}

void MainWindow::logFormatOutcome(platform::FormatResult result)
{
    switch (result) {
    case platform::FormatResult::Failed:
        appendLog(tr("MsgFormatFailed"));
        break;
    case platform::FormatResult::Cancelled:
        appendLog(tr("MsgFormatCancelled"));
        break;
    case platform::FormatResult::CannotFormat:
        appendLog(tr("MsgFormatUnsupported"));
        break;
    case platform::FormatResult::Done:
        appendLog(tr("MsgFormatDone"));
        break;
    }
    // The service's own reason helps whoever reads the log; a user cancel needs none.
    if (result != platform::FormatResult::Done && result != platform::FormatResult::Cancelled
        && formatService && !formatService->lastMessage().isEmpty())
        appendLog(formatService->lastMessage());
}

void MainWindow::endFormatWait()
{
    formatDrive.clear();
    setRunning(false);
    writeSpeedLabel->setText(labelBeforeFormat);
}

void MainWindow::abandonFormat()
{
    const QString drive = formatDrive;
    if (formatService)
        formatService->abandon();
    endFormatWait();
    appendLog(tr("LogFormatAbandoned").arg(drive));
}
