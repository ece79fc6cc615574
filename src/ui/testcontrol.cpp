#include "mainwindow.h"

#include "speedtester.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

constexpr qint64 kFat32FileLimit = 3758096384;   // 3.5 GiB
constexpr qint64 kFat32CardLimit = 34359738368;  // 32 GiB

bool isSmallCard(qint64 capacity)
{
    return capacity >= 1 && capacity <= kFat32CardLimit;
}

}  // namespace

bool MainWindow::prompt(UserPrompt::Kind kind, const QString &title, const QString &text)
{
    UserPrompt p;
    p.kind = kind;
    p.title = title;
    p.text = text;
    return promptHandler ? promptHandler(this, p) : false;
}

void MainWindow::startTest()
{
    QString drive = driveCombo->currentData().toString();
    if (drive.isEmpty()) {
        prompt(UserPrompt::Warning, tr("MsgNoRemovableTitle"), tr("MsgNoRemovableBody"));
        return;
    }
    // Asked again now: the card may have been pulled out since the list was made.
    if (!driveService || !driveService->isRemovable(drive.toStdString())) {
        prompt(UserPrompt::Critical, tr("MsgBlockedTitle"), tr("MsgBlockedBody").arg(drive));
        return;
    }
    const qint64 block = blockSizeCombo->currentData().toLongLong();
    if (block <= 0)
        return;

    const bool random = randomModeRadio->isChecked();
    QStringList files;
    QVector<qint64> alignedSizes;
    qint64 perStream = 0;
    int streams = 1;
    qint64 required = 0;
    if (!random) {
        if (rules.fullCap) {
            prompt(UserPrompt::Warning, tr("MsgModeConflictTitle"), tr("MsgModeConflictBody"));
            return;
        }
        for (int i = 0; i < fileList->count(); ++i)
            files.append(fileList->item(i)->data(Qt::UserRole).toString());
        if (files.isEmpty()) {
            prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgPickFileFirst"));
            return;
        }
        QStringList missing;
        qint64 largest = 0;
        for (const QString &path : files) {
            const QFileInfo info(path);
            if (!info.exists() || !info.isFile()) {
                missing.append(path);
                alignedSizes.append(0);
                continue;
            }
            // The engine writes whole blocks only; a file below one block is skipped.
            const qint64 aligned = (info.size() / block) * block;
            alignedSizes.append(aligned);
            required += aligned;
            largest = qMax(largest, aligned);
        }
        if (!missing.isEmpty()) {
            prompt(UserPrompt::Warning, tr("MsgErrorTitle"),
                   tr("MsgFilesMissing").arg(missing.join(QLatin1Char('\n'))));
            return;
        }
        if (required == 0) {
            prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgFilesTooSmall"));
            return;
        }
        if (isSmallCard(driveCapacity()) && largest > kFat32FileLimit) {
            prompt(UserPrompt::Warning, tr("MsgCapLimitTitle"), tr("MsgCapLimitFilesBody"));
            return;
        }
    } else {
        perStream = (testSizeCombo->currentData().toLongLong() / block) * block;
        if (perStream == 0) {
            prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgSizeLtBlock"));
            return;
        }
        if (isSmallCard(driveCapacity()) && perStream > kFat32FileLimit) {
            prompt(UserPrompt::Warning, tr("MsgCapLimitTitle"), tr("MsgCapLimitBody"));
            return;
        }
        streams = rules.fullCap ? 1 : streamCountSpin->value();
        required = static_cast<qint64>(streams) * perStream;
    }

    pendingStart = PendingStart{block,        random,    rules.fullCap, files,
                                alignedSizes, perStream, streams,       required};
    if (prompt(UserPrompt::Question, tr("MsgFormatTitle"), tr("MsgFormatBody").arg(drive))) {
        formatBeforeTest(drive);  // continues when the format has ended
        return;
    }
    continueStart(drive);
}

