#include "mainwindow.h"

#include "speedchartwidget.h"

#include "i18n.h"
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

template <typename W>
void setTitle(W *widget, const QString &text)
{
    if (widget)
        widget->setTitle(text);
}

template <typename W>
void setText(W *widget, const QString &text)
{
    if (widget)
        widget->setText(text);
}

}  // namespace

void MainWindow::retranslateUi()
{
    // The title carries the product name and version; it is the same in every language.
    setWindowTitle(QStringLiteral("Memory Card Test for True 4K dashcams  v%1")
                       .arg(QCoreApplication::applicationVersion()));

    // The language names stay in their own language, so anyone can find theirs.
    setText(languageMenuAction, tr("MenuLanguage"));
    setText(langSimplifiedAction, QStringLiteral("简体中文"));
    setText(langTraditionalAction, QStringLiteral("繁體中文"));
    setText(langEnglishAction, QStringLiteral("English"));

    setTitle(settingsGroup, tr("GroupTestSettings"));
    setTitle(writeGroup, tr("GroupWriteTest"));
    setTitle(readGroup, tr("GroupReadTest"));
    setTitle(chartGroup, tr("GroupSpeedCurve"));
    setTitle(resultsGroup, tr("GroupResults"));

    setText(driveLabel, tr("LabelDrive"));
    setText(modeLabel, tr("LabelMode"));
    setText(sizeLabel, tr("LabelSize"));
    setText(streamsLabel, tr("LabelStreams"));
    setText(filesLabel, tr("LabelFiles"));
    setText(blockLabel, tr("LabelBlock"));
    setText(readRowLabel, tr("LabelReadSpeed"));
    setText(refreshButton, tr("BtnRefresh"));
    setText(randomModeRadio, tr("RadioRandom"));
    setText(externalFileRadio, tr("RadioExternalFile"));
    if (fileList)
        fileList->setToolTip(tr("HintAddFiles"));
    setText(browseButton, tr("BtnBrowse"));
    setText(clearFilesButton, tr("BtnClearFiles"));
    setText(readTestCheck, tr("CheckReadTest"));
    setText(verifyDataCheck, tr("CheckVerifyData"));
    if (verifyDataCheck)
        verifyDataCheck->setToolTip(tr("TipVerifyData"));
    setText(verdictRulesButton, tr("BtnVerdictRules"));
    setText(startButton, tr("BtnStart"));
    setText(stopButton, tr("BtnStop"));

    // A label whose bar shows progress keeps its live text until the next report; before
    // the first test the bars are reset (-1) and the labels stay empty.
    if (writeProgressBar && writeSpeedLabel && writeProgressBar->value() == 0)
        writeSpeedLabel->setText(tr("ProgressInitial"));
    if (readProgressBar && readSpeedLabel && readProgressBar->value() == 0)
        readSpeedLabel->setText(tr("ProgressInitial"));

    updateTotalSize();

    if (fileList && fileSummaryLabel && fileList->count() == 0)
        fileSummaryLabel->setText(tr("HintNoFileSelected"));

    retranslateResultHeaders();
    retranslateResultRows();

    if (speedChart)
        speedChart->update();

    // Drive texts contain translated words too.
    retranslateDrives();
}

void MainWindow::retranslateResultHeaders()
{
    if (!resultsTable)
        return;
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

void MainWindow::setupLanguageMenu()
{
    // Texts come from retranslateUi(), which also runs on every language change.
    QMenu *menu = menuBar()->addMenu(QString());
    menu->setObjectName(QStringLiteral("languageMenu"));
    languageMenuAction = menu->menuAction();

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
