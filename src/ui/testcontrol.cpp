#include "mainwindow.h"

#include "formatconfirmdialog.h"
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

void MainWindow::setFormatService(std::unique_ptr<platform::FormatService> service)
{
    formatService = std::move(service);
}

bool MainWindow::prompt(UserPrompt::Kind kind, const QString &title, const QString &text)
{
    UserPrompt p;
    p.kind = kind;
    p.title = title;
    p.text = text;
    return promptHandler ? promptHandler(this, p) : false;
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
    // Start is locked while a test runs; a click that still arrives changes nothing.
    if (runner.isRunning())
        return;
    const TestPlan plan = planFromControls();
    if (refuses(plan, CheckStage::BeforeFormat))
        return;
    TestPlan planned = plan;
    if (prompt(UserPrompt::Question, tr("MsgFormatTitle"), tr("MsgFormatBody").arg(plan.target))) {
        planned.target = formatBeforeTest(plan.target);
        if (planned.target.isEmpty()) {
            prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgFormatNoAccess"));
            return;
        }
    }
    launchPlan(planned);
}

void MainWindow::launchPlan(const TestPlan &plan)
{
    TargetFacts target;
    if (refuses(plan, CheckStage::BeforeWrite, &target))
        return;
    for (QProgressBar *bar : {writeProgressBar, readProgressBar})
        bar->setValue(0);
    for (QLabel *label : {writeSpeedLabel, readSpeedLabel})
        label->setText(tr("ProgressInitial"));
    lastWriteSpeed = 0.0;
    lastReadSpeed = 0.0;
    runner.start(plan, target.freeBytes);
    prepareResults(runner.streamSources());
    setRunning(true);
}

QString MainWindow::formatBeforeTest(const QString &drive)
{
    appendLog(tr("MsgFormatting").arg(drive));
    if (!formatService && driveService)
        formatService = platform::makeFormatService(*driveService);

    QString remembered = drive;
    platform::FormatResult result = platform::FormatResult::CannotFormat;
    platform::FormatPlan plan;
    if (formatService && formatService->describe(drive.toStdString(), plan)) {
        if (!prompt(UserPrompt::FormatConfirm, tr("DlgFormatConfirmTitle"),
                    FormatConfirmDialog::describe(plan))) {
            result = platform::FormatResult::Cancelled;
        } else {
            std::string newRoot;
            result = formatService->format(drive.toStdString(), &newRoot);
            // A card may come back mounted somewhere else.
            if (result == platform::FormatResult::Done && !newRoot.empty())
                remembered = QString::fromStdString(newRoot);
        }
    }

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
        && formatService && !formatService->lastMessage().empty())
        appendLog(QString::fromStdString(formatService->lastMessage()));

    refreshDrives();
    const int index = driveCombo->findData(remembered);
    if (index >= 0)
        driveCombo->setCurrentIndex(index);
    return driveCombo->currentData().toString();
}

void MainWindow::stopTest()
{
    runner.stop();
}

void MainWindow::setRunning(bool running)
{
    startButton->setEnabled(!running);
    stopButton->setEnabled(running);
    // Nothing that configures the test may change while it runs; the language may.
    for (QWidget *w : std::initializer_list<QWidget *>{
             driveCombo, refreshButton, randomModeRadio, externalFileRadio, testSizeCombo,
             streamCountSpin, blockSizeCombo, fileList, browseButton, clearFilesButton,
             readTestCheck, verdictRulesButton})
        w->setEnabled(!running);
}