void MainWindow::continueStart(const QString &drive)
{
    const PendingStart &start = pendingStart;
    const qint64 required = start.required;
    const bool random = start.random;
    const QStringList &files = start.files;
    if (!start.fullCap) {
        platform::DiskSpace space;
        if (driveService->querySpace(drive.toStdString(), space)
            && static_cast<quint64>(space.freeBytes) < static_cast<quint64>(required)) {
            prompt(UserPrompt::Warning, tr("MsgLowSpaceTitle"),
                   tr("MsgLowSpaceBody")
                       .arg(required / 1048576)
                       .arg(static_cast<qint64>(space.freeBytes) / 1048576));
            return;
        }
    }

    QVector<StreamSource> sources;
    if (start.fullCap) {
        sources.append(StreamSource{StreamSource::RollingWrite, 0, QString()});
    } else if (random) {
        for (int i = 1; i <= start.streams; ++i)
            sources.append(StreamSource{StreamSource::RandomStream, i, QString()});
    } else {
        for (int i = 0; i < files.size(); ++i) {
            if (start.alignedSizes.at(i) != 0)
                sources.append(
                    StreamSource{StreamSource::ExternalFile, 0, QFileInfo(files.at(i)).fileName()});
        }
    }
    prepareResults(sources);
    writeProgressBar->setValue(0);
    readProgressBar->setValue(0);
    writeSpeedLabel->setText(tr("ProgressInitial"));
    readSpeedLabel->setText(tr("ProgressInitial"));

    runDrive = drive;
    runBlockSize = start.block;
    runTestSize = random ? start.perStream : 0;
    runStreamCount = start.streams;
    runSourceFiles = random ? QStringList() : files;
    userStopped = false;
    currentRound = 1;
    setRunning(true);
    launchTester();
}

void MainWindow::stopTest()
{
    if (!formatDrive.isEmpty()) {
        abandonFormat();
        return;
    }
    if (!tester)
        return;
    userStopped = true;
    tester->requestStop();
    appendLog(tr("LogStopping"));
}

void MainWindow::launchTester()
{
    if (tester) {
        tester->requestStop();
        tester->wait();
        delete tester;
        tester = nullptr;
    }
    tester = new SpeedTester();
    tester->setTargetDir(runDrive);
    tester->setTestSize(runSourceFiles.isEmpty() ? runTestSize : runStreamCount * runTestSize);
    tester->setBlockSize(runBlockSize);
    tester->setSourceFiles(runSourceFiles);
    tester->setStreamCount(runStreamCount);
    // Read afresh for every round, so a change between rounds applies to the next one.
    tester->setReadEnabled(rules.enableRead && !rules.fullCap);
    if (rules.fullCap) {
        platform::DiskSpace space;
        const qint64 freeBytes =
            driveService && driveService->querySpace(runDrive.toStdString(), space)
                ? space.freeBytes
                : 0;
        tester->setRollingFill(runTestSize, freeBytes, rules.iterCount);
    }
    connect(tester, &SpeedTester::writeProgress, this, &MainWindow::onWriteProgress);
    connect(tester, &SpeedTester::readProgress, this, &MainWindow::onReadProgress);
    connect(tester, &SpeedTester::fileWriteSample, this, &MainWindow::onFileWriteSample);
    connect(tester, &SpeedTester::fileReadSample, this, &MainWindow::onFileReadSample);
    connect(tester, &SpeedTester::writeFinished, this, &MainWindow::onWriteFinished);
    connect(tester, &SpeedTester::readFinished, this, &MainWindow::onReadFinished);
    connect(tester, &SpeedTester::testError, this, &MainWindow::onTestError);
    connect(tester, &QThread::finished, this, &MainWindow::onTestFinished);
    connect(tester, &SpeedTester::log, this, &MainWindow::appendLog);
    tester->start();
}

void MainWindow::setRunning(bool running)
{
    startButton->setEnabled(!running);
    stopButton->setEnabled(running);
    for (QWidget *w :
         {static_cast<QWidget *>(driveCombo), static_cast<QWidget *>(refreshButton),
          static_cast<QWidget *>(randomModeRadio), static_cast<QWidget *>(externalFileRadio),
          static_cast<QWidget *>(testSizeCombo), static_cast<QWidget *>(streamCountSpin),
          static_cast<QWidget *>(blockSizeCombo), static_cast<QWidget *>(fileList),
          static_cast<QWidget *>(browseButton), static_cast<QWidget *>(clearFilesButton)}) {
        if (w)
            w->setEnabled(!running);
    }
}
