#include "mainwindow.h"

#include "dashcamprofilepicker.h"
#include "historydialog.h"

#include "speedchartwidget.h"

#include "i18n.h"
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

void MainWindow::retranslateUi()
{
    // The title carries the product name and version; it is the same in every language.
    setWindowTitle(QStringLiteral("Memory Card Test for True 4K dashcams  v%1")
                       .arg(QCoreApplication::applicationVersion()));

    // The language names stay in their own language, so anyone can find theirs.
    fileMenuAction->setText(tr("MenuFile"));
    saveReportAction->setText(tr("MenuSaveReport"));
    saveImageAction->setText(tr("MenuSaveImage"));
    copyResultsAction->setText(tr("MenuCopyResults"));
    languageMenuAction->setText(tr("MenuLanguage"));
    langSimplifiedAction->setText(QStringLiteral("简体中文"));
    langTraditionalAction->setText(QStringLiteral("繁體中文"));
    langEnglishAction->setText(QStringLiteral("English"));

    settingsGroup->setTitle(tr("GroupTestSettings"));
    writeGroup->setTitle(tr("GroupWriteTest"));
    readGroup->setTitle(tr("GroupReadTest"));
    chartGroup->setTitle(tr("GroupSpeedCurve"));
    resultsGroup->setTitle(tr("GroupResults"));

    driveLabel->setText(tr("LabelDrive"));
    modeLabel->setText(tr("LabelMode"));
    sizeLabel->setText(tr("LabelSize"));
    streamsLabel->setText(tr("LabelStreams"));
    dashcamPicker->retranslate();
    filesLabel->setText(tr("LabelFiles"));
    blockLabel->setText(tr("LabelBlock"));
    readRowLabel->setText(tr("LabelReadSpeed"));
    refreshButton->setText(tr("BtnRefresh"));
    randomModeRadio->setText(tr("RadioRandom"));
    externalFileRadio->setText(tr("RadioExternalFile"));
    fileList->setToolTip(tr("HintAddFiles"));
    browseButton->setText(tr("BtnBrowse"));
    clearFilesButton->setText(tr("BtnClearFiles"));
    readTestCheck->setText(tr("CheckReadTest"));
    verifyDataCheck->setText(tr("CheckVerifyData"));
    verifyDataCheck->setToolTip(tr("TipVerifyData"));
    verdictRulesButton->setText(tr("BtnVerdictRules"));
    startButton->setText(tr("BtnStart"));
    stopButton->setText(tr("BtnStop"));
    applyShortcuts();

    // A label whose bar shows progress keeps its live text until the next report; before
    // the first test the bars are reset (-1) and the labels stay empty.
    if (writeProgressBar && writeSpeedLabel && writeProgressBar->value() == 0)
        writeSpeedLabel->setText(tr("ProgressInitial"));
    if (readProgressBar && readSpeedLabel && readProgressBar->value() == 0)
        readSpeedLabel->setText(tr("ProgressInitial"));

    updateTotalSize();

    if (fileList->count() == 0)
        fileSummaryLabel->setText(tr("HintNoFileSelected"));

    retranslateResultHeaders();
    retranslateResultRows();

    speedChart->update();

    // Drive texts contain translated words too.
    retranslateDrives();
}

void MainWindow::retranslateResultHeaders()
{
    static const char *const keys[] = {
        "ColFile",
        "",
        "",
        "",
        "ColWriteAvg",
        "ColWriteMax",
        "ColWriteMin",
        "ColWriteJitter",
        "ColWriteCV",
        "ColWriteDrop",
        "ColReadAvg",
        "ColReadMax",
        "ColReadMin",
        "ColReadJitter",
        "ColReadCV",
        "ColReadDrop",
        "ColVerdict",
        "",
    };
    for (int column = 0; column < resultsTable->columnCount() && column < 18; ++column) {
        QTableWidgetItem *item = resultsTable->horizontalHeaderItem(column);
        if (item && keys[column][0] != '\0')
            item->setText(tr(keys[column]));
    }
}

void MainWindow::setupFileMenu()
{
    QMenu *menu = menuBar()->addMenu(QString());
    menu->setObjectName(QStringLiteral("fileMenu"));
    fileMenuAction = menu->menuAction();
    saveReportAction = menu->addAction(QString(), this, &MainWindow::saveReport);
    saveReportAction->setObjectName(QStringLiteral("saveReportAction"));
    saveImageAction = menu->addAction(QString(), this, &MainWindow::saveImage);
    saveImageAction->setObjectName(QStringLiteral("saveImageAction"));
    copyResultsAction = menu->addAction(QString(), this, &MainWindow::copyResults);
    copyResultsAction->setObjectName(QStringLiteral("copyResultsAction"));
    saveReportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveImageAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    copyResultsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    // The handler of the moment: a test sets its own after the window is built.
    history = new HistoryActions(this, menu, [this](QWidget *parent, const UserPrompt &p) {
        return promptHandler ? promptHandler(parent, p) : false;
    });
    connect(history, &HistoryActions::log, this, &MainWindow::appendLog);
}

void MainWindow::applyShortcuts()
{
    // A button's setText() replaces its shortcut with the text's mnemonic, so these follow
    // every retranslation. A disabled button ignores its key: Esc stops only a running test.
    refreshButton->setShortcut(QKeySequence(Qt::Key_F5));
    startButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    stopButton->setShortcut(QKeySequence(Qt::Key_Escape));

    // The menu bar takes Alt+<letter> from a title's '&' ("&Language"); a title that marks
    // no L ("语言") gets Alt+L here. Never both: an ambiguous key does nothing.
    const QKeySequence altL(Qt::ALT | Qt::Key_L);
    const bool marked = QKeySequence::mnemonic(languageMenuAction->text()) == altL;
    languageKeyAction->setShortcut(marked ? QKeySequence() : altL);
}

void MainWindow::setupLanguageMenu()
{
    // Texts come from retranslateUi(), which also runs on every language change.
    QMenu *menu = menuBar()->addMenu(QString());
    menu->setObjectName(QStringLiteral("languageMenu"));
    languageMenuAction = menu->menuAction();
    languageKeyAction = new QAction(this);
    languageKeyAction->setObjectName(QStringLiteral("languageKeyAction"));
    addAction(languageKeyAction);
    connect(languageKeyAction, &QAction::triggered, this,
            [this] { menuBar()->setActiveAction(languageMenuAction); });

    languageGroup = new QActionGroup(this);
    languageGroup->setExclusive(true);
    const auto makeAction = [this, menu](const char *name) {
        auto *action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        languageGroup->addAction(action);
        menu->addAction(action);
        return action;
    };
    langSimplifiedAction = makeAction("langSimplifiedAction");
    langTraditionalAction = makeAction("langTraditionalAction");
    langEnglishAction = makeAction("langEnglishAction");

    // Only the start sets the mark; the exclusive group moves it on every choice.
    switch (I18n::instance()->language()) {
    case SimplifiedChinese:
        langSimplifiedAction->setChecked(true);
        break;
    case TraditionalChinese:
        langTraditionalAction->setChecked(true);
        break;
    case English:
        langEnglishAction->setChecked(true);
        break;
    }

    connect(langSimplifiedAction, &QAction::triggered, this,
            [] { I18n::instance()->setLanguage(SimplifiedChinese); });
    connect(langTraditionalAction, &QAction::triggered, this,
            [] { I18n::instance()->setLanguage(TraditionalChinese); });
    connect(langEnglishAction, &QAction::triggered, this,
            [] { I18n::instance()->setLanguage(English); });
}
