#include "mainwindow.h"

#include "dashcamprofilepicker.h"
#include "logpanel.h"
#include "plancheck.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

bool MainWindow::prompt(UserPrompt::Kind kind, const QString &title, const QString &text)
{
    UserPrompt p;
    p.kind = kind;
    p.title = title;
    p.text = text;
    return promptHandler ? promptHandler(this, p) : false;
}

qint64 MainWindow::testedCapacity() const
{
    return testedCard.spaceKnown ? testedCard.totalBytes : -1;
}

TestPlan MainWindow::planFromControls() const
{
    TestPlan plan;
    plan.target = driveCombo->currentData().toString();
    plan.mode = randomModeRadio->isChecked() ? TestPlan::Mode::Random : TestPlan::Mode::Files;
    plan.testSize = testSizeCombo->currentData().toLongLong();
    plan.streams = streamCountSpin->value();
    plan.blockSize = blockSizeCombo->currentData().toLongLong();
    plan.read = rules.enableRead;
    plan.fill = rules.fullCap;
    plan.fillRounds = rules.iterCount;
    plan.iterations = rules.iterCount;
    plan.verify = verifyDataCheck->isChecked();
    // The profile sits with the stream count, which external files replace.
    if (plan.mode == TestPlan::Mode::Random)
        plan.dashcam = dashcamPicker->profile();
    if (plan.mode == TestPlan::Mode::Files) {
        for (int i = 0; i < fileList->count(); ++i)
            plan.files.append(fileList->item(i)->data(Qt::UserRole).toString());
    }
    return plan;
}

bool MainWindow::refuses(const TestPlan &plan, CheckStage stage, TargetFacts *facts)
{
    const TargetFacts target = inspectTarget(plan.target, *driveService);
    const PlanRefusal refusal = checkPlan(plan, target, stage);
    if (facts)
        *facts = target;
    if (!refusal.refused())
        return false;
    prompt(refusal.critical ? UserPrompt::Critical : UserPrompt::Warning, refusal.title(),
           refusal.text());
    return true;
}

void MainWindow::startTest()
{
    // Start is locked while a test runs or a card is formatted; a click that still arrives
    // changes nothing.
    if (runner.isRunning() || !formatDrive.isEmpty())
        return;
    const TestPlan plan = planFromControls();
    if (refuses(plan, CheckStage::BeforeFormat))
        return;
    // From here on it is the next test, format offer included.
    logPanel->newTest();
    pendingPlan = plan;
    if (prompt(UserPrompt::Question, tr("MsgFormatTitle"), tr("MsgFormatBody").arg(plan.target))) {
        formatBeforeTest(plan.target);  // continues when the format has ended
        return;
    }
    continueStart(plan.target);
}

void MainWindow::continueStart(const QString &drive)
{
    TestPlan plan = pendingPlan;
    plan.target = drive;
    launchPlan(plan);
}

void MainWindow::launchPlan(const TestPlan &plan)
{
    TargetFacts target;
    if (refuses(plan, CheckStage::BeforeWrite, &target))
        return;
    if (plan.fill && !confirmStress(plan, target.freeBytes))
        return;
    for (QProgressBar *bar : {writeProgressBar, readProgressBar})
        bar->setValue(0);
    for (QLabel *label : {writeSpeedLabel, readSpeedLabel})
        label->setText(tr("ProgressInitial"));
    lastWriteSpeed = 0.0;
    lastReadSpeed = 0.0;
    testedCard = describeCard(plan.target, *driveService);
    testStarted = QDateTime::currentDateTime();
    runner.start(plan, target.freeBytes);
    prepareResults(runner.streamSources());
    setRunning(true);
    updateExportActions();
}

bool MainWindow::confirmStress(const TestPlan &plan, qint64 freeBytes)
{
    const StressEstimate e = estimateStress(plan, freeBytes);
    // Filled in one pass: a drive path may hold a "%1" of its own.
    const QString body = tr("MsgStressBody")
                             .arg(plan.target, QString::number(e.initialFiles),
                                  QString::number(e.fileBytes / 1048576), QString::number(e.rounds),
                                  QString::number(double(e.writeBytes) / 1073741824.0, 'f', 1),
                                  formatDuration(e.durationMs(StressEstimate::assumedMBps)),
                                  QString::number(StressEstimate::assumedMBps, 'f', 0));
    return prompt(UserPrompt::Question, tr("MsgStressTitle"), body);
}

void MainWindow::stopTest()
{
    if (!formatDrive.isEmpty())
        abandonFormat();
    else
        runner.stop();
}

void MainWindow::endTestNow()
{
    if (!formatDrive.isEmpty())
        abandonFormat();
    runner.stopAndWait();
}

void MainWindow::setRunning(bool running)
{
    startButton->setEnabled(!running);
    stopButton->setEnabled(running);
    // Nothing that configures the test may change while it runs; the language may.
    for (QWidget *w : std::initializer_list<QWidget *>{
             driveCombo, refreshButton, randomModeRadio, externalFileRadio, testSizeCombo,
             dashcamPicker, streamCountSpin, blockSizeCombo, fileList, browseButton,
             clearFilesButton, readTestCheck, verifyDataCheck, verdictRulesButton})
        w->setEnabled(!running);
}
